// The main window over fake services: its start-up state, the keys it takes
// for itself, dropped files, the check-all header, a whole batch converted
// from the window, the progress dialog and the About box.
#include "ui/main_window.h"

#include "engine/av_convert.h"
#include "profiles/output_catalogue.h"
#include "resources/control_ids.h"
#include "resources/dialog_templates.h"
#include "tasks/engine_access.h"
#include "tests/support/media_check.h"
#include "tests/ui/fake_services.h"
#include "tests/ui/window_batch.h"
#include "ui/about_dialog.h"
#include "ui/controls/check_list_ctrl.h"
#include "ui/dialog_builder.h"
#include "ui/progress_dialog.h"
#include "ui/settings_dialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <sstream>
#include <tuple>

namespace {

using veltrano::test::FileExists;
using veltrano::test::FixturePath;
using veltrano::test::MakeScratchDir;
using veltrano::test::ProbeAudio;
using veltrano::test::ProbedAudio;

const int kMp3Index = 6;
const int kWmaIndex = 10;

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class MainWindowTest : public ::testing::Test, protected FakeWindowServices<> {
protected:
    void SetUp() override {
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        scratch = MakeScratchDir("ui_window_" + name);
        locations.settingsPath = scratch + "/bin/Path_Registration.ini";
        locations.defaultFolder = scratch + "/OutPut";
        locations.appDir = VELTRANO_APP_DIR;
        OutputSettings = OutputParameters{};
        window = MakeWindow();
    }

    std::unique_ptr<CQuarvelDlg> MakeWindow() {
        return std::make_unique<CQuarvelDlg>(services, locations);
    }

    template <class Widget> Widget& Control(int id) {
        auto* widget = FindControlAs<Widget>(*window, id);
        if (widget == nullptr) {
            throw std::runtime_error("no control " + std::to_string(id));
        }
        return *widget;
    }

    CCheckListCtrl& List() { return Control<CCheckListCtrl>(ids::kTaskList); }

    void Drop(const std::vector<std::string>& paths) {
        QList<QUrl> urls;
        for (const std::string& path : paths) {
            urls << QUrl::fromLocalFile(QString::fromStdString(path));
        }
        QMimeData mime;
        mime.setUrls(urls);
        // A drop reaches only the widget that accepted the drag's entry.
        const QPoint position(20, 20);
        QDragEnterEvent enter(position, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent drop(position, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &drop);
    }

    void AddThroughDialog(const std::vector<std::string>& paths) {
        dialogs.fileChoices.push_back(paths);
        Control<QPushButton>(ids::kAdd).click();
    }

    std::vector<std::string> Column(int column) const {
        std::vector<std::string> texts;
        for (int row = 0; row < window->View().RowCount(); ++row) {
            texts.push_back(window->View().RowText(row, column));
        }
        return texts;
    }

    std::string scratch;
    AppLocations locations;
    std::unique_ptr<CQuarvelDlg> window;
};

TEST_F(MainWindowTest, StartsFromItsTemplateWithAnEmptyHiddenListAndTheDefaultFolder) {
    for (const ControlTemplate& control : FindDialogTemplate(ids::kMainDialog)->controls) {
        if (control.id != ids::kStatic) {
            EXPECT_NE(FindControl(*window, control.id), nullptr) << "control " << control.id;
        }
    }
    EXPECT_EQ(window->windowTitle(), "Veltrano Audio Converter");
    EXPECT_TRUE(window->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(window->acceptDrops());

    EXPECT_TRUE(List().isHidden());
    EXPECT_EQ(window->View().RowCount(), 0);
    const std::pair<int, bool> buttons[] = {
        {ids::kConvert, false},
        {ids::kCut, false},
        {ids::kEmpty, false},
        {ids::kSetting, false},
        {ids::kFileInformation, false},
        {ids::kAdd, true},
        {ids::kHelp, true},
        {ids::kBrowse, true},
        {ids::kFindTarget, true},
        {ids::kAbout, true},
        {ids::kMinimise, true},
        {ids::kClose, true},
    };
    for (const auto& [id, enabled] : buttons) {
        EXPECT_EQ(window->View().IsButtonEnabled(id), enabled) << "button " << id;
    }

    auto& output = Control<QComboBox>(ids::kOutputCombo);
    ASSERT_EQ(output.count(), 1);
    EXPECT_EQ(output.itemText(0).toStdString(), locations.defaultFolder);
    EXPECT_EQ(window->View().OutputFolderText(), locations.defaultFolder);
    EXPECT_TRUE(std::filesystem::is_directory(locations.defaultFolder));

    auto& formats = Control<QComboBox>(ids::kFormatCombo);
    ASSERT_EQ(formats.count(), kOutputFormatCount);
    for (int index = 0; index < kOutputFormatCount; ++index) {
        EXPECT_EQ(formats.itemText(index).toStdString(), kOutputFormats[index].text);
    }
    EXPECT_EQ(formats.currentIndex(), 0);
    EXPECT_EQ(OutputSettings.audioEncoder, "AAC");
    EXPECT_EQ(OutputSettings.audioBitRate, 192000);
    EXPECT_EQ(OutputSettings.sampleRate, 48000);

    const char* headings[] = {"Source file", "Start time", "End time", "Output format", "Status"};
    for (int column = 0; column < 5; ++column) {
        EXPECT_EQ(List().horizontalHeaderItem(column)->text().toStdString(), headings[column]);
    }
    EXPECT_EQ(List().columnWidth(ColumnSource), 200);
    EXPECT_EQ(List().columnWidth(ColumnFormat), 100);
    EXPECT_EQ(List().columnWidth(ColumnStatus), List().contentsRect().width() - 450);
    EXPECT_TRUE(List().isColumnHidden(ColumnDuration));

    // Every visible button keeps its tip whether it is enabled or not.
    EXPECT_EQ(Control<QWidget>(ids::kConvert).toolTip(), "Start Converting");
    EXPECT_EQ(Control<QWidget>(ids::kSetting).toolTip(), "Conversion Settings");
    EXPECT_EQ(Control<QWidget>(ids::kMinimise).toolTip(), "Minimize");
}

// Where Delete goes: a field where text is typed takes it as deleting a
// character; everywhere else it removes the first selected task.
struct DeletePlace {
    const char* name;
    int controlId;
    bool editsText;
};

TEST_F(MainWindowTest, DeleteEditsTextInAFieldAndRemovesTheSelectedTaskElsewhere) {
    const DeletePlace places[] = {
        {"Save to field", ids::kOutputCombo, true}, {"format field", ids::kFormatCombo, true},
        {"task list", ids::kTaskList, false},       {"Browse button", ids::kBrowse, false},
        {"Add button", ids::kAdd, false},
    };
    for (const DeletePlace& place : places) {
        SCOPED_TRACE(place.name);
        window = MakeWindow();
        Drop({FixturePath("stereo44.wav"), FixturePath("mono8.wav")});
        window->show();
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        List().clearSelection();
        window->View().SetRowSelected(1, true);
        Control<QWidget>(place.controlId).setFocus();
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        auto* combo = qobject_cast<QComboBox*>(&Control<QWidget>(place.controlId));
        const QString textBefore = combo != nullptr ? combo->currentText() : QString();
        if (combo != nullptr) {
            QTest::keyClick(focus, Qt::Key_Home);
        }

        QTest::keyClick(focus, Qt::Key_Delete);

        if (place.editsText) {
            EXPECT_EQ(combo->currentText(), textBefore.mid(1));
            EXPECT_EQ(window->View().RowCount(), 2);
        } else {
            EXPECT_EQ(Column(ColumnSource), std::vector<std::string>{FixturePath("mono8.wav")});
        }
        EXPECT_TRUE(window->isVisible());
    }

    // With nothing selected the list's Delete removes nothing.
    ASSERT_EQ(window->View().RowCount(), 1);
    List().clearSelection();
    List().setFocus();
    QTest::keyClick(&List(), Qt::Key_Delete);
    EXPECT_EQ(window->View().RowCount(), 1);
}

// Escape never ends the window, wherever the focus is; the Close button and
// Ctrl+Q do. Menus, popups and dialogs still take Escape as usual.
TEST_F(MainWindowTest, EscapeNeverEndsTheWindowButClosesItsPopupsAndDialogs) {
    Drop({FixturePath("stereo44.wav"), FixturePath("mono8.wav")});
    window->show();
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    const int places[] = {ids::kTaskList, ids::kOutputCombo, ids::kFormatCombo, ids::kBrowse,
                          ids::kAdd};
    for (const int id : places) {
        SCOPED_TRACE("focus on control " + std::to_string(id));
        Control<QWidget>(id).setFocus();
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        QTest::keyClick(focus, Qt::Key_Escape);
        ASSERT_TRUE(window->isVisible());
        EXPECT_EQ(window->View().RowCount(), 2);
    }
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_TRUE(window->isVisible());

    auto& formats = Control<QComboBox>(ids::kFormatCombo);
    formats.showPopup();
    QWidget* popup = QApplication::activePopupWidget();
    ASSERT_NE(popup, nullptr);
    QTest::keyClick(popup, Qt::Key_Escape);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    EXPECT_TRUE(window->isVisible());

    bool aboutClosed = false;
    QTimer::singleShot(0, [&] {
        QWidget* about = QApplication::activeModalWidget();
        if (about != nullptr && about != window.get()) {
            QTest::keyClick(about, Qt::Key_Escape);
            aboutClosed = !about->isVisible();
        }
    });
    Control<QPushButton>(ids::kAbout).click();
    EXPECT_TRUE(aboutClosed);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->View().RowCount(), 2);

    QTest::keyClick(&List(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->result(), QDialog::Accepted);

    window = MakeWindow();
    window->show();
    Control<QPushButton>(ids::kClose).click();
    EXPECT_FALSE(window->isVisible());
}

// With an empty list the window is one drop zone: a right click on it gives
// the list's menu, where only adding can be chosen, Add Folder among it.
TEST_F(MainWindowTest, ARightClickOnTheEmptyWindowGivesTheListsMenu) {
    const std::string music = scratch + "/Music";
    std::filesystem::create_directories(music);
    std::filesystem::copy_file(FixturePath("stereo44.wav"), music + "/a.wav");
    std::filesystem::copy_file(FixturePath("mono8.wav"), music + "/b.wav");
    dialogs.folderChoices.push_back(music);
    window->show();
    ASSERT_TRUE(List().isHidden());

    std::vector<std::pair<std::string, bool>> items;
    QTimer::singleShot(0, [&items] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr) {
            return;
        }
        for (QAction* action : menu->actions()) {
            if (!action->isSeparator()) {
                items.emplace_back(action->text().toStdString(), action->isEnabled());
            }
            if (action->text() == "Add Folder..") {
                menu->setActiveAction(action);
            }
        }
        QTest::keyClick(menu, Qt::Key_Return);
    });
    const QPoint dropZone = List().geometry().center();
    QContextMenuEvent click(QContextMenuEvent::Mouse, dropZone, window->mapToGlobal(dropZone));
    QApplication::sendEvent(window.get(), &click);

    const std::vector<std::pair<std::string, bool>> expected = {
        {"Add Files..", true}, {"Add Folder..", true}, {"Remove", false},
        {"Clear All", false},  {"Clip...", false},     {"File Information...", false}};
    EXPECT_EQ(items, expected);
    EXPECT_EQ(Column(ColumnSource), (std::vector<std::string>{music + "/a.wav", music + "/b.wav"}));
    EXPECT_FALSE(List().isHidden());
}

// Return confirms what was typed, presses a focused button, and never ends
// the window or loses the task list.
TEST_F(MainWindowTest, ReturnConfirmsTheTypedTextAndKeepsTheWindowOpen) {
    Drop({FixturePath("stereo44.wav"), FixturePath("mono8.wav")});
    window->show();
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    auto& output = Control<QComboBox>(ids::kOutputCombo);
    auto& formats = Control<QComboBox>(ids::kFormatCombo);
    const auto stillOpenWithBothTasks = [&](const char* where) {
        SCOPED_TRACE(where);
        EXPECT_TRUE(window->isVisible());
        EXPECT_EQ(window->View().RowCount(), 2);
    };

    // The output folder is taken as typed; nothing is made or listed yet.
    const std::string typed = scratch + "/typed/folder";
    output.lineEdit()->setFocus();
    output.lineEdit()->selectAll();
    QTest::keyClicks(output.lineEdit(), QString::fromStdString(typed));
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
        QTest::keyClick(output.lineEdit(), key);
        stillOpenWithBothTasks("Output field");
    }
    EXPECT_EQ(window->State().m_outputFolder, typed);
    EXPECT_EQ(window->View().OutputFolderText(), typed);
    EXPECT_EQ(output.count(), 1);
    EXPECT_FALSE(std::filesystem::exists(typed));

