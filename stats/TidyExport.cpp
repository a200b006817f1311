// SPDX-License-Identifier: GPL-3.0-or-later
#include "stats/TidyExport.h"

#include "core/TimeText.h"
#include "stats/StoredMinutes.h"

#include <QDateTime>

namespace
{

constexpr qsizetype ChunkBytes = qsizetype(64) * 1024;

void appendTwoDigits(QByteArray &out, int v)
{
    out.append(char('0' + v / 10));
    out.append(char('0' + v % 10));
}

QByteArray timeOf(const QDate &date, int minuteOfDay, const CellMinutes &day)
{
    const QTime time(minuteOfDay / 60, minuteOfDay % 60);
    return TimeText::isoWithOffset(
               QDateTime(date, time, Qt::OffsetFromUTC, day.offset(minuteOfDay)))
        .toLatin1();
}

} // namespace

QByteArray TidyExport::timeText(const QDate &date, int minuteOfDay)
{
    return timeOf(date, minuteOfDay, CellMinutes(date));
}

TidyExport::Result TidyExport::write(const DayTable &table, std::optional<double> factor,
                                     const Sink &sink)
{
    Result result;
    const bool minutesColumn = StoredMinutes::anyLongerCell(table);
    QByteArray out = factor ? QByteArrayLiteral("time,cpm,usv_h") : QByteArrayLiteral("time,cpm");
    out += minutesColumn ? QByteArrayLiteral(",minutes\n") : QByteArrayLiteral("\n");
    // The offset is the same all day except on a day the clock changes;
    // formatting through QDateTime only then keeps the export fast.
    QDate day;
    QByteArray dayPrefix; // "yyyy-MM-ddT"
    QByteArray dayOffset; // empty on a day the offset changes
    StoredMinutes::Visit visit;
    visit.count = [&](const StoredMinutes::Minute &m, qint64 count, const CellMinutes &clock) {
        if (!result.ok)
            return;
        if (m.date != day) {
            day = m.date;
            dayPrefix = day.toString(Qt::ISODate).toLatin1() + 'T';
            dayOffset = clock.uniform() ? TimeText::utcOffset(clock.firstOffset()).toLatin1()
                                        : QByteArray();
        }
        int minutes = 1;
        if (dayOffset.isEmpty()) {
            out += timeOf(m.date, m.minuteOfDay, clock);
            minutes = clock.exposure(m.minuteOfDay);
            result.skippedTimes += clock.minutes(m.minuteOfDay) == 0 ? 1 : 0;
        } else {
            out += dayPrefix;
            appendTwoDigits(out, m.minuteOfDay / 60);
            out += ':';
            appendTwoDigits(out, m.minuteOfDay % 60);
            out += ":00";
            out += dayOffset;
        }
        const double cpm = double(count) / minutes;
        out += ',';
        out += minutes == 1 ? QByteArray::number(count) : QByteArray::number(cpm, 'g', 15);
        if (factor) {
            out += ',';
            out += QByteArray::number(cpm / *factor, 'g', 6);
        }
        if (minutesColumn) {
            out += ',';
            out += QByteArray::number(minutes);
        }
        out += '\n';
        ++result.rows;
        if (out.size() >= ChunkBytes) {
            result.ok = sink(out);
            out.clear();
        }
    };
    const StoredMinutes::Summary summary = StoredMinutes::visit(table, {}, visit);
    result.undatedColumns = summary.undatedColumns;
    result.tooLarge = summary.tooLarge;
    if (result.ok && !out.isEmpty())
        result.ok = sink(out);
    return result;
}
