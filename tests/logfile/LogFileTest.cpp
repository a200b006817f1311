// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"
#include "common/TestTranslation.h"

#include "core/DayTable.h"
#include "logfile/AutoSave.h"
#include "logfile/ColumnDates.h"
#include "logfile/FileError.h"
#include "logfile/LogFile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>

namespace
{

const QByteArray AutoSaveTitle("1\x95\xaa\x82\xa8\x82\xab\x82\xc9\x8f\x57\x8c\x76\x82\xb5\x82\xbd"
                           "\x83\x70\x83\x8b\x83\x58\x8f\x57\x8c\x76\x83\x66\x81\x5b\x83\x5e");

const QString AccessDenied = QStringLiteral("ファイルへのアクセスが拒否されました");
const QString DiskFull = QStringLiteral("ディスクがいっぱいです");

void fill(DayTable &t, int columns, const QString &value)
{
    t.fillTimeColumn();
    t.growTo(columns);
    for (int c = 1; c < columns; ++c)
        for (int r = 1; r < DayTable::RowCount; ++r)
            t.setCell(c, r, value);
}

} // namespace

TEST(FileError, Texts)
{
    EXPECT_EQ(FileError::text(EACCES), AccessDenied);
    EXPECT_EQ(FileError::text(EPERM), AccessDenied);
    EXPECT_EQ(FileError::text(EROFS), AccessDenied);
    EXPECT_EQ(FileError::text(ENOSPC), DiskFull);
    EXPECT_EQ(FileError::text(EDQUOT), DiskFull);
    EXPECT_EQ(FileError::text(EIO), QStringLiteral("I/O エラー (5)"));
    // The logger without a window tells them in English.
    TestTranslation::removeJapanese();
    EXPECT_EQ(FileError::text(ENOSPC), QStringLiteral("the disk is full"));
    EXPECT_EQ(FileError::text(EIO), QStringLiteral("I/O error (5)"));
    TestTranslation::installJapanese();
}

TEST(LogFile, ForceCsvExtension)
{
    EXPECT_EQ(LogFile::forceCsvExtension(QStringLiteral("/d/day1")), QStringLiteral("/d/day1.CSV"));
    EXPECT_EQ(LogFile::forceCsvExtension(QStringLiteral("/d/data.txt")),
              QStringLiteral("/d/data.CSV"));
    EXPECT_EQ(LogFile::forceCsvExtension(QStringLiteral("/d/data.csv")),
              QStringLiteral("/d/data.CSV"));
    EXPECT_EQ(LogFile::forceCsvExtension(QStringLiteral("/d/old.txt")),
              QStringLiteral("/d/old.CSV"));
    EXPECT_EQ(LogFile::forceCsvExtension(QStringLiteral("/d/a.b.c")), QStringLiteral("/d/a.b.CSV"));
    EXPECT_EQ(LogFile::forceCsvExtension(QStringLiteral("/v1.2/data")),
              QStringLiteral("/v1.2/data.CSV"));
    EXPECT_EQ(LogFile::forceCsvExtension(QStringLiteral("x.y\\data")),
              QStringLiteral("x.y\\data.CSV"));
    EXPECT_EQ(LogFile::forceCsvExtension(QStringLiteral("x.y:data")),
              QStringLiteral("x.y:data.CSV"));
}