    // The format field takes the format whose name begins with the typed text
    // and puts it in force.
    formats.lineEdit()->setFocus();
    formats.lineEdit()->selectAll();
    QTest::keyClicks(formats.lineEdit(), "mp3");
    QTest::keyClick(formats.lineEdit(), Qt::Key_Return);
    stillOpenWithBothTasks("format field");
    EXPECT_EQ(formats.currentIndex(), kMp3Index);
    EXPECT_EQ(formats.currentText().toStdString(), kOutputFormats[kMp3Index].text);
    EXPECT_EQ(OutputSettings.audioEncoder, "MP3");
    EXPECT_EQ(Column(ColumnFormat), std::vector<std::string>(2, kOutputFormats[kMp3Index].text));

    // The same without the field's completion: the first format it begins.
    formats.lineEdit()->setText("wma");
    QTest::keyClick(formats.lineEdit(), Qt::Key_Enter);
    stillOpenWithBothTasks("format field, typed start");
    EXPECT_EQ(formats.currentIndex(), kWmaIndex);
    EXPECT_EQ(OutputSettings.audioEncoder, "WMA8");
    formats.lineEdit()->setText("MP3-MPEG Layer-3 Audio(*.mp3)");
    QTest::keyClick(formats.lineEdit(), Qt::Key_Return);
    EXPECT_EQ(formats.currentIndex(), kMp3Index);

