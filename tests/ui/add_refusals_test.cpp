// A file the probe refuses, met while adding, through the real message boxes
// and the real progress of adding: every box can be answered, one at a time,
// and every good file after it is added, in order.
#include "app/startup_files.h"
#include "resources/control_ids.h"
#include "tasks/main_view.h"
#include "tests/support/media_check.h"
#include "tests/ui/fake_services.h"
#include "ui/controls/check_list_ctrl.h"
#include "ui/dialog_builder.h"
#include "ui/main_window.h"
#include "ui/qt_user_dialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDropEvent>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <deque>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>

namespace {

using veltrano::test::FixturePath;
using veltrano::test::MakeScratchDir;
namespace fs = std::filesystem;

// The window's own message boxes and progress; only the choosers answer
// from a script.
class RealBoxDialogs : public QtUserDialogs {
public:
    void ShowMessage(const std::string& text, MessageIcon icon) override {
        messages.push_back(text);
        QtUserDialogs::ShowMessage(text, icon);
    }
    std::optional<std::vector<std::string>>
    ChooseFilesToAdd(const std::vector<std::string>& /*filters*/) override {
        return fileChoice;
    }
    std::optional<std::string> ChooseFolder(const std::string& /*title*/,
                                            const std::string& /*startFolder*/) override {
        return folderChoice;
    }

    std::vector<std::string> messages;
    std::optional<std::vector<std::string>> fileChoice;
    std::optional<std::string> folderChoice;
};

// Answers whatever modal window is on top as a user does: once it has been
// up for a while (longer than the add waits before it shows its progress),
// Return through the window system, which refuses keys to a window another
// modal window blocks. A window that takes no Return is closed in the end, so
// a fault fails the checks instead of hanging the test.
class ModalAnswerer {
public:
    ModalAnswerer() {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { Tick(); });
        m_timer.start(kTickMs);
    }

    int returns = 0;
    int forcedClosings = 0;

    static constexpr int kTickMs = 25;
    static constexpr int kWaitTicks = 10;
    static constexpr int kShowAfterMs = 50; // well inside the wait

private:
    void Tick() {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal != m_seen) {
            m_seen = modal;
            m_ticks = 0;
            return;
        }
        if (modal == nullptr || ++m_ticks < kWaitTicks) {
            return;
        }
        m_ticks = 0;
        if (++m_presses > kMaxPresses) {
            ++forcedClosings;
            modal->close();
            return;
        }
        ++returns;
        QTest::keyClick(modal->windowHandle(), Qt::Key_Return);
    }

    static constexpr int kMaxPresses = 12;
    QTimer m_timer;
    QWidget* m_seen = nullptr;
    int m_ticks = 0;
    int m_presses = 0;
};

enum class Route { AddFiles, AddFolder, Drop, CommandLine };

struct RefusalCase {
    const char* name;
    Route route;
    // The files in the order they are given (a folder lists them so), the
    // refused ones named "... notes.txt".
    std::vector<std::string> files;
};

void PrintTo(const RefusalCase& refusalCase, std::ostream* out) {
    *out << refusalCase.name;
}

bool IsRefused(const std::string& name) {
    return name.find("notes.txt") != std::string::npos;
}

const char* FixtureFor(const std::string& name) {
    const std::pair<const char*, const char*> byEnding[] = {{"song.flac", "surround48.flac"},
                                                            {"movie.mp4", "video_sound.mp4"},
                                                            {"other.wav", "stereo44.wav"},
                                                            {"notes.txt", "text.txt"}};
    for (const auto& [ending, fixture] : byEnding) {
        if (name.size() >= std::string(ending).size() &&
            name.compare(name.size() - std::string(ending).size(), std::string::npos, ending) ==
                0) {
            return fixture;
        }
    }
    return "text.txt";
}

