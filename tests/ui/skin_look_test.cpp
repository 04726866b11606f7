// One look for every window: the dialogs, message boxes, progress dialogs and
// menus take the skin's palette, and their texts read on their backgrounds.
#include "preview/clip_dialog.h"
#include "profiles/output_catalogue.h"
#include "resources/control_ids.h"
#include "tests/support/media_check.h"
#include "tests/ui/fake_services.h"
#include "ui/about_dialog.h"
#include "ui/controls/check_list_ctrl.h"
#include "ui/controls/hyper_link.h"
#include "ui/dialog_builder.h"
#include "ui/file_info_dialog.h"
#include "ui/main_window.h"
#include "ui/progress_dialog.h"
#include "ui/qt_add_progress.h"
#include "ui/qt_user_dialogs.h"
#include "ui/settings_dialog.h"
#include "ui/skin_palette.h"

#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QProgressDialog>
#include <QStyle>
#include <QStyleFactory>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace {

using veltrano::test::MakeScratchDir;

// The contrast ratio of two colours, from their relative luminance (WCAG 2).
double Luminance(const QColor& colour) {
    auto channel = [](double value) {
        return value <= 0.03928 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) +
           0.0722 * channel(colour.blueF());
}

double Contrast(const QColor& a, const QColor& b) {
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

constexpr double kNormalText = 4.5;
constexpr double kDisabledText = 3.0;

struct TextOn {
    QPalette::ColorRole text;
    QPalette::ColorRole background;
};

constexpr TextOn kTextPairs[] = {{QPalette::WindowText, QPalette::Window},
                                 {QPalette::Text, QPalette::Base},
                                 {QPalette::ButtonText, QPalette::Button},
                                 {QPalette::HighlightedText, QPalette::Highlight},
                                 {QPalette::ToolTipText, QPalette::ToolTipBase}};

constexpr QPalette::ColorRole kSkinRoles[] = {
    QPalette::Window, QPalette::WindowText, QPalette::Base,      QPalette::Text,
    QPalette::Button, QPalette::ButtonText, QPalette::Highlight, QPalette::HighlightedText};

void ExpectReadable(const QPalette& colours, const std::string& what) {
    for (const TextOn& pair : kTextPairs) {
        EXPECT_GE(Contrast(colours.color(QPalette::Active, pair.text),
                           colours.color(QPalette::Active, pair.background)),
                  kNormalText)
            << what << ": text role " << pair.text;
        if (pair.text == QPalette::HighlightedText || pair.text == QPalette::ToolTipText) {
            continue;
        }
        const QColor disabled = colours.color(QPalette::Disabled, pair.text);
        EXPECT_GE(Contrast(disabled, colours.color(QPalette::Disabled, pair.background)),
                  kDisabledText)
            << what << ": disabled text role " << pair.text;
        // Disabled text looks plainly dimmer than the enabled text.
        EXPECT_GE(Contrast(disabled, colours.color(QPalette::Active, pair.text)), 2.0)
            << what << ": disabled text role " << pair.text;
    }
}

void ExpectSkinColours(const QWidget& widget, const std::string& what) {
    const QPalette skin = SkinPalette(QPalette());
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Disabled}) {
        for (QPalette::ColorRole role : kSkinRoles) {
            EXPECT_EQ(widget.palette().color(group, role), skin.color(group, role))
                << what << ": group " << group << ", role " << role;
        }
    }
    ExpectReadable(widget.palette(), what);
}

class SkinLookTest : public ::testing::Test, protected FakeWindowServices<> {
protected:
    void SetUp() override {
        m_styleName = QApplication::style()->name();
        m_palette = QApplication::palette();
        ApplySkinLook(*qApp);
        const std::string scratch = MakeScratchDir("ui_look");
        locations.settingsPath = scratch + "/bin/Path_Registration.ini";
        locations.defaultFolder = scratch + "/OutPut";
        window = std::make_unique<CQuarvelDlg>(services, locations);
    }

