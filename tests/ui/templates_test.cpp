// The dialog templates as data, and the widgets the builder makes from them.
#include "resources/control_ids.h"
#include "resources/dialog_templates.h"
#include "ui/dialog_builder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace {

struct ControlCase {
    int dialogId;
    int controlId;
    const char* qtClass;
    const char* text;
    bool visible;
    bool enabled;
};

// Every control with an id of its own, as the windows expect to find it.
const std::vector<ControlCase> kControlCases = {
    {ids::kMainDialog, ids::kAdd, "QPushButton", "&Add", true, true},
    {ids::kMainDialog, ids::kClip, "QPushButton", "&Clip", false, false},
    {ids::kMainDialog, ids::kHelp, "QPushButton", "&Help", true, true},
    {ids::kMainDialog, ids::kRemove, "QPushButton", "&??", false, true},
    {ids::kMainDialog, ids::kTaskList, "QTableWidget", "", true, true},
    {ids::kMainDialog, ids::kCut, "QPushButton", "Cut", true, true},
    {ids::kMainDialog, ids::kEmpty, "QPushButton", "Empty", true, true},
    {ids::kMainDialog, ids::kMerge, "QPushButton", "Merge", false, false},
    {ids::kMainDialog, ids::kFileInformation, "QPushButton", "File Infomation", true, true},
    {ids::kMainDialog, ids::kFormatCombo, "QComboBox", "", true, true},
    {ids::kMainDialog, ids::kOutputCombo, "QComboBox", "", true, true},
    {ids::kMainDialog, ids::kBrowse, "QPushButton", "Browse", true, true},
    {ids::kMainDialog, ids::kSetting, "QPushButton", "Setting", true, true},
    {ids::kMainDialog, ids::kFindTarget, "QPushButton", "Find Target", true, true},
    {ids::kMainDialog, ids::kConvert, "QPushButton", "&Convert", true, true},
    {ids::kMainDialog, ids::kAbout, "QPushButton", "00", true, true},
    {ids::kMainDialog, ids::kMinimise, "QPushButton", "Button_MIX", true, true},
    {ids::kMainDialog, ids::kClose, "QPushButton", "Close", true, true},
    {ids::kProgressDialog, ids::kCurrentFileLabel, "QLabel", "Converting...", true, true},
    {ids::kProgressDialog, ids::kCurrentFileBar, "QProgressBar", "", true, true},
    {ids::kProgressDialog, ids::kBatchLabel, "QLabel", "Converting...", true, true},
    {ids::kProgressDialog, ids::kBatchBar, "QProgressBar", "", true, true},
    {ids::kProgressDialog, ids::kShutDownBox, "QCheckBox",
     "Shut down computer when conversion completed", true, true},
    {ids::kProgressDialog, ids::kStop, "QPushButton", "Stop", true, true},
    {ids::kProgressDialog, ids::kVideoFrame, "QGroupBox", "", false, true},
    {ids::kAboutDialog, ids::kSupportLink, "QLabel", "https://github.com/veltrano", true,
     true},
    {ids::kAboutDialog, ids::kHomepageLink, "QLabel", "https://veltrano.github.io/", true, true},
    {ids::kAboutDialog, ids::kAboutOk, "QPushButton", "OK", true, true},
};

QString TextOf(const QWidget& widget) {
    if (auto* button = qobject_cast<const QAbstractButton*>(&widget)) {
        return button->text();
    }
    if (auto* label = qobject_cast<const QLabel*>(&widget)) {
        return label->text();
    }
    if (auto* frame = qobject_cast<const QGroupBox*>(&widget)) {
        return frame->title();
    }
    return {};
}

const DialogTemplate& TemplateOf(int id) {
    const DialogTemplate* found = FindDialogTemplate(id);
    EXPECT_NE(found, nullptr) << "template " << id;
    return *found;
}

std::unique_ptr<QWidget> BuildShown(int dialogId) {
    auto dialog = std::make_unique<QWidget>();
    BuildFromTemplate(*dialog, TemplateOf(dialogId));
    dialog->show();
    return dialog;
}

const ControlTemplate* FindRow(const DialogTemplate& dialogTemplate, int controlId) {
    for (const ControlTemplate& control : dialogTemplate.controls) {
        if (control.id == controlId) {
            return &control;
        }
    }
    return nullptr;
}

class TemplateControlTest : public ::testing::TestWithParam<ControlCase> {};

