// The main window's skin: its background picture, the pictures of its skinned
// buttons in each state, and where the pointer shows the hand.
#pragma once

#include <QPoint>

class QPainter;
class QWidget;

// The main window's background picture (880 x 540 at 100 %).
inline constexpr int kMainBackgroundPicture = 290;

// Gives every skinned button of the main window its shape, its held
// background and mask, and its pictures for the enabled state.
void SkinMainButtons(QWidget& window);

// Enables or disables button `controlId` and gives it its pictures for that
// state in the same step. Does nothing for an unknown id.
void SetSkinnedButtonEnabled(QWidget& window, int controlId, bool enabled);

// Paints the background picture stretched over the whole client area.
void PaintMainBackground(QWidget& window, QPainter& painter);

// From now on the window shows the hand wherever the pointer is over one of
// the fourteen button places, and the arrow elsewhere on its background.
void ShowHandOverButtonPlaces(QWidget& window);

// True when `point` (window coordinates) lies inside the rectangle of one of
// the fourteen button places, whether that button is visible, hidden or
// disabled.
bool IsOverButtonPlace(const QWidget& window, QPoint point);

// Colours for the controls that show text over the background: the combos
// read light on dark, like the background around them.
void ApplyMainControlColours(QWidget& window);