TEST(LogFile, SaveThenLoadThroughTheDisk)
{
    QTemporaryDir dir;
    DayTable written;
    fill(written, 12, QStringLiteral("42"));
    written.setCell(1, 0, QStringLiteral("09/18"));
    written.setCell(2, 0, QStringLiteral("09/17"));
    const QString path = dir.filePath(QStringLiteral("day1.CSV"));
    ASSERT_EQ(LogFile::save(path, written, LogTitle::Manual), QString());
    ASSERT_EQ(LogFile::save(path, written, LogTitle::Manual), QString()); // over the old one
    EXPECT_EQ(entries(dir.path()), QStringList{QStringLiteral("day1.CSV")});

    // A replaced file keeps its permissions, and a link stays a link.
    ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
    const QString link = dir.filePath(QStringLiteral("link.CSV"));
    ASSERT_TRUE(QFile::link(path, link));
    ASSERT_EQ(LogFile::save(link, written, LogTitle::AutoSave), QString());
    EXPECT_EQ(QFile::permissions(path),
              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_TRUE(readAll(path).startsWith(AutoSaveTitle));
    ASSERT_TRUE(QFile::remove(link));

    DayTable read;
    read.fillTimeColumn();
    const LogFile::LoadResult result = LogFile::load(path, read, QDate(2011, 9, 20));
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    ASSERT_EQ(read.colCount(), 12);
    for (int c = 0; c < 12; ++c)
        for (int r = 0; r < DayTable::RowCount; ++r)
            ASSERT_EQ(read.cell(c, r), written.cell(c, r));
    EXPECT_EQ(read.columnDate(1), QDate(2011, 9, 18));
    EXPECT_EQ(read.columnDate(2), QDate(2011, 9, 17));
    EXPECT_FALSE(read.columnDate(3).isValid());
}

TEST(LogFile, FailedSaveKeepsTheOldFileAndLeavesNothingBehind)
{
    ScratchMount small("size=16k");
    if (!small.ok())
        GTEST_SKIP() << "cannot mount a tmpfs here";
    const QString path = small.path() + QStringLiteral("/keep.CSV");
    ASSERT_TRUE(writeFile(path, "old contents\r\n"));
    DayTable big;
    fill(big, 10, QStringLiteral("12345")); // far more than 16 KiB
    EXPECT_EQ(LogFile::save(path, big, LogTitle::Manual), DiskFull);
    EXPECT_EQ(readAll(path), QByteArray("old contents\r\n"));
    EXPECT_EQ(entries(small.path()), QStringList{QStringLiteral("keep.CSV")});

    QString written;
    const QDateTime t(QDate(2012, 1, 5), QTime(0, 0));
    EXPECT_EQ(AutoSave::save(small.path(), t, big, &written), DiskFull);
    EXPECT_EQ(written, AutoSave::filePath(small.path(), t));
    EXPECT_FALSE(QFile::exists(written));

    ASSERT_TRUE(small.setReadOnly(true));
    DayTable tiny;
    EXPECT_EQ(LogFile::save(path, tiny, LogTitle::Manual), AccessDenied);
    EXPECT_EQ(readAll(path), QByteArray("old contents\r\n"));
}

TEST(LogFile, SaveIntoAFolderThatCannotBe)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("plain"));
    ASSERT_TRUE(writeFile(file, "x"));
    DayTable t;
    EXPECT_EQ(LogFile::save(file + QStringLiteral("/a.CSV"), t, LogTitle::Manual),
              QStringLiteral("I/O エラー (%1)").arg(ENOTDIR));
    EXPECT_EQ(AutoSave::save(file, QDateTime(QDate(2012, 1, 5), QTime(0, 0)), t),
              QStringLiteral("I/O エラー (%1)").arg(ENOTDIR));

    // A read-only file in a writable folder is not replaced, by root either.
    ASSERT_TRUE(QFile::setPermissions(file, QFile::ReadOwner | QFile::ReadGroup));
    EXPECT_EQ(LogFile::save(file, t, LogTitle::Manual), AccessDenied);
    EXPECT_EQ(readAll(file), QByteArray("x"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
              QStringList{QStringLiteral("plain")});
}

