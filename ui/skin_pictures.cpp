#include "ui/skin_pictures.h"

#include <QHash>
#include <QPainter>
#include <QSvgRenderer>
#include <cmath>
#include <memory>

namespace {

// The skin's surface colour around the buttons: soft artwork edges are
// blended over it, so they look smooth on the background they sit on.
constexpr QRgb kMatte = qRgb(0x1b, 0x22, 0x2b);
constexpr QRgb kPureWhite = qRgb(255, 255, 255);
constexpr QRgb kNearWhite = qRgb(254, 254, 254);
// Pixels at least half covered belong to the picture; the rest lie outside.
constexpr int kCoveredAlpha = 128;

constexpr int kHandCursorId = 262;
constexpr int kAppIconId = 266;
constexpr QSize kCursorSize(32, 32);
constexpr QPoint kHandHotSpot(11, 3); // the tip of the pointing finger
constexpr int kIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

QString SvgPath(int id) {
    return QStringLiteral(":/skin/%1.svg").arg(id);
}

// One renderer per picture, kept for the run: parsing is the costly part.
QSvgRenderer* RendererFor(int id) {
    static QHash<int, std::shared_ptr<QSvgRenderer>> renderers;
    auto found = renderers.find(id);
    if (found == renderers.end()) {
        auto renderer = std::make_shared<QSvgRenderer>(SvgPath(id));
        found = renderers.insert(id, renderer->isValid() ? renderer : nullptr);
    }
    return found.value().get();
}

QSize DeviceSize(QSize logical, qreal ratio) {
    return {qRound(logical.width() * ratio), qRound(logical.height() * ratio)};
}

QImage RenderTransparent(QSvgRenderer& renderer, QSize logical, qreal ratio) {
    QImage image(DeviceSize(logical, ratio), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    renderer.render(&painter, QRectF(QPointF(0, 0), image.size()));
    painter.end();
    image.setDevicePixelRatio(ratio);
    return image;
}

QRgb Opaque(QRgb premultiplied) {
    const int alpha = qAlpha(premultiplied);
    if (alpha < kCoveredAlpha) {
        return kPureWhite;
    }
    const int rest = 255 - alpha;
    const QRgb blended = qRgb(qRed(premultiplied) + (qRed(kMatte) * rest + 127) / 255,
                              qGreen(premultiplied) + (qGreen(kMatte) * rest + 127) / 255,
                              qBlue(premultiplied) + (qBlue(kMatte) * rest + 127) / 255);
    return blended == kPureWhite ? kNearWhite : blended;
}

QImage Flatten(const QImage& transparent) {
    QImage opaque(transparent.size(), QImage::Format_RGB32);
    for (int y = 0; y < transparent.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(transparent.constScanLine(y));
        auto* out = reinterpret_cast<QRgb*>(opaque.scanLine(y));
        for (int x = 0; x < transparent.width(); ++x) {
            out[x] = Opaque(in[x]);
        }
    }
    opaque.setDevicePixelRatio(transparent.devicePixelRatio());
    return opaque;
}

// Ratios are cached in hundredths: 1.0, 1.25, 1.5 and 2.0 are what screens use.
int RatioKey(qreal ratio) {
    return qRound(ratio * 100);
}

} // namespace

QSize SkinPictureSize(int id) {
    QSvgRenderer* renderer = RendererFor(id);
    return renderer == nullptr ? QSize() : renderer->defaultSize();
}

QImage SkinPictureWithAlpha(int id, QSize size, qreal devicePixelRatio) {
    QSvgRenderer* renderer = RendererFor(id);
    if (renderer == nullptr || size.isEmpty() || devicePixelRatio <= 0) {
        return {};
    }
    return RenderTransparent(*renderer, size, devicePixelRatio);
}

QImage SkinPicture(int id, qreal devicePixelRatio) {
    static QHash<QPair<int, int>, QImage> pictures;
    const QPair<int, int> key(id, RatioKey(devicePixelRatio));
    auto found = pictures.constFind(key);
    if (found != pictures.constEnd()) {
        return found.value();
    }
    QImage picture;
    if (QSvgRenderer* renderer = RendererFor(id); renderer != nullptr && devicePixelRatio > 0) {
        picture = Flatten(RenderTransparent(*renderer, renderer->defaultSize(), devicePixelRatio));
    }
    pictures.insert(key, picture);
    return picture;
}

// Pixmaps are kept too: the background is painted at every repaint.
QPixmap SkinPixmap(int id, qreal devicePixelRatio) {
    static QHash<QPair<int, int>, QPixmap> pixmaps;
    const QPair<int, int> key(id, RatioKey(devicePixelRatio));
    auto found = pixmaps.constFind(key);
    if (found != pixmaps.constEnd()) {
        return found.value();
    }
    const QPixmap pixmap = QPixmap::fromImage(SkinPicture(id, devicePixelRatio));
    pixmaps.insert(key, pixmap);
    return pixmap;
}

QCursor SkinHandCursor(qreal devicePixelRatio) {
    static QHash<int, QCursor> cursors;
    const int key = RatioKey(devicePixelRatio);
    auto found = cursors.constFind(key);
    if (found != cursors.constEnd()) {
        return found.value();
    }
    const QImage hand = SkinPictureWithAlpha(kHandCursorId, kCursorSize, devicePixelRatio);
    const QCursor cursor =
        hand.isNull() ? QCursor(Qt::PointingHandCursor)
                      : QCursor(QPixmap::fromImage(hand), kHandHotSpot.x(), kHandHotSpot.y());
    cursors.insert(key, cursor);
    return cursor;
}

QIcon SkinAppIcon() {
    QIcon icon;
    for (int side : kIconSizes) {
        const QImage image = SkinPictureWithAlpha(kAppIconId, QSize(side, side), 1.0);
        if (!image.isNull()) {
            icon.addPixmap(QPixmap::fromImage(image));
        }
    }
    return icon;
}
