// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"

#include "core/DayTable.h"
#include "logfile/LogFormat.h"

#include <QAbstractItemModelTester>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <memory>

namespace
{

const QByteArray ManualTitle("\x82\x50\x95\xaa\x82\xa8\x82\xab\x82\xc9\x8f\x57\x8c\x76\x82\xb5"
                             "\x82\xbd\x82\x66\x82\x6c\x83\x70\x83\x8b\x83\x58\x83\x4a\x83\x45"
                             "\x83\x93\x83\x67\x83\x66\x81\x5b\x83\x5e");
const QByteArray AutoTitle("1\x95\xaa\x82\xa8\x82\xab\x82\xc9\x8f\x57\x8c\x76\x82\xb5\x82\xbd"
                           "\x83\x70\x83\x8b\x83\x58\x8f\x57\x8c\x76\x83\x66\x81\x5b\x83\x5e");
const QByteArray Header("\x8c\x76\x91\xaa\x8e\x9e\x8d\x8f"); // 計測時刻

QList<QByteArray> lines(const QByteArray &file)
{
    QList<QByteArray> out = file.split('\n');
    EXPECT_TRUE(out.last().isEmpty()) << "file must end with a line end";
    out.removeLast();
    for (QByteArray &l : out) {
        EXPECT_TRUE(l.endsWith('\r'));
        l.chop(1);
    }
    return out;
}

// The time text of minute row r, as the day table's time column holds it.
QByteArray rowTime(int r)
{
    const int m = r - 1;
    return QByteArray::number(m / 60) + ':' + QByteArray::number(m % 60).rightJustified(2, '0') +
           ":00";
}

// A field as the file holds it: quote, text, TAB, quote.
QByteArray field(const QByteArray &text)
{
    return '"' + text + "\t\"";
}

// The same stripping rule done the obvious way, one removal at a time.
QByteArray naiveStrip(QByteArray s)
{
    qsizetype p = 0;
    while (p + 1 < s.size()) {
        if (p < s.size() && s[p] == '"')
            s.remove(p, 1);
        if (p < s.size() && s[p] == '\t')
            s.remove(p, 1);
        if (p < s.size() && s[p] == '"')
            s.remove(p, 1);
        ++p;
    }
    return s;
}

struct Table {
    DayTable table;
    Table() { table.fillTimeColumn(); }
    // Watches the notifications of what follows (reading, in these tests).
    std::unique_ptr<QAbstractItemModelTester> watch()
    {
        return std::make_unique<QAbstractItemModelTester>(
            &table, QAbstractItemModelTester::FailureReportingMode::Fatal);
    }
};

} // namespace

TEST(LogFormat, HeaderAndMinuteLinesAsDocumented)
{
    Table t;
    t.table.setCell(1, 0, QStringLiteral("09/18"));
    t.table.setCell(2, 0, QStringLiteral("09/17"));
    t.table.setCell(1, 6, QStringLiteral("23"));
    t.table.setCell(2, 6, QStringLiteral("19"));
    const QList<QByteArray> file = lines(LogFormat::encode(t.table, LogTitle::Manual));
    ASSERT_EQ(file.size(), 1442);
    EXPECT_EQ(file[0], ManualTitle);
    EXPECT_EQ(file[1], "\"" + Header +
                           "\t\",\"09/18\t\",\"09/17\t\",\"\t\",\"\t\",\"\t\",\"\t\",\"\t\",\"\t\","
                           "\"\t\"");
    EXPECT_EQ(file[7],
              QByteArray("\"0:05:00\t\",\"23\t\",\"19\t\",\"\t\",\"\t\",\"\t\",\"\t\",\"\t\","
                         "\"\t\",\"\t\""));
}

TEST(LogFormat, WholeFileOfTwelveColumnsByteForByte)
{
    Table t;
    t.table.growTo(12);
    QRandomGenerator rng(12);
    QByteArray golden = AutoTitle + "\r\n";
    for (int r = 0; r < DayTable::RowCount; ++r) {
        QByteArray line = field(r == 0 ? Header : rowTime(r));
        for (int c = 1; c < 12; ++c) {
            QByteArray text;
            if (r == 0 && c <= 3) {
                text = "01/0" + QByteArray::number(6 - c);
            } else if (r > 0 && c <= 3 && rng.bounded(5) != 0) {
                text = QByteArray::number(rng.bounded(100));
            } else if (r % 97 == 5 && c == 11) {
                text = QByteArray(4000, 'x'); // more than a row's room: the buffer grows mid-row
            } else if (r == 8 && c == 4) {
                text = "2147483647"; // the longest count
            }
            if (!text.isEmpty())
                t.table.setCell(c, r, QString::fromLatin1(text));
            line += ',' + field(text);
        }
        golden += line + "\r\n";
    }
    const QByteArray written = LogFormat::encode(t.table, LogTitle::AutoSave);
    EXPECT_EQ(written, golden);
    const QList<QByteArray> file = lines(written);
    ASSERT_EQ(file.size(), 1442);
    for (int i = 1; i < file.size(); ++i)
        ASSERT_EQ(file[i].count(','), 11) << i;
    EXPECT_FALSE(written.startsWith("\xef\xbb\xbf"));
}

