// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/DayColumn.h"
#include "core/DaySnapshot.h"

#include <QAbstractTableModel>
#include <QDate>
#include <QSharedDataPointer>
#include <QStringList>

#include <vector>

// The day table: the program's only store of measurement data.
//
// Cells are addressed (column, row) as the rest of the program speaks of them;
// the Qt model API uses (row, column) as usual.  Row 0 is the header row,
// rows 1..1440 are the minute rows, column 0 is the time column and columns
// 1.. are day columns, newest first.  The row count never changes; the column
// count only grows.
//
// Storage is compact (DayColumn): plain counts are held as numbers, every
// cell's text comes back exactly as it was written, and a column that was
// never written costs no cell storage at all.  Columns are shared with the
// snapshots taken of the table and copied only when written while shared.
//
// Each day column also carries the full date of its day (invalid when not
// known), because its five-character header holds no year.
//
// Thread: GUI thread only.
class DayTable : public QAbstractTableModel
{
    Q_OBJECT
public:
    static constexpr int RowCount = 1441;
    static constexpr int MinuteRows = 1440;
    static constexpr int InitialColumnCount = 10;

    explicit DayTable(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    int colCount() const { return int(m_columns.size()); }

    // Out-of-range addresses read as empty text and are ignored on write.
    QString cell(int col, int row) const;
    void setCell(int col, int row, const QString &text);
    // Sets columns 0..texts.size()-1 of one row (columns that do not exist are
    // ignored); one change notification for the whole row.
    void setRowTexts(int row, const QStringList &texts);
    // True when the cell holds a plain count; its value is then in *count.
    bool cellCount(int col, int row, int *count) const;

    // Writes "計測時刻" and the 1440 minute texts into column 0.
    void fillTimeColumn();

    // Appends a new empty last column, then moves the texts (and dates) of
    // columns index..last-1 one place right, leaving column index empty.
    // The view keeps widths by position because the model only ever grows at
    // the end.
    void column_insert(int index);

    // Appends empty columns until there are at least n.
    void growTo(int n);

    QDate columnDate(int col) const;
    void setColumnDate(int col, const QDate &date);

    // The table as it is now, for a writer on another thread; see
    // DaySnapshot.  Costs one reference per column.
    DaySnapshot snapshot() const { return DaySnapshot(m_columns); }
    // Becomes the table of `snapshot` (sharing its columns), so that code
    // written for a table can read a snapshot on another thread.
    void assign(const DaySnapshot &snapshot);

    // Bytes held by the cell storage (not counting the QObject itself).
    std::size_t memoryUsage() const;

private:
    bool valid(int col, int row) const;
    void store(int col, int row, const QString &text);
    void notifyRow(int row, int firstCol, int lastCol);

    std::vector<QSharedDataPointer<DayColumn>> m_columns;
};
