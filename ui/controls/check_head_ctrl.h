// The task list's header: the first heading carries a check box that checks or
// unchecks every row and shows whether all rows are checked.
#pragma once

#include <QHeaderView>
#include <QList>
#include <QPixmap>

class CCheckHeadCtrl : public QHeaderView {
    Q_OBJECT

public:
    // Indexes into the image strip.
    static constexpr int kImageEmpty = 0;
    static constexpr int kImageUnchecked = 1;
    static constexpr int kImageChecked = 2;

    explicit CCheckHeadCtrl(QWidget* parent = nullptr);

    // The images the first heading chooses from; until they are given, the
    // header is an ordinary one and clicks on it do nothing special.
    void SetImages(const QList<QPixmap>& images);
    bool HasImages() const { return !m_images.isEmpty(); }

    int FirstSectionImage() const { return m_firstSectionImage; }
    void SetFirstSectionImage(int image);

signals:
    // The first heading was clicked and now shows `allChecked`; the list
    // checks or unchecks every row to match.
    void checkAllToggled(bool allChecked);

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

private:
    void OnSectionClicked(int logicalIndex);
    void PaintFirstSection(QPainter* painter, const QRect& rect) const;

    QList<QPixmap> m_images;
    int m_firstSectionImage = kImageEmpty;
};
