// SPDX-License-Identifier: GPL-3.0-or-later
#include "logfile/TableWriter.h"

#include "TestSupport.h"
#include "core/DayTable.h"
#include "logfile/AutoSave.h"
#include "logfile/LogFormat.h"

#include <QFileInfo>

#include <gtest/gtest.h>

namespace
{

struct Outcomes {
    explicit Outcomes(TableWriter &w)
    {
        QObject::connect(&w, &TableWriter::autoSaved, &context, [this](const QString &p) {
            events << QStringLiteral("saved ") + p;
        });
        QObject::connect(&w, &TableWriter::autoSaveFailed, &context,
                         [this](const QString &p, const QString &) {
                             events << QStringLiteral("failed ") + p;
                         });
        QObject::connect(&w, &TableWriter::recoveryCopyWritten, &context,
                         [this] { events << QStringLiteral("copy"); });
        QObject::connect(&w, &TableWriter::recoveryCopyFailed, &context,
                         [this](const QString &, const QString &) {
                             events << QStringLiteral("copy failed");
                         });
        QObject::connect(&w, &TableWriter::dropped, &context, [this](const QString &p) {
            events << QStringLiteral("dropped ") + p;
        });
    }
    QObject context;
    QStringList events;
};

QDateTime minute(int m)
{
    return QDateTime(QDate(2026, 12, 8), QTime(10, m));
}

} // namespace

// Each file holds the table as it was at its request, whatever the table
// became since; outcomes come in request order; a written auto-save settles
// the recovery copy, one that fails leaves the copy in its place.
TEST(TableWriter, WritesSnapshotsInOrder)
{
    QTemporaryDir dir;
    const QString data = dir.filePath(QStringLiteral("data"));
    const QString state = dir.filePath(QStringLiteral("state"));
    DayTable table;
    table.fillTimeColumn();
    TableWriter writer(state);
    Outcomes out(writer);

    QList<QByteArray> expected;
    for (int m = 0; m < 5; ++m) {
        table.setCell(1, m + 1, QString::number(m * 7));
        expected << LogFormat::encode(table, LogTitle::AutoSave);
        if (m == 2)
            writer.keepRecoveryCopy(table.snapshot());
        else
            writer.autoSave(data, minute(m), table.snapshot());
    }
    table.setCell(1, 1, QStringLiteral("changed after"));
    ASSERT_TRUE(writer.finish());
    EXPECT_EQ(writer.pending(), 0);
    const QStringList want = {QStringLiteral("saved ") + AutoSave::filePath(data, minute(0)),
                              QStringLiteral("saved ") + AutoSave::filePath(data, minute(1)),
                              QStringLiteral("copy"),
                              QStringLiteral("saved ") + AutoSave::filePath(data, minute(3)),
                              QStringLiteral("saved ") + AutoSave::filePath(data, minute(4))};
    EXPECT_EQ(out.events, want);
    for (int m : {0, 1, 3, 4})
        EXPECT_EQ(readAll(AutoSave::filePath(data, minute(m))), expected[m]) << m;
    EXPECT_FALSE(QFileInfo::exists(RecoveryCopy(state).path())); // settled by minute 3

    // A data "folder" that is a file: the failure is told, the copy keeps the table.
    const QString blocked = dir.filePath(QStringLiteral("blocked"));
    ASSERT_TRUE(writeFile(blocked, "x"));
    out.events.clear();
    writer.autoSave(blocked, minute(9), table.snapshot());
    writer.finish();
    EXPECT_EQ(out.events, QStringList({QStringLiteral("failed ") +
                                           AutoSave::filePath(blocked, minute(9)),
                                       QStringLiteral("copy")}));
    EXPECT_EQ(readAll(RecoveryCopy(state).path()), LogFormat::encode(table, LogTitle::AutoSave));

    // A settle asked for while writes wait comes after them.
    writer.keepRecoveryCopy(table.snapshot());
    writer.settleRecoveryCopy();
    writer.finish();
    EXPECT_FALSE(QFileInfo::exists(RecoveryCopy(state).path()));
}

// A disk slower than the tallies: the queue is bounded, each request beyond
// it drops the oldest waiting one and says so, and the newest file, which
// holds the whole table, is still written.
TEST(TableWriter, OverflowIsTold)
{
    QTemporaryDir dir;
    const QString data = dir.filePath(QStringLiteral("data"));
    DayTable big;
    big.growTo(3650);
    for (int r = 0; r < DayTable::RowCount; ++r)
        for (int c = 1; c < 3650; c += 2)
            big.setCell(c, r, QString::number(r + 100000));
    const DayTable small;
    TableWriter writer(dir.filePath(QStringLiteral("state")));
    Outcomes out(writer);
    // The first request keeps the thread busy while the rest queue up.
    const int extra = 3;
    writer.autoSave(data, minute(0), big.snapshot());
    for (int m = 1; m < TableWriter::MaxQueued + 1 + extra; ++m)
        writer.autoSave(data, minute(m), small.snapshot());
    ASSERT_TRUE(writer.finish());
    // Whether the thread took the first request before the others came is
    // up to the scheduler: at least `extra` requests are dropped.
    const qsizetype dropped = out.events.filter(QStringLiteral("dropped ")).size();
    EXPECT_GE(dropped, extra);
    EXPECT_LE(dropped, extra + 1);
    EXPECT_EQ(dropped + out.events.filter(QStringLiteral("saved ")).size(),
              TableWriter::MaxQueued + 1 + extra);
    EXPECT_TRUE(out.events.contains(QStringLiteral("dropped ") +
                                    AutoSave::filePath(data, minute(1))));
    const int last = TableWriter::MaxQueued + extra;
    EXPECT_EQ(out.events.last(), QStringLiteral("saved ") + AutoSave::filePath(data, minute(last)));
}
