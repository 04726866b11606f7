// Files named on the window program's command line (a file manager's "Open
// with"): added once the window runs, as the Add command adds files.
#include "app/startup_files.h"

#include "resources/control_ids.h"
#include "tasks/main_view.h"
#include "tests/support/media_check.h"
#include "tests/ui/fake_services.h"
#include "tests/ui/window_batch.h"
#include "ui/dialog_builder.h"
#include "ui/main_window.h"

#include <QAbstractButton>
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
        for (int row = 0; row < window->View().RowCount(); ++row) {
            texts.push_back(window->View().RowText(row, column));
        }
        return texts;
    }

    void AddTaskRow(const std::string& path) {
        dialogs.fileChoices.push_back({path});
        FindControlAs<QAbstractButton>(*window, ids::kAdd)->click();
    }

    std::string scratch;
    AppLocations locations;
    std::unique_ptr<CQuarvelDlg> window;
};

// "Open with" names files to convert: they are added as the Add command adds
// them, at the end, in order, checked and labelled with the format, so that
// Convert takes them at once.
TEST_F(StartupFilesTest, NamedFilesAreAddedAsTheAddCommandAddsThem) {
    AddTaskRow(FixturePath("mono8.wav")); // a task already listed
    // A name typed in a shell is relative to the folder the program started in.
    const QString started = QDir::currentPath();
    QDir::setCurrent(QString::fromStdString(scratch));
    OpenStartupFiles(
        *window, {"veltrano", "a.wav", "notes.txt", QString::fromStdString(scratch + "/b.flac")});
    QCoreApplication::processEvents();
    QDir::setCurrent(started);

    const std::vector<std::string> expectedSources = {FixturePath("mono8.wav"), scratch + "/a.wav",
                                                      scratch + "/b.flac"};
    EXPECT_EQ(Column(ColumnSource), expectedSources);
    EXPECT_EQ(Column(ColumnFormat),
              std::vector<std::string>(3, window->View().CurrentFormatText()));
    EXPECT_EQ(Column(ColumnStatus), std::vector<std::string>(3, " Ready"));
    for (int row = 0; row < 3; ++row) {
        EXPECT_TRUE(window->View().IsRowChecked(row)) << "row " << row;
    }
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].first, "File:notes.txt is invalid!");
    EXPECT_EQ(dialogs.messages[0].second, MessageIcon::Exclamation);
    EXPECT_TRUE(window->View().IsButtonEnabled(ids::kConvert));

    // Convert takes them without a further click.
    window->View().ShowOutputFolder(scratch + "/out");
    ConvertAndWait(*window);
    for (const auto& message : dialogs.messages) {
        EXPECT_NE(message.first, "Please select at least one task to convert!");
    }
    EXPECT_EQ(Column(ColumnStatus), std::vector<std::string>(3, "Completed"));
}

TEST_F(StartupFilesTest, WithoutFilesNothingChanges) {
    OpenStartupFiles(*window, {"veltrano"});
    QCoreApplication::processEvents();

    EXPECT_EQ(window->View().RowCount(), 0);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(window->View().SelectedRows().empty());
    for (int id : {ids::kConvert, ids::kCut, ids::kEmpty, ids::kSetting, ids::kFileInformation}) {
        EXPECT_FALSE(window->View().IsButtonEnabled(id)) << "button " << id;
    }
}

} // namespace