TEST_P(TemplateControlTest, BuiltControlHasItsClassTextAndStateAfterShow) {
    const ControlCase& expected = GetParam();
    const std::unique_ptr<QWidget> dialog = BuildShown(expected.dialogId);

    QWidget* control = FindControl(*dialog, expected.controlId);
    ASSERT_NE(control, nullptr);
    EXPECT_TRUE(control->inherits(expected.qtClass)) << control->metaObject()->className();
    EXPECT_EQ(ControlIdOf(*control), expected.controlId);
    EXPECT_EQ(control->objectName(), QStringLiteral("control%1").arg(expected.controlId));
    EXPECT_EQ(TextOf(*control), QString::fromUtf8(expected.text));
    EXPECT_EQ(control->isVisible(), expected.visible);
    EXPECT_EQ(control->isEnabled(), expected.enabled);
}

std::string ControlCaseName(const ::testing::TestParamInfo<ControlCase>& info) {
    return "Dialog" + std::to_string(info.param.dialogId) + "Control" +
           std::to_string(info.param.controlId);
}

INSTANTIATE_TEST_SUITE_P(Templates, TemplateControlTest, ::testing::ValuesIn(kControlCases),
                         ControlCaseName);

struct DialogCase {
    int id;
    const char* title;
    int width;
    int height;
    const char* fontName;
    int pointSize;
    int controlCount;
};

const std::vector<DialogCase> kDialogCases = {
    {ids::kMainDialog, "", 503, 307, "MS Shell Dlg", 9, 20},
    {ids::kProgressDialog, "Veltrano Audio Converter", 324, 89, "Microsoft Sans Serif", 8, 9},
    {ids::kAboutDialog, "About", 288, 161, "MS Shell Dlg", 8, 6},
    {ids::kClipDialog, "Clip", 286, 273, "MS Shell Dlg", 8, 18},
};

class DialogTemplateTest : public ::testing::TestWithParam<DialogCase> {};

TEST_P(DialogTemplateTest, TemplateHoldsItsSizeFontTitleAndControls) {
    const DialogCase& expected = GetParam();
    const DialogTemplate& dialogTemplate = TemplateOf(expected.id);
    EXPECT_EQ(dialogTemplate.id, expected.id);
    EXPECT_STREQ(dialogTemplate.title, expected.title);
    EXPECT_EQ(dialogTemplate.width, expected.width);
    EXPECT_EQ(dialogTemplate.height, expected.height);
    EXPECT_STREQ(dialogTemplate.fontName, expected.fontName);
    EXPECT_EQ(dialogTemplate.pointSize, expected.pointSize);
    EXPECT_EQ(static_cast<int>(dialogTemplate.controls.size()), expected.controlCount);
}

TEST_P(DialogTemplateTest, DialogTakesTitleFontAndFixedSizeFromTemplate) {
    const DialogCase& expected = GetParam();
    const DialogTemplate& dialogTemplate = TemplateOf(expected.id);
    QWidget dialog;
    BuildFromTemplate(dialog, dialogTemplate);

    const QFont font = TemplateFont(dialogTemplate);
    EXPECT_EQ(font.pointSize(), expected.pointSize);
    EXPECT_EQ(dialog.font().pointSize(), expected.pointSize);
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8(expected.title));
    const QSize size = DialogUnitsToPixels(font, {0, 0, expected.width, expected.height}).size();
    EXPECT_EQ(dialog.minimumSize(), size);
    EXPECT_EQ(dialog.maximumSize(), size);
}

TEST_P(DialogTemplateTest, EveryControlIsPlacedByItsRectangleInItsStateAfterShow) {
    const DialogTemplate& dialogTemplate = TemplateOf(GetParam().id);
    QWidget dialog;
    BuildFromTemplate(dialog, dialogTemplate);
    dialog.show();
    const QFont font = TemplateFont(dialogTemplate);

    const QList<QWidget*> children = dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    ASSERT_EQ(children.size(), static_cast<qsizetype>(dialogTemplate.controls.size()));
    for (qsizetype index = 0; index < children.size(); ++index) {
        const ControlTemplate& control = dialogTemplate.controls[index];
        const QWidget& widget = *children[index];
        SCOPED_TRACE(widget.objectName().toStdString());
        EXPECT_EQ(ControlIdOf(widget), control.id);
        EXPECT_EQ(widget.isVisible(), control.visible);
        EXPECT_EQ(widget.isEnabled(), control.enabled);
        const QRect expected = DialogUnitsToPixels(font, control.rect);
        EXPECT_EQ(widget.pos(), expected.topLeft());
        if (control.kind == ControlKind::StaticText) {
            // A one-line heading may grow to its text in a wider desktop font.
            EXPECT_GE(widget.width(), expected.width());
        } else {
            EXPECT_EQ(widget.width(), expected.width());
        }
        if (control.kind == ControlKind::DropDownCombo) {
            // Closed, a drop-down is only as tall as its edit field.
            EXPECT_LE(widget.height(), expected.height());
        } else {
            EXPECT_EQ(widget.height(), expected.height());
        }
    }
}

