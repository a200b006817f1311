// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStyledItemDelegate>

// Draws a day cell: the rectangle filled with the colour of its state
// (highlight when selected), the text centred horizontally in the rectangle
// shrunk by 2 px left and right and 5 px top and bottom, from the top of that
// inner rectangle, clipped to it.
class DayCellDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;

    // The inner rectangle the text of a day cell is drawn in.
    static QRect textRect(const QRect &cell) { return cell.adjusted(2, 5, -2, -5); }
};
