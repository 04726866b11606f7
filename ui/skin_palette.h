// The skin's colours, for every window of the program: the dark slate of the
// skin's artwork, light text, and one accent for the selection and the
// keyboard focus. ApplySkinLook gives them to the whole application when it
// starts, so that the dialogs, message boxes, progress dialogs and menus
// match the skinned windows; the colours come from tools/make_skin.py's
// palette.
#pragma once

#include <QColor>
#include <QPalette>

class QApplication;

// The skin's one accent colour: the primary action, the selection and the
// keyboard focus.
inline constexpr QRgb kSkinAccent = 0xff35c4a5;
// Dark ink that reads on the accent.
inline constexpr QRgb kSkinAccentInk = 0xff0b1f1a;

// A web link's colours on the skin's dark surfaces: the usual blue, purple
// after a visit and red under the pointer, light enough to read at 4.5:1.
inline constexpr QRgb kSkinLink = 0xff7db4ff;
inline constexpr QRgb kSkinLinkVisited = 0xffb3a6ee;
inline constexpr QRgb kSkinLinkHover = 0xffff8080;

// `palette` with the skin's colours for the active, inactive and disabled groups.
QPalette SkinPalette(QPalette palette);

// The skin's palette and a style that follows it (Fusion), for every window
// the application makes from now on.
void ApplySkinLook(QApplication& application);