TEST(LogFile, LoadCopiesUnderANameOfItsOwn)
{
    // A file of the chosen name already waits in the temporary folder; it is
    // neither read nor removed, and the chosen file stays in place.
    QTemporaryDir dir;
    const QString name = QStringLiteral("clash-%1.CSV").arg(QCoreApplication::applicationPid());
    const QString chosen = dir.filePath(name);
    const QString stranger = QDir::temp().filePath(name);
    ASSERT_TRUE(writeFile(chosen, "t\r\n\"mine\t\"\r\n"));
    ASSERT_TRUE(writeFile(stranger, "t\r\n\"stranger\t\"\r\n"));
    const QStringList tempBefore = entries(QDir::tempPath());

    DayTable t;
    ASSERT_TRUE(LogFile::load(chosen, t, QDate(2012, 1, 5)).ok);
    EXPECT_EQ(t.cell(0, 0), QStringLiteral("mine"));
    EXPECT_EQ(readAll(stranger), QByteArray("t\r\n\"stranger\t\"\r\n"));
    EXPECT_EQ(readAll(chosen), QByteArray("t\r\n\"mine\t\"\r\n"));

    // The chosen file is the one in the temporary folder itself.
    ASSERT_TRUE(LogFile::load(stranger, t, QDate(2012, 1, 5)).ok);
    EXPECT_EQ(t.cell(0, 0), QStringLiteral("stranger"));
    EXPECT_TRUE(QFile::exists(stranger));
    EXPECT_EQ(entries(QDir::tempPath()), tempBefore); // no copy left behind
    QFile::remove(stranger);
}

TEST(LogFile, LoadFailuresLeaveTheTableAndReportClearly)
{
    QTemporaryDir dir;
    DayTable t;
    t.fillTimeColumn();
    const QDate today(2012, 1, 5);

    LogFile::LoadResult r = LogFile::load(dir.filePath(QStringLiteral("gone.CSV")), t, today);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, QStringLiteral("I/O エラー (%1)").arg(ENOENT));

    r = LogFile::load(dir.path(), t, today);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, QStringLiteral("I/O エラー (%1)").arg(EISDIR));

    r = LogFile::load(QStringLiteral("/dev/zero"), t, today); // would never end
    EXPECT_FALSE(r.ok);

    const QString sparse = dir.filePath(QStringLiteral("huge.CSV"));
    {
        QFile f(sparse);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(LogFile::MaxFileBytes + 1));
    }
    r = LogFile::load(sparse, t, today);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, QStringLiteral("I/O エラー (%1)").arg(EFBIG));

    EXPECT_EQ(t.colCount(), 10);
    EXPECT_EQ(t.cell(0, 0), QStringLiteral("計測時刻"));
    EXPECT_TRUE(t.cell(1, 0).isEmpty());
}

TEST(LogFile, BinaryFilePickedByMistakeLoadsWithoutHarm)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("picture.CSV"));
    QByteArray junk(2 << 20, Qt::Uninitialized);
    for (qsizetype i = 0; i < junk.size(); ++i)
        junk[i] = char((i * 2654435761u) >> 13);
    ASSERT_TRUE(writeFile(path, junk));
    DayTable t;
    EXPECT_TRUE(LogFile::load(path, t, QDate(2012, 1, 5)).ok);
    EXPECT_EQ(t.rowCount(), DayTable::RowCount);

    ASSERT_TRUE(writeFile(path, QByteArray()));
    EXPECT_TRUE(LogFile::load(path, t, QDate(2012, 1, 5)).ok);
}

TEST(AutoSave, Names)
{
    const QDateTime newYear(QDate(2012, 1, 5), QTime(0, 0, 0));
    EXPECT_EQ(AutoSave::dayFolder(QStringLiteral("/gm"), newYear),
              QStringLiteral("/gm/2012年1月5日"));
    EXPECT_EQ(AutoSave::filePath(QStringLiteral("/gm"), newYear),
              QStringLiteral("/gm/2012年1月5日/TORVALE 2012年1月5日0時0分.CSV"));
    const QDateTime afternoon(QDate(2011, 9, 18), QTime(14, 5, 0));
    EXPECT_EQ(AutoSave::filePath(QStringLiteral("/d/log"), afternoon),
              QStringLiteral("/d/log/2011年9月18日/TORVALE 2011年9月18日14時5分.CSV"));
    // Joined as they are.
    EXPECT_EQ(AutoSave::filePath(QStringLiteral("/d/log/"), afternoon),
              QStringLiteral("/d/log//2011年9月18日/TORVALE 2011年9月18日14時5分.CSV"));
    EXPECT_EQ(AutoSave::dayFolder(QString(), afternoon), QStringLiteral("/2011年9月18日"));
    EXPECT_EQ(
        AutoSave::dayFolder(QStringLiteral("/x"), QDateTime(QDate(987, 12, 31), QTime(23, 59))),
        QStringLiteral("/x/0987年12月31日"));
}

