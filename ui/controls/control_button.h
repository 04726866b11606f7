// A push button drawn entirely from the skin's pictures: one picture at rest,
// a lighter one while the pointer rests on it, one while it is pressed. Its
// window can be cut to the non-white shape of a picture, so that buttons of
// any outline sit on a window's background picture. The button keeps its id,
// text (not drawn) and command; until it has pictures it draws as an
// ordinary push button.
//
// Pictures are given by id (see ui/skin_pictures.h) and are loaded at the
// device pixel ratio of the screen the button is on; pictures and shape are
// reloaded when that ratio changes, so they stay sharp and keep matching.
//
// While it has the keyboard focus, the button shows a ring in the skin's
// accent colour along the inside of its shape.
#pragma once

#include <QPixmap>
#include <QPushButton>
#include <QRect>
#include <QRegion>

class CControlButton : public QPushButton {
    Q_OBJECT
public:
    explicit CControlButton(QWidget* parent = nullptr);

    // The pictures for the four states, in this order; `spare` is held and
    // never drawn. Pass one id four times for one picture in every state.
    // The button repaints.
    void SetImages(int hover, int normal, int pressed, int spare);

    // Cuts the button's window to the non-white pixels of picture `id`.
    void SetShapeFromBitmap(int id);

    // Cuts the button's window to `shape` (button coordinates). An empty
    // shape leaves nothing of the button: it is not drawn and takes no click.
    void SetShapeRegion(const QRegion& shape);

    // The parent's background picture with the button's rectangle in the
    // parent's client coordinates, and a mask picture (non-white: inside).
    // They are drawn only while `maskDrawing` is on: first the parent's
    // background under the button, then the state's picture inside the mask.
    void SetParentBackground(int id, const QRect& rectInParent);
    void SetMask(int id);
    bool maskDrawing = false;

    // The region of a picture's non-white pixels, in the picture's logical
    // pixels: a logical pixel is inside when none of the device pixels it
    // covers is pure white. Runs are gathered row by row and turned into a
    // region 2000 rectangles at a time.
    static QRegion RegionFromNonWhite(const QImage& picture);

    // The picture id drawn now: pressed, else hover while the pointer rests
    // on the button, else normal; 0 when the button has no pictures.
    int ShownImageId() const;
    int ShapeId() const { return m_shapeId; }
    bool IsHovering() const { return hovering; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    struct Picture {
        int id = 0;
        QPixmap pixmap;
    };

    void LoadPicture(Picture& picture, int id) const;
    void ReloadForRatio();
    void ApplyShape();
    void DrawOverParentBackground(QPainter& painter, const QPixmap& state) const;
    void DrawFocusRing(QPainter& painter) const;

    Picture hoverImage;
    Picture normalImage;
    Picture pressedImage;
    Picture spareImage;
    Picture m_parentBackground;
    Picture m_mask;
    QRect m_rectInParent;
    int m_shapeId = 0;
    qreal m_loadedRatio = 0;
    bool hovering = false;
};
