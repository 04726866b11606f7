// Colours for the standard controls that show text on a skinned window (the
// combos and the list's surroundings of the main window, the Clip dialog's
// times): light text on the skin's dark fields, the skin's accent for the
// selection, so they read well over the background pictures.
#pragma once

#include <QColor>
#include <QPalette>

// The skin's one accent colour: the primary action, the selection and the
// keyboard focus.
inline constexpr QRgb kSkinAccent = 0xff35c4a5;
// Dark ink that reads on the accent.
inline constexpr QRgb kSkinAccentInk = 0xff0b1f1a;

// `palette` with the skin's colours for the active, inactive and disabled groups.
QPalette SkinPalette(QPalette palette);
