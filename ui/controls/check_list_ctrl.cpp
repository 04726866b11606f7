#include "ui/controls/check_list_ctrl.h"

#include "resources/check_header_bitmap.h"

#include <QBitmap>
#include <QContextMenuEvent>
#include <QImage>
#include <QMouseEvent>

namespace {

const QColor kListBackground(241, 250, 233);
// The list's own light background keeps dark text, whatever the window's
// colours around it.
const QColor kListText(0x1b, 0x24, 0x2e);
const QColor kListDisabledText(0x6b, 0x75, 0x80);
const QColor kTransparentColour(255, 0, 255);

// The three 16 x 16 images of bitmap 292, magenta made transparent.
QList<QPixmap> LoadHeaderImages() {
    QPixmap strip(CheckHeaderBitmapXpm());
    strip.setMask(QBitmap::fromImage(
        strip.toImage().createMaskFromColor(kTransparentColour.rgb(), Qt::MaskInColor)));
    QList<QPixmap> images;
    for (int index = 0; index < kCheckHeaderImageCount; ++index) {
        images.append(strip.copy(index * kCheckHeaderImageSize, 0, kCheckHeaderImageSize,
                                 kCheckHeaderImageSize));
    }
    return images;
}

bool IsUncheckedBox(const QTableWidgetItem* item) {
    if (item == nullptr) {
        return false;
    }
    const QVariant state = item->data(Qt::CheckStateRole);
    return state.isValid() && state.value<Qt::CheckState>() == Qt::Unchecked;
}

} // namespace

CCheckListCtrl::CCheckListCtrl(QWidget* parent)
    : QTableWidget(parent), m_header(new CCheckHeadCtrl(this)) {
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setShowGrid(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Tab leaves the list for the next control instead of walking its cells,
    // so the keyboard can get out of it; the arrow keys move between rows.
    setTabKeyNavigation(false);
    setWordWrap(false);
    verticalHeader()->hide();
    QPalette colours = palette();
    colours.setColor(QPalette::Base, kListBackground);
    colours.setColor(QPalette::Text, kListText);
    colours.setColor(QPalette::Disabled, QPalette::Text, kListDisabledText);
    setPalette(colours);
    // The check-all header stands in for the ordinary one from the start, so
    // the columns the window sets up are already its own.
    setHorizontalHeader(m_header);
    connect(m_header, &CCheckHeadCtrl::checkAllToggled, this, &CCheckListCtrl::CheckAllRows);
    connect(this, &QTableWidget::itemChanged, this, &CCheckListCtrl::OnItemChanged);
    connect(model(), &QAbstractItemModel::rowsInserted, this,
            &CCheckListCtrl::OnRowsInsertedOrRemoved);
    connect(model(), &QAbstractItemModel::rowsRemoved, this,
            &CCheckListCtrl::OnRowsInsertedOrRemoved);
}

bool CCheckListCtrl::InitCheckHeader() {
    if (headerReady) {
        return true;
    }
    m_headerImages = LoadHeaderImages();
    m_header->SetImages(m_headerImages);
    m_header->SetFirstSectionImage(CCheckHeadCtrl::kImageUnchecked);
    headerReady = true;
    return true;
}

int CCheckListCtrl::HeaderImage() const {
    return headerReady ? m_header->FirstSectionImage() : CCheckHeadCtrl::kImageEmpty;
}

void CCheckListCtrl::mouseReleaseEvent(QMouseEvent* event) {
    QTableWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton) {
        emit rowClicked();
    }
}

void CCheckListCtrl::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
    emit contextMenuRequested(event->globalPos());
}

// The header is kept true by the change at hand instead of a look at every
// row, which made adding a long list quadratic: an unchecked box clears it,
// and while it shows "all checked" neither a checked box nor a new row (no
// box yet) nor a removed row can change that. Only while it is clear can a
// check or a removal make every row checked.
void CCheckListCtrl::OnItemChanged(QTableWidgetItem* item) {
    if (!headerReady || m_settingAllRows || item->column() != 0) {
        return;
    }
    if (IsUncheckedBox(item)) {
        m_header->SetFirstSectionImage(CCheckHeadCtrl::kImageUnchecked);
    } else if (m_header->FirstSectionImage() != CCheckHeadCtrl::kImageChecked) {
        UpdateHeaderImage();
    }
}

// Removing the last unchecked row, or adding an unchecked one, changes whether
// all rows are checked just as a click on a box does.
void CCheckListCtrl::OnRowsInsertedOrRemoved() {
    if (headerReady && !m_settingAllRows &&
        m_header->FirstSectionImage() != CCheckHeadCtrl::kImageChecked) {
        UpdateHeaderImage();
    }
}

// Every row takes the header's state, including a row that had no box yet. The
// header already shows that state, so it is not worked out again per row.
void CCheckListCtrl::CheckAllRows(bool checked) {
    m_settingAllRows = true;
    for (int row = 0; row < rowCount(); ++row) {
        QTableWidgetItem* item = this->item(row, 0);
        if (item == nullptr) {
            item = new QTableWidgetItem;
            setItem(row, 0, item);
        }
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    }
    m_settingAllRows = false;
}

void CCheckListCtrl::UpdateHeaderImage() {
    m_header->SetFirstSectionImage(HasUncheckedRow() ? CCheckHeadCtrl::kImageUnchecked
                                                     : CCheckHeadCtrl::kImageChecked);
}

bool CCheckListCtrl::HasUncheckedRow() const {
    // The row found last time is usually still unchecked: rows are added at
    // the ends and boxes change one at a time.
    if (m_uncheckedHint < rowCount() && IsUncheckedBox(item(m_uncheckedHint, 0))) {
        return true;
    }
    for (int row = 0; row < rowCount(); ++row) {
        if (IsUncheckedBox(item(row, 0))) {
            m_uncheckedHint = row;
            return true;
        }
    }
    return false;
}
