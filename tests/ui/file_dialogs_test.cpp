// The window's file and folder choosers as Qt shows them: what the Add
// dialog's filters read as and match, and where Browse starts.
#include "resources/control_ids.h"
#include "tasks/add_files.h"
#include "tests/support/media_check.h"
#include "tests/ui/fake_services.h"
#include "ui/dialog_builder.h"
#include "ui/main_window.h"
#include "ui/qt_user_dialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace {

using veltrano::test::MakeScratchDir;

// Looks at the next file dialog once it is up, then cancels it. A dialog
// that never comes leaves the look undone, which the checks then show.
class NextFileDialog {
public:
    explicit NextFileDialog(std::function<void(QFileDialog&)> look) : m_look(std::move(look)) {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { Tick(); });
        m_timer.start(20);
    }
    bool seen = false;

private:
    void Tick() {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || !dialog->isVisible()) {
            return;
        }
        m_timer.stop();
        seen = true;
        m_look(*dialog);
        dialog->reject();
    }

    std::function<void(QFileDialog&)> m_look;
    QTimer m_timer;
};

class FileDialogsTest : public ::testing::Test, protected FakeWindowServices<QtUserDialogs> {
protected:
    void SetUp() override {
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        scratch = MakeScratchDir("ui_file_dialogs_" + name);
        locations.settingsPath = scratch + "/bin/Path_Registration.ini";
        locations.defaultFolder = scratch + "/OutPut";
        window = std::make_unique<CQuarvelDlg>(services, locations);
        dialogs.SetOwner(window.get());
    }
    void TearDown() override {
        window.reset();
        dialogs.SetOwner(nullptr);
    }

    void Click(int id) { FindControlAs<QAbstractButton>(*window, id)->click(); }

    std::string scratch;
    AppLocations locations;
    std::unique_ptr<CQuarvelDlg> window;
};

std::vector<std::string> SplitPatterns(const std::string& patterns) {
    std::vector<std::string> split;
    size_t start = 0;
    for (size_t end; (end = patterns.find(';', start)) != std::string::npos; start = end + 1) {
        split.push_back(patterns.substr(start, end - start));
    }
    split.push_back(patterns.substr(start));
    return split;
}

std::string NameBeforePatterns(const std::string& text) {
    const size_t open = text.rfind('(');
    return open == std::string::npos ? text : text.substr(0, open);
}

// Each filter shows one list of patterns, the one it matches with; the name
// before it is the description's.
TEST_F(FileDialogsTest, EachAddFilterShowsItsPatternsOnceAndMatchesThem) {
    QStringList shown;
    std::vector<std::vector<std::string>> matched;
    NextFileDialog look([&](QFileDialog& dialog) {
        shown = dialog.nameFilters();
        auto* model = dialog.findChild<QFileSystemModel*>();
        for (const QString& filter : shown) {
            dialog.selectNameFilter(filter);
            std::vector<std::string> patterns;
            for (const QString& pattern : model ? model->nameFilters() : QStringList()) {
                patterns.push_back(pattern.toStdString());
            }
            matched.push_back(patterns);
        }
    });
    Click(ids::kAdd);
    ASSERT_TRUE(look.seen);

    ASSERT_EQ(shown.size(), kAddFileFilterCount);
    ASSERT_EQ(matched.size(), static_cast<size_t>(kAddFileFilterCount));
    for (int index = 0; index < kAddFileFilterCount; ++index) {
        const FileFilter& filter = kAddFileFilters[static_cast<size_t>(index)];
        const std::string text = shown[index].toStdString();
        SCOPED_TRACE(text);
        EXPECT_EQ(matched[static_cast<size_t>(index)], SplitPatterns(filter.patterns));
        EXPECT_EQ(std::count(text.begin(), text.end(), '('), 1);
        const std::string description = filter.description;
        const std::string name = NameBeforePatterns(description);
        EXPECT_EQ(text.substr(0, name.size()), name);
    }
    // Descriptions that name their one pattern are shown as they stand;
    // those without patterns get theirs.
    const std::pair<int, const char*> examples[] = {
        {2, "Advanced Audio Coding files(*.aac)"},
        {12, "Window Media Audio Files(*.wma)"},
        {33, "Nullsoft Stream Video(*.nsv)"},
        {1, "All audio files (*.aac *.ac3 *.aiff *.ape *.cue *.mpa *.au *.flac *.mp3 *.ogg *.ra "
            "*.ram *.wav *.cda *.m4a *.wma)"},
        {5, "Monkey's Audio Files(*.ape *.cue)"},
    };
    for (const auto& [index, text] : examples) {
        EXPECT_EQ(shown[index].toStdString(), text);
    }
}

// Browse starts in the folder the Save to field shows, when it exists.
TEST_F(FileDialogsTest, BrowseStartsInTheOutputFolder) {
    const std::string output = scratch + "/Converted";
    const std::string elsewhere = scratch + "/Elsewhere";
    std::filesystem::create_directories(output);
    std::filesystem::create_directories(elsewhere);
    // The last file dialog was elsewhere.
    const QString started = QDir::currentPath();
    QDir::setCurrent(QString::fromStdString(elsewhere));
    window->View().ShowOutputFolder(output);

    std::string startFolder;
    NextFileDialog look([&](QFileDialog& dialog) {
        startFolder = dialog.directory().absolutePath().toStdString();
    });
    Click(ids::kBrowse);
    QDir::setCurrent(started);

    ASSERT_TRUE(look.seen);
    EXPECT_EQ(startFolder, output);
    EXPECT_EQ(window->View().OutputFolderText(), output); // cancelled: nothing changed
}

} // namespace