TEST(AutoSave, CreatesTheDayFolderAndReplacesTheSameMinute)
{
    QTemporaryDir dir;
    const QString data = dir.filePath(QStringLiteral("deep/er"));
    const QDateTime t(QDate(2012, 1, 5), QTime(0, 0, 0));
    DayTable table;
    table.fillTimeColumn();
    table.setCell(1, 0, QStringLiteral("01/05"));
    table.setCell(1, 1, QStringLiteral("1"));
    QString written;
    ASSERT_EQ(AutoSave::save(data, t, table, &written), QString());
    const QString expected = data + QStringLiteral("/2012年1月5日/TORVALE 2012年1月5日0時0分.CSV");
    EXPECT_EQ(written, expected);
    EXPECT_TRUE(readAll(expected).startsWith(AutoSaveTitle + "\r\n"));

    table.setCell(1, 1, QStringLiteral("2"));
    ASSERT_EQ(AutoSave::save(data, t.addSecs(30), table), QString());
    EXPECT_TRUE(readAll(expected).contains("\"0:00:00\t\",\"2\t\""));
    EXPECT_EQ(entries(data + QStringLiteral("/2012年1月5日")).size(), 1);
}

TEST(ColumnDates, HeadersGetTheirYears)
{
    EXPECT_EQ(ColumnDates::autoSaveDay(QStringLiteral("/a/TORVALE 2012年1月5日0時0分.CSV")),
              QDate(2012, 1, 5));
    EXPECT_FALSE(ColumnDates::autoSaveDay(QStringLiteral("/a/day1.CSV")).isValid());

    const QDate jan5(2012, 1, 5);
    EXPECT_EQ(ColumnDates::latestWithHeader(QStringLiteral("01/05"), jan5), jan5);
    EXPECT_EQ(ColumnDates::latestWithHeader(QStringLiteral("12/31"), jan5), QDate(2011, 12, 31));
    EXPECT_EQ(ColumnDates::latestWithHeader(QStringLiteral("02/29"), jan5), QDate(2008, 2, 29));
    EXPECT_EQ(ColumnDates::latestWithHeader(QStringLiteral("02/29"), QDate(2104, 1, 1)),
              QDate(2096, 2, 29));
    for (const char *bad : {"", "13/01", "04/31", "1/5", "01-05", "０１/05", "2012/01/05"})
        EXPECT_FALSE(ColumnDates::latestWithHeader(QString::fromUtf8(bad), jan5).isValid()) << bad;

    // Newest first, one column per day: a header seen twice is two years.
    DayTable t;
    t.growTo(6);
    const char *headers[] = {"01/05", "01/04", "", "junk", "01/05"};
    for (int c = 1; c <= 5; ++c)
        t.setCell(c, 0, QString::fromLatin1(headers[c - 1]));
    t.setColumnDate(3, QDate(2000, 1, 1));
    ColumnDates::resolve(t, QStringLiteral("/x/TORVALE 2012年1月5日23時59分.CSV"),
                         QDate(2020, 6, 1));
    EXPECT_EQ(t.columnDate(1), QDate(2012, 1, 5));
    EXPECT_EQ(t.columnDate(2), QDate(2012, 1, 4));
    EXPECT_FALSE(t.columnDate(3).isValid());
    EXPECT_FALSE(t.columnDate(4).isValid());
    EXPECT_EQ(t.columnDate(5), QDate(2011, 1, 5));

    ColumnDates::resolve(t, QStringLiteral("/x/day.CSV"), QDate(2020, 6, 1));
    EXPECT_EQ(t.columnDate(1), QDate(2020, 1, 5));
}
