// The skin's pictures by numeric id.
//
// Picture N is resources/skin/N.svg, built into the program with Qt's resource
// system (":/skin/N.svg"). To get picture N at a device pixel ratio, call
// SkinPicture(N, ratio): it renders the SVG at its 100 % size (the size the
// file declares, SkinPictureSize(N)) times the ratio and marks the image with
// that ratio, so a QPainter draws it at its 100 % size in logical pixels and
// sharp on the screen. Pass widget.devicePixelRatioF() for the screen a widget
// is on. Results are cached; a missing id gives a null image.
//
// Pictures are opaque, as the bitmaps of a skinned window are: where the
// artwork leaves its canvas transparent the picture is pure white, which a
// shape picture uses to mark what lies outside a button. Pure white never
// appears inside the artwork (it becomes 254, 254, 254), so a button's face
// is never cut out of its shape. Soft edges are blended over the skin's dark
// surface colour, on which the buttons sit.
#pragma once

#include <QCursor>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QSize>

// Picture `id` at `devicePixelRatio`, in 32-bit RGB; null when there is none.
QImage SkinPicture(int id, qreal devicePixelRatio = 1.0);

// The same as a pixmap, for painting.
QPixmap SkinPixmap(int id, qreal devicePixelRatio = 1.0);

// The 100 % size of picture `id` in logical pixels; empty when there is none.
QSize SkinPictureSize(int id);

// Picture `id` with its transparency kept (icons and cursors), at `size`
// logical pixels times `devicePixelRatio`; null when there is none.
QImage SkinPictureWithAlpha(int id, QSize size, qreal devicePixelRatio = 1.0);

// The hand cursor shown over the skinned buttons (picture 262), sharp at
// `devicePixelRatio`; the desktop's pointing hand when the picture is missing.
QCursor SkinHandCursor(qreal devicePixelRatio = 1.0);

// The application icon (picture 266) at the usual icon sizes.
QIcon SkinAppIcon();
