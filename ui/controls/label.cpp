#include "ui/controls/label.h"

#include <QEvent>
#include <QPainter>
#include <QPixmap>

CLabel::CLabel(QWidget* parent)
    : QLabel(parent), textColour(palette().color(QPalette::WindowText)),
      backgroundBrush(palette().color(QPalette::Button)), labelFont(font()) {
    // Every pixel is painted from the off-screen copy; nothing needs erasing.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CLabel::SetCentreImage(bool centre) {
    m_centreImage = centre;
    update();
}

void CLabel::paintEvent(QPaintEvent*) {
    const qreal ratio = devicePixelRatioF();
    QPixmap buffer(size() * ratio);
    buffer.setDevicePixelRatio(ratio);
    {
        QPainter painter(&buffer);
        painter.fillRect(rect(), backgroundBrush);
        painter.setFont(labelFont);
        painter.setPen(textColour);
        painter.drawText(rect(), TextFlags(), text());
    }
    QPainter(this).drawPixmap(0, 0, buffer);
}

void CLabel::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange) {
        backgroundBrush = QBrush(palette().color(QPalette::Button));
        update();
    }
    QLabel::changeEvent(event);
}

int CLabel::TextFlags() const {
    const QString& content = text();
    int flags = 0;
    if (m_centreImage) {
        flags = content.contains(QStringLiteral("\r\n")) ? Qt::AlignHCenter | Qt::AlignTop
                                                         : Qt::AlignCenter | Qt::TextSingleLine;
    } else if (alignment() & Qt::AlignHCenter) {
        flags = Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap;
    } else if (alignment() & Qt::AlignRight) {
        flags = Qt::AlignRight | Qt::AlignTop | Qt::TextWordWrap;
    } else if (!wordWrap()) {
        flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine;
    } else {
        flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;
    }
    if (content.indexOf(QLatin1Char('\t'), 1) > 0) {
        flags |= Qt::TextExpandTabs;
    }
    return flags;
}
