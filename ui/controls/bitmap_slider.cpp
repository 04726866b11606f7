#include "ui/controls/bitmap_slider.h"

#include "ui/dialog_builder.h"
#include "ui/skin_pictures.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace {

// The picture with every pixel that `mask` has in its top-left colour made
// transparent.
QImage ThroughMask(const QImage& picture, const QImage& mask) {
    QImage result = picture.convertToFormat(QImage::Format_ARGB32);
    const QRgb transparent = mask.pixel(0, 0) & 0xFFFFFF;
    const int rows = std::min(result.height(), mask.height());
    const int columns = std::min(result.width(), mask.width());
    for (int y = 0; y < rows; ++y) {
        auto* line = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < columns; ++x) {
            if ((mask.pixel(x, y) & 0xFFFFFF) == transparent) {
                line[x] = 0;
            }
        }
    }
    result.setDevicePixelRatio(picture.devicePixelRatio());
    return result;
}

} // namespace

CBitmapSlider::CBitmapSlider(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    // The paint covers every pixel: no background erase.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

qreal CBitmapSlider::Ratio() const {
    return devicePixelRatioF();
}

bool CBitmapSlider::SetChannelImages(int trackId, int rangeId) {
    return SetChannelPictures(SkinPicture(trackId, Ratio()), SkinPicture(rangeId, Ratio()));
}

bool CBitmapSlider::SetChannelPictures(const QImage& track, const QImage& range) {
    if (track.isNull() || range.isNull()) {
        return false;
    }
    trackImage = track;
    rangeImage = range;
    const QSize size = track.deviceIndependentSize().toSize();
    width = size.width();
    height = size.height();
    resize(width, height);
    update();
    return true;
}

bool CBitmapSlider::SetThumbImages() {
    return SetThumbPictures(SkinPicture(kThumbPicture, Ratio()),
                            SkinPicture(kThumbDragPicture, Ratio()));
}

bool CBitmapSlider::SetThumbPictures(const QImage& rest, const QImage& drag) {
    if (rest.isNull() || drag.isNull()) {
        return false;
    }
    thumbImage = ThroughMask(rest, rest);
    thumbDragImage = ThroughMask(drag, rest);
    const QSize size = rest.deviceIndependentSize().toSize();
    thumbWidth = size.width();
    thumbHeight = size.height();
    update();
    return true;
}

void CBitmapSlider::SetRange(int min, int max) {
    minValue = min;
    maxValue = max;
    position = Clamped(position);
    update();
}

int CBitmapSlider::Clamped(int value) const {
    return std::max(std::min(value, maxValue), minValue);
}

void CBitmapSlider::SetPos(int value) {
    position = Clamped(value);
    update();
}

void CBitmapSlider::SetMargins(int left, int top, int right, int bottom) {
    marginLeft = left;
    marginTop = top;
    marginRight = right;
    marginBottom = bottom;
    update();
}

void CBitmapSlider::SetMarks(int begin, int end, int mode) {
    beginMark = Clamped(begin);
    endMark = Clamped(end);
    markMode = mode;
    update();
}

int CBitmapSlider::PixelOfValue(int value) const {
    const double usable = width - marginLeft - marginRight - thumbWidth;
    const double share = usable * (value - minValue) / (maxValue - minValue);
    return marginLeft + static_cast<int>(std::trunc(share)) + thumbWidth / 2;
}

int CBitmapSlider::ValueOfPixel(int x) const {
    const double usable = width - marginLeft - marginRight - thumbWidth;
    const double value =
        (x - thumbWidth / 2 - marginLeft) / usable * (maxValue - minValue) + minValue;
    return static_cast<int>(std::trunc(value));
}

int CBitmapSlider::ControlId() const {
    return ControlIdOf(*this);
}

// Painting: everything into one off-screen picture, shown in one piece.

void CBitmapSlider::paintEvent(QPaintEvent* /*event*/) {
    QImage surface(size() * Ratio(), QImage::Format_RGB32);
    surface.setDevicePixelRatio(Ratio());
    surface.fill(palette().color(backgroundRole()));
    {
        QPainter painter(&surface);
        DrawChannel(painter);
        DrawThumb(painter);
    }
    QPainter(this).drawImage(0, 0, surface);
}

// Columns [from, to) of `picture` at full height.
void CBitmapSlider::DrawSpan(QPainter& painter, const QImage& picture, int from, int to) const {
    from = std::max(from, 0);
    to = std::min(to, width);
    if (picture.isNull() || to <= from) {
        return;
    }
    const qreal ratio = picture.devicePixelRatio();
    const QRectF target(from, 0, to - from, height);
    const QRectF source(from * ratio, 0, (to - from) * ratio, picture.height());
    painter.drawImage(target, picture, source);
}

void CBitmapSlider::DrawChannel(QPainter& painter) const {
    int begin = beginMark;
    int end = endMark;
    // Marks given the wrong way round still show the range between them.
    if (markMode == 2 && end < begin) {
        std::swap(begin, end);
    }
    const int b = PixelOfValue(begin);
    const int e = PixelOfValue(end);
    if (markMode == 0 || (markMode == 1 && begin == 0)) {
        DrawSpan(painter, rangeImage, 0, width);
        return;
    }
    if (markMode == 1) {
        DrawSpan(painter, trackImage, 0, b);
        DrawSpan(painter, rangeImage, b, width);
        return;
    }
    const int rangeStart = begin != 0 ? b : 0;
    if (begin != 0) {
        DrawSpan(painter, trackImage, 0, b);
    }
    if (end == maxValue) {
        DrawSpan(painter, rangeImage, rangeStart, width);
        return;
    }
    DrawSpan(painter, trackImage, e, width);
    DrawSpan(painter, rangeImage, rangeStart, e);
}

void CBitmapSlider::DrawThumb(QPainter& painter) const {
    const QImage& picture = dragging ? thumbDragImage : thumbImage;
    if (picture.isNull()) {
        return;
    }
    const int left = PixelOfValue(position) - thumbWidth / 2;
    painter.drawImage(QRectF(left, marginTop, thumbWidth, thumbHeight), picture);
}

// Mouse.

void CBitmapSlider::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    dragging = true;
    const int x = static_cast<int>(event->position().x());
    grabOffset = x - PixelOfValue(position);
    // A press away from the thumb centres the thumb under the pointer.
    if (std::abs(grabOffset) > thumbWidth / 2) {
        grabOffset = 0;
    }
    DragTo(x);
    update();
}

