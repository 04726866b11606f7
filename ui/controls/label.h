// A static text that paints itself without flicker on a solid background: the
// progress dialog's status lines.
//
// Layout follows the label's alignment and word wrap: centred text is centred
// and wrapped, right-aligned text is right-aligned and wrapped, left-aligned
// text is one unwrapped line unless word wrap is on. With SetCentreImage(true)
// the text is one line centred both ways, or, when it holds "\r\n", centred
// horizontally only. A tab after the first character expands to tab stops.
#pragma once

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QLabel>

class CLabel : public QLabel {
    Q_OBJECT

public:
    explicit CLabel(QWidget* parent = nullptr);

    void SetCentreImage(bool centre);

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    int TextFlags() const;

    QColor textColour;
    QBrush backgroundBrush;
    QFont labelFont;
    bool m_centreImage = false;
};
