// Builds a dialog's child widgets from its template and finds them again by
// their numeric control id.
#pragma once

#include "resources/dialog_templates.h"

#include <QFont>
#include <QRect>
#include <QWidget>
#include <functional>
#include <span>

// Makes the widget for a control whose class the dialog chooses itself (for
// instance the task list); returns null to get the ordinary widget.
using ControlFactory = std::function<QWidget*(const ControlTemplate&, QWidget* parent)>;

// The template font: the desktop's default UI font at the template's size.
QFont TemplateFont(const DialogTemplate& dialogTemplate);

// Dialog units to pixels from the font's base units: x * baseX / 4, y * baseY / 8.
QRect DialogUnitsToPixels(const QFont& font, const ControlRect& rect);

// Sizes `dialog` and creates one child per control, placed by its rectangle,
// with its text, visibility and enabled state; each child carries its id.
void BuildFromTemplate(QWidget& dialog, const DialogTemplate& dialogTemplate,
                       const ControlFactory& factory = {});

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
