// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/DaySnapshot.h"

#include "core/DayTable.h"

DaySnapshot::DaySnapshot(std::vector<QSharedDataPointer<DayColumn>> columns)
    : m_columns(std::move(columns))
{
}

bool DaySnapshot::valid(int col, int row) const
{
    return col >= 0 && col < colCount() && row >= 0 && row < DayTable::RowCount;
}

QString DaySnapshot::cell(int col, int row) const
{
    return valid(col, row) ? m_columns[std::size_t(col)]->text(row) : QString();
}

bool DaySnapshot::cellCount(int col, int row, int *count) const
{
    return valid(col, row) && m_columns[std::size_t(col)]->count(row, count);
}

DaySnapshot DaySnapshot::daysBetween(const QDate &from, const QDate &to) const
{
    std::vector<QSharedDataPointer<DayColumn>> kept;
    for (std::size_t col = 0; col < m_columns.size(); ++col) {
        const QDate date = m_columns[col]->date;
        if (col == 0 || (date.isValid() && !(date < from) && !(to < date)))
            kept.push_back(m_columns[col]);
    }
    return DaySnapshot(std::move(kept));
}
