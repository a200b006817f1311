// SPDX-License-Identifier: GPL-3.0-or-later
// Writes log files with the program's own writer for the command-line tests:
//   make_sample_log OUT.CSV
//     two measured days of counts, one text cell and one empty cell;
//   make_sample_log OUT.CSV CPM FROM TO
//     a steady source of CPM pulses a minute, tallied by the minute tally
//     under a fake clock that reads every minute from FROM to TO (UTC,
//     yyyy-MM-ddTHH:mm) in the local time zone, each count added to its
//     row as the measurement adds it.
#include "core/DayTable.h"
#include "core/MinuteTally.h"
#include "core/TimeText.h"
#include "logfile/LogFile.h"

#include <QCoreApplication>
#include <QTimeZone>

#include <cstdio>

namespace
{

void twoDays(DayTable &table)
{
    table.setCell(1, 0, QStringLiteral("12/07"));
    table.setCell(2, 0, QStringLiteral("12/06"));
    // 12/06 23:57..23:59 and 12/07 00:00..00:02: 20 21 22 | 23 x 25
    table.setCell(2, 1438, QStringLiteral("20"));
    table.setCell(2, 1439, QStringLiteral("21"));
    table.setCell(2, 1440, QStringLiteral("22"));
    table.setCell(1, 1, QStringLiteral("23"));
    table.setCell(1, 2, QStringLiteral("x"));
    table.setCell(1, 3, QStringLiteral("25"));
}

QDateTime utc(const char *text)
{
    QDateTime t =
        QDateTime::fromString(QString::fromLatin1(text), QStringLiteral("yyyy-MM-ddTHH:mm"));
    t.setTimeZone(QTimeZone::utc());
    return t;
}

void steady(DayTable &table, int cpm, const QDateTime &from, const QDateTime &to)
{
    MinuteTally tally;
    for (QDateTime u = from; u <= to; u = u.addSecs(60)) {
        const QDateTime now = u.addSecs(1).toLocalTime(); // a tick a second late
        const MinuteTally::Decision d = tally.check(now);
        tally.advance(now);
        if (!d.tally)
            continue;
        if (table.columnDate(1) != now.date()) {
            table.column_insert(1);
            table.setCell(1, 0, TimeText::dayHeader(now.date()));
            table.setColumnDate(1, now.date());
        }
        int earlier = 0;
        table.cellCount(1, d.row, &earlier);
        table.setCell(1, d.row, QString::number(earlier + cpm));
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2 && argc != 5) {
        std::fputs("usage: make_sample_log OUT.CSV [CPM FROM TO]\n", stderr);
        return 2;
    }
    DayTable table;
    table.fillTimeColumn();
    if (argc == 2)
        twoDays(table);
    else
        steady(table, std::atoi(argv[2]), utc(argv[3]), utc(argv[4]));
    const QString error = LogFile::save(QString::fromLocal8Bit(argv[1]), table, LogTitle::AutoSave);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "%s\n", error.toLocal8Bit().constData());
        return 1;
    }
    return 0;
}
