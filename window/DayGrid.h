// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTableView>

class DayTable;

// The view of the day table (`StringGrid1`).  Row 0 and column 0 of the table
// are shown as the view's headers, so they stay in place while the body
// scrolls and are painted as fixed cells; cell (0, 0) sits in the corner.
// Column widths belong to positions: 80 for the time column, 70 for the nine
// day columns that exist at start, 100 for every column added later.  Rows
// are 26 px high.  Cells cannot be edited; a cell or a range can be selected.
class DayGrid : public QTableView
{
    Q_OBJECT
public:
    static constexpr int TimeColumnWidth = 80;
    static constexpr int StartColumnWidth = 70;
    static constexpr int AddedColumnWidth = 100;
    static constexpr int RowHeight = 26;

    explicit DayGrid(QWidget *parent = nullptr);

    void setDayTable(DayTable *table);
    DayTable *dayTable() const { return m_table; }

    // Sets the widths of the columns that exist now by their position (the
    // time column fill calls it once at start).
    void applyColumnWidths();
    int columnWidthAt(int col) const;

    // Makes cell (col, row) the current cell and scrolls it into view.  The
    // keyboard focus is the caller's business: it must not be taken from an
    // open dialog.
    void selectCell(int col, int row);
    int currentCol() const;
    int currentRow() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    DayTable *m_table = nullptr;
};
