#include "core/DayTable.h"

#include "core/TimeText.h"

#include <algorithm>

namespace
{

// A plain count: decimal digits only, no leading zero (except "0" itself),
// and small enough for a non-negative int32.
bool parsePlainCount(const QString &text, std::int32_t *value)
{
    const qsizetype n = text.size();
    if (n == 0 || n > 10)
        return false;
    if (n > 1 && text.at(0) == u'0')
        return false;
    std::int64_t v = 0;
    for (QChar ch : text) {
        if (ch < u'0' || ch > u'9')
            return false;
        v = v * 10 + (ch.unicode() - u'0');
    }
    if (v > INT32_MAX)
        return false;
    *value = std::int32_t(v);
    return true;
}

} // namespace

DayTable::DayTable(QObject *parent) : QAbstractTableModel(parent)
{
    m_columns.resize(InitialColumnCount);
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
    if (!valid(col, row))
        return {};
    const Column &c = m_columns[col];
    if (c.cells.empty())
        return {};
    const std::int32_t v = c.cells[row];
    if (v >= 0)
        return QString::number(v);
    if (v == Text)
        return c.texts.value(row);
    return {};
}

bool DayTable::cellCount(int col, int row, int *count) const
{
    if (!valid(col, row) || m_columns[col].cells.empty())
        return false;
    const std::int32_t v = m_columns[col].cells[row];
    if (v < 0)
        return false;
    *count = v;
    return true;
}

void DayTable::store(int col, int row, const QString &text)
{
    Column &c = m_columns[col];
    if (c.cells.empty()) {
        if (text.isEmpty())
            return;
        c.cells.assign(RowCount, Empty);
    }
    std::int32_t &slot = c.cells[row];
    if (slot == Text)
        c.texts.remove(row);
    std::int32_t value = 0;
    if (text.isEmpty()) {
        slot = Empty;
    } else if (parsePlainCount(text, &value)) {
        slot = value;
    } else {
        slot = Text;
        c.texts.insert(row, text);
    }
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
    m_columns.emplace_back();
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
    m_columns.resize(n);
    endInsertColumns();
}

QDate DayTable::columnDate(int col) const
{
    if (col < 0 || col >= colCount())
        return {};
    return m_columns[col].date;
}

void DayTable::setColumnDate(int col, const QDate &date)
{
    if (col >= 0 && col < colCount())
        m_columns[col].date = date;
}

std::size_t DayTable::memoryUsage() const
{
    std::size_t bytes = m_columns.capacity() * sizeof(Column);
    for (const Column &c : m_columns) {
        bytes += c.cells.capacity() * sizeof(std::int32_t);
        for (auto it = c.texts.cbegin(); it != c.texts.cend(); ++it)
            bytes += sizeof(int) + sizeof(QString) + std::size_t(it.value().capacity()) * 2 + 32;
    }
    return bytes;
}
