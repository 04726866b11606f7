// The tree `cmake --install` makes: the programs, the launcher, the icon, the
// metadata and the manual pages where the desktop and man look for them, each
// passing its validator, and a launcher that offers the program for the files
// it can add.
#include "install_support.h"

#include "engine/av_convert.h"
#include "tasks/add_files.h"
#include "tests/support/media_check.h"

#include <QMimeDatabase>
#include <QMimeType>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace {

using veltrano::test::FileExists;
using veltrano::test::FilesBelow;
using veltrano::test::FixturePath;
using veltrano::test::HasProgram;
using veltrano::test::Installed;
using veltrano::test::InstalledDesktopFile;
using veltrano::test::RunCommand;
using veltrano::test::ShellQuote;

const std::string kMetainfo = std::string("share/metainfo/") + kAppId + ".metainfo.xml";
const std::vector<std::string> kManualPages = {"share/man/man1/veltrano.1.gz",
                                               "share/man/man1/veltrano-convert.1.gz"};

std::vector<std::string> ExpectedFiles() {
    std::vector<std::string> files = {
        "bin/veltrano",
        "bin/veltrano-convert",
        std::string("share/applications/") + kAppId + ".desktop",
        kMetainfo,
        "share/doc/veltrano/changelog.gz",
        "share/doc/veltrano/copyright",
    };
    files.insert(files.end(), kManualPages.begin(), kManualPages.end());
    for (const std::string& file : kOptionalInstalledFiles) {
        files.push_back(file);
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<std::string> DeclaredMimeTypes() {
    std::ifstream desktop(InstalledDesktopFile());
    std::string line;
    const std::string key = "MimeType=";
    while (std::getline(desktop, line)) {
        if (line.rfind(key, 0) == 0) {
            std::vector<std::string> types;
            std::istringstream list(line.substr(key.size()));
            for (std::string type; std::getline(list, type, ';');) {
                types.push_back(type);
            }
            return types;
        }
    }
    return {};
}

// A file manager offers the launcher for a file whose type is, or is a kind
// of, a declared type.
bool IsDeclared(const std::vector<std::string>& declared, const QMimeType& type) {
    return std::any_of(declared.begin(), declared.end(), [&](const std::string& name) {
        return type.inherits(QString::fromStdString(name));
    });
}

bool IsMediaType(const QMimeType& type) {
    return type.name().startsWith("audio/") || type.name().startsWith("video/");
}

TEST(InstallTree, HoldsTheProgramsLauncherMetadataAndManualPagesAndNothingElse) {
    EXPECT_EQ(FilesBelow(Installed("")), ExpectedFiles());
    // An installed program knows itself by its data folder.
    EXPECT_TRUE(std::filesystem::is_directory(Installed("share/veltrano")));
    for (const char* program : {"bin/veltrano", "bin/veltrano-convert"}) {
        SCOPED_TRACE(program);
        const auto permissions = std::filesystem::status(Installed(program)).permissions();
        EXPECT_NE(permissions & std::filesystem::perms::others_exec, std::filesystem::perms::none);
        // Every library it needs is found from where it is installed.
        int exitCode = -1;
        const std::string libraries =
            RunCommand("ldd " + ShellQuote(Installed(program)), &exitCode);
        EXPECT_EQ(exitCode, 0);
        EXPECT_EQ(libraries.find("not found"), std::string::npos) << libraries;
    }
}

struct ValidatorCase {
    const char* program;
    std::string command; // exits 0 and prints nothing on standard output when all is well
};

class InstallValidators : public ::testing::TestWithParam<ValidatorCase> {};

TEST_P(InstallValidators, PassOnTheInstalledFile) {
    const ValidatorCase& validator = GetParam();
    if (!HasProgram(validator.program)) {
        GTEST_SKIP() << validator.program << " is not installed";
    }
    int exitCode = -1;
    const std::string report = RunCommand(validator.command + " 2>&1", &exitCode);
    EXPECT_EQ(exitCode, 0) << report;
    if (std::string(validator.program) == "man") {
        EXPECT_EQ(report, "") << "troff warnings";
    }
}

// man as lintian runs it: its warnings go to standard error, the page itself
// is thrown away.
std::string ManPageCheck(const std::string& page) {
    return "LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z " +
           ShellQuote(Installed(page)) + " 2>&1 >/dev/null";
}

INSTANTIATE_TEST_SUITE_P(
    Files, InstallValidators,
    ::testing::Values(ValidatorCase{"desktop-file-validate",
                                    "desktop-file-validate " + ShellQuote(InstalledDesktopFile())},
                      ValidatorCase{"appstreamcli", "appstreamcli validate --no-net " +
                                                        ShellQuote(Installed(kMetainfo))},
                      ValidatorCase{"man", ManPageCheck(kManualPages[0])},
                      ValidatorCase{"man", ManPageCheck(kManualPages[1])}));

TEST(InstallTree, LauncherOffersTheProgramForTheFilesItCanAdd) {
    const std::vector<std::string> declared = DeclaredMimeTypes();
    ASSERT_FALSE(declared.empty());
    QMimeDatabase database;

    // Files the probe accepts, recognised by their content as a file manager does.
    AVConvert engine;
    for (const char* fixture :
         {"stereo44.wav", "surround48.flac", "tagged.ogg", "video_sound.mp4", "two_audio.mkv"}) {
        SCOPED_TRACE(fixture);
        ASSERT_TRUE(AcceptsMediaFile(engine, FixturePath(fixture)));
        const QMimeType type =
            database.mimeTypeForFile(QString::fromStdString(FixturePath(fixture)));
        EXPECT_TRUE(IsDeclared(declared, type)) << type.name().toStdString();
    }

    // Every audio or video type of the Add dialog's "All audio files" and
    // "All media files" patterns.
    for (const FileFilter& filter : kAddFileFilters) {
        const std::string description = filter.description;
        if (description != "All audio files" && description != "All media files") {
            continue;
        }
        std::istringstream patterns(filter.patterns);
        for (std::string pattern; std::getline(patterns, pattern, ';');) {
            const QString name = "file" + QString::fromStdString(pattern.substr(1));
            const QList<QMimeType> types = database.mimeTypesForFileName(name);
            const bool anyMedia = std::any_of(types.begin(), types.end(), IsMediaType);
            const bool anyDeclared =
                std::any_of(types.begin(), types.end(),
                            [&](const QMimeType& type) { return IsDeclared(declared, type); });
            EXPECT_TRUE(!anyMedia || anyDeclared) << pattern;
        }
    }
}

} // namespace