    // A text that names no format, or none, gives way to the format in force.
    for (const char* text : {"nonsense", ""}) {
        formats.lineEdit()->setText(text);
        QTest::keyClick(formats.lineEdit(), Qt::Key_Return);
        stillOpenWithBothTasks(text);
        EXPECT_EQ(formats.currentIndex(), kMp3Index);
        EXPECT_EQ(formats.currentText().toStdString(), kOutputFormats[kMp3Index].text);
        EXPECT_EQ(OutputSettings.audioEncoder, "MP3");
    }

    // In the list Return does nothing at all.
    List().clearSelection();
    window->View().SelectAndFocusRow(1);
    QTest::keyClick(&List(), Qt::Key_Return);
    stillOpenWithBothTasks("list");
    EXPECT_EQ(window->View().SelectedRows(), std::vector<int>{1});
    EXPECT_TRUE(dialogs.messages.empty());

    // A focused button takes it as its click.
    shell.openedUrls.clear();
    QTest::keyClick(&Control<QWidget>(ids::kHelp), Qt::Key_Return);
    stillOpenWithBothTasks("Help button");
    EXPECT_EQ(shell.openedUrls.size(), 1u);
    QTest::keyClick(window.get(), Qt::Key_Return);
    stillOpenWithBothTasks("window");
}

