#include "ui/dialog_builder.h"

#include "resources/control_ids.h"
#include "ui/controls/control_button.h"
#include "ui/skin_pictures.h"

#include <QAbstractButton>
#include <QAbstractItemModel>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QStandardItemModel>
#include <QTableWidget>
#include <algorithm>

namespace {

constexpr const char* kControlIdProperty = "controlId";

// The sorted combo compares its entries without regard to case.
constexpr int kSortKeyRole = Qt::UserRole + 1;

struct BaseUnits {
    int x;
    int y;
};

BaseUnits BaseUnitsOf(const QFont& font) {
    const QFontMetrics metrics(font);
    const int alphabetWidth = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    // The average letter width, rounded to the nearest pixel.
    return {(alphabetWidth / 26 + 1) / 2, metrics.height()};
}

// value * numerator / denominator, rounded half away from zero like the
// toolkit's own dialog-unit mapping.
int ScaleRounded(int value, int numerator, int denominator) {
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator
                                         : (product - half) / denominator);
}

// Entries added by code land in their sorted place, as in a sorted combo list.
void KeepEntriesSorted(QComboBox& combo) {
    auto* model = qobject_cast<QStandardItemModel*>(combo.model());
    if (model == nullptr) {
        return;
    }
    model->setSortRole(kSortKeyRole);
    QObject::connect(model, &QAbstractItemModel::rowsInserted, &combo,
                     [model](const QModelIndex&, int first, int last) {
                         for (int row = first; row <= last; ++row) {
                             QStandardItem* item = model->item(row);
                             if (item == nullptr) {
                                 continue;
                             }
                             item->setData(item->text().toCaseFolded(), kSortKeyRole);
                         }
                         model->sort(0);
                     });
}

QComboBox* MakeDropDownCombo(const ControlTemplate& control, QWidget* parent) {
    auto* combo = new QComboBox(parent);
    combo->setEditable(true);
    // Typing into the edit field and pressing Enter adds nothing to the list.
    combo->setInsertPolicy(QComboBox::NoInsert);
    if ((control.style & StyleSorted) != 0) {
        KeepEntriesSorted(*combo);
    }
    return combo;
}

// The fields of an information dialog: the user reads and copies, never types.
QLineEdit* MakeReadOnlyEdit(const ControlTemplate& control, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setReadOnly(true);
    edit->setFrame((control.style & StyleBorder) != 0);
    return edit;
}

QLineEdit* MakeEdit(const ControlTemplate& control, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setFrame((control.style & StyleBorder) != 0);
    return edit;
}

QTableWidget* MakeListView(const ControlTemplate& control, QWidget* parent) {
    auto* list = new QTableWidget(parent);
    if ((control.style & StyleBorder) == 0) {
        list->setFrameShape(QFrame::NoFrame);
    }
    return list;
}

QProgressBar* MakeProgressBar(QWidget* parent) {
    auto* bar = new QProgressBar(parent);
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setTextVisible(false);
    return bar;
}

QLabel* MakeStaticText(QWidget* parent) {
    auto* label = new QLabel(parent);
    // A plain static wraps its text at word boundaries.
    label->setWordWrap(true);
    return label;
}

QWidget* MakeStandardControl(const ControlTemplate& control, QWidget* parent) {
    switch (control.kind) {
    case ControlKind::PushButton:
        return new QPushButton(parent);
    case ControlKind::SkinnedButton:
        return new CControlButton(parent);
    case ControlKind::StaticText:
        return MakeStaticText(parent);
    case ControlKind::Picture:
        return new QLabel(parent);
    case ControlKind::ListView:
        return MakeListView(control, parent);
    case ControlKind::DropDownCombo:
        return MakeDropDownCombo(control, parent);
    case ControlKind::DropDownList:
        return new QComboBox(parent);
    case ControlKind::ReadOnlyEdit:
        return MakeReadOnlyEdit(control, parent);
    case ControlKind::Edit:
        return MakeEdit(control, parent);
    case ControlKind::ProgressBar:
        return MakeProgressBar(parent);
    case ControlKind::CheckBox:
        return new QCheckBox(parent);
    case ControlKind::GroupFrame:
        return new QGroupBox(parent);
    case ControlKind::Slider:
        return new QSlider(Qt::Horizontal, parent);
    }
    return new QWidget(parent);
}

void ApplyText(QWidget& widget, const char* text) {
    const QString value = QString::fromUtf8(text);
    if (auto* button = qobject_cast<QAbstractButton*>(&widget)) {
        button->setText(value);
    } else if (auto* label = qobject_cast<QLabel*>(&widget)) {
        label->setText(value);
    } else if (auto* frame = qobject_cast<QGroupBox*>(&widget)) {
        frame->setTitle(value);
    }
}

void ApplyStyle(QWidget& widget, unsigned style) {
    if ((style & StyleDefaultButton) == 0) {
        return;
    }
    if (auto* button = qobject_cast<QPushButton*>(&widget)) {
        button->setDefault(true);
    }
}

