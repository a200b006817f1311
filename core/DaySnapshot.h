// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/DayColumn.h"

#include <QSharedDataPointer>
#include <QString>

#include <vector>

// The day table as it was at one moment, for writing it to a file on
// another thread.  Taking one costs a reference per column, not a copy of
// the cells: the table copies a column only when it writes to it while a
// snapshot still holds it (DayTable::snapshot).
//
// Thread: immutable; any thread may read it and drop it.
class DaySnapshot
{
public:
    DaySnapshot() = default;
    explicit DaySnapshot(std::vector<QSharedDataPointer<DayColumn>> columns);

    int colCount() const { return int(m_columns.size()); }
    // Reads as DayTable::cell and DayTable::cellCount do.
    QString cell(int col, int row) const;
    bool cellCount(int col, int row, int *count) const;
    // `col` must be a column of the snapshot; for walks over every cell.
    const DayColumn &column(int col) const { return *m_columns[std::size_t(col)]; }
    // The time column and the day columns dated from..to (inclusive), in
    // their order: a part of the table for a reader that wants a few days.
    // Shares the columns, as a snapshot does.
    DaySnapshot daysBetween(const QDate &from, const QDate &to) const;

    // For DayTable::assign.
    const std::vector<QSharedDataPointer<DayColumn>> &columns() const { return m_columns; }

private:
    bool valid(int col, int row) const;

    std::vector<QSharedDataPointer<DayColumn>> m_columns;
};