std::string DialogCaseName(const ::testing::TestParamInfo<DialogCase>& info) {
    return "Dialog" + std::to_string(info.param.id);
}

INSTANTIATE_TEST_SUITE_P(Templates, DialogTemplateTest, ::testing::ValuesIn(kDialogCases),
                         DialogCaseName);

TEST(DialogUnits, ConvertWithTheFontsAverageLetterWidthAndHeight) {
    QFont font = TemplateFont(TemplateOf(ids::kMainDialog));
    const QFontMetrics metrics(font);
    const double averageWidth =
        metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 52.0;
    const int baseX = static_cast<int>(averageWidth + 0.5);
    const int baseY = metrics.height();

    // Four horizontal units are one average letter, eight vertical ones a line.
    EXPECT_EQ(DialogUnitsToPixels(font, {4, 8, 40, 80}),
              QRect(baseX, baseY, 10 * baseX, 10 * baseY));
    EXPECT_EQ(DialogUnitsToPixels(font, {0, 0, 0, 0}), QRect(0, 0, 0, 0));

    // A larger font gives larger dialogs.
    QFont larger = font;
    larger.setPointSize(font.pointSize() * 2);
    EXPECT_GT(DialogUnitsToPixels(larger, {0, 0, 100, 100}).width(),
              DialogUnitsToPixels(font, {0, 0, 100, 100}).width());
}

TEST(DialogTemplates, UnknownIdHasNoTemplate) {
    EXPECT_EQ(FindDialogTemplate(0), nullptr);
    EXPECT_EQ(FindDialogTemplate(ids::kLogoBitmap), nullptr);
}

TEST(DialogTemplates, MainWindowStylesAndHiddenHeadings) {
    const DialogTemplate& main = TemplateOf(ids::kMainDialog);
    EXPECT_EQ(FindRow(main, ids::kTaskList)->style, unsigned{StyleBorder});
    EXPECT_EQ(FindRow(main, ids::kOutputCombo)->style, unsigned{StyleSorted | StyleVerticalScroll});
    EXPECT_EQ(FindRow(main, ids::kFormatCombo)->style, unsigned{StyleNone});
    EXPECT_EQ(FindRow(main, ids::kRemove)->kind, ControlKind::PushButton);
    EXPECT_EQ(FindRow(main, ids::kConvert)->kind, ControlKind::SkinnedButton);

    std::vector<std::string> headings;
    for (const ControlTemplate& control : main.controls) {
        if (control.id == ids::kStatic) {
            EXPECT_EQ(control.kind, ControlKind::StaticText);
            EXPECT_FALSE(control.visible) << control.text;
            headings.emplace_back(control.text);
        }
    }
    EXPECT_EQ(headings, (std::vector<std::string>{"Profile:", "Output:"}));
}

TEST(DialogTemplates, AboutBoxHasLogoHeadingsAndDefaultOk) {
    QWidget dialog;
    BuildFromTemplate(dialog, TemplateOf(ids::kAboutDialog));
    const QList<QLabel*> labels = dialog.findChildren<QLabel*>(Qt::FindDirectChildrenOnly);
    ASSERT_EQ(labels.size(), 5);
    EXPECT_TRUE(labels[0]->text().isEmpty()); // the logo picture
    EXPECT_EQ(labels[1]->text(), "Support:");
    EXPECT_EQ(labels[3]->text(), "Homepage:");
    EXPECT_TRUE(FindControlAs<QPushButton>(dialog, ids::kAboutOk)->isDefault());
}

TEST(DialogBuilder, ProgressBarsRunFromZeroToHundred) {
    QWidget dialog;
    BuildFromTemplate(dialog, TemplateOf(ids::kProgressDialog));
    for (int id : {ids::kCurrentFileBar, ids::kBatchBar}) {
        auto* bar = FindControlAs<QProgressBar>(dialog, id);
        ASSERT_NE(bar, nullptr);
        EXPECT_EQ(bar->minimum(), 0);
        EXPECT_EQ(bar->maximum(), 100);
        EXPECT_EQ(bar->value(), 0);
    }
}