// The templates were laid out for a narrower font than most desktops use: a
// one-line heading that no longer fits grows to its text instead of wrapping
// its second line out of sight.
void FitOneLineHeading(const QWidget& widget, QRect& geometry) {
    const auto* label = qobject_cast<const QLabel*>(&widget);
    if (label == nullptr || label->text().isEmpty()) {
        return;
    }
    const QFontMetrics metrics(label->font());
    if (geometry.height() >= 2 * metrics.lineSpacing()) {
        return;
    }
    const int textWidth = metrics.horizontalAdvance(label->text()) + 2 * label->margin() + 2;
    geometry.setWidth(std::max(geometry.width(), textWidth));
}

// A drop-down combo's or list's rectangle includes its opened list; closed,
// it is as tall as its field.
QRect ControlGeometry(const QWidget& widget, const ControlTemplate& control,
                      const DialogUnitScale& scale) {
    QRect geometry = DialogUnitsToPixels(scale, control.rect);
    if (control.kind == ControlKind::DropDownCombo || control.kind == ControlKind::DropDownList) {
        geometry.setHeight(std::min(geometry.height(), widget.sizeHint().height()));
    }
    if (control.kind == ControlKind::StaticText) {
        FitOneLineHeading(widget, geometry);
    }
    return geometry;
}

void PlaceControl(QWidget& widget, QWidget& dialog, const ControlTemplate& control,
                  const DialogUnitScale& scale) {
    if (widget.parentWidget() != &dialog) {
        widget.setParent(&dialog);
    }
    widget.setProperty(kControlIdProperty, control.id);
    widget.setObjectName(QStringLiteral("control%1").arg(control.id));
    ApplyText(widget, control.text);
    ApplyStyle(widget, control.style);
    widget.setGeometry(ControlGeometry(widget, control, scale));
    widget.setEnabled(control.enabled);
    // An explicit hide keeps the control hidden when the dialog is shown.
    widget.setVisible(control.visible);
}

void Build(QWidget& dialog, const DialogTemplate& dialogTemplate, const QFont& font,
           const DialogUnitScale& scale, const ControlFactory& factory) {
    dialog.setFont(font);
    dialog.setWindowTitle(QString::fromUtf8(dialogTemplate.title));
    dialog.setFixedSize(
        DialogUnitsToPixels(scale, {0, 0, dialogTemplate.width, dialogTemplate.height}).size());
    for (const ControlTemplate& control : dialogTemplate.controls) {
        QWidget* widget = factory ? factory(control, &dialog) : nullptr;
        if (widget == nullptr) {
            widget = MakeStandardControl(control, &dialog);
        }
        PlaceControl(*widget, dialog, control, scale);
    }
}

} // namespace

QFont TemplateFont(const DialogTemplate& dialogTemplate) {
    QFont font = QApplication::font();
    font.setPointSize(dialogTemplate.pointSize);
    return font;
}

DialogUnitScale FontUnitScale(const QFont& font) {
    const BaseUnits units = BaseUnitsOf(font);
    return {units.x, 4, units.y, 8};
}

DialogUnitScale BackgroundUnitScale(const DialogTemplate& dialogTemplate, QSize background) {
    return {background.width(), dialogTemplate.width, background.height(), dialogTemplate.height};
}

QRect DialogUnitsToPixels(const DialogUnitScale& scale, const ControlRect& rect) {
    return {ScaleRounded(rect.x, scale.xNumerator, scale.xDenominator),
            ScaleRounded(rect.y, scale.yNumerator, scale.yDenominator),
            ScaleRounded(rect.width, scale.xNumerator, scale.xDenominator),
            ScaleRounded(rect.height, scale.yNumerator, scale.yDenominator)};
}

QRect DialogUnitsToPixels(const QFont& font, const ControlRect& rect) {
    return DialogUnitsToPixels(FontUnitScale(font), rect);
}

void BuildFromTemplate(QWidget& dialog, const DialogTemplate& dialogTemplate,
                       const ControlFactory& factory) {
    const QFont font = TemplateFont(dialogTemplate);
    Build(dialog, dialogTemplate, font, FontUnitScale(font), factory);
}

void BuildSkinnedFromTemplate(QWidget& dialog, const DialogTemplate& dialogTemplate,
                              int backgroundPictureId, const ControlFactory& factory) {
    const QSize background = SkinPictureSize(backgroundPictureId);
    const QFont font = TemplateFont(dialogTemplate);
    if (background.isEmpty()) {
        Build(dialog, dialogTemplate, font, FontUnitScale(font), factory);
        return;
    }
    Build(dialog, dialogTemplate, font, BackgroundUnitScale(dialogTemplate, background), factory);
}

QWidget* FindControl(const QWidget& dialog, int id) {
    // Only the dialog's own controls: a dialog owned by this one (the main
    // window owns the progress dialog) reuses ids such as 1000.
    for (QWidget* child : dialog.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (ControlIdOf(*child) == id && child->property(kControlIdProperty).isValid()) {
            return child;
        }
    }
    return nullptr;
}

int ControlIdOf(const QWidget& widget) {
    bool ok = false;
    const int id = widget.property(kControlIdProperty).toInt(&ok);
    return ok ? id : ids::kStatic;
}

void SetToolTips(const QWidget& dialog, std::span<const ControlToolTip> tips) {
    for (const ControlToolTip& tip : tips) {
        if (QWidget* control = FindControl(dialog, tip.controlId)) {
            control->setToolTip(QString::fromUtf8(tip.text));
        }
    }
}
