// SPDX-License-Identifier: GPL-3.0-or-later
// The logger without a window on the simulator's line, ticking on its own
// one-second timer and reading a fake clock; then its newest file opened in
// the real window and saved by hand.

#include "common/TestTranslation.h"
#include "window/WindowTestSupport.h"

#include "cli/HeadlessLogger.h"
#include "logfile/AutoSave.h"
#include "logfile/LogFormat.h"
#include "measure/MeasurementSession.h"

#include <QDir>

#include <cstdio>
#include <ctime>

using namespace apptest;

namespace
{

// The process's local time zone for one test.
class ScopedTimeZone
{
public:
    explicit ScopedTimeZone(const char *zone) : m_before(qgetenv("TZ")), m_had(qEnvironmentVariableIsSet("TZ"))
    {
        qputenv("TZ", zone);
        ::tzset();
    }
    ~ScopedTimeZone()
    {
        m_had ? qputenv("TZ", m_before) : qunsetenv("TZ");
        ::tzset();
    }

private:
    QByteArray m_before;
    bool m_had;
};

class HeadlessTest : public WindowTest
{
protected:
    // A logger whose two outputs are files of the test's folder.
    std::unique_ptr<HeadlessLogger> makeLogger(
        const QString &port, const QString &data, const QString &openFile = {},
        const std::function<void(HeadlessLogger::Options &)> &adjust = {})
    {
        closeOutputs();
        TestTranslation::removeJapanese(); // the program's headless start installs none
        qputenv("XDG_STATE_HOME", QFile::encodeName(stateFolder())); // the recovery copy's
        out = std::fopen(QFile::encodeName(tempPath(QStringLiteral("out.txt"))), "w");
        err = std::fopen(QFile::encodeName(tempPath(QStringLiteral("err.txt"))), "w");
        HeadlessLogger::Options o;
        o.portName = port;
        o.dataFolder = data;
        o.openFile = openFile;
        o.clock = &clock;
        o.out = out;
        o.err = err;
        if (adjust)
            adjust(o);
        return std::make_unique<HeadlessLogger>(o);
    }
    QStringList outLines() const { return lines(QStringLiteral("out.txt")); }
    QString errText() const
    {
        return QString::fromUtf8(readAll(tempPath(QStringLiteral("err.txt"))));
    }
    QStringList lines(const QString &name) const
    {
        return QString::fromUtf8(readAll(tempPath(name))).split(u'\n', Qt::SkipEmptyParts);
    }
    QString port() { return QString::fromStdString(sim.slavePath()); }

    void send(HeadlessLogger &logger, int n)
    {
        const int before = logger.session()->pulseCounter();
        ASSERT_EQ(sim.run(oneWrite(n)), n);
        ASSERT_TRUE(waitUntil([&] { return logger.session()->pulseCounter() == before + n; }));
    }

    // Sets the clock to a new minute and waits for the logger's own timer
    // to tally it.
    void tallyAt(const QDateTime &t, int linesBefore)
    {
        clock.set(t);
        ASSERT_TRUE(waitUntil([&] { return outLines().size() > linesBefore; }, 3000))
            << errText().toStdString();
    }

    void closeOutputs()
    {
        if (out)
            std::fclose(out);
        if (err)
            std::fclose(err);
        out = err = nullptr;
    }
    void TearDown() override
    {
        WindowTest::TearDown();
        closeOutputs();
        TestTranslation::installJapanese();
    }

