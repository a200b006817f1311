// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDate>
#include <QHash>
#include <QSharedData>
#include <QString>

#include <cstdint>
#include <vector>

// The cells of one column of the day table and the full date of its day.
// Held through QSharedDataPointer: a snapshot of the table shares every
// column with it, and only a column written after the snapshot is copied.
//
// A cell whose text is a plain decimal count (no sign, no leading zero, fits
// in 31 bits) is held as that number, an empty cell as a marker, and any
// other text verbatim in `texts`.  A column never written has no cells.
//
// Thread: a column shared with a snapshot is only read, from any thread;
// only the table's thread writes, and only an unshared column.
struct DayColumn : QSharedData {
    static constexpr std::int32_t Empty = -1;
    static constexpr std::int32_t Text = -2;

    std::vector<std::int32_t> cells; // empty until the first write
    QHash<int, QString> texts;       // cells that are not plain counts
    QDate date;

    // `row` must be a row of the table.
    QString text(int row) const;
    bool count(int row, int *value) const;
    // Stores `text` into `row` of a table with `rowCount` rows.
    void store(int row, const QString &text, int rowCount);
};
