// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/DayGrid.h"

#include "window/DayCellDelegate.h"
#include "window/DayGridHeader.h"
#include "core/DayTable.h"

#include <QAbstractButton>
#include <QEvent>
#include <QPainter>
#include <QStyleOptionHeader>

DayGrid::DayGrid(QWidget *parent) : QTableView(parent)
{
    setHorizontalHeader(new DayGridHeader(Qt::Horizontal, this));
    setVerticalHeader(new DayGridHeader(Qt::Vertical, this));
    horizontalHeader()->setDefaultSectionSize(AddedColumnWidth);
    horizontalHeader()->setMinimumSectionSize(1);
    horizontalHeader()->setFixedHeight(RowHeight);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(RowHeight);
    verticalHeader()->setFixedWidth(TimeColumnWidth);
    setItemDelegate(new DayCellDelegate(this));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setWordWrap(false);
    setTabKeyNavigation(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerItem);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    // Cell (0, 0) is drawn on the corner button.
    if (auto *corner = findChild<QAbstractButton *>())
        corner->installEventFilter(this);
}

void DayGrid::setDayTable(DayTable *table)
{
    m_table = table;
    setModel(table);
    // Row 0 and column 0 are shown by the headers, not in the body.
    setRowHidden(0, true);
    setColumnHidden(0, true);
    applyColumnWidths();
}

int DayGrid::columnWidthAt(int col) const
{
    if (col == 0)
        return TimeColumnWidth;
    return columnWidth(col);
}

void DayGrid::applyColumnWidths()
{
    if (!m_table)
        return;
    for (int c = 1; c < m_table->colCount(); ++c)
        setColumnWidth(c, c < DayTable::InitialColumnCount ? StartColumnWidth : AddedColumnWidth);
}

void DayGrid::selectCell(int col, int row)
{
    if (!m_table)
        return;
    const QModelIndex idx = m_table->index(row, col);
    setCurrentIndex(idx);
    scrollTo(idx);
}

int DayGrid::currentCol() const
{
    return currentIndex().isValid() ? currentIndex().column() : -1;
}

int DayGrid::currentRow() const
{
    return currentIndex().isValid() ? currentIndex().row() : -1;
}

bool DayGrid::eventFilter(QObject *watched, QEvent *event)
{
    auto *corner = qobject_cast<QAbstractButton *>(watched);
    if (corner && event->type() == QEvent::Paint) {
        QPainter painter(corner);
        QStyleOptionHeader opt;
        opt.initFrom(corner);
        opt.rect = corner->rect();
        opt.position = QStyleOptionHeader::OnlyOneSection;
        opt.orientation = Qt::Horizontal;
        painter.save();
        style()->drawControl(QStyle::CE_Header, &opt, &painter, corner);
        painter.restore();
        if (m_table) {
            painter.setFont(font());
            painter.setPen(palette().color(QPalette::ButtonText));
            painter.drawText(corner->rect().adjusted(2, 2, 0, 0),
                             Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                             m_table->cell(0, 0));
        }
        return true;
    }
    return QTableView::eventFilter(watched, event);
}
