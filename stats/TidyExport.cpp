// SPDX-License-Identifier: GPL-3.0-or-later
#include "stats/TidyExport.h"

#include "stats/StoredMinutes.h"

#include <QDateTime>
#include <QTimeZone>

namespace
{

constexpr qsizetype ChunkBytes = qsizetype(64) * 1024;

QDateTime localMinute(const QDate &date, int minuteOfDay)
{
    return QDateTime(date, QTime(minuteOfDay / 60, minuteOfDay % 60), Qt::LocalTime);
}

void appendTwoDigits(QByteArray &out, int v)
{
    out.append(char('0' + v / 10));
    out.append(char('0' + v % 10));
}

} // namespace

QByteArray TidyExport::offsetText(int offsetSeconds)
{
    QByteArray out(1, offsetSeconds < 0 ? '-' : '+');
    const int m = qAbs(offsetSeconds) / 60;
    appendTwoDigits(out, m / 60);
    out.append(':');
    appendTwoDigits(out, m % 60);
    return out;
}

QByteArray TidyExport::timeText(const QDate &date, int minuteOfDay)
{
    const QDateTime t = localMinute(date, minuteOfDay);
    // A minute the clock skipped (the spring change) is written as the time
    // it became, with that time's offset.
    return t.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")).toLatin1() +
           offsetText(t.offsetFromUtc());
}

TidyExport::Result TidyExport::write(const DayTable &table, std::optional<double> factor,
                                     const Sink &sink)
{
    Result result;
    QByteArray out = factor ? QByteArrayLiteral("time,cpm,usv_h\n") : QByteArrayLiteral("time,cpm\n");
    // The offset is the same all day except on a day the clock changes;
    // formatting through QDateTime only then keeps the export fast.
    QDate day;
    QByteArray dayPrefix; // "yyyy-MM-ddT"
    QByteArray dayOffset; // empty on a day the offset changes
    StoredMinutes::Visit visit;
    visit.count = [&](const StoredMinutes::Minute &m, qint64 count) {
        if (!result.ok)
            return;
        if (m.date != day) {
            day = m.date;
            dayPrefix = day.toString(Qt::ISODate).toLatin1() + 'T';
            const int first = localMinute(day, 0).offsetFromUtc();
            const int last = localMinute(day, 1439).offsetFromUtc();
            dayOffset = first == last ? offsetText(first) : QByteArray();
        }
        if (dayOffset.isEmpty()) {
            out += timeText(m.date, m.minuteOfDay);
        } else {
            out += dayPrefix;
            appendTwoDigits(out, m.minuteOfDay / 60);
            out += ':';
            appendTwoDigits(out, m.minuteOfDay % 60);
            out += ":00";
            out += dayOffset;
        }
        out += ',';
        out += QByteArray::number(count);
        if (factor) {
            out += ',';
            out += QByteArray::number(double(count) / *factor, 'g', 6);
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
    if (result.ok && !out.isEmpty())
        result.ok = sink(out);
    return result;
}
