#include "ui/controls/control_button.h"

#include "ui/skin_palette.h"
#include "ui/skin_pictures.h"

#include <QEvent>
#include <QPainter>
#include <cmath>
#include <vector>

namespace {

constexpr QRgb kOutside = qRgb(255, 255, 255);
// Runs are turned into a region in batches, so that a large picture never
// builds one huge rectangle list.
constexpr std::size_t kRectBatch = 2000;
// The focus ring: an accent band along the shape's edge, then a thin dark
// line inside it, so that it also shows on a face drawn in the accent.
constexpr int kFocusBandWidth = 2;
constexpr int kFocusInkWidth = 1;

struct Span {
    int first; // first device pixel covered
    int last;  // last device pixel covered
};

// The device pixels that logical pixel `index` covers at `ratio`.
Span DeviceSpan(int index, qreal ratio, int deviceExtent) {
    const int first = static_cast<int>(std::floor(index * ratio));
    const int end = static_cast<int>(std::ceil((index + 1) * ratio));
    return {std::min(first, deviceExtent - 1), std::min(end, deviceExtent) - 1};
}

// For each device pixel of the rows [rows.first, rows.last]: true when every
// one of them is not pure white.
std::vector<bool> OpaqueColumns(const QImage& rgb, Span rows) {
    std::vector<bool> opaque(rgb.width(), true);
    for (int y = rows.first; y <= rows.last; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) {
            if ((line[x] & 0x00ffffff) == (kOutside & 0x00ffffff)) {
                opaque[x] = false;
            }
        }
    }
    return opaque;
}

bool LogicalPixelOpaque(const std::vector<bool>& columns, Span span) {
    for (int x = span.first; x <= span.last; ++x) {
        if (!columns[x]) {
            return false;
        }
    }
    return true;
}

class RectBatch {
public:
    void Add(const QRect& rect) {
        m_rects.push_back(rect);
        if (m_rects.size() == kRectBatch) {
            Flush();
        }
    }
    QRegion Finish() {
        Flush();
        return m_result;
    }

private:
    void Flush() {
        if (m_rects.empty()) {
            return;
        }
        QRegion batch;
        for (const QRect& rect : m_rects) {
            batch += rect;
        }
        m_result = m_result.isEmpty() ? batch : m_result.united(batch);
        m_rects.clear();
    }

    std::vector<QRect> m_rects;
    QRegion m_result;
};

// `region` less its outermost `width` pixels all round.
QRegion Shrunk(QRegion region, int width) {
    for (int step = 0; step < width; ++step) {
        region = region.intersected(region.translated(1, 0))
                     .intersected(region.translated(-1, 0))
                     .intersected(region.translated(0, 1))
                     .intersected(region.translated(0, -1));
    }
    return region;
}

void FillRegion(QPainter& painter, const QRegion& region, const QColor& colour) {
    for (const QRect& rect : region) {
        painter.fillRect(rect, colour);
    }
}

} // namespace

CControlButton::CControlButton(QWidget* parent) : QPushButton(parent) {}

QRegion CControlButton::RegionFromNonWhite(const QImage& picture) {
    if (picture.isNull()) {
        return {};
    }
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    const qreal ratio = picture.devicePixelRatio() > 0 ? picture.devicePixelRatio() : 1.0;
    const int width = static_cast<int>(std::lround(rgb.width() / ratio));
    const int height = static_cast<int>(std::lround(rgb.height() / ratio));
    RectBatch rects;
    for (int y = 0; y < height; ++y) {
        const std::vector<bool> columns = OpaqueColumns(rgb, DeviceSpan(y, ratio, rgb.height()));
        int runStart = -1;
        for (int x = 0; x <= width; ++x) {
            const bool opaque =
                x < width && LogicalPixelOpaque(columns, DeviceSpan(x, ratio, rgb.width()));
            if (opaque && runStart < 0) {
                runStart = x;
            } else if (!opaque && runStart >= 0) {
                rects.Add(QRect(runStart, y, x - runStart, 1));
                runStart = -1;
            }
        }
    }
    return rects.Finish();
}

void CControlButton::LoadPicture(Picture& picture, int id) const {
    picture.id = id;
    picture.pixmap = id == 0 ? QPixmap() : SkinPixmap(id, devicePixelRatioF());
}