TEST(LogFormat, ManualAndAutoSavedFilesDifferOnlyInTheTitle)
{
    Table t;
    t.table.setCell(1, 0, QStringLiteral("09/18"));
    t.table.setCell(1, 100, QStringLiteral("7"));
    QList<QByteArray> manual = lines(LogFormat::encode(t.table, LogTitle::Manual));
    QList<QByteArray> autoSaved = lines(LogFormat::encode(t.table, LogTitle::AutoSave));
    EXPECT_EQ(manual.takeFirst(), ManualTitle);
    EXPECT_EQ(autoSaved.takeFirst(), AutoTitle);
    EXPECT_EQ(manual, autoSaved);
}

TEST(LogFormat, WrittenTableReadsBackCellForCell)
{
    Table written;
    written.table.growTo(15);
    QRandomGenerator rng(7);
    const QStringList odd = {QStringLiteral("09/18"), QStringLiteral("髙①～ｱ"),
                             QStringLiteral("a b "),  QStringLiteral("0012"),
                             QStringLiteral("-3"),    units({char16_t(0xDC80), u'x'})};
    for (int c = 1; c < 15; ++c)
        for (int r = 0; r < DayTable::RowCount; ++r) {
            const int pick = int(rng.bounded(10));
            if (pick < 6)
                written.table.setCell(c, r, QString::number(rng.bounded(100000)));
            else if (pick < 8)
                written.table.setCell(c, r, odd.at(rng.bounded(odd.size())));
        }
    const QByteArray bytes = LogFormat::encode(written.table, LogTitle::Manual);
    Table read;
    LogFormat::decodeInto(read.table, bytes);
    ASSERT_EQ(read.table.colCount(), 15);
    for (int c = 0; c < 15; ++c)
        for (int r = 0; r < DayTable::RowCount; ++r)
            ASSERT_EQ(read.table.cell(c, r), written.table.cell(c, r)) << c << "," << r;
    EXPECT_EQ(LogFormat::encode(read.table, LogTitle::Manual), bytes);
}

TEST(LogFormat, ReadingLeavesWhatTheFileDoesNotCover)
{
    Table t;
    for (int r = 0; r < DayTable::RowCount; ++r)
        t.table.setCell(5, r, QStringLiteral("old"));
    const QByteArray before = LogFormat::encode(t.table, LogTitle::Manual);
    const auto tester = t.watch();

    for (const QByteArray &file : {QByteArray(), QByteArray("anything at all"),
                                   QByteArray("title only\r\n"), QByteArray("\r\n\r\n\n")}) {
        LogFormat::decodeInto(t.table, file);
        EXPECT_EQ(LogFormat::encode(t.table, LogTitle::Manual), before) << file.toStdString();
    }

    // Title, a short header row, an empty line (row 1 stays), a short row for
    // row 2, and a last line without line end for row 3; the rest stays.
    LogFormat::decodeInto(t.table, "whatever\r\n\"h\t\",\"09/18\t\"\r\n\r\n"
                                   "\"x\t\",\"5\t\",\"\t\"\r\n\"y\t\",\"6\t\"");
    EXPECT_EQ(t.table.cell(0, 0), QStringLiteral("h"));
    EXPECT_EQ(t.table.cell(1, 0), QStringLiteral("09/18"));
    EXPECT_EQ(t.table.cell(0, 1), QStringLiteral("0:00:00"));
    EXPECT_EQ(t.table.cell(0, 2), QStringLiteral("x"));
    EXPECT_EQ(t.table.cell(1, 2), QStringLiteral("5"));
    EXPECT_EQ(t.table.cell(2, 2), QString());
    EXPECT_EQ(t.table.cell(0, 3), QStringLiteral("y"));
    EXPECT_EQ(t.table.cell(1, 3), QStringLiteral("6"));
    EXPECT_EQ(t.table.cell(0, 4), QStringLiteral("0:03:00"));
    for (int r = 0; r < DayTable::RowCount; ++r)
        ASSERT_EQ(t.table.cell(5, r), QStringLiteral("old")) << r;
    EXPECT_EQ(t.table.colCount(), 10);
}