// Tab leaves the list for the next control instead of moving between cells.
TEST_F(MainWindowTest, TabMovesOutOfTheList) {
    Drop({FixturePath("stereo44.wav"), FixturePath("mono8.wav")});
    window->show();
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    window->View().SelectAndFocusRow(0);
    ASSERT_TRUE(List().hasFocus());
    const QModelIndex before = List().currentIndex();
    QTest::keyClick(&List(), Qt::Key_Tab);
    EXPECT_FALSE(List().hasFocus());
    EXPECT_NE(QApplication::focusWidget(), nullptr);
    EXPECT_EQ(List().currentIndex(), before);

    // Shift+Tab from the next control comes back to the list.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_TRUE(List().hasFocus());
}

// A path too long for its column is shown whole in the row's tip; the Status
// cell keeps its own.
TEST_F(MainWindowTest, EachRowsTipShowsTheWholeSourcePath) {
    const std::string deep = scratch + "/" + std::string(60, 'd') + "/" + std::string(60, 'e');
    std::filesystem::create_directories(deep);
    const std::string path = deep + "/a rather long name of a recording.wav";
    std::filesystem::copy_file(FixturePath("stereo44.wav"), path);
    AddThroughDialog({path});
    Drop({FixturePath("mono8.wav")});
    ASSERT_EQ(Column(ColumnSource), (std::vector<std::string>{FixturePath("mono8.wav"), path}));
    for (int row = 0; row < 2; ++row) {
        for (int column = 0; column < kTaskColumnCount; ++column) {
            SCOPED_TRACE("row " + std::to_string(row) + " column " + std::to_string(column));
            const std::string tip = List().item(row, column)->toolTip().toStdString();
            EXPECT_EQ(tip, column == ColumnStatus ? "" : window->View().RowText(row, ColumnSource));
        }
    }
    EXPECT_LT(List().columnWidth(ColumnSource),
              List().fontMetrics().horizontalAdvance(QString::fromStdString(path)));
}

TEST_F(MainWindowTest, DroppedFilesGoToTheTopInReverseOrderUncheckedAndUnlabelled) {
    AddThroughDialog({FixturePath("stereo44.wav")});
    ASSERT_EQ(window->View().RowCount(), 1);
    Drop({FixturePath("mono8.wav"), FixturePath("text.txt"), FixturePath("tagged.ogg"),
          FixturePath("surround48.flac")});

    const std::vector<std::string> expectedSources = {
        FixturePath("surround48.flac"), FixturePath("tagged.ogg"), FixturePath("mono8.wav"),
        FixturePath("stereo44.wav")};
    EXPECT_EQ(Column(ColumnSource), expectedSources);
    const std::vector<std::string> expectedFormats = {"", "", "", kOutputFormats[0].text};
    EXPECT_EQ(Column(ColumnFormat), expectedFormats);
    EXPECT_EQ(Column(ColumnStatus), std::vector<std::string>(4, " Ready"));
    EXPECT_EQ(window->View().RowText(3, ColumnEnd), "00:00:05");
    EXPECT_EQ(window->View().RowText(3, ColumnDuration), "5");
    const bool expectedChecks[] = {false, false, false, true};
    for (int row = 0; row < 4; ++row) {
        EXPECT_EQ(window->View().IsRowChecked(row), expectedChecks[row]) << "row " << row;
    }
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].first, "File:text.txt is invalid!");
    EXPECT_EQ(dialogs.messages[0].second, MessageIcon::Exclamation);

    EXPECT_EQ(window->View().SelectedRows(), std::vector<int>{0});
    EXPECT_FALSE(List().isHidden());
    for (int id : {ids::kConvert, ids::kCut, ids::kEmpty, ids::kSetting, ids::kFileInformation}) {
        EXPECT_TRUE(window->View().IsButtonEnabled(id)) << "button " << id;
    }
}

