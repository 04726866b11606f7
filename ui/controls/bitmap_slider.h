// A horizontal slider drawn entirely from the skin's pictures: a channel as
// wide as the control and a thumb drawn over it with a transparent colour
// (its top-left pixel). It can show a marked range: the channel inside the
// range comes from one picture and the parts outside from another. Moves are
// reported to the owner with the control's id and the new position; owners
// connect with a queued connection, so a report arrives like a posted
// message, after the slider has finished handling its input.
#pragma once

#include <QImage>
#include <QWidget>

class CBitmapSlider : public QWidget {
    Q_OBJECT
public:
    // Pictures of the thumb at rest and while dragged.
    static constexpr int kThumbPicture = 308;
    static constexpr int kThumbDragPicture = 309;

    explicit CBitmapSlider(QWidget* parent = nullptr);

    // Loads the channel outside and inside the range; sizes the control to
    // the outside picture without moving it. False, nothing kept, when either
    // picture is missing.
    bool SetChannelImages(int trackId, int rangeId);
    bool SetThumbImages();
    // The same from pictures in hand; their logical size is their size over
    // their device pixel ratio.
    bool SetChannelPictures(const QImage& track, const QImage& range);
    bool SetThumbPictures(const QImage& rest, const QImage& drag);
    void SetRange(int min, int max);
    void SetPos(int value);
    void SetMargins(int left, int top, int right, int bottom);
    // Marks in slider values; mode 0 no marks, 1 begin mark only, 2 both.
    void SetMarks(int begin, int end, int mode);
    void SetPageSize(int size) { pageSize = size; }

    int Pos() const { return position; }
    int Min() const { return minValue; }
    int Max() const { return maxValue; }
    int BeginMark() const { return beginMark; }
    int EndMark() const { return endMark; }
    int MarkMode() const { return markMode; }
    bool IsDragging() const { return dragging; }
    bool HasFocusMark() const { return hasFocus; }

    // The thumb centre's x for a value, and the value under an x.
    int PixelOfValue(int value) const;
    int ValueOfPixel(int x) const;

signals:
    // While the thumb is dragged.
    void sliderMoving(int controlId, int position);
    // When the button is released and after each key.
    void sliderMoved(int controlId, int position);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    int Clamped(int value) const;
    int ControlId() const;
    void DragTo(int x);
    void DrawChannel(QPainter& painter) const;
    void DrawSpan(QPainter& painter, const QImage& picture, int from, int to) const;
    void DrawThumb(QPainter& painter) const;
    qreal Ratio() const;

    int minValue = 0;
    int maxValue = 100;
    int position = 0;
    int pageSize = 20;
    int width = 0;
    int height = 0;
    int thumbWidth = 0;
    int thumbHeight = 0;
    int marginLeft = 0;
    int marginRight = 0;
    int marginTop = 0;
    int marginBottom = 0;
    int grabOffset = 0;
    bool dragging = false;
    bool hasFocus = false;
    int beginMark = 0;
    int endMark = 0;
    int markMode = 0;
    QImage trackImage;
    QImage rangeImage;
    // Thumb pictures with the transparent colour of the resting picture
    // turned into transparency, so either draws through the same mask.
    QImage thumbImage;
    QImage thumbDragImage;
};