TEST(LogFormat, LineEndsAndLinesBeyondTheTable)
{
    Table t;
    // Bare LF lines read like CR LF ones; a CR inside a line is data.
    LogFormat::decodeInto(t.table, "t\n\"a\t\",\"1\t\"\n\"b\r\t\",\"2\t\"\r\n");
    EXPECT_EQ(t.table.cell(0, 0), QStringLiteral("a"));
    EXPECT_EQ(t.table.cell(1, 0), QStringLiteral("1"));
    EXPECT_EQ(t.table.cell(0, 1), QStringLiteral("b\r"));
    EXPECT_EQ(t.table.cell(1, 1), QStringLiteral("2"));

    QByteArray many = "t\r\n";
    for (int i = 0; i < DayTable::RowCount + 50; ++i)
        many += "\"r" + QByteArray::number(i) + "\t\"\r\n";
    LogFormat::decodeInto(t.table, many);
    EXPECT_EQ(t.table.cell(0, 1440), QStringLiteral("r1440"));
}

TEST(LogFormat, StrippingFollowsTheRuleInOnePass)
{
    // Quotes and TABs where the writer never puts them.
    EXPECT_EQ(LogFormat::strip("\"a\t\",\"b\t\""), QByteArray("a,b"));
    EXPECT_EQ(LogFormat::strip("a\"\"b"), QByteArray("ab"));
    EXPECT_EQ(LogFormat::strip("a\"\"\"b"), QByteArray("a\"b")); // at most two per step
    EXPECT_EQ(LogFormat::strip("\"\"\"x"), QByteArray("\"x"));
    EXPECT_EQ(LogFormat::strip("x\t"), QByteArray("x\t")); // the last byte is never examined
    EXPECT_EQ(LogFormat::strip("\"\t\""), QByteArray(""));
    EXPECT_EQ(LogFormat::strip("\""), QByteArray("\""));
    EXPECT_EQ(LogFormat::strip("a\t\tb"), QByteArray("a\tb"));

    const char alphabet[] = {'"', '\t', ',', 'a', '\x82'};
    QRandomGenerator rng(3);
    for (int i = 0; i < 20000; ++i) {
        QByteArray s(int(rng.bounded(12)), Qt::Uninitialized);
        for (char &c : s)
            c = alphabet[rng.bounded(int(sizeof alphabet))];
        ASSERT_EQ(LogFormat::strip(s), naiveStrip(s)) << s.toStdString();
    }
}

TEST(LogFormat, WiderFileGrowsTheTableAndLaterInsertsStayEmpty)
{
    Table t;
    const auto tester = t.watch();
    QSignalSpy inserted(&t.table, &QAbstractItemModel::columnsInserted);
    QByteArray file = "t\r\n";
    QByteArray header = field(Header);
    QByteArray row = field("0:00:00");
    for (int c = 1; c < 14; ++c) {
        header += ',' + field("01/" + QByteArray::number(c + 10));
        row += ',' + field(QByteArray::number(c));
    }
    file += header + "\r\n" + row + "\r\n";
    LogFormat::decodeInto(t.table, file);
    ASSERT_EQ(t.table.colCount(), 14);
    EXPECT_EQ(inserted.count(), 1);
    EXPECT_EQ(t.table.cell(13, 0), QStringLiteral("01/23"));
    EXPECT_EQ(t.table.cell(13, 1), QStringLiteral("13"));

    t.table.column_insert(1);
    for (int r = 0; r < DayTable::RowCount; ++r)
        ASSERT_TRUE(t.table.cell(1, r).isEmpty()) << r;
    EXPECT_EQ(t.table.cell(14, 1), QStringLiteral("13"));
}

TEST(LogFormat, DamagedInputLoadsWhatTheRulesGiveQuickly)
{
    QElapsedTimer timer;
    timer.start();
    {
        // One enormous line without commas, quotes at every other byte.
        Table t;
        QByteArray huge(8 << 20, '"');
        for (qsizetype i = 1; i < huge.size(); i += 2)
            huge[i] = 'a';
        LogFormat::decodeInto(t.table, "t\r\n" + huge);
        EXPECT_EQ(t.table.cell(0, 0).size(), 4 << 20);
    }
    {
        // A line of nothing but commas is capped, not a million columns.
        Table t;
        LogFormat::decodeInto(t.table, "t\r\n" + QByteArray(1 << 20, ','));
        EXPECT_EQ(t.table.colCount(), LogFormat::MaxColumns);
    }
    {
        // NUL bytes and binary junk.
        Table t;
        QByteArray junk(1 << 20, Qt::Uninitialized);
        QRandomGenerator rng(1);
        for (char &c : junk)
            c = char(rng.bounded(256));
        junk[100] = '\0';
        LogFormat::decodeInto(t.table, junk);
        LogFormat::decodeInto(t.table, QByteArray("t\n\"a\0b\t\"\n", 9));
        EXPECT_EQ(t.table.cell(0, 0), units({u'a', char16_t(0), u'b'}));
        EXPECT_EQ(t.table.rowCount(), DayTable::RowCount);
    }
    EXPECT_LT(timer.elapsed(), 10000);
}