TEST_F(MainWindowTest, DroppedFolderAddsItsTreeInNameOrderWithoutHiddenFilesOrTheOutputFolder) {
    const std::string music = scratch + "/Music";
    const std::pair<const char*, const char*> files[] = {
        {"mono8.wav", "B/02.wav"},    {"mono8.wav", "A/CD1/01.wav"}, {"text.txt", "A/notes.txt"},
        {"mono8.wav", ".hidden.wav"}, {"mono8.wav", "out/old.mp3"},  {"stereo44.wav", "10.wav"}};
    for (const auto& [fixture, relative] : files) {
        std::filesystem::create_directories(
            std::filesystem::path(music + "/" + relative).parent_path());
        std::filesystem::copy_file(FixturePath(fixture), music + "/" + relative);
    }
    window->View().ShowOutputFolder(music + "/out");
    Drop({music});

    EXPECT_EQ(Column(ColumnSource),
              (std::vector<std::string>{music + "/10.wav", music + "/A/CD1/01.wav",
                                        music + "/B/02.wav"}));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].first, "File:notes.txt is invalid!");
    EXPECT_EQ(window->View().SelectedRows(), std::vector<int>{0});
}

TEST_F(MainWindowTest, AFailedRowsStatusTooltipSaysWhy) {
    const std::string vanishing = scratch + "/vanishing.wav";
    std::filesystem::copy_file(FixturePath("stereo44.wav"), vanishing);
    AddThroughDialog({FixturePath("video_silent.mp4"), vanishing, FixturePath("mono8.wav")});
    ASSERT_EQ(window->View().RowCount(), 3);
    std::filesystem::remove(vanishing);

    ConvertAndWait(*window);

    EXPECT_EQ(Column(ColumnStatus), (std::vector<std::string>{"Failure", "Failure", "Completed"}));
    EXPECT_EQ(List().item(0, ColumnStatus)->toolTip(), "no sound could be decoded");
    EXPECT_EQ(List().item(1, ColumnStatus)->toolTip(), "the file changed or disappeared");
    // A completed row's Status cell shows what the rest of its row shows.
    EXPECT_EQ(List().item(2, ColumnStatus)->toolTip(), List().item(2, ColumnSource)->toolTip());
}

TEST_F(MainWindowTest, CheckAllHeaderFollowsTheRowsAndSetsThemAll) {
    window->show();
    Drop({FixturePath("stereo44.wav"), FixturePath("mono8.wav"), FixturePath("tagged.ogg")});
    ASSERT_EQ(window->View().RowCount(), 3);
    EXPECT_EQ(List().HeaderImage(), CCheckHeadCtrl::kImageUnchecked);

    for (int row = 0; row < 3; ++row) {
        window->View().SetRowChecked(row, true);
    }
    EXPECT_EQ(List().HeaderImage(), CCheckHeadCtrl::kImageChecked);
    window->View().SetRowChecked(1, false);
    EXPECT_EQ(List().HeaderImage(), CCheckHeadCtrl::kImageUnchecked);

    QHeaderView* header = List().horizontalHeader();
    const QPoint firstHeading(header->sectionPosition(0) + 8, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, firstHeading);
    EXPECT_EQ(List().HeaderImage(), CCheckHeadCtrl::kImageChecked);
    for (int row = 0; row < 3; ++row) {
        EXPECT_TRUE(window->View().IsRowChecked(row)) << "row " << row;
    }
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, firstHeading);
    for (int row = 0; row < 3; ++row) {
        EXPECT_FALSE(window->View().IsRowChecked(row)) << "row " << row;
    }
}