TEST(DialogBuilder, CombosAreEditableAndOnlyTheOutputComboSorts) {
    QWidget dialog;
    BuildFromTemplate(dialog, TemplateOf(ids::kMainDialog));
    auto* output = FindControlAs<QComboBox>(dialog, ids::kOutputCombo);
    auto* format = FindControlAs<QComboBox>(dialog, ids::kFormatCombo);
    ASSERT_NE(output, nullptr);
    ASSERT_NE(format, nullptr);
    EXPECT_TRUE(output->isEditable());
    EXPECT_TRUE(format->isEditable());

    for (QComboBox* combo : {output, format}) {
        combo->addItem("/music/b");
        combo->setCurrentIndex(0);
        combo->addItem("/Music/C");
        combo->addItem("/music/a");
    }
    const QStringList sorted = {"/music/a", "/music/b", "/Music/C"};
    const QStringList inserted = {"/music/b", "/Music/C", "/music/a"};
    QStringList outputItems;
    QStringList formatItems;
    for (int index = 0; index < 3; ++index) {
        outputItems << output->itemText(index);
        formatItems << format->itemText(index);
    }
    EXPECT_EQ(outputItems, sorted);
    EXPECT_EQ(formatItems, inserted);
    // Sorting moves the entries but the selection stays on the same folder.
    EXPECT_EQ(output->currentText(), "/music/b");
    EXPECT_EQ(output->currentIndex(), 1);
}

TEST(DialogBuilder, FactoryWidgetReplacesTheStandardOneAndKeepsTheTemplateState) {
    class OwnLabel : public QLabel {
    public:
        using QLabel::QLabel;
    };
    const ControlFactory factory = [](const ControlTemplate& control, QWidget* parent) -> QWidget* {
        if (control.id == ids::kBatchLabel || control.id == ids::kVideoFrame) {
            return new OwnLabel(parent);
        }
        return nullptr;
    };
    QWidget dialog;
    BuildFromTemplate(dialog, TemplateOf(ids::kProgressDialog), factory);
    dialog.show();

    auto* batch = FindControlAs<QLabel>(dialog, ids::kBatchLabel);
    ASSERT_NE(dynamic_cast<OwnLabel*>(batch), nullptr);
    EXPECT_EQ(batch->text(), "Converting...");
    EXPECT_TRUE(batch->isVisible());
    EXPECT_EQ(batch->geometry(), DialogUnitsToPixels(TemplateFont(TemplateOf(ids::kProgressDialog)),
                                                     {79, 36, 196, 8}));
    QWidget* frame = FindControl(dialog, ids::kVideoFrame);
    ASSERT_NE(dynamic_cast<OwnLabel*>(frame), nullptr);
    EXPECT_FALSE(frame->isVisible());
    // The other controls are the ordinary ones.
    EXPECT_EQ(dynamic_cast<OwnLabel*>(FindControl(dialog, ids::kCurrentFileLabel)), nullptr);
}

TEST(DialogBuilder, ControlsBuiltIntoAShownDialogAppearAtOnce) {
    QWidget dialog;
    dialog.show();
    BuildFromTemplate(dialog, TemplateOf(ids::kAboutDialog));
    EXPECT_TRUE(FindControl(dialog, ids::kAboutOk)->isVisible());
}

TEST(DialogBuilder, UnknownIdAndPlainWidgetsFindNothing) {
    QWidget dialog;
    BuildFromTemplate(dialog, TemplateOf(ids::kAboutDialog));
    EXPECT_EQ(FindControl(dialog, 4242), nullptr);
    QWidget plain;
    EXPECT_EQ(ControlIdOf(plain), ids::kStatic);
}

TEST(DialogBuilder, OneLineHeadingsShowTheirWholeTextOnOneLine) {
    QWidget dialog;
    BuildFromTemplate(dialog, TemplateOf(ids::kProgressDialog));
    const QList<QLabel*> labels = dialog.findChildren<QLabel*>(Qt::FindDirectChildrenOnly);
    ASSERT_FALSE(labels.isEmpty());
    for (const QLabel* label : labels) {
        SCOPED_TRACE(label->text().toStdString());
        const QFontMetrics metrics(label->font());
        EXPECT_GE(label->width(), metrics.horizontalAdvance(label->text()));
    }
}

TEST(DialogBuilder, FindsOnlyTheDialogsOwnControlsNotThoseOfADialogItOwns) {
    QWidget owner;
    BuildFromTemplate(owner, TemplateOf(ids::kAboutDialog));
    auto* owned = new QWidget(&owner);
    BuildFromTemplate(*owned, TemplateOf(ids::kProgressDialog));
    EXPECT_EQ(FindControl(owner, ids::kShutDownBox), nullptr);
    EXPECT_NE(FindControl(*owned, ids::kShutDownBox), nullptr);
}

} // namespace
