// The task list control: rows with a check box in the first column, whole-row
// and multiple selection, grid lines, and a check-all box in the first heading
// (CCheckHeadCtrl) that follows the rows.
//
// A row's check box is the column-0 item's check state (the item carries
// Qt::ItemIsUserCheckable); a row whose column-0 item has no check state has
// no check box and counts as checked.
//
// The window learns about clicks through two signals: rowClicked() after a
// left click has been handled (the selection is already updated), and
// contextMenuRequested() with the pointer's global position on a right click.
#pragma once

#include "ui/controls/check_head_ctrl.h"

#include <QList>
#include <QPixmap>
#include <QPoint>
#include <QTableWidget>

class CCheckListCtrl : public QTableWidget {
    Q_OBJECT

public:
    explicit CCheckListCtrl(QWidget* parent = nullptr);

    // Gives the first heading its check box from bitmap 292, showing it
    // unchecked; from then on the box follows the rows. Does nothing the
    // second time. Call it once the columns exist.
    bool InitCheckHeader();

    // The first heading's image: 1 unchecked box, 2 checked box; 0 before
    // InitCheckHeader.
    int HeaderImage() const;

signals:
    void rowClicked();
    void contextMenuRequested(QPoint globalPos);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void OnItemChanged(QTableWidgetItem* item);
    void OnRowsInsertedOrRemoved();
    void CheckAllRows(bool checked);
    void UpdateHeaderImage();
    bool HasUncheckedRow() const;

    bool headerReady = false;
    bool m_settingAllRows = false;
    mutable int m_uncheckedHint = 0; // where HasUncheckedRow last found one
    QList<QPixmap> m_headerImages;
    CCheckHeadCtrl* m_header;
};