TEST_F(MainWindowTest, ConvertsTheCheckedTasksIntoTheOutputFolderAndOpensItOnce) {
    std::filesystem::create_directories(scratch + "/bin");
    AddThroughDialog({FixturePath("stereo44.wav"), FixturePath("mono8.wav")});
    ASSERT_EQ(window->View().RowCount(), 2);
    auto& formats = Control<QComboBox>(ids::kFormatCombo);
    formats.setCurrentIndex(kMp3Index);
    emit formats.activated(kMp3Index);
    EXPECT_EQ(Column(ColumnFormat), std::vector<std::string>(2, kOutputFormats[kMp3Index].text));

    ConvertAndWait(*window);

    EXPECT_FALSE(window->View().IsProgressDialogOpen());
    EXPECT_EQ(Column(ColumnStatus), std::vector<std::string>(2, "Completed"));
    EXPECT_FALSE(window->View().IsRowChecked(0));
    EXPECT_FALSE(window->View().IsRowChecked(1));
    const std::string folder = locations.defaultFolder;
    for (const char* name : {"stereo44.mp3", "mono8.mp3"}) {
        SCOPED_TRACE(name);
        const ProbedAudio probed = ProbeAudio(folder + "/" + name);
        ASSERT_TRUE(probed.ok);
        EXPECT_EQ(probed.codecName, "mp3");
        EXPECT_EQ(probed.audioStreams, 1);
        EXPECT_EQ(probed.sampleRate, 44100);
        EXPECT_EQ(probed.channels, 2);
        EXPECT_NEAR(probed.duration, 5.0, 0.2);
    }
    EXPECT_EQ(shell.openedFolders, std::vector<std::string>{folder});
    EXPECT_EQ(power.powerOffCalls, 0);
    EXPECT_NE(ReadWholeFile(locations.settingsPath).find("Path=" + folder), std::string::npos);
}

TEST_F(MainWindowTest, ProgressDialogIgnoresTheKeyboardAndStartsEachShowingWithoutPowerOff) {
    AVConvert& engine = EnsureEngine();
    engine.m_stopRequested = false;
    CAVConvertDlg& progress = window->ProgressDialog();
    auto& box = *FindControlAs<QCheckBox>(progress, ids::kShutDownBox);
    auto& stop = *FindControlAs<QPushButton>(progress, ids::kStop);

    bool openAfterKeys = false;
    bool flagAfterBox = false;
    QByteArray publishedId;
    WId frameId = 0;
    QTimer::singleShot(0, [&] {
        publishedId = qgetenv("SDL_WINDOWID");
        frameId = FindControl(progress, ids::kVideoFrame)->winId();
        for (QWidget* target : {static_cast<QWidget*>(&progress), static_cast<QWidget*>(&stop)}) {
            QTest::keyClick(target, Qt::Key_Escape);
            QTest::keyClick(target, Qt::Key_Return);
            QTest::keyClick(target, Qt::Key_Enter);
        }
        openAfterKeys = progress.isVisible();
        box.click();
        flagAfterBox = window->State().m_shutdownWhenDone;
        stop.click();
    });
    window->View().ShowProgressDialog();
    EXPECT_TRUE(openAfterKeys);
    EXPECT_TRUE(flagAfterBox);
    EXPECT_TRUE(StopRequested(engine));
    EXPECT_EQ(publishedId, QByteArray::number(static_cast<qulonglong>(frameId)));
    EXPECT_EQ(stop.toolTip(), "Stop converting");

    // The next showing starts unchecked, and the close box stops like Stop.
    engine.m_stopRequested = false;
    bool boxCheckedOnShow = true;
    bool flagOnShow = true;
    QTimer::singleShot(0, [&] {
        boxCheckedOnShow = box.isChecked();
        flagOnShow = window->State().m_shutdownWhenDone;
        progress.close();
    });
    window->View().ShowProgressDialog();
    EXPECT_FALSE(boxCheckedOnShow);
    EXPECT_FALSE(flagOnShow);
    EXPECT_FALSE(window->View().IsProgressDialogOpen());
    EXPECT_TRUE(StopRequested(engine));
    engine.m_stopRequested = false;
}

// What the progress dialog shows the first time it is seen during a batch.
struct ProgressAtShow {
    bool taken = false;
    QString currentFile;
    QString batch;
    int currentFilePercent = -1;
    int batchPercent = -1;
};

