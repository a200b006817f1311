// SPDX-License-Identifier: GPL-3.0-or-later
#include "stats/StoredMinutes.h"

#include "core/DayTable.h"

#include <QRegularExpression>

StoredMinutes::Summary StoredMinutes::visit(const DayTable &table, const Span &span,
                                            const Visit &visit)
{
    Summary summary;
    for (int col = table.colCount() - 1; col >= 1; --col) {
        const QDate date = table.columnDate(col);
        if (!date.isValid()) {
            qint64 counts = 0;
            int v = 0;
            for (int row = 1; row <= DayTable::MinuteRows; ++row)
                counts += table.cellCount(col, row, &v) ? 1 : 0;
            if (counts > 0) {
                ++summary.undatedColumns;
                summary.undatedCounts += counts;
            }
            continue;
        }
        // Most spans take whole days: test the day's ends only once.
        const bool whole = span.contains({date, 0}) && span.contains({date, 1439});
        const bool none = (span.to && span.to->date < date) || (span.from && date < span.from->date);
        if (none)
            continue;
        qint64 skipped = 0;
        for (int row = 1; row <= DayTable::MinuteRows; ++row) {
            const Minute m{date, row - 1};
            if (!whole && !span.contains(m))
                continue;
            int v = 0;
            if (table.cellCount(col, row, &v))
                visit.count(m, v);
            else
                ++skipped;
        }
        if (skipped > 0 && visit.skipped)
            visit.skipped(skipped);
    }
    return summary;
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
