// Builds a dialog's child widgets from its template and finds them again by
// their numeric control id.
#pragma once

#include "resources/dialog_templates.h"

#include <QFont>
#include <QRect>
#include <QSize>
#include <QWidget>
#include <functional>
#include <span>

// Makes the widget for a control whose class the dialog chooses itself (for
// instance the task list); returns null to get the ordinary widget.
using ControlFactory = std::function<QWidget*(const ControlTemplate&, QWidget* parent)>;

// The template font: the desktop's default UI font at the template's size.
QFont TemplateFont(const DialogTemplate& dialogTemplate);

// How dialog units become pixels: x * xNumerator / xDenominator, and the
// same for y, rounded half away from zero.
struct DialogUnitScale {
    int xNumerator;
    int xDenominator;
    int yNumerator;
    int yDenominator;
};

// From the font's base units: x * baseX / 4, y * baseY / 8. Ordinary dialogs
// follow the desktop font this way.
DialogUnitScale FontUnitScale(const QFont& font);

// A skinned window's controls must sit on the places its background picture
// draws for them, whatever the desktop font: the template's size in units is
// the picture's size in logical pixels (503 x 307 units are 880 x 540).
DialogUnitScale BackgroundUnitScale(const DialogTemplate& dialogTemplate, QSize background);

QRect DialogUnitsToPixels(const DialogUnitScale& scale, const ControlRect& rect);
QRect DialogUnitsToPixels(const QFont& font, const ControlRect& rect);

// Sizes `dialog` and creates one child per control, placed by its rectangle,
// with its text, visibility and enabled state; each child carries its id.
// Skinned buttons are CControlButtons, drawn as plain buttons until skinned.
void BuildFromTemplate(QWidget& dialog, const DialogTemplate& dialogTemplate,
                       const ControlFactory& factory = {});

// The same for a skinned window: units from the size of its background
// picture (see ui/skin_pictures.h); the controls that show text keep the
// desktop font at the template's size.
void BuildSkinnedFromTemplate(QWidget& dialog, const DialogTemplate& dialogTemplate,
                              int backgroundPictureId, const ControlFactory& factory = {});

// The first child of `dialog` with that control id, or null.
QWidget* FindControl(const QWidget& dialog, int id);

template <class Widget> Widget* FindControlAs(const QWidget& dialog, int id) {
    return qobject_cast<Widget*>(FindControl(dialog, id));
}

// A control's tool tip text.
struct ControlToolTip {
    int controlId;
    const char* text;
};

// Gives each listed control of `dialog` its tool tip.
void SetToolTips(const QWidget& dialog, std::span<const ControlToolTip> tips);

// The control id a child was built with, or ids::kStatic.
int ControlIdOf(const QWidget& widget);
