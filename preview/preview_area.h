// The Clip dialog's preview area: shows the picture it was last given,
// stretched over its whole rectangle whatever the aspect ratio; without one
// the dialog's background shows through.
#pragma once

#include <QImage>
#include <QWidget>

class PreviewArea : public QWidget {
    Q_OBJECT
public:
    explicit PreviewArea(QWidget* parent = nullptr) : QWidget(parent) {}

    // A picture as the library hands it out: `height` rows of
    // VANTIRO_FRAME_STRIDE(width) bytes, blue-green-red, bottom row first.
    void ShowFrame(const unsigned char* rows, int width, int height);
    void Clear();
    const QImage& ShownPicture() const { return m_picture; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_picture;
};