    void TearDown() override {
        window.reset();
        QApplication::setStyle(QStyleFactory::create(m_styleName));
        QApplication::setPalette(m_palette);
        OutputSettings = OutputParameters{};
    }

    AppLocations locations;
    std::unique_ptr<CQuarvelDlg> window;

private:
    QString m_styleName;
    QPalette m_palette;
};

// Calls `check` on the modal window or popup that `open` shows, then closes it.
void WhileShown(const std::function<void()>& open, const std::function<QWidget*()>& shown,
                const std::function<void(QWidget&)>& check) {
    bool checked = false;
    QTimer::singleShot(0, [&] {
        QWidget* widget = shown();
        ASSERT_NE(widget, nullptr);
        check(*widget);
        checked = true;
        widget->close();
    });
    open();
    EXPECT_TRUE(checked);
}

TEST_F(SkinLookTest, EveryDialogBoxAndMenuTakesTheSkinsColoursAndReadsWell) {
    const std::pair<std::string, std::function<void(const std::function<void(QWidget&)>&)>>
        windows[] = {
            {"Settings dialog",
             [&](auto check) {
                 CSettings settings(OutputSettings, dialogs, "MP3 (*.mp3)", window.get());
                 check(settings);
             }},
            {"File information dialog",
             [&](auto check) {
                 CFileInfomation info(FileInfoTexts{}, window.get());
                 check(info);
             }},
            {"About box",
             [&](auto check) {
                 CAbout about(shell, dialogs, window.get());
                 check(about);
             }},
            {"message box",
             [&](auto check) {
                 QtUserDialogs boxes;
                 boxes.SetOwner(window.get());
                 WhileShown([&] { boxes.ShowMessage("Note", MessageIcon::Exclamation); },
                            [] { return QApplication::activeModalWidget(); }, check);
             }},
            {"Adding files progress",
             [&](auto check) {
                 QtAddProgress progress;
                 progress.SetOwner(window.get());
                 progress.Begin(10);
                 check(*progress.Dialog());
                 progress.End();
             }},
            {"conversion progress dialog",
             [&](auto check) { check(*window->findChild<CAVConvertDlg*>()); }},
            {"task list context menu",
             [&](auto check) {
                 WhileShown([&] { window->View().ShowTaskMenu(true); },
                            [] { return QApplication::activePopupWidget(); }, check);
             }},
            {"Clip dialog's OK button",
             [&](auto check) { check(*FindControl(window->ClipDialog(), ids::kClipOk)); }},
            {"Clip dialog's Set Begin Time button",
             [&](auto check) { check(*FindControl(window->ClipDialog(), ids::kClipSetBegin)); }},
            {"format combo", [&](auto check) { check(*FindControl(*window, ids::kFormatCombo)); }},
        };
    window->show();
    for (const auto& [what, visit] : windows) {
        SCOPED_TRACE(what);
        visit([&, name = what](QWidget& widget) { ExpectSkinColours(widget, name); });
    }
}

TEST_F(SkinLookTest, TheTaskListKeepsItsOwnBackgroundWithReadableText) {
    auto* list = FindControlAs<CCheckListCtrl>(*window, ids::kTaskList);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->palette().color(QPalette::Base), QColor(241, 250, 233));
    EXPECT_EQ(list->palette().color(QPalette::Highlight),
              SkinPalette(QPalette()).color(QPalette::Highlight));
    ExpectReadable(list->palette(), "task list");
}

TEST_F(SkinLookTest, TheAboutBoxLinksReadInEveryState) {
    CAbout about(shell, dialogs, window.get());
    for (int id : {ids::kSupportLink, ids::kHomepageLink}) {
        auto* link = FindControlAs<CHyperLink>(about, id);
        ASSERT_NE(link, nullptr) << id;
        const QColor background = link->palette().color(link->backgroundRole());
        for (const QColor& text : {link->linkColour, link->visitedColour, link->hoverColour}) {
            EXPECT_GE(Contrast(text, background), kNormalText)
                << id << " " << text.name().toStdString();
        }
    }
}

} // namespace
