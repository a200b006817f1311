// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/DayTable.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include <memory>

#include <gtest/gtest.h>

namespace
{

struct Filled {
    DayTable table;
    Filled() { table.fillTimeColumn(); }
};

} // namespace

TEST(DayTable, StartsWithTimeColumnOnly)
{
    Filled f;
    QAbstractItemModelTester tester(&f.table,
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    EXPECT_EQ(f.table.rowCount(), 1441);
    EXPECT_EQ(f.table.columnCount(), 10);
    EXPECT_EQ(f.table.cell(0, 0), QStringLiteral("計測時刻"));
    EXPECT_EQ(f.table.cell(0, 1), QStringLiteral("0:00:00"));
    EXPECT_EQ(f.table.cell(0, 2), QStringLiteral("0:01:00"));
    EXPECT_EQ(f.table.cell(0, 61), QStringLiteral("1:00:00"));
    EXPECT_EQ(f.table.cell(0, 1440), QStringLiteral("23:59:00"));
    for (int c = 1; c < 10; ++c)
        for (int r = 0; r < 1441; ++r)
            ASSERT_TRUE(f.table.cell(c, r).isEmpty()) << c << "," << r;
    EXPECT_EQ(f.table.headerData(0, Qt::Horizontal).toString(), QStringLiteral("計測時刻"));
    EXPECT_EQ(f.table.headerData(3, Qt::Vertical).toString(), QStringLiteral("0:02:00"));
    EXPECT_FALSE(f.table.flags(f.table.index(5, 5)) & Qt::ItemIsEditable);
}

TEST(DayTable, KeepsEveryTextExactly)
{
    DayTable t;
    QAbstractItemModelTester tester(&t, QAbstractItemModelTester::FailureReportingMode::Fatal);
    const QStringList texts = {
        QStringLiteral("0"),          QStringLiteral("27"),    QStringLiteral("2147483647"),
        QStringLiteral("2147483648"), QStringLiteral("007"),   QStringLiteral("-3"),
        QStringLiteral("+3"),         QStringLiteral(" 5"),    QStringLiteral("5 "),
        QStringLiteral("abc"),        QStringLiteral("09/18"), QString(QChar(0xDC85))};
    int row = 1;
    for (const QString &s : texts)
        t.setCell(3, row++, s);
    row = 1;
    for (const QString &s : texts)
        EXPECT_EQ(t.cell(3, row++), s);
    int v = -1;
    EXPECT_TRUE(t.cellCount(3, 2, &v));
    EXPECT_EQ(v, 27);
    EXPECT_FALSE(t.cellCount(3, 5, &v)); // "007" is text

    // Overwriting a text with a count and a count with empty.
    t.setCell(3, 10, QStringLiteral("12"));
    EXPECT_EQ(t.cell(3, 10), QStringLiteral("12"));
    t.setCell(3, 10, QString());
    EXPECT_TRUE(t.cell(3, 10).isEmpty());

    // Out of range reads empty, writes nothing.
    t.setCell(99, 1, QStringLiteral("1"));
    t.setCell(1, 1441, QStringLiteral("1"));
    EXPECT_TRUE(t.cell(99, 1).isEmpty());
    EXPECT_TRUE(t.cell(1, -1).isEmpty());
}

TEST(DayTable, ColumnInsertMovesColumnsAndHeaders)
{
    Filled f;
    DayTable &t = f.table;
    QAbstractItemModelTester tester(&t, QAbstractItemModelTester::FailureReportingMode::Fatal);
    for (int c = 1; c < 10; ++c) {
        t.setCell(c, 0, QStringLiteral("h%1").arg(c));
        t.setCell(c, 7, QString::number(c * 10));
        t.setColumnDate(c, QDate(2020, 1, c));
    }
    QSignalSpy inserted(&t, &QAbstractItemModel::columnsInserted);
    t.column_insert(1);
    ASSERT_EQ(inserted.size(), 1);
    // The model grows at the end only, so a view keeps its widths by position.
    EXPECT_EQ(inserted.at(0).at(1).toInt(), 10);
    EXPECT_EQ(t.columnCount(), 11);
    for (int r = 0; r < 1441; ++r)
        ASSERT_TRUE(t.cell(1, r).isEmpty());
    EXPECT_FALSE(t.columnDate(1).isValid());
    for (int c = 1; c < 10; ++c) {
        EXPECT_EQ(t.cell(c + 1, 0), QStringLiteral("h%1").arg(c));
        EXPECT_EQ(t.cell(c + 1, 7), QString::number(c * 10));
        EXPECT_EQ(t.columnDate(c + 1), QDate(2020, 1, c));
    }
    EXPECT_EQ(t.cell(0, 1440), QStringLiteral("23:59:00"));
}

TEST(DayTable, RepeatedInsertsNeverLoseAColumn)
{
    DayTable t;
    for (int day = 0; day < 400; ++day) {
        t.column_insert(1);
        t.setCell(1, 0, QString::number(day));
        t.setCell(1, 100, QString::number(day));
    }
    EXPECT_EQ(t.columnCount(), 410);
    for (int day = 0; day < 400; ++day)
        ASSERT_EQ(t.cell(400 - day, 100), QString::number(day));
    // Beyond the end: just one more column, nothing moves.
    t.column_insert(1000);
    EXPECT_EQ(t.columnCount(), 411);
    EXPECT_EQ(t.cell(1, 0), QStringLiteral("399"));
}

TEST(DayTable, RowTextsAndGrowth)
{
    DayTable t;
    QAbstractItemModelTester tester(&t, QAbstractItemModelTester::FailureReportingMode::Fatal);
    t.setRowTexts(5, {QStringLiteral("a"), QStringLiteral("1"), QString(), QStringLiteral("x")});
    EXPECT_EQ(t.cell(0, 5), QStringLiteral("a"));
    EXPECT_EQ(t.cell(3, 5), QStringLiteral("x"));
    t.growTo(14);
    EXPECT_EQ(t.columnCount(), 14);
    t.growTo(3);
    EXPECT_EQ(t.columnCount(), 14);
}

// A snapshot keeps the table as it was, while the table goes on changing
// (cells, texts, dates, inserted columns) and after it is gone.
TEST(DayTable, SnapshotKeepsItsMoment)
{
    auto table = std::make_unique<DayTable>();
    table->setCell(1, 5, QStringLiteral("42"));
    table->setCell(2, 6, QStringLiteral("note"));
    table->setColumnDate(1, QDate(2026, 12, 8));
    const DaySnapshot before = table->snapshot();
    table->setCell(1, 5, QStringLiteral("43"));
    table->setCell(2, 6, QString());
    table->column_insert(1);
    table->setCell(1, 7, QStringLiteral("1"));
    EXPECT_EQ(before.colCount(), DayTable::InitialColumnCount);
    int n = 0;
    EXPECT_TRUE(before.cellCount(1, 5, &n));
    EXPECT_EQ(n, 42);
    EXPECT_EQ(before.cell(2, 6), QStringLiteral("note"));
    EXPECT_EQ(before.cell(1, 7), QString());
    EXPECT_EQ(before.cell(99, 1), QString());
    EXPECT_EQ(table->cell(2, 5), QStringLiteral("43"));
    table.reset();
    EXPECT_EQ(before.cell(1, 5), QStringLiteral("42"));
}
