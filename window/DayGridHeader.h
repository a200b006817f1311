// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHeaderView>

// The fixed row and the fixed column of the day table, drawn as the grid's
// fixed cells: the horizontal header shows row 0 (the day headers, centred
// like the other day cells), the vertical header shows column 0 (the times,
// left-aligned 2 px from the cell's left and top edges).
class DayGridHeader : public QHeaderView
{
    Q_OBJECT
public:
    explicit DayGridHeader(Qt::Orientation orientation, QWidget *parent = nullptr);

protected:
    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override;
};
