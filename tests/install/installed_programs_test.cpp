// The installed programs with their folder read-only: the window keeps its
// settings file and default output folder in the user's folders and writes
// nothing beside itself; the command line converts from where it is installed,
// and its manual page covers everything its --help offers.
#include "install_support.h"

#include "app/quarvel_app.h"
#include "resources/control_ids.h"
#include "tests/support/media_check.h"
#include "tests/ui/fake_services.h"
#include "tests/ui/window_batch.h"
#include "ui/dialog_builder.h"
#include "ui/main_window.h"
#include "ui/progress_dialog.h"

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <set>
#include <sstream>

namespace {

using veltrano::test::FileExists;
using veltrano::test::FilesBelow;
using veltrano::test::FixturePath;
using veltrano::test::HasProgram;
using veltrano::test::Installed;
using veltrano::test::MakeScratchDir;
using veltrano::test::ProbeAudio;
using veltrano::test::RunCommand;
using veltrano::test::ShellQuote;

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A user of their own: home, configuration folder and a music folder that is
// not ~/Music, as xdg-user-dirs may set it.
class InstalledProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        scratch = MakeScratchDir("install_" + name);
        home = scratch + "/home";
        config = scratch + "/config";
        std::filesystem::create_directories(home);
        std::filesystem::create_directories(config);
        std::ofstream(config + "/user-dirs.dirs") << "XDG_MUSIC_DIR=\"$HOME/Musik\"\n";
        // No test plays sound.
        qputenv("SDL_AUDIODRIVER", "dummy");
        installedBefore = FilesBelow(Installed(""), true);
    }

    void TearDown() override {
        // The installed tree is read-only for its users: nothing lands there.
        EXPECT_EQ(FilesBelow(Installed(""), true), installedBefore);
    }

    QProcessEnvironment UserEnvironment() const {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", QString::fromStdString(home));
        environment.insert("XDG_CONFIG_HOME", QString::fromStdString(config));
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("SDL_AUDIODRIVER", "dummy");
        return environment;
    }

    std::string MusicOutputFolder() const { return home + "/Musik/OutPut"; }

    // The window program's locations when installed, as this user would get
    // them. The test process keeps its own environment otherwise: libraries
    // that read it later (fonts) must not see a changed home.
    AppLocations InstalledLocations() const {
        const QByteArray oldHome = qgetenv("HOME");
        const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
        const bool hadConfig = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
        qputenv("HOME", QByteArray::fromStdString(home));
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(config));
        AppLocations locations = CQuarvelApp::LocationsFor(Installed("bin"));
        qputenv("HOME", oldHome);
        if (hadConfig) {
            qputenv("XDG_CONFIG_HOME", oldConfig);
        } else {
            qunsetenv("XDG_CONFIG_HOME");
        }
        return locations;
    }

    std::string scratch;
    std::string home;
    std::string config;
    std::vector<std::string> installedBefore;
};

void ClickButton(QWidget& window, int id) {
    auto* button = FindControlAs<QAbstractButton>(window, id);
    ASSERT_NE(button, nullptr) << "no button " << id;
    button->click();
}

TEST_F(InstalledProgramTest, WindowKeepsItsSettingsAndOutputFolderInTheUsersFolders) {
    const AppLocations locations = InstalledLocations();
    EXPECT_EQ(locations.settingsPath, config + "/veltrano/Path_Registration.ini");
    EXPECT_EQ(locations.defaultFolder, MusicOutputFolder());

    FakeWindowServices fakes;
    CQuarvelDlg window(fakes.services, locations);
    EXPECT_TRUE(std::filesystem::is_directory(MusicOutputFolder()));

    fakes.dialogs.fileChoices.push_back({FixturePath("mono8.wav")});
    ClickButton(window, ids::kAdd);
    ASSERT_EQ(window.View().RowCount(), 1);
    ConvertAndWait(window, 60000);

    EXPECT_TRUE(ProbeAudio(MusicOutputFolder() + "/mono8.aac").ok);
    EXPECT_NE(ReadWholeFile(locations.settingsPath).find("Path=" + MusicOutputFolder()),
              std::string::npos);
}

