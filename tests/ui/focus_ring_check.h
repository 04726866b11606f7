// How much of a skinned button's outline shows the keyboard focus: the share
// of its outermost shape pixels drawn in the skin's accent colour.
#pragma once

#include "ui/skin_palette.h"
#include "ui/skin_pictures.h"

#include <QImage>
#include <QRegion>
#include <cstdlib>

inline bool NearAccent(QRgb pixel) {
    constexpr int kTolerance = 12;
    return std::abs(qRed(pixel) - qRed(kSkinAccent)) <= kTolerance &&
           std::abs(qGreen(pixel) - qGreen(kSkinAccent)) <= kTolerance &&
           std::abs(qBlue(pixel) - qBlue(kSkinAccent)) <= kTolerance;
}

// `drawn` is the button drawn at any pixel ratio; `shape` its mask in
// logical pixels.
inline double AccentShareAlongShape(const QImage& drawn, const QRegion& shape) {
    const QImage rgb = drawn.convertToFormat(QImage::Format_RGB32);
    const qreal ratio = drawn.devicePixelRatio();
    int edge = 0;
    int accent = 0;
    for (const QRect& rect : shape) {
        for (int y = rect.top(); y <= rect.bottom(); ++y) {
            for (int x = rect.left(); x <= rect.right(); ++x) {
                const bool onEdge =
                    !shape.contains(QPoint(x - 1, y)) || !shape.contains(QPoint(x + 1, y)) ||
                    !shape.contains(QPoint(x, y - 1)) || !shape.contains(QPoint(x, y + 1));
                if (!onEdge) {
                    continue;
                }
                ++edge;
                // The middle of the logical pixel, in device pixels.
                const int deviceX = static_cast<int>((x + 0.5) * ratio);
                const int deviceY = static_cast<int>((y + 0.5) * ratio);
                if (rgb.valid(deviceX, deviceY) && NearAccent(rgb.pixel(deviceX, deviceY))) {
                    ++accent;
                }
            }
        }
    }
    return edge == 0 ? 0.0 : static_cast<double>(accent) / edge;
}

// The share that picture `pictureId` has by itself: a face drawn in the
// accent colour (Convert's) has some before any ring is drawn.
inline double AccentShareOfPicture(int pictureId, qreal ratio, const QRegion& shape) {
    return AccentShareAlongShape(SkinPicture(pictureId, ratio), shape);
}