void CBitmapSlider::mouseMoveEvent(QMouseEvent* event) {
    if (dragging) {
        DragTo(static_cast<int>(event->position().x()));
    }
}

void CBitmapSlider::DragTo(int x) {
    const int half = thumbWidth / 2;
    const int limited = std::clamp(x - grabOffset, marginLeft + half,
                                   std::max(marginLeft + half, width - marginRight - half));
    if (limited == PixelOfValue(position)) {
        return;
    }
    position = Clamped(ValueOfPixel(limited));
    update();
    emit sliderMoving(ControlId(), position);
}

void CBitmapSlider::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !dragging) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    dragging = false;
    update();
    emit sliderMoved(ControlId(), position);
}

// Keys.

void CBitmapSlider::keyPressEvent(QKeyEvent* event) {
    int target = position;
    switch (event->key()) {
    case Qt::Key_PageUp:
        target -= pageSize;
        break;
    case Qt::Key_PageDown:
        target += pageSize;
        break;
    case Qt::Key_End:
        target = maxValue;
        break;
    case Qt::Key_Home:
        target = minValue;
        break;
    case Qt::Key_Left:
    case Qt::Key_Up:
        target -= 1;
        break;
    case Qt::Key_Right:
    case Qt::Key_Down:
        target += 1;
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    position = Clamped(target);
    update();
    emit sliderMoved(ControlId(), position);
}

void CBitmapSlider::focusInEvent(QFocusEvent* event) {
    hasFocus = true;
    update();
    QWidget::focusInEvent(event);
}

void CBitmapSlider::focusOutEvent(QFocusEvent* event) {
    hasFocus = false;
    update();
    QWidget::focusOutEvent(event);
}