class AddRefusalsTest : public ::testing::TestWithParam<RefusalCase>,
                        protected FakeWindowServices<RealBoxDialogs> {
protected:
    void SetUp() override {
        scratch = MakeScratchDir(std::string("ui_refusals_") + GetParam().name);
        folder = scratch + "/Music";
        fs::create_directories(folder);
        for (const std::string& name : GetParam().files) {
            fs::copy_file(FixturePath(FixtureFor(name)), folder + "/" + name);
            paths.push_back(folder + "/" + name);
        }
        locations.settingsPath = scratch + "/bin/Path_Registration.ini";
        locations.defaultFolder = scratch + "/OutPut";
        window = std::make_unique<CQuarvelDlg>(services, locations);
        dialogs.SetOwner(window.get());
        static_cast<QtAddProgress&>(dialogs.AddingProgress())
            .SetShowAfterMs(ModalAnswerer::kShowAfterMs);
        window->show();
    }

    void TearDown() override {
        window.reset();
        dialogs.SetOwner(nullptr);
    }

    void Add(Route route) {
        switch (route) {
        case Route::AddFiles:
            dialogs.fileChoice = paths;
            FindControlAs<QAbstractButton>(*window, ids::kAdd)->click();
            break;
        case Route::AddFolder:
            dialogs.folderChoice = folder;
            ChooseFromTheNextMenu("Add Folder..");
            emit FindControlAs<CCheckListCtrl>(*window, ids::kTaskList)
                ->contextMenuRequested(window->mapToGlobal(QPoint(40, 150)));
            break;
        case Route::Drop:
            Drop();
            break;
        case Route::CommandLine: {
            QStringList arguments{"veltrano"};
            for (const std::string& path : paths) {
                arguments << QString::fromStdString(path);
            }
            OpenStartupFiles(*window, arguments);
            QCoreApplication::processEvents();
            break;
        }
        }
    }

    static void ChooseFromTheNextMenu(const QString& text) {
        QTimer::singleShot(0, [text] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (menu == nullptr) {
                return;
            }
            for (QAction* action : menu->actions()) {
                if (action->text() == text) {
                    menu->setActiveAction(action);
                }
            }
            QTest::keyClick(menu, Qt::Key_Return);
        });
    }

    void Drop() {
        QList<QUrl> urls;
        for (const std::string& path : paths) {
            urls << QUrl::fromLocalFile(QString::fromStdString(path));
        }
        QMimeData mime;
        mime.setUrls(urls);
        const QPoint position(20, 20);
        QDragEnterEvent enter(position, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &enter);
        QDropEvent drop(position, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &drop);
    }

    std::vector<std::string> Sources() const {
        std::vector<std::string> texts;
        for (int row = 0; row < window->View().RowCount(); ++row) {
            texts.push_back(window->View().RowText(row, ColumnSource));
        }
        return texts;
    }

    // The good files as the route lists them: appended in order, or dropped
    // on top, each above the one before.
    std::vector<std::string> ExpectedSources(Route route) const {
        std::vector<std::string> good;
        std::copy_if(paths.begin(), paths.end(), std::back_inserter(good),
                     [](const std::string& path) { return !IsRefused(path); });
        if (route == Route::Drop) {
            std::reverse(good.begin(), good.end());
        }
        return good;
    }

    // One box per refused file, or for a folder one box naming them all.
    std::vector<std::string> ExpectedMessages(Route route) const {
        std::vector<std::string> lines;
        for (const std::string& name : GetParam().files) {
            if (IsRefused(name)) {
                lines.push_back("File:" + name + " is invalid!");
            }
        }
        if (route != Route::AddFolder) {
            return lines;
        }
        std::string text;
        for (const std::string& line : lines) {
            text += (text.empty() ? "" : "\n") + line;
        }
        return {text};
    }

    std::string scratch;
    std::string folder;
    std::vector<std::string> paths;
    AppLocations locations;
    std::unique_ptr<CQuarvelDlg> window;
};

TEST_P(AddRefusalsTest, EveryBoxIsAnsweredAndEveryGoodFileIsAddedInOrder) {
    const Route route = GetParam().route;
    ModalAnswerer answerer;
    Add(route);

    EXPECT_EQ(Sources(), ExpectedSources(route));
    EXPECT_EQ(dialogs.messages, ExpectedMessages(route));
    EXPECT_EQ(answerer.forcedClosings, 0);
    EXPECT_EQ(answerer.returns, static_cast<int>(dialogs.messages.size()));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(window->View().IsButtonEnabled(ids::kConvert));
}

const std::vector<std::string> kFirst = {"1 notes.txt", "2 song.flac", "3 movie.mp4",
                                         "4 other.wav"};
const std::vector<std::string> kMiddle = {"1 song.flac", "2 movie.mp4", "3 notes.txt",
                                          "4 other.wav"};
const std::vector<std::string> kLast = {"1 song.flac", "2 movie.mp4", "3 other.wav", "4 notes.txt"};
const std::vector<std::string> kFirstAndLast = {"1 notes.txt", "2 song.flac", "3 other.wav",
                                                "4 notes.txt"};

INSTANTIATE_TEST_SUITE_P(
    Places, AddRefusalsTest,
    testing::Values(RefusalCase{"AddFilesFirst", Route::AddFiles, kFirst},
                    RefusalCase{"AddFilesMiddle", Route::AddFiles, kMiddle},
                    RefusalCase{"AddFilesLast", Route::AddFiles, kLast},
                    RefusalCase{"AddFilesTwo", Route::AddFiles, kFirstAndLast},
                    RefusalCase{"AddFolderFirst", Route::AddFolder, kFirst},
                    RefusalCase{"AddFolderMiddle", Route::AddFolder, kMiddle},
                    RefusalCase{"AddFolderLast", Route::AddFolder, kLast},
                    RefusalCase{"AddFolderTwo", Route::AddFolder, kFirstAndLast},
                    RefusalCase{"DropFirst", Route::Drop, kFirst},
                    RefusalCase{"DropMiddle", Route::Drop, kMiddle},
                    RefusalCase{"DropLast", Route::Drop, kLast},
                    RefusalCase{"DropTwo", Route::Drop, kFirstAndLast},
                    RefusalCase{"CommandLineFirst", Route::CommandLine, kFirst},
                    RefusalCase{"CommandLineMiddle", Route::CommandLine, kMiddle},
                    RefusalCase{"CommandLineLast", Route::CommandLine, kLast},
                    RefusalCase{"CommandLineTwo", Route::CommandLine, kFirstAndLast}),
    [](const testing::TestParamInfo<RefusalCase>& info) { return info.param.name; });

} // namespace