// Each batch's progress dialog starts from the beginning: nothing of a batch
// stopped before it shows, not even until the first tick.
TEST_F(MainWindowTest, EachBatchShowsOnlyItsOwnProgress) {
    const std::string longPath = scratch + "/long.wav";
    ASSERT_TRUE(veltrano::test::MakeMedia(
        "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=180 -ac 2 -c:a pcm_s16le",
        longPath));
    AddThroughDialog({longPath});
    CAVConvertDlg& progress = window->ProgressDialog();
    auto& currentFile = *FindControlAs<QLabel>(progress, ids::kCurrentFileLabel);
    auto& batch = *FindControlAs<QLabel>(progress, ids::kBatchLabel);
    auto& currentBar = *FindControlAs<QProgressBar>(progress, ids::kCurrentFileBar);
    auto& batchBar = *FindControlAs<QProgressBar>(progress, ids::kBatchBar);

    // The first batch is stopped while the dialog names the long file.
    QTimer stopper;
    QObject::connect(&stopper, &QTimer::timeout, [&] {
        if (progress.isVisible() && currentFile.text().startsWith("long.wav   ")) {
            FindControlAs<QPushButton>(progress, ids::kStop)->click();
        }
    });
    stopper.start(20);
    ConvertAndWait(*window);
    stopper.stop();
    ASSERT_TRUE(currentFile.text().startsWith("long.wav   "));
    // Once the stopped worker has finished its file, the row says what it holds.
    QTableWidgetItem* longStatus = List().item(0, ColumnStatus);
    EXPECT_TRUE(QTest::qWaitFor([&] { return longStatus->toolTip().startsWith("Stopped at "); }));
    EXPECT_TRUE(longStatus->toolTip().endsWith(": long.aac holds the part before"))
        << longStatus->toolTip().toStdString();
    EXPECT_EQ(window->View().RowText(0, ColumnStatus), " Ready");
    EXPECT_TRUE(window->View().IsRowChecked(0));

    window->View().SetRowChecked(0, false);
    AddThroughDialog({FixturePath("mono8.wav")});
    ProgressAtShow seen;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        if (progress.isVisible() && !seen.taken) {
            seen = {true, currentFile.text(), batch.text(), currentBar.value(), batchBar.value()};
        }
    });
    watcher.start(5);
    ConvertAndWait(*window);

    ASSERT_TRUE(seen.taken);
    EXPECT_EQ(seen.currentFile.toStdString(), "Converting...");
    EXPECT_EQ(seen.batch.toStdString(), "Converting...");
    EXPECT_EQ(seen.currentFilePercent, 0);
    EXPECT_EQ(seen.batchPercent, 0);
    EXPECT_EQ(Column(ColumnStatus), (std::vector<std::string>{" Ready", "Completed"}));
}

