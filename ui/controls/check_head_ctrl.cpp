#include "ui/controls/check_head_ctrl.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionHeader>

CCheckHeadCtrl::CCheckHeadCtrl(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    setSectionsClickable(true);
    setHighlightSections(false);
    setSortIndicatorShown(false);
    setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    connect(this, &QHeaderView::sectionClicked, this, &CCheckHeadCtrl::OnSectionClicked);
}

void CCheckHeadCtrl::SetImages(const QList<QPixmap>& newImages) {
    m_images = newImages;
    viewport()->update();
}

void CCheckHeadCtrl::SetFirstSectionImage(int image) {
    if (image == m_firstSectionImage) {
        return;
    }
    m_firstSectionImage = image;
    updateSection(0);
}

void CCheckHeadCtrl::OnSectionClicked(int logicalIndex) {
    if (logicalIndex != 0 || !HasImages()) {
        return;
    }
    const int newImage = m_firstSectionImage == kImageUnchecked ? kImageChecked : kImageUnchecked;
    SetFirstSectionImage(newImage);
    emit checkAllToggled(newImage == kImageChecked);
}

void CCheckHeadCtrl::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    if (logicalIndex != 0 || !HasImages()) {
        QHeaderView::paintSection(painter, rect, logicalIndex);
        return;
    }
    PaintFirstSection(painter, rect);
}

// The section's frame, the box image at its left, then the heading beside it.
void CCheckHeadCtrl::PaintFirstSection(QPainter* painter, const QRect& rect) const {
    if (!rect.isValid()) {
        return;
    }
    QStyleOptionHeader option;
    initStyleOption(&option);
    initStyleOptionForIndex(&option, 0);
    option.rect = rect;
    painter->save();
    style()->drawControl(QStyle::CE_HeaderSection, &option, painter, this);

    const int margin = style()->pixelMetric(QStyle::PM_HeaderMargin, &option, this);
    const QPixmap image = m_images.value(m_firstSectionImage);
    const int imageTop = rect.top() + (rect.height() - image.height()) / 2;
    painter->drawPixmap(rect.left() + margin, imageTop, image);

    option.rect = rect.adjusted(margin + image.width(), 0, 0, 0);
    option.icon = QIcon();
    style()->drawControl(QStyle::CE_HeaderLabel, &option, painter, this);
    painter->restore();
}
