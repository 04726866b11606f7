// Files named on the window program's command line (a file manager's "Open
// with"): added once the window runs, exactly as if dropped on it.
#include "app/startup_files.h"

#include "resources/control_ids.h"
#include "tasks/main_view.h"
#include "tests/support/media_check.h"
#include "tests/ui/fake_services.h"
#include "ui/main_window.h"

#include <QCoreApplication>
#include <QDir>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace {

using veltrano::test::FixturePath;
using veltrano::test::MakeScratchDir;

class StartupFilesTest : public ::testing::Test, protected FakeWindowServices<> {
protected:
    void SetUp() override {
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        scratch = MakeScratchDir("ui_startup_" + name);
        locations.settingsPath = scratch + "/bin/Path_Registration.ini";
        locations.defaultFolder = scratch + "/OutPut";
        std::filesystem::copy_file(FixturePath("stereo44.wav"), scratch + "/a.wav");
        std::filesystem::copy_file(FixturePath("surround48.flac"), scratch + "/b.flac");
        std::ofstream(scratch + "/notes.txt") << "Shopping: milk, eggs.\n";
        window = std::make_unique<CQuarvelDlg>(services, locations);
    }

    std::vector<std::string> Column(int column) const {
        std::vector<std::string> texts;
        for (int row = 0; row < window->RowCount(); ++row) {
            texts.push_back(window->RowText(row, column));
        }
        return texts;
    }

    std::string scratch;
    AppLocations locations;
    std::unique_ptr<CQuarvelDlg> window;
};

TEST_F(StartupFilesTest, NamedFilesAreAddedAsIfDroppedWithTheSameRefusal) {
    // A name typed in a shell is relative to the folder the program started in.
    const QString started = QDir::currentPath();
    QDir::setCurrent(QString::fromStdString(scratch));
    OpenStartupFiles(
        *window, {"veltrano", "a.wav", "notes.txt", QString::fromStdString(scratch + "/b.flac")});
    QCoreApplication::processEvents();
    QDir::setCurrent(started);

    const std::vector<std::string> expectedSources = {scratch + "/b.flac", scratch + "/a.wav"};
    EXPECT_EQ(Column(ColumnSource), expectedSources);
    EXPECT_EQ(Column(ColumnFormat), std::vector<std::string>(2, ""));
    EXPECT_EQ(Column(ColumnStatus), std::vector<std::string>(2, " Ready"));
    EXPECT_FALSE(window->IsRowChecked(0));
    EXPECT_FALSE(window->IsRowChecked(1));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].first, "File:notes.txt is invalid!");
    EXPECT_EQ(dialogs.messages[0].second, MessageIcon::Exclamation);
    EXPECT_EQ(window->SelectedRows(), std::vector<int>{0});
    EXPECT_TRUE(window->IsButtonEnabled(ids::kConvert));
}

TEST_F(StartupFilesTest, WithoutFilesNothingChanges) {
    OpenStartupFiles(*window, {"veltrano"});
    QCoreApplication::processEvents();

    EXPECT_EQ(window->RowCount(), 0);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(window->SelectedRows().empty());
    for (int id : {ids::kConvert, ids::kCut, ids::kEmpty, ids::kSetting, ids::kFileInformation}) {
        EXPECT_FALSE(window->IsButtonEnabled(id)) << "button " << id;
    }
}

} // namespace
