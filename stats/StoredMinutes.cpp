// SPDX-License-Identifier: GPL-3.0-or-later
#include "stats/StoredMinutes.h"

#include "core/DayTable.h"

#include <QRegularExpression>

StoredMinutes::Summary StoredMinutes::visit(const DayTable &table, const Span &span,
                                            const Visit &visit)
{
    Summary summary;
    const LocalZone zone = zoneOf(table);
    for (int col = table.colCount() - 1; col >= 1; --col) {
        const QDate date = table.columnDate(col);
        if (!date.isValid()) {
            qint64 counts = 0;
            qint64 v = 0;
            for (int row = 1; row <= DayTable::MinuteRows; ++row)
                counts += read(table, col, row, &v) == Cell::Count ? 1 : 0;
            if (counts > 0) {
                ++summary.undatedColumns;
                summary.undatedCounts += counts;
            }
            continue;
        }
        // Most spans take whole days: test the day's ends only once.
        const bool whole = span.contains({date, 0}) && span.contains({date, 1439});
        const bool none =
            (span.to && span.to->date < date) || (span.from && date < span.from->date);
        if (none)
            continue;
        const CellMinutes day(date, zone);
        qint64 skipped = 0;
        for (int row = 1; row <= DayTable::MinuteRows; ++row) {
            const Minute m{date, row - 1};
            if (!whole && !span.contains(m))
                continue;
            qint64 v = 0;
            const Cell cell = read(table, col, row, &v);
            if (cell == Cell::Count)
                visit.count(m, v, day);
            else if (cell == Cell::TooLarge)
                ++summary.tooLarge;
            else
                ++skipped;
        }
        if (skipped > 0 && visit.skipped)
            visit.skipped(skipped);
    }
    return summary;
}

StoredMinutes::Cell StoredMinutes::readText(const DayTable &table, int col, int row, qint64 *count)
{
    // The table keeps a plain number above 31 bits as its text.
    const QString text = table.cell(col, row);
    if (text.size() < 10 || text.at(0) == u'0')
        return Cell::NoCount;
    for (const QChar c : text)
        if (c < u'0' || c > u'9')
            return Cell::NoCount;
    if (text.size() > 12)
        return Cell::TooLarge;
    *count = text.toLongLong();
    return Cell::Count;
}

LocalZone StoredMinutes::zoneOf(const DayTable &table)
{
    QDate first;
    QDate last;
    for (int col = 1; col < table.colCount(); ++col) {
        const QDate date = table.columnDate(col);
        if (!date.isValid())
            continue;
        if (!first.isValid() || date < first)
            first = date;
        if (!last.isValid() || date > last)
            last = date;
    }
    return {first, last};
}

bool StoredMinutes::anyLongerCell(const DayTable &table)
{
    const LocalZone zone = zoneOf(table);
    for (int col = 1; col < table.colCount(); ++col) {
        const QDate date = table.columnDate(col);
        if (!date.isValid())
            continue;
        const CellMinutes day(date, zone);
        if (day.uniform())
            continue;
        qint64 v = 0;
        for (int row = 1; row <= DayTable::MinuteRows; ++row)
            if (day.minutes(row - 1) > 1 && read(table, col, row, &v) == Cell::Count)
                return true;
    }
    return false;
}

std::optional<StoredMinutes::Minute> StoredMinutes::parseMinute(const QString &text)
{
    static const QRegularExpression re(
        QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})T(\\d{2}):(\\d{2})(:00)?$"));
    const auto m = re.match(text.trimmed());
    if (!m.hasMatch())
        return std::nullopt;
    const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    const int h = m.captured(4).toInt();
    const int min = m.captured(5).toInt();
    if (!date.isValid() || h > 23 || min > 59)
        return std::nullopt;
    return Minute{date, h * 60 + min};
}