void CControlButton::SetImages(int hover, int normal, int pressed, int spare) {
    m_loadedRatio = devicePixelRatioF();
    LoadPicture(hoverImage, hover);
    LoadPicture(normalImage, normal);
    LoadPicture(pressedImage, pressed);
    LoadPicture(spareImage, spare);
    update();
}

void CControlButton::SetShapeFromBitmap(int id) {
    m_shapeId = id;
    ApplyShape();
}

void CControlButton::ApplyShape() {
    if (m_shapeId == 0) {
        return;
    }
    SetShapeRegion(RegionFromNonWhite(SkinPicture(m_shapeId, devicePixelRatioF())));
}

// Qt takes an empty mask for no mask at all, which would show and click the
// whole rectangle; a mask lying wholly outside the button keeps none of it.
void CControlButton::SetShapeRegion(const QRegion& shape) {
    setMask(shape.isEmpty() ? QRegion(-1, -1, 1, 1) : shape);
    update();
}

void CControlButton::SetParentBackground(int id, const QRect& rectInParent) {
    LoadPicture(m_parentBackground, id);
    m_rectInParent = rectInParent;
}

void CControlButton::SetMask(int id) {
    LoadPicture(m_mask, id);
}

int CControlButton::ShownImageId() const {
    if (isDown() && pressedImage.id != 0) {
        return pressedImage.id;
    }
    return hovering ? hoverImage.id : normalImage.id;
}

// A move to a screen of another pixel ratio loads everything again at the
// new ratio, so pictures stay sharp and the shape keeps matching them. The
// shape is set after this paint: a window's mask is not changed while it
// paints.
void CControlButton::ReloadForRatio() {
    if (qFuzzyCompare(m_loadedRatio, devicePixelRatioF())) {
        return;
    }
    m_loadedRatio = devicePixelRatioF();
    for (Picture* picture :
         {&hoverImage, &normalImage, &pressedImage, &spareImage, &m_parentBackground, &m_mask}) {
        LoadPicture(*picture, picture->id);
    }
    QMetaObject::invokeMethod(this, &CControlButton::ApplyShape, Qt::QueuedConnection);
}

void CControlButton::paintEvent(QPaintEvent* event) {
    if (normalImage.id == 0) {
        QPushButton::paintEvent(event);
        return;
    }
    ReloadForRatio();
    QPainter painter(this);
    const QPixmap& resting = hovering ? hoverImage.pixmap : normalImage.pixmap;
    if (maskDrawing) {
        DrawOverParentBackground(painter, resting);
    } else {
        painter.drawPixmap(0, 0, resting);
    }
    if (isDown()) {
        if (maskDrawing) {
            DrawOverParentBackground(painter, pressedImage.pixmap);
        } else {
            painter.drawPixmap(0, 0, pressedImage.pixmap);
        }
    }
    if (hasFocus()) {
        DrawFocusRing(painter);
    }
}

// Drawn inside the shape, since nothing outside it shows.
void CControlButton::DrawFocusRing(QPainter& painter) const {
    const QRegion shape = mask().isEmpty() ? QRegion(rect()) : mask().intersected(rect());
    const QRegion inside = Shrunk(shape, kFocusBandWidth);
    FillRegion(painter, shape.subtracted(inside), QColor::fromRgb(kSkinAccent));
    FillRegion(painter, inside.subtracted(Shrunk(inside, kFocusInkWidth)),
               QColor::fromRgb(kSkinAccentInk));
}

void CControlButton::DrawOverParentBackground(QPainter& painter, const QPixmap& state) const {
    if (!m_parentBackground.pixmap.isNull()) {
        const qreal ratio = m_parentBackground.pixmap.devicePixelRatio();
        const QRectF source(m_rectInParent.x() * ratio, m_rectInParent.y() * ratio,
                            m_rectInParent.width() * ratio, m_rectInParent.height() * ratio);
        painter.drawPixmap(QRectF(QPointF(0, 0), m_rectInParent.size()), m_parentBackground.pixmap,
                           source);
    }
    painter.save();
    if (!m_mask.pixmap.isNull()) {
        painter.setClipRegion(RegionFromNonWhite(m_mask.pixmap.toImage()));
    }
    painter.drawPixmap(0, 0, state);
    painter.restore();
}

void CControlButton::enterEvent(QEnterEvent* event) {
    hovering = true;
    update();
    QPushButton::enterEvent(event);
}

void CControlButton::leaveEvent(QEvent* event) {
    hovering = false;
    update();
    QPushButton::leaveEvent(event);
}
