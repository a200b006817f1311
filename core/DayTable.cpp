// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/DayTable.h"

#include "core/TimeText.h"

#include <algorithm>


namespace
{

QSharedDataPointer<DayColumn> newColumn()
{
    return QSharedDataPointer<DayColumn>(new DayColumn);
}

} // namespace

DayTable::DayTable(QObject *parent) : QAbstractTableModel(parent)
{
    growTo(InitialColumnCount);
}

void DayTable::assign(const DaySnapshot &snapshot)
{
    beginResetModel();
    m_columns = snapshot.columns();
    endResetModel();
}

int DayTable::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : RowCount;
}

int DayTable::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : colCount();
}

QVariant DayTable::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    return cell(index.column(), index.row());
}

QVariant DayTable::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    return orientation == Qt::Horizontal ? cell(section, 0) : cell(0, section);
}

Qt::ItemFlags DayTable::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

bool DayTable::valid(int col, int row) const
{
    return col >= 0 && col < colCount() && row >= 0 && row < RowCount;
}

QString DayTable::cell(int col, int row) const
{
    return valid(col, row) ? m_columns[std::size_t(col)]->text(row) : QString();
}

bool DayTable::cellCount(int col, int row, int *count) const
{
    return valid(col, row) && m_columns[std::size_t(col)]->count(row, count);
}

void DayTable::store(int col, int row, const QString &text)
{
    if (text.isEmpty() && std::as_const(m_columns[std::size_t(col)])->cells.empty())
        return;
    // Writing through the non-const pointer copies a column a snapshot holds.
    m_columns[std::size_t(col)]->store(row, text, RowCount);
}

void DayTable::notifyRow(int row, int firstCol, int lastCol)
{
    emit dataChanged(index(row, firstCol), index(row, lastCol), {Qt::DisplayRole});
    if (row == 0)
        emit headerDataChanged(Qt::Horizontal, firstCol, lastCol);
    if (firstCol == 0)
        emit headerDataChanged(Qt::Vertical, row, row);
}

void DayTable::setCell(int col, int row, const QString &text)
{
    if (!valid(col, row))
        return;
    store(col, row, text);
    notifyRow(row, col, col);
}

void DayTable::setRowTexts(int row, const QStringList &texts)
{
    if (row < 0 || row >= RowCount || texts.isEmpty())
        return;
    const int last = std::min(int(texts.size()), colCount()) - 1;
    for (int c = 0; c <= last; ++c)
        store(c, row, texts.at(c));
    if (last >= 0)
        notifyRow(row, 0, last);
}

void DayTable::fillTimeColumn()
{
    store(0, 0, QStringLiteral("計測時刻"));
    for (int r = 1; r < RowCount; ++r)
        store(0, r, TimeText::rowTime(r));
    emit dataChanged(index(0, 0), index(RowCount - 1, 0), {Qt::DisplayRole});
    emit headerDataChanged(Qt::Vertical, 0, RowCount - 1);
    emit headerDataChanged(Qt::Horizontal, 0, 0);
}

void DayTable::column_insert(int index)
{
    const int last = colCount();
    beginInsertColumns({}, last, last);
    m_columns.push_back(newColumn());
    endInsertColumns();
    if (last <= index)
        return;
    const int from = std::max(index, 0);
    // Exchanging neighbours from the end down to index+1 is a rotation by one.
    std::rotate(m_columns.begin() + from, m_columns.end() - 1, m_columns.end());
    emit dataChanged(this->index(0, from), this->index(RowCount - 1, last), {Qt::DisplayRole});
    emit headerDataChanged(Qt::Horizontal, from, last);
}

void DayTable::growTo(int n)
{
    if (n <= colCount())
        return;
    beginInsertColumns({}, colCount(), n - 1);
    m_columns.reserve(std::size_t(n));
    while (colCount() < n)
        m_columns.push_back(newColumn());
    endInsertColumns();
}

QDate DayTable::columnDate(int col) const
{
    if (col < 0 || col >= colCount())
        return {};
    return m_columns[std::size_t(col)]->date;
}

void DayTable::setColumnDate(int col, const QDate &date)
{
    if (col >= 0 && col < colCount() && std::as_const(m_columns[std::size_t(col)])->date != date)
        m_columns[std::size_t(col)]->date = date;
}

namespace
{

// What a hash node costs beyond its key and value (links, hash, the string's
// header), roughly.
constexpr std::size_t HashNodeBytes = 32;

} // namespace

std::size_t DayTable::memoryUsage() const
{
    std::size_t bytes = m_columns.capacity() * sizeof(QSharedDataPointer<DayColumn>);
    for (const QSharedDataPointer<DayColumn> &c : m_columns) {
        bytes += sizeof(DayColumn) + c->cells.capacity() * sizeof(std::int32_t);
        for (auto it = c->texts.cbegin(); it != c->texts.cend(); ++it)
            bytes += sizeof(int) + sizeof(QString) + std::size_t(it.value().capacity()) * 2 +
                     HashNodeBytes;
    }
    return bytes;
}
