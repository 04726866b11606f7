#include "preview/preview_area.h"

#include "vantiro.h"

#include <QPainter>

void PreviewArea::ShowFrame(const unsigned char* rows, int width, int height) {
    if (rows == nullptr || width <= 0 || height <= 0) {
        return;
    }
    const QImage bottomUp(rows, width, height, VANTIRO_FRAME_STRIDE(width), QImage::Format_BGR888);
    m_picture = bottomUp.mirrored(false, true);
    update();
}

void PreviewArea::Clear() {
    m_picture = QImage();
    update();
}

void PreviewArea::paintEvent(QPaintEvent* /*event*/) {
    if (m_picture.isNull()) {
        return;
    }
    QPainter painter(this);
    painter.drawImage(rect(), m_picture);
}