TEST_F(MainWindowTest, HelpAndTheAboutLinksOpenTheirPagesThroughTheDesktop) {
    Control<QPushButton>(ids::kHelp).click();
    const std::string page = std::string(VELTRANO_APP_DIR) + "/help/index.html";
    EXPECT_EQ(shell.openedUrls,
              std::vector<std::string>{
                  QUrl::fromLocalFile(QString::fromStdString(page)).toString().toStdString()});
    EXPECT_TRUE(dialogs.messages.empty());

    window->move(200, 150);
    window->show();
    CAbout about(shell, dialogs, window.get());
    about.show();
    EXPECT_LE((about.geometry().center() - window->geometry().center()).manhattanLength(), 2);
    shell.openedUrls.clear();
    for (int id : {ids::kSupportLink, ids::kHomepageLink}) {
        auto* link = FindControlAs<QLabel>(about, id);
        ASSERT_NE(link, nullptr);
        EXPECT_EQ(link->font().pointSize(), 10);
        QTest::mouseClick(link, Qt::LeftButton, Qt::NoModifier, QPoint(4, link->height() / 2));
    }
    const std::vector<std::string> expectedUrls = {"https://github.com/veltrano",
                                                   "https://veltrano.github.io/"};
    EXPECT_EQ(shell.openedUrls, expectedUrls);

    FindControlAs<QPushButton>(about, ids::kAboutOk)->click();
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

// The help page ships with the program: beside it in the build tree, and
// under share/ for an installation; it tells a new user each step.
TEST_F(MainWindowTest, HelpOpensThePageThatShipsWithTheProgram) {
    const std::string beside = std::string(VELTRANO_APP_DIR) + "/help/index.html";
    const std::string text = ReadWholeFile(beside);
    for (const char* topic : {"Add files", "Pick a format", "Setting", "Clip", "Convert",
                              "Where the converted files go", "Path_Registration.ini"}) {
        EXPECT_NE(text.find(topic), std::string::npos) << topic;
    }
    // Plain and self-contained: nothing is fetched from elsewhere.
    for (const char* outside : {"src=", "<link", "@import", "url(", "<script"}) {
        EXPECT_EQ(text.find(outside), std::string::npos) << outside;
    }

    const std::string prefix = scratch + "/usr";
    std::filesystem::create_directories(prefix + "/bin");
    std::filesystem::create_directories(prefix + "/share/veltrano/help");
    std::filesystem::copy_file(beside, prefix + "/share/veltrano/help/index.html");
    locations.appDir = prefix + "/bin";
    window = MakeWindow();
    Control<QPushButton>(ids::kHelp).click();
    EXPECT_EQ(shell.openedUrls,
              std::vector<std::string>{"file://" + prefix + "/share/veltrano/help/index.html"});

    // Without the page the user is told where it was looked for.
    shell.openedUrls.clear();
    locations.appDir = scratch + "/nowhere";
    window = MakeWindow();
    Control<QPushButton>(ids::kHelp).click();
    EXPECT_TRUE(shell.openedUrls.empty());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_NE(dialogs.messages[0].first.find(scratch + "/nowhere/help/index.html"),
              std::string::npos);
    EXPECT_EQ(dialogs.messages[0].second, MessageIcon::None);
}

// The Add dialog's first filter, as Qt's file dialog reads it, shows files
// without a "." too.
TEST_F(MainWindowTest, AllFilesInTheAddDialogMatchesEveryFile) {
    Control<QPushButton>(ids::kAdd).click();
    ASSERT_FALSE(dialogs.lastFilters.empty());
    QStringList filters;
    for (const std::string& filter : dialogs.lastFilters) {
        filters << QString::fromStdString(filter);
    }
    QFileDialog chooser;
    chooser.setOption(QFileDialog::DontUseNativeDialog);
    chooser.setNameFilters(filters);
    EXPECT_EQ(chooser.selectedNameFilter(), filters.first());
    auto* model = chooser.findChild<QFileSystemModel*>();
    ASSERT_NE(model, nullptr);
    ASSERT_FALSE(model->nameFilters().isEmpty());
    for (const char* name : {"README", "01", "song.mp3", "song.tar.gz"}) {
        bool shown = false;
        for (const QString& pattern : model->nameFilters()) {
            const QRegularExpression wildcard(
                QRegularExpression::wildcardToRegularExpression(pattern));
            shown = shown || wildcard.match(name).hasMatch();
        }
        EXPECT_TRUE(shown) << name;
    }
}

// What a run chose is there again at the next start: the format, its refined
// settings and a folder picked with Browse; other keys of the file stay.
TEST_F(MainWindowTest, ARestartRestoresTheFormatItsSettingsAndTheBrowsedFolder) {
    std::filesystem::create_directories(scratch + "/bin");
    { std::ofstream(locations.settingsPath) << "[Info]\nColour=blue\n[Other]\nx=1\n"; }
    window = MakeWindow();
    AddThroughDialog({FixturePath("stereo44.wav")});
    auto& formats = Control<QComboBox>(ids::kFormatCombo);
    formats.setCurrentIndex(kWmaIndex);
    emit formats.activated(kWmaIndex);

    QTimer::singleShot(0, [] {
        auto* settings = qobject_cast<CSettings*>(QApplication::activeModalWidget());
        if (settings == nullptr) {
            return;
        }
        const std::pair<int, const char*> picks[] = {{ids::kSettingEncoder, "WMA7"},
                                                     {ids::kSettingBitRate, "96 kbps"},
                                                     {ids::kSettingSampleRate, "32000 Hz"},
                                                     {ids::kSettingChannel, "1 Channel Mono"}};
        for (const auto& [id, text] : picks) {
            auto* list = FindControlAs<QComboBox>(*settings, id);
            const int index = list->findText(text);
            list->setCurrentIndex(index);
            emit list->activated(index);
        }
        FindControlAs<QPushButton>(*settings, ids::kSettingOk)->click();
    });
    Control<QPushButton>(ids::kSetting).click();
    ASSERT_EQ(OutputSettings.audioEncoder, "WMA7");

    const std::string browsed = scratch + "/picked";
    std::filesystem::create_directory(browsed);
    dialogs.folderChoices.push_back(browsed);
    Control<QPushButton>(ids::kBrowse).click();
    const OutputParameters chosen = OutputSettings;

    window.reset();
    OutputSettings = OutputParameters{};
    window = MakeWindow();
    auto& restoredFormats = Control<QComboBox>(ids::kFormatCombo);
    EXPECT_EQ(restoredFormats.currentIndex(), kWmaIndex);
    EXPECT_EQ(window->View().CurrentFormatText(), kOutputFormats[kWmaIndex].text);
    EXPECT_EQ(std::tuple(OutputSettings.profileId, OutputSettings.audioEncoder,
                         OutputSettings.audioBitRate, OutputSettings.sampleRate,
                         OutputSettings.channels),
              std::tuple(90110, std::string("WMA7"), 96000, 32000, 1));
    EXPECT_EQ(OutputSettings.audioEncoder, chosen.audioEncoder);
    EXPECT_EQ(window->View().OutputFolderText(), browsed);
    const std::string text = ReadWholeFile(locations.settingsPath);
    EXPECT_NE(text.find("Colour=blue\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[Other]\nx=1\n"), std::string::npos) << text;
}

} // namespace
