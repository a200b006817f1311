// SPDX-License-Identifier: GPL-3.0-or-later
// Writes a log of eight days ending on DAY (MM/DD, newest first) with the
// program's own writer: a count in every minute of the seven days before,
// and of DAY up to 11:00, Poisson counts about a daily swing, for the web page's test.
// Prints the number of count cells.
#include "core/DayTable.h"
#include "logfile/LogFile.h"

#include <QCoreApplication>
#include <QDate>

#include <cmath>
#include <cstdio>
#include <random>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fputs("usage: e2e_week_log OUT.CSV YYYY-MM-DD\n", stderr);
        return 2;
    }
    const QDate day = QDate::fromString(QString::fromLatin1(argv[2]), Qt::ISODate);
    DayTable table;
    table.fillTimeColumn();
    int cells = 0;
    std::mt19937 random(8); // the same log every run
    for (int col = 1; col <= 8; ++col) {
        const QDate date = day.addDays(1 - col);
        table.setCell(col, 0, date.toString(QStringLiteral("MM/dd")));
        const int rows = col == 1 ? 11 * 60 : DayTable::MinuteRows;
        for (int row = 1; row <= rows; ++row, ++cells) {
            // Poisson counts around a daily swing of ±5 cpm about 20.
            std::poisson_distribution<int> counts(20 + 5 * std::sin(row * 2 * M_PI / 1440));
            table.setCell(col, row, QString::number(counts(random)));
        }
    }
    const QString error = LogFile::save(QString::fromLocal8Bit(argv[1]), table, LogTitle::Manual);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "%s\n", error.toLocal8Bit().constData());
        return 1;
    }
    std::printf("%d\n", cells);
    return 0;
}
