// SPDX-License-Identifier: GPL-3.0-or-later
// Writes a log file with the program's own writer: two measured days of
// counts, one text cell and one empty cell, for the command-line tests.
#include "core/DayTable.h"
#include "logfile/LogFile.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fputs("usage: make_sample_log OUT.CSV\n", stderr);
        return 2;
    }
    DayTable table;
    table.fillTimeColumn();
    table.setCell(1, 0, QStringLiteral("12/07"));
    table.setCell(2, 0, QStringLiteral("12/06"));
    // 12/06 23:57..23:59 and 12/07 00:00..00:02: 20 21 22 | 23 x 25
    table.setCell(2, 1438, QStringLiteral("20"));
    table.setCell(2, 1439, QStringLiteral("21"));
    table.setCell(2, 1440, QStringLiteral("22"));
    table.setCell(1, 1, QStringLiteral("23"));
    table.setCell(1, 2, QStringLiteral("x"));
    table.setCell(1, 3, QStringLiteral("25"));
    const QString error = LogFile::save(QString::fromLocal8Bit(argv[1]), table, LogTitle::AutoSave);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "%s\n", error.toLocal8Bit().constData());
        return 1;
    }
    return 0;
}