TEST_F(InstalledProgramTest, WindowProgramStartsAndMakesItsOutputFolderInTheMusicFolder) {
    QProcess program;
    program.setProcessEnvironment(UserEnvironment());
    program.start(QString::fromStdString(Installed("bin/veltrano")),
                  {QString::fromStdString(FixturePath("mono8.wav"))});
    ASSERT_TRUE(program.waitForStarted(10000));
    QElapsedTimer waited;
    waited.start();
    while (!std::filesystem::is_directory(MusicOutputFolder()) && waited.elapsed() < 30000 &&
           program.state() == QProcess::Running) {
        program.waitForFinished(100);
    }
    EXPECT_TRUE(std::filesystem::is_directory(MusicOutputFolder()));
    EXPECT_EQ(program.state(), QProcess::Running) << program.readAllStandardError().toStdString();
    program.terminate();
    program.waitForFinished(10000);
}

TEST_F(InstalledProgramTest, CommandLineConverterConvertsFromItsInstalledPlace) {
    const std::string output = scratch + "/out";
    int exitCode = -1;
    const std::string report = RunCommand(
        "cd " + ShellQuote(scratch) + " && " + ShellQuote(Installed("bin/veltrano-convert")) +
            " -f wav -o out " + ShellQuote(FixturePath("mono8.wav")) + " 2>/dev/null",
        &exitCode);
    EXPECT_EQ(exitCode, 0) << report;
    EXPECT_EQ(report, "Completed out/mono8.wav\n");
    EXPECT_TRUE(ProbeAudio(output + "/mono8.wav").ok);
}

// Options, format extensions and encoder names the program's --help names.
std::set<std::string> HelpTerms(const std::string& help) {
    std::set<std::string> terms;
    const std::regex option(R"((^|[\s\[(])(--?[a-z]+(-[a-z]+)*))");
    for (auto it = std::sregex_iterator(help.begin(), help.end(), option);
         it != std::sregex_iterator(); ++it) {
        terms.insert((*it)[2]);
    }
    std::istringstream lines(help);
    bool inFormats = false;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("Formats and their defaults:", 0) == 0) {
            inFormats = true;
            continue;
        }
        if (line.empty()) {
            inFormats = false;
        }
        std::istringstream words(line);
        std::string extension;
        std::string encoder;
        if (inFormats && words >> extension >> encoder && extension != "FORMAT") {
            terms.insert(extension);
            terms.insert(encoder);
        }
    }
    return terms;
}

TEST_F(InstalledProgramTest, ManualPageNamesEveryOptionFormatAndEncoderOfHelp) {
    if (!HasProgram("groff")) {
        GTEST_SKIP() << "groff is not installed";
    }
    int exitCode = -1;
    const std::string help =
        RunCommand(ShellQuote(Installed("bin/veltrano-convert")) + " --help", &exitCode);
    ASSERT_EQ(exitCode, 0);
    // The page as a reader sees it, on lines long enough that no word is split.
    const std::string page =
        RunCommand("gzip -dc " + ShellQuote(Installed("share/man/man1/veltrano-convert.1.gz")) +
                   " | groff -t -man -Tascii -P-cbou -rLL=2000n 2>/dev/null");
    const std::set<std::string> terms = HelpTerms(help);
    ASSERT_TRUE(terms.count("--bitrate") && terms.count("flac") && terms.count("PCM_S16LE"));
    for (const std::string& term : terms) {
        const std::regex word("(^|[^A-Za-z0-9_-])" +
                              std::regex_replace(term, std::regex("-"), "\\-") +
                              "($|[^A-Za-z0-9_-])");
        EXPECT_TRUE(std::regex_search(page, word)) << term;
    }
}

} // namespace