    std::FILE *out = nullptr;
    std::FILE *err = nullptr;
};

TEST_F(HeadlessTest, LogsEveryMinuteAsTheWindowDoesAndContinuesALog)
{
    const ScopedTimeZone tokyo("Asia/Tokyo");
    ASSERT_TRUE(sim.openPty()) << sim.error();
    const QString data = tempPath(QStringLiteral("data/gm"));
    clock.set(at(10, 20, 55));
    auto logger = makeLogger(port(), data);
    ASSERT_TRUE(logger->start()) << errText().toStdString();
    EXPECT_TRUE(QFileInfo(data).isDir());
    EXPECT_TRUE(errText().contains(QStringLiteral("Com Port ") + port() + QStringLiteral(" Open")));

    send(*logger, 7);
    tallyAt(at(10, 21, 0), 0);
    send(*logger, 5);
    tallyAt(at(10, 22, 0), 1);
    const QString first = AutoSave::filePath(data, at(10, 21, 0));
    const QString second = AutoSave::filePath(data, at(10, 22, 0));
    EXPECT_EQ(outLines(), (QStringList{QStringLiteral("2026-12-07T10:21+09:00\t7\t") + first,
                                       QStringLiteral("2026-12-07T10:22+09:00\t5\t") + second}));
    settle(1200); // another second: the same minute makes no second line
    EXPECT_EQ(outLines().size(), 2);

    // Stopping tallies nothing: the running minute's pulses are only told.
    send(*logger, 3);
    logger->stop();
    EXPECT_FALSE(logger->session()->measuring());
    EXPECT_TRUE(
        errText().contains(QStringLiteral(" Close\n3 pulses of the running minute not stored\n")))
        << errText().toStdString();
    EXPECT_EQ(QDir(AutoSave::dayFolder(data, at(10, 22, 0))).entryList(QDir::Files).size(), 2);
    EXPECT_EQ(outLines().size(), 2);
    logger.reset();

    // Continuing the newest file: its counts stay in every file written.
    clock.set(at(10, 30, 58));
    logger = makeLogger(port(), data, second);
    ASSERT_TRUE(logger->start()) << errText().toStdString();
    send(*logger, 4);
    tallyAt(at(10, 31, 0), 0);
    const DayTable &t = *logger->table();
    EXPECT_EQ(t.cell(1, 0), QStringLiteral("12/07"));
    EXPECT_EQ(t.cell(1, TimeText::rowOf(QTime(10, 21))), QStringLiteral("7"));
    EXPECT_EQ(t.cell(1, TimeText::rowOf(QTime(10, 22))), QStringLiteral("5"));
    EXPECT_EQ(t.cell(1, TimeText::rowOf(QTime(10, 31))), QStringLiteral("4"));
    EXPECT_EQ(outLines(), QStringList{QStringLiteral("2026-12-07T10:31+09:00\t4\t") +
                                      AutoSave::filePath(data, at(10, 31, 0))});
    logger.reset();

    // The window opens the logger's file and saves it by hand: the same
    // bytes but for the title line.
    portList = QStringList{};
    build();
    prompts.openNames = {second};
    form->Button_OPENClick();
    const QString byHand = tempPath(QStringLiteral("by hand.CSV"));
    prompts.saveNames = {byHand};
    form->button_SAVEClick();
    EXPECT_TRUE(prompts.errors().isEmpty()) << prompts.errors().join(u'\n').toStdString();
    const QByteArray logged = readAll(second);
    const QByteArray saved = readAll(byHand);
    ASSERT_FALSE(logged.isEmpty());
    const qsizetype loggedTitle = logged.indexOf("\r\n");
    const qsizetype savedTitle = saved.indexOf("\r\n");
    EXPECT_EQ(logged.left(loggedTitle), LogFormat::titleLine(LogTitle::AutoSave));
    EXPECT_EQ(saved.left(savedTitle), LogFormat::titleLine(LogTitle::Manual));
    EXPECT_EQ(saved.mid(savedTitle), logged.mid(loggedTitle));
}

// The night the clocks go back, 01:00 comes twice: the file's cell sums both
// passes, while each line tells its own pass, its count and its offset.
TEST_F(HeadlessTest, ARepeatedMinuteGetsALineOfItsOwnPerPass)
{
    const ScopedTimeZone newYork("America/New_York");
    const auto utc = [](int h, int m, int s) {
        return QDateTime(QDate(2026, 11, 1), QTime(h, m, s), Qt::UTC).toLocalTime();
    };
    ASSERT_TRUE(sim.openPty()) << sim.error();
    const QString data = tempPath(QStringLiteral("data"));
    clock.set(utc(4, 59, 55));
    auto logger = makeLogger(port(), data);
    ASSERT_TRUE(logger->start()) << errText().toStdString();
    send(*logger, 3);
    tallyAt(utc(5, 0, 0), 0);
    send(*logger, 2);
    tallyAt(utc(5, 59, 0), 1);
    send(*logger, 4);
    tallyAt(utc(6, 0, 0), 2); // 01:00 again, now standard time

    const QString file = AutoSave::filePath(data, utc(6, 0, 0));
    const QStringList out = outLines();
    ASSERT_EQ(out.size(), 3);
    EXPECT_EQ(out[0], QStringLiteral("2026-11-01T01:00-04:00\t3\t") + file);
    EXPECT_TRUE(out[1].startsWith(QStringLiteral("2026-11-01T01:59-04:00\t2\t")));
    EXPECT_EQ(out[2], QStringLiteral("2026-11-01T01:00-05:00\t4\t") + file);
    EXPECT_EQ(logger->table()->cell(1, TimeText::rowOf(QTime(1, 0))), QStringLiteral("7"));
    // One language on standard error, the session's own lines included.
    const QString err = errText();
    EXPECT_TRUE(err.contains(QStringLiteral("  the tally of 1:59:00 holds the counts of 59 minutes\n")))
        << err.toStdString();
    EXPECT_FALSE(err.contains(QRegularExpression(QStringLiteral("[\\x{3040}-\\x{30ff}\\x{4e00}-\\x{9fff}]"))))
        << err.toStdString();
}

TEST_F(HeadlessTest, WithAFactorAddsTheMeanAndDoseRateAndReportsTheAlarm)
{
    const ScopedTimeZone tokyo("Asia/Tokyo");
    ASSERT_TRUE(sim.openPty()) << sim.error();
    const QString data = tempPath(QStringLiteral("data"));
    clock.set(at(10, 20, 55));
    auto logger = makeLogger(port(), data, {}, [](HeadlessLogger::Options &o) {
        o.factor = 100.0;
        o.alarmCpm = 5.0;
        o.alarmMinutes = 1;
    });
    ASSERT_TRUE(logger->start()) << errText().toStdString();
    send(*logger, 7);
    tallyAt(at(10, 21, 0), 0);
    EXPECT_EQ(outLines(), QStringList{QStringLiteral("2026-12-07T10:21+09:00\t7\t") +
                                      AutoSave::filePath(data, at(10, 21, 0)) +
                                      QStringLiteral("\t7.0\t0.0700")});
    EXPECT_TRUE(errText().contains(QStringLiteral(
        "alarm: 1-minute mean 7.0 cpm reached the threshold 5 cpm (0.0700 µSv/h)\n")))
        << errText().toStdString();
}

TEST_F(HeadlessTest, RefusesToStartWithoutItsPortDataFolderOrLog)
{
    ASSERT_TRUE(sim.openPty()) << sim.error();
    const QString data = tempPath(QStringLiteral("data"));

    auto logger = makeLogger(tempPath(QStringLiteral("missing")), data);
    EXPECT_FALSE(logger->start());
    EXPECT_TRUE(errText().contains(QStringLiteral("error: cannot open the port ")));
    EXPECT_FALSE(logger->session()->measuring());
    EXPECT_FALSE(QFileInfo::exists(data)) << "no data folder for a port that failed";

    ASSERT_TRUE(writeFile(tempPath(QStringLiteral("file")), "x"));
    logger = makeLogger(port(), tempPath(QStringLiteral("file/data")));
    EXPECT_FALSE(logger->start());
    EXPECT_TRUE(errText().contains(QStringLiteral("error: cannot make or write the data folder ")));
    EXPECT_FALSE(logger->session()->measuring());

    logger = makeLogger(port(), data, tempPath(QStringLiteral("missing.CSV")));
    EXPECT_FALSE(logger->start());
    EXPECT_TRUE(errText().contains(QStringLiteral("error: no log file ")));
    EXPECT_FALSE(logger->session()->measuring());

    // None of them left the port held: a logger with sound options opens it.
    logger = makeLogger(port(), data);
    EXPECT_TRUE(logger->start()) << errText().toStdString();
    EXPECT_TRUE(outLines().isEmpty());
}

} // namespace
