// SPDX-License-Identifier: GPL-3.0-or-later
// Measurement with the real window, a real pseudo-terminal fed by the GM
// counter simulator, and a clock the test sets.

#include "WindowTestSupport.h"

#include "graph/GmChartView.h"
#include "logfile/AutoSave.h"
#include "logfile/IniFile.h"
#include "logfile/LogFile.h"
#include "measure/MeasurementSession.h"
#include "window/CounterWindowSection.h"

#include <QLineSeries>

#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimeZone>

#include <map>

#include <ctime>
#include <sys/time.h>
#include <termios.h>
#include <unistd.h>

using namespace apptest;

namespace
{

int rowOf(int h, int m)
{
    return h * 60 + m + 1;
}

class MeasurementTest : public WindowTest
{
protected:
    // A measurement locks the controls that would change its port, folder or
    // table, and holds the port open.
    void expectMeasuring(bool on)
    {
        EXPECT_EQ(form->Button_start->isEnabled(), !on);
        EXPECT_EQ(form->Button_stop->isEnabled(), on);
        EXPECT_EQ(form->button_SAVE->isEnabled(), !on);
        EXPECT_EQ(form->Button_OPEN->isEnabled(), !on);
        EXPECT_EQ(form->CheckBox2->isEnabled(), !on);
        EXPECT_EQ(form->ComboBox1->isEnabled(), !on);
        EXPECT_EQ(form->measuring(), on);
        EXPECT_EQ(form->rs232c1->isOpen(), on);
    }
    QString port() const { return QString::fromStdString(sim.slavePath()); }

    // Pulses through the line, kept in the books.
    void send(int n)
    {
        pulses(n);
        sent += n;
    }
    // Every count in the day columns.
    qint64 storedTotal() const
    {
        qint64 sum = 0;
        int n = 0;
        for (int c = 1; c < form->dayTable()->colCount(); ++c)
            for (int r = 1; r <= DayTable::MinuteRows; ++r)
                if (form->dayTable()->cellCount(c, r, &n))
                    sum += n;
        return sum;
    }
    // No pulse lost or counted twice: the table plus the counter is what came.
    void expectAllPulsesKept() { EXPECT_EQ(storedTotal() + form->pulseCounter(), sent); }
    int stepsBackTold() const { return int(memoText().count(QStringLiteral("に戻りました"))); }

    qint64 sent = 0;
};

TEST_F(MeasurementTest, StartAndStopSwitchTheControlsAndReportThePort)
{
    build();
    expectMeasuring(false);
    ASSERT_EQ(form->ComboBox1->selectedEntry(), port());

    startMeasuring(at(10, 20, 30));
    expectMeasuring(true);
    EXPECT_TRUE(
        memoText().endsWith(QStringLiteral("Com Port ") + port() + QStringLiteral(" Open")));

    form->Button_stopClick();
    expectMeasuring(false);
    EXPECT_TRUE(
        memoText().endsWith(QStringLiteral("Com Port ") + port() + QStringLiteral(" Close")));
    EXPECT_TRUE(prompts.shown.empty());

    // The stopped window can measure again.
    form->Button_startClick();
    expectMeasuring(true);
}

TEST_F(MeasurementTest, EscDuringAMeasurementStops)
{
    build();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    startMeasuring(at(10, 20, 30));
    form->Edit1->setFocus();
    ASSERT_TRUE(waitUntil([&] { return form->Edit1->hasFocus(); }));

    QTest::keyClick(form->Edit1, Qt::Key_Escape);
    expectMeasuring(false);
    EXPECT_TRUE(memoText().endsWith(QStringLiteral(" Close")));
}

TEST_F(MeasurementTest, AFailedStartStaysIdleAndSaysWhichPort)
{
    const QString missing = dir.filePath(QStringLiteral("no-such-tty"));
    portList = QStringList{missing};
    build();
    form->ComboBox1->setCurrentIndex(0);
    form->Button_startClick();

    expectMeasuring(false);
    EXPECT_TRUE(
        memoText().endsWith(QStringLiteral("Com Port ") + missing + QStringLiteral(" Not Open")));
    ASSERT_EQ(prompts.shown.size(), 2u);
    EXPECT_EQ(prompts.shown[0].kind, QStringLiteral("beep"));
    EXPECT_EQ(prompts.shown[1].kind, QStringLiteral("message"));
    EXPECT_EQ(prompts.shown[1].title, QStringLiteral("TORVALE"));
    EXPECT_EQ(prompts.shown[1].text, QStringLiteral("Com Port Open Error"));
}

TEST_F(MeasurementTest, APortRefusedForLackOfPermissionSaysHowToGetIt)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root may open any port";
    const QString locked = dir.filePath(QStringLiteral("ttyLocked"));
    ASSERT_TRUE(writeFile(locked, ""));
    ASSERT_TRUE(QFile::setPermissions(locked, QFileDevice::Permissions()));
    portList = QStringList{locked};
    build();
    form->ComboBox1->setCurrentIndex(0);
    form->Button_startClick();

    expectMeasuring(false);
    EXPECT_TRUE(memoText().contains(QStringLiteral(" Not Open\n")));
    EXPECT_TRUE(memoText().endsWith(QStringLiteral("「chmod u+rw ") + locked +
                                    QStringLiteral("」で所有者に読み書きを許してください")))
        << memoText().toStdString();
    ASSERT_EQ(prompts.shown.size(), 2u);
    EXPECT_EQ(prompts.shown[1].text, QStringLiteral("Com Port Open Error"));
}

TEST_F(MeasurementTest, NoSelectedPortTriesAnEmptyName)
{
    build();
    form->ComboBox1->setCurrentIndex(-1);
    form->ComboBox1->setEditText(port()); // typed text is not an entry
    form->Button_startClick();

    expectMeasuring(false);
    EXPECT_TRUE(memoText().endsWith(QStringLiteral("Com Port  Not Open")));
}

TEST_F(MeasurementTest, TheFolderQuestionGuardsTheStart)
{
    build();
    const QString folder = dir.filePath(QStringLiteral("data/a/b"));
    form->CheckBox2->setChecked(true);
    form->Edit1->setText(folder);

    // Cancel: nothing changes.
    form->Button_startClick();
    ASSERT_EQ(prompts.shown.size(), 1u);
    const auto &q = prompts.shown[0];
    EXPECT_EQ(q.kind, QStringLiteral("confirm"));
    EXPECT_EQ(q.title, QString());
    EXPECT_EQ(q.text,
              folder + u'\r' + QStringLiteral(" は存在しません。このディレクトリを作りますか？"));
    EXPECT_TRUE(q.cancelIsDefault);
    EXPECT_FALSE(QFileInfo::exists(folder));
    EXPECT_TRUE(memoText().isEmpty());
    expectMeasuring(false);

    // OK: the folder is made with its parents and the measurement starts.
    prompts.confirmAnswers = {true};
    form->Button_startClick();
    EXPECT_TRUE(QFileInfo(folder).isDir());
    expectMeasuring(true);
    form->Button_stopClick();

    // Present now: no question.
    prompts.shown.clear();
    form->Button_startClick();
    EXPECT_TRUE(prompts.shown.empty());
    expectMeasuring(true);
}

TEST_F(MeasurementTest, ADataFolderThatCannotTakeFilesRefusesTheStart)
{
    build();
    form->CheckBox2->setChecked(true);
    form->Edit1->clear();
    prompts.confirmAnswers = {true};
    form->Button_startClick();

    EXPECT_EQ(prompts.errors(), QStringList{QStringLiteral("ディレクトリを作成できません")});
    expectMeasuring(false);
    EXPECT_FALSE(memoText().contains(QStringLiteral("Com Port")));

    // A folder below a file, or one that takes no files: refused as the
    // headless logger refuses it, not left for every tally to fail.
    ASSERT_TRUE(writeFile(tempPath(QStringLiteral("plain")), "x"));
    form->Edit1->setText(tempPath(QStringLiteral("plain/data")));
    prompts.confirmAnswers = {true};
    form->Button_startClick();
    EXPECT_EQ(prompts.errors().size(), 2);
    EXPECT_EQ(prompts.errors().last(), QStringLiteral("ディレクトリを作成できません"));
    expectMeasuring(false);
    if (geteuid() != 0) {
        const QString readOnly = tempPath(QStringLiteral("readonly"));
        ASSERT_TRUE(QDir().mkpath(readOnly));
        ASSERT_TRUE(QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::ExeOwner));
        form->Edit1->setText(readOnly);
        form->Button_startClick();
        EXPECT_EQ(prompts.errors().last(), readOnly + QStringLiteral(" に書き込めません"));
        expectMeasuring(false);
    }
    EXPECT_FALSE(memoText().contains(QStringLiteral("Com Port")));
}

TEST_F(MeasurementTest, PulsesBetweenTwoTalliesLandInTheMinuteRow)
{
    build();
    startMeasuring(at(10, 20, 30));
    pulses(5);
    EXPECT_EQ(form->Label1->text(), QStringLiteral("カウント数 5"));
    EXPECT_EQ(memoText().count(QStringLiteral("  受信 *")), 5);

    tick(at(10, 20, 59));
    EXPECT_EQ(form->pulseCounter(), 5); // no tally within the minute

    // The first tally inserts today's column.
    tick(at(10, 21, 0));
    EXPECT_EQ(form->dayTable()->colCount(), 11);
    EXPECT_EQ(cell(1, 0), QStringLiteral("12/07"));
    EXPECT_EQ(form->dayTable()->columnDate(1), QDate(2026, 12, 7));
    EXPECT_EQ(cell(1, rowOf(10, 21)), QStringLiteral("5"));
    EXPECT_EQ(form->pulseCounter(), 0);
    EXPECT_EQ(form->Label1->text(), QStringLiteral("カウント数 0"));
    EXPECT_EQ(form->lastTallyRow(), rowOf(10, 21));
    EXPECT_EQ(form->StringGrid1->currentCol(), 1);
    EXPECT_EQ(form->StringGrid1->currentRow(), rowOf(10, 21));
    // Nobody sees the chart of a window not shown: it is drawn when shown.
    EXPECT_TRUE(form->chartStale());
    EXPECT_EQ(form->Chart1->series(0)->count(), 0);
    form->show();
    EXPECT_FALSE(form->chartStale());
    EXPECT_EQ(form->Chart1->series(0)->count(), 1);

    pulses(3);
    tick(at(10, 22, 0));
    EXPECT_EQ(form->dayTable()->colCount(), 11); // same day, same column
    EXPECT_EQ(cell(1, rowOf(10, 22)), QStringLiteral("3"));
    EXPECT_EQ(cell(1, rowOf(10, 21)), QStringLiteral("5"));
    EXPECT_EQ(cell(2, rowOf(10, 22)), QString());
}

TEST_F(MeasurementTest, ABurstInOneEventIsCountedWhole)
{
    build();
    startMeasuring(at(10, 20, 30));
    form->Memo1->setMaximumBlockCount(0); // keep every line for the count below
    pulses(1500);
    EXPECT_EQ(memoText().count(QStringLiteral("  受信 *")), 1500);
    tick(at(10, 21, 0));
    EXPECT_EQ(cell(1, rowOf(10, 21)), QStringLiteral("1500"));
}

TEST_F(MeasurementTest, NonPrintableBytesAreShownAsHex)
{
    build();
    startMeasuring(at(10, 20, 30));
    GmSimulator::Options o = oneWrite(1);
    o.pulseByte = '\n';
    ASSERT_EQ(sim.run(o), 1);
    ASSERT_TRUE(waitUntil([&] { return form->pulseCounter() == 1; }));
    EXPECT_TRUE(memoText().endsWith(QStringLiteral("  受信 <0A>")));
}

TEST_F(MeasurementTest, ALateTickStillTalliesItsMinuteAndOnlyOnce)
{
    build();
    startMeasuring(at(10, 20, 30));
    tick(at(10, 20, 59));
    pulses(4);
    tick(at(10, 21, 1)); // the ":00" second passed without a tick
    EXPECT_EQ(cell(1, rowOf(10, 21)), QStringLiteral("4"));

    pulses(2);
    tick(at(10, 21, 1)); // a second tick in the same minute
    tick(at(10, 21, 2));
    EXPECT_EQ(cell(1, rowOf(10, 21)), QStringLiteral("4"));
    EXPECT_EQ(form->pulseCounter(), 2);
    tick(at(10, 22, 0));
    EXPECT_EQ(cell(1, rowOf(10, 22)), QStringLiteral("2"));
}

TEST_F(MeasurementTest, TicksWhileIdleOnlyShowTheTime)
{
    build();
    tick(at(12, 33, 59));
    tick(at(12, 34, 0));
    EXPECT_EQ(form->Label_clock->text(), QStringLiteral("現在は 2026/12/07 12:34:00"));
    EXPECT_EQ(form->dayTable()->colCount(), 10);
    EXPECT_EQ(cell(1, rowOf(12, 34)), QString());
}

TEST_F(MeasurementTest, MidnightStartsANewDayColumn)
{
    build();
    startMeasuring(at(23, 58, 30));
    pulses(1);
    tick(at(23, 59, 0));
    pulses(6);
    tick(at(0, 0, 0, QDate(2026, 12, 8)));

    EXPECT_EQ(form->dayTable()->colCount(), 12);
    EXPECT_EQ(cell(1, 0), QStringLiteral("12/08"));
    EXPECT_EQ(cell(1, 1), QStringLiteral("6"));
    EXPECT_EQ(cell(2, 0), QStringLiteral("12/07"));
    EXPECT_EQ(cell(2, rowOf(23, 59)), QStringLiteral("1"));
    EXPECT_EQ(cell(2, 1), QString());
}

TEST_F(MeasurementTest, StopKeepsTheUncountedPulsesForTheNextMeasurement)
{
    build();
    startMeasuring(at(10, 20, 10));
    pulses(7);
    form->Button_stopClick();
    EXPECT_EQ(form->pulseCounter(), 7);

    tick(at(10, 21, 0)); // idle: no tally
    EXPECT_EQ(form->dayTable()->colCount(), 10);
    EXPECT_EQ(form->pulseCounter(), 7);

    startMeasuring(at(10, 25, 30));
    pulses(2);
    tick(at(10, 26, 0));
    EXPECT_EQ(cell(1, rowOf(10, 26)), QStringLiteral("9"));
}

TEST_F(MeasurementTest, TheRowFollowsTheClockNotTheTimeTexts)
{
    build();
    // A loaded file may hold time texts of another format and anything in the
    // header row.
    for (int r = 1; r <= DayTable::MinuteRows; ++r)
        form->dayTable()->setCell(0, r, QStringLiteral("%1").arg(r));
    startMeasuring(at(10, 20, 30));
    pulses(3);
    tick(at(10, 21, 0));
    EXPECT_EQ(cell(1, rowOf(10, 21)), QStringLiteral("3"));
    EXPECT_EQ(cell(1, 0), QStringLiteral("12/07"));
    EXPECT_EQ(cell(0, 0), QStringLiteral("計測時刻"));
    EXPECT_EQ(form->lastTallyRow(), rowOf(10, 21));
}

TEST_F(MeasurementTest, TodaysHeaderOfAnEarlierYearGetsANewColumn)
{
    build();
    DayTable *t = form->dayTable();
    t->setCell(1, 0, QStringLiteral("12/07"));
    t->setColumnDate(1, QDate(2025, 12, 7));
    t->setCell(1, rowOf(10, 21), QStringLiteral("42"));

    startMeasuring(at(10, 20, 30));
    pulses(1);
    tick(at(10, 21, 0));
    EXPECT_EQ(t->colCount(), 11);
    EXPECT_EQ(cell(1, 0), QStringLiteral("12/07"));
    EXPECT_EQ(t->columnDate(1), QDate(2026, 12, 7));
    EXPECT_EQ(cell(1, rowOf(10, 21)), QStringLiteral("1"));
    EXPECT_EQ(cell(2, rowOf(10, 21)), QStringLiteral("42"));
    EXPECT_EQ(t->columnDate(2), QDate(2025, 12, 7));
}

TEST_F(MeasurementTest, AFailingGraphCellCostsTheMinuteNothingAndIsReportedOnce)
{
    build();
    const QString data = dir.filePath(QStringLiteral("data"));
    ASSERT_TRUE(QDir().mkpath(data));
    form->Edit1->setText(data);
    form->CheckBox2->setChecked(true);
    form->dayTable()->setCell(3, 100, QStringLiteral("abc"));

    startMeasuring(at(10, 20, 30));
    pulses(2);
    tick(at(10, 21, 0));
    // Column 3 moved to 4 with the inserted column; still within the graph.
    EXPECT_EQ(cell(4, 100), QStringLiteral("abc"));
    EXPECT_EQ(cell(1, rowOf(10, 21)), QStringLiteral("2"));
    EXPECT_EQ(form->pulseCounter(), 0);
    EXPECT_EQ(form->StringGrid1->currentRow(), rowOf(10, 21));
    const QString saved = AutoSave::filePath(data, at(10, 21, 0));
    EXPECT_TRUE(QFileInfo::exists(saved)) << saved.toStdString();
    EXPECT_EQ(form->windowTitle(), saved);
    ASSERT_EQ(prompts.errors().size(), 1);
    EXPECT_TRUE(prompts.errors()[0].contains(QStringLiteral("abc")));

    // The same cell next minute: stored and saved, not reported again.
    pulses(1);
    tick(at(10, 22, 0));
    EXPECT_EQ(cell(1, rowOf(10, 22)), QStringLiteral("1"));
    EXPECT_TRUE(QFileInfo::exists(AutoSave::filePath(data, at(10, 22, 0))));
    EXPECT_EQ(prompts.errors().size(), 1);

    // Another failing cell is news.
    form->dayTable()->setCell(2, 5, QStringLiteral("x1"));
    tick(at(10, 23, 0));
    ASSERT_EQ(prompts.errors().size(), 2);
    EXPECT_TRUE(prompts.errors()[1].contains(QStringLiteral("x1")));
}

TEST_F(MeasurementTest, ALostDeviceIsToldOnceAndStopStillWorks)
{
    build();
    startMeasuring(at(10, 20, 30));
    pulses(3);
    sim.closeMaster();
    ASSERT_TRUE(waitUntil([&] { return !prompts.errors().isEmpty(); }));
    settle(300);

    EXPECT_EQ(prompts.errors().size(), 1);
    EXPECT_TRUE(prompts.errors()[0].contains(port()));
    EXPECT_TRUE(prompts.errors()[0].endsWith(QStringLiteral("続けます。")));
    EXPECT_TRUE(memoText().contains(QStringLiteral("Com Port ") + port() +
                                    QStringLiteral(" が切断されました")));
    EXPECT_EQ(form->pulseCounter(), 3);

    tick(at(10, 21, 0));
    EXPECT_EQ(cell(1, rowOf(10, 21)), QStringLiteral("3"));
    // Minutes after the loss were not measured: no false zeros.
    tick(at(10, 22, 0));
    tick(at(10, 23, 0));
    EXPECT_EQ(cell(1, rowOf(10, 22)), QString());
    EXPECT_EQ(cell(1, rowOf(10, 23)), QString());

    form->Button_stopClick();
    expectMeasuring(false);
    EXPECT_EQ(prompts.errors().size(), 1);
}

// The adapter is pulled twice, once for minutes and once for seconds inside
// one minute; each time a new line appears behind the same name (a link
// re-pointed, as udev does).  The port is opened again by that name and set
// up as at start, and every pulse received lands in its minute.  Stop during
// an outage leaves nothing running.
TEST_F(MeasurementTest, ALostDeviceIsOpenedAgainByItsNameAndNoPulseIsLost)
{
    const QString link = tempPath(QStringLiteral("ttyGM"));
    ASSERT_TRUE(sim.openPty()) << sim.error();
    ASSERT_TRUE(sim.publish(link.toStdString())) << sim.error();
    portList = QStringList{link};
    build();
    form->ComboBox1->setCurrentIndex(0);
    form->rs232c1->setBps(57600);
    auto *reconnect = form->session()->findChild<QTimer *>(QStringLiteral("reconnect"));
    ASSERT_NE(reconnect, nullptr);
    const auto send = [&](GmSimulator &line, int n) {
        const int before = form->pulseCounter();
        ASSERT_EQ(line.run(oneWrite(n)), n);
        ASSERT_TRUE(waitUntil([&] { return form->pulseCounter() == before + n; }));
    };
    const auto comesBack = [&](GmSimulator &line, const QString &time) {
        ASSERT_TRUE(line.openPty()) << line.error();
        ASSERT_TRUE(line.publish(link.toStdString())) << line.error();
        ASSERT_TRUE(waitUntil([&] { return form->rs232c1->isOpen(); },
                              2 * MeasurementSession::ReconnectIntervalMs + 1000));
        EXPECT_TRUE(memoText().endsWith(QStringLiteral("Com Port ") + link +
                                        QStringLiteral(" に再接続しました (") + time + u')'));
        EXPECT_FALSE(reconnect->isActive());
        EXPECT_EQ(prompts.shown.back().kind, QStringLiteral("withdrawn"));
        EXPECT_EQ(prompts.shown.back().text, prompts.errors().back()) << "the stale box closes";
        termios t{};
        ASSERT_EQ(tcgetattr(line.masterFd(), &t), 0);
        EXPECT_EQ(cfgetospeed(&t), speed_t(B57600)) << "set up again as at start";
    };
    const auto goesAway = [&](GmSimulator &line, int lossesBefore) {
        line.closeMaster();
        ASSERT_TRUE(waitUntil([&] { return prompts.errors().size() > lossesBefore; }));
        EXPECT_FALSE(form->rs232c1->isOpen()) << "released at once, so the name stays free";
        EXPECT_TRUE(reconnect->isActive());
    };

    QList<bool> whole;
    QObject::connect(form->session(), &MeasurementSession::minuteCounted, form.get(),
            [&](const MinuteCount &m) { whole << m.whole; });
    startMeasuring(at(10, 20, 30));
    send(sim, 3);
    tick(at(10, 20, 41));
    goesAway(sim, 0);
    EXPECT_TRUE(memoText().endsWith(QStringLiteral("Com Port ") + link +
                                    QStringLiteral(" が切断されました (10:20:41)")));
    tick(at(10, 21, 0));
    tick(at(10, 22, 0));
    GmSimulator second;
    comesBack(second, QStringLiteral("10:22:00"));
    send(second, 5);
    tick(at(10, 23, 0));

    // Gone and back inside the minute: one tally takes both sides.
    send(second, 2);
    tick(at(10, 23, 20));
    goesAway(second, 1);
    GmSimulator third;
    comesBack(third, QStringLiteral("10:23:20"));
    send(third, 4);
    tick(at(10, 24, 0));
    tick(at(10, 25, 0));

    EXPECT_EQ(cell(1, rowOf(10, 21)), QStringLiteral("3"));
    EXPECT_EQ(cell(1, rowOf(10, 22)), QString()) << "not measured: no false zero";
    EXPECT_EQ(cell(1, rowOf(10, 23)), QStringLiteral("5"));
    EXPECT_EQ(cell(1, rowOf(10, 24)), QStringLiteral("6"));
    EXPECT_EQ(cell(1, rowOf(10, 25)), QStringLiteral("0"));
    EXPECT_EQ(prompts.errors().size(), 2) << "one report per loss";
    // Only 10:25 was measured whole: the means and the maps leave the rest out.
    EXPECT_EQ(whole, QList<bool>({false, false, false, true}));

    goesAway(third, 2);
    form->Button_stopClick();
    expectMeasuring(false);
    EXPECT_FALSE(reconnect->isActive());
}

// A window that ends without saving (destroyed with nothing written, as a
// crash leaves it) has its tallied minutes in the recovery copy, and the
// next window offers them before it opens a command-line file.  Yes loads
// them and keeps the copy until a save holds them; No gives the copy up; an
// auto-save settles it at the tally.
TEST_F(MeasurementTest, UnsavedMinutesAreOfferedAtTheNextStart)
{
    const QString copy = stateFolder() + QStringLiteral("/torvale/recovery.CSV");
    const auto offers = [&] { return prompts.texts(QStringLiteral("yesno")).size(); };
    build();
    startMeasuring(at(10, 20, 30));
    pulses(3);
    tick(at(10, 21, 0));
    pulses(2);
    tick(at(10, 22, 0));
    ASSERT_TRUE(QFileInfo::exists(copy));
    form.reset();

    prompts.yesNoAnswers = {true};
    arguments = {tempPath(QStringLiteral("missing.CSV"))};
    build();
    ASSERT_EQ(offers(), 1);
    EXPECT_EQ(prompts.shown[0].kind, QStringLiteral("yesno")) << "before the command-line file";
    EXPECT_TRUE(prompts.shown[0].text.startsWith(
        QStringLiteral("前回の計測データが保存されていません。復元しますか？")));
    EXPECT_EQ(cell(1, rowOf(10, 21)), QStringLiteral("3"));
    EXPECT_EQ(cell(1, rowOf(10, 22)), QStringLiteral("2"));
    EXPECT_EQ(form->dayTable()->columnDate(1), QDate(2026, 12, 7));
    EXPECT_TRUE(QFileInfo::exists(copy));
    prompts.saveNames = {tempPath(QStringLiteral("saved.CSV"))};
    form->button_SAVEClick();
    EXPECT_FALSE(QFileInfo::exists(copy)) << "the saved file holds every minute";
    form.reset();
    arguments.clear();
    build();
    EXPECT_EQ(offers(), 1);

    const QString data = dir.filePath(QStringLiteral("data"));
    ASSERT_TRUE(QDir().mkpath(data));
    form->Edit1->setText(data);
    form->CheckBox2->setChecked(true);
    startMeasuring(at(10, 30, 30));
    tick(at(10, 31, 0));
    EXPECT_FALSE(QFileInfo::exists(copy)) << "the auto-save holds every minute";
    form->Button_stopClick();
    form->CheckBox2->setChecked(false);
    form->Button_startClick();
    tick(at(10, 32, 0));
    EXPECT_TRUE(QFileInfo::exists(copy));
    form.reset();

    build(); // answered No
    EXPECT_EQ(offers(), 2);
    EXPECT_FALSE(QFileInfo::exists(copy));
    EXPECT_EQ(cell(1, rowOf(10, 21)), QString());
}

// Restored, then a log named on the command line opened: the restored
// minutes are merged into it (a minute both hold keeps the larger count),
// told in the pane, and kept by the next recovery copy.
TEST_F(MeasurementTest, RestoredMinutesStayWhenTheCommandLineOpensALog)
{
    build();
    startMeasuring(at(10, 20, 30));
    pulses(3);
    tick(at(10, 21, 0));
    pulses(2);
    tick(at(10, 22, 0));
    form.reset();
    DayTable old;
    old.fillTimeColumn();
    old.growTo(2);
    old.setCell(1, 0, QStringLiteral("12/07"));
    old.setColumnDate(1, QDate(2026, 12, 7));
    old.setCell(1, rowOf(10, 0), QStringLiteral("9"));
    old.setCell(1, rowOf(10, 21), QStringLiteral("1"));
    const QString oldPath = tempPath(QStringLiteral("TORVALE 2026年12月7日10時5分.CSV"));
    ASSERT_EQ(LogFile::save(oldPath, old, LogTitle::Manual), QString());

    prompts.yesNoAnswers = {true};
    arguments = {oldPath};
    build();
    EXPECT_EQ(cell(1, rowOf(10, 0)), QStringLiteral("9"));
    EXPECT_EQ(cell(1, rowOf(10, 21)), QStringLiteral("3"));
    EXPECT_EQ(cell(1, rowOf(10, 22)), QStringLiteral("2"));
    const QString pane = form->Memo1->toPlainText();
    EXPECT_TRUE(pane.contains(QCoreApplication::translate(
                                  "TForm1", "%n restored minute(s) of the recovery copy added to %1",
                                  nullptr, 1)
                                  .arg(QFileInfo(oldPath).fileName())))
        << pane.toStdString();
    EXPECT_TRUE(pane.contains(QCoreApplication::translate(
        "TForm1", "%n minute(s) held differently by both: the larger count kept", nullptr, 1)))
        << pane.toStdString();
    startMeasuring(at(10, 30, 30));
    tick(at(10, 31, 0));
    ASSERT_TRUE(form->session()->finishWrites());
    DayTable copy;
    ASSERT_TRUE(LogFile::load(stateFolder() + QStringLiteral("/torvale/recovery.CSV"), copy, QDate(2026, 12, 7)).ok);
    EXPECT_EQ(copy.cell(1, rowOf(10, 22)), QStringLiteral("2"));
    EXPECT_EQ(copy.cell(1, rowOf(10, 0)), QStringLiteral("9"));
}

// A killed simulator leaves its link; when another program's simulator gets
// the line it led to, the waiting logger must not take that line.  A link
// made anew after the loss is the device back, and is taken.
TEST_F(MeasurementTest, AReconnectTakesOnlyTheDeviceThatCameBack)
{
    const QString link = tempPath(QStringLiteral("ttyGM"));
    const QByteArray linkName = QFile::encodeName(link);
    ASSERT_TRUE(sim.openPty()) << sim.error();
    ASSERT_TRUE(sim.publish(link.toStdString())) << sim.error();
    portList = QStringList{link};
    build();
    form->ComboBox1->setCurrentIndex(0);
    auto *reconnect = form->session()->findChild<QTimer *>(QStringLiteral("reconnect"));
    ASSERT_NE(reconnect, nullptr);
    reconnect->setInterval(20);
    startMeasuring(at(10, 20, 30));
    sim.closeMaster();
    ASSERT_TRUE(waitUntil([&] { return !form->rs232c1->isOpen(); }));

    // The old link, untouched since before the loss, now leads to the other
    // program's line (as when its simulator got the same pty number).
    GmSimulator other;
    ASSERT_TRUE(other.openPty()) << other.error();
    ASSERT_EQ(::unlink(linkName.constData()), 0);
    ASSERT_EQ(::symlink(other.slavePath().c_str(), linkName.constData()), 0);
    const timeval beforeLoss[2] = {{::time(nullptr) - 60, 0}, {::time(nullptr) - 60, 0}};
    ASSERT_EQ(::lutimes(linkName.constData(), beforeLoss), 0);
    settle(200);
    EXPECT_FALSE(form->rs232c1->isOpen());
    Trs232c otherProgram;
    otherProgram.setPortname(QString::fromStdString(other.slavePath()));
    EXPECT_TRUE(otherProgram.open()) << "the other program's line stays free";
    otherProgram.close();

    // Published anew: the device is back.
    ASSERT_TRUE(other.publish(link.toStdString())) << other.error();
    ASSERT_TRUE(waitUntil([&] { return form->rs232c1->isOpen(); }));
    const int before = form->pulseCounter();
    ASSERT_EQ(other.run(oneWrite(3)), 3);
    EXPECT_TRUE(waitUntil([&] { return form->pulseCounter() == before + 3; }));
}

TEST_F(MeasurementTest, AClockSetBackAddsToTheMinuteItCountedBefore)
{
    build();
    startMeasuring(at(10, 20, 30));
    pulses(4);
    tick(at(10, 21, 0));
    pulses(2);
    tick(at(10, 22, 0));
    pulses(5);
    tick(at(10, 21, 0)); // the clock is put back a minute
    EXPECT_EQ(cell(1, rowOf(10, 21)), QStringLiteral("9"));
    EXPECT_EQ(cell(1, rowOf(10, 22)), QStringLiteral("2"));
}

TEST_F(MeasurementTest, ClockStepsBackOf3sOneMinuteAndOneHourOnlyEverAdd)
{
    build();
    startMeasuring(at(21, 25, 30));
    send(60);
    tick(at(21, 26, 0));
    send(60);
    tick(at(21, 27, 0));

    // NTP takes 3 s back over the minute boundary.
    send(1);
    tick(at(21, 27, 1));
    tick(at(21, 26, 58));
    EXPECT_EQ(cell(1, rowOf(21, 26)), QStringLiteral("61"));
    EXPECT_TRUE(
        memoText().endsWith(QStringLiteral("  時計が 21:27:01 から 21:26:58 に戻りました")));
    send(2);
    tick(at(21, 27, 0));
    EXPECT_EQ(cell(1, rowOf(21, 27)), QStringLiteral("62"));
    send(60);
    tick(at(21, 28, 0));

    // Put back one minute by hand.
    send(20);
    tick(at(21, 28, 20));
    tick(at(21, 27, 20));
    EXPECT_EQ(cell(1, rowOf(21, 27)), QStringLiteral("82"));
    send(40);
    tick(at(21, 28, 0));
    EXPECT_EQ(cell(1, rowOf(21, 28)), QStringLiteral("100"));
    send(60);
    tick(at(21, 29, 0));
    expectAllPulsesKept();

    // One hour back: every minute of the repeated hour adds, not only the
    // first one after the step.
    send(30);
    tick(at(21, 29, 30));
    tick(at(20, 29, 30));
    EXPECT_EQ(cell(1, rowOf(20, 29)), QStringLiteral("30"));
    for (int m = 20 * 60 + 30; m <= 21 * 60 + 30; ++m) {
        if (m >= 21 * 60 + 26)
            send(7);
        tick(at(m / 60, m % 60, 0));
    }
    EXPECT_EQ(cell(1, rowOf(20, 30)), QStringLiteral("0"));
    EXPECT_EQ(cell(1, rowOf(21, 25)), QStringLiteral("0"));
    EXPECT_EQ(cell(1, rowOf(21, 26)), QStringLiteral("68"));
    EXPECT_EQ(cell(1, rowOf(21, 27)), QStringLiteral("89"));
    EXPECT_EQ(cell(1, rowOf(21, 28)), QStringLiteral("107"));
    EXPECT_EQ(cell(1, rowOf(21, 29)), QStringLiteral("67"));
    EXPECT_EQ(cell(1, rowOf(21, 30)), QStringLiteral("7"));
    EXPECT_EQ(form->dayTable()->colCount(), 11);
    EXPECT_EQ(stepsBackTold(), 3);
    EXPECT_FALSE(memoText().contains(QStringLiteral("分間")));
    expectAllPulsesKept();
}

TEST_F(MeasurementTest, AClockSetBackOverMidnightAddsToThatDaysOwnColumn)
{
    const QDate d7(2026, 12, 7), d8(2026, 12, 8);
    build();
    startMeasuring(at(23, 58, 30, d7));
    send(5);
    tick(at(23, 59, 0, d7));
    send(6);
    tick(at(0, 0, 0, d8));
    send(3);
    tick(at(0, 0, 30, d8));

    tick(at(23, 59, 50, d7));
    EXPECT_EQ(form->dayTable()->colCount(), 12);
    EXPECT_EQ(cell(1, 0), QStringLiteral("12/08"));
    EXPECT_EQ(cell(2, 0), QStringLiteral("12/07"));
    EXPECT_EQ(cell(2, DayTable::MinuteRows), QStringLiteral("8"));
    EXPECT_EQ(form->StringGrid1->currentCol(), 2);
    EXPECT_EQ(form->StringGrid1->currentRow(), int(DayTable::MinuteRows));
    EXPECT_TRUE(memoText().endsWith(
        QStringLiteral("  時計が 2026/12/08 0:00:30 から 2026/12/07 23:59:50 に戻りました")));

    send(4);
    tick(at(0, 0, 0, d8));
    EXPECT_EQ(cell(1, 1), QStringLiteral("10"));
    send(2);
    tick(at(0, 1, 0, d8));
    EXPECT_EQ(cell(1, 2), QStringLiteral("2"));

    // Back to a day the table has no column for: one in its place by date.
    send(9);
    tick(at(23, 59, 30, QDate(2026, 12, 5)));
    EXPECT_EQ(form->dayTable()->colCount(), 13);
    EXPECT_EQ(cell(1, 0), QStringLiteral("12/08"));
    EXPECT_EQ(cell(2, 0), QStringLiteral("12/07"));
    EXPECT_EQ(cell(3, 0), QStringLiteral("12/05"));
    EXPECT_EQ(form->dayTable()->columnDate(3), QDate(2026, 12, 5));
    EXPECT_EQ(cell(3, DayTable::MinuteRows), QStringLiteral("9"));
    expectAllPulsesKept();
}

TEST_F(MeasurementTest, DaylightSavingInBerlinKeepsEveryPulseInItsLocalMinute)
{
    const QTimeZone berlin("Europe/Berlin");
    ASSERT_TRUE(berlin.isValid());
    build();
    // Ticks at every minute from `from` (UTC) for `minutes`, with a few
    // pulses before each; returns what each local row should hold.
    const auto runDay = [&](const QDateTime &from, int minutes) {
        std::map<int, int> expected;
        tick(from.addSecs(-30).toTimeZone(berlin));
        form->Button_startClick();
        for (int i = 0; i < minutes; ++i) {
            const int n = i % 4 + 1;
            send(n);
            const QDateTime t = from.addSecs(60 * i).toTimeZone(berlin);
            tick(t);
            expected[TimeText::rowOf(t.time())] += n;
        }
        form->Button_stopClick();
        return expected;
    };
    const auto expectRows = [&](const std::map<int, int> &expected) {
        for (int r = 1; r <= DayTable::MinuteRows; ++r) {
            const auto e = expected.find(r);
            ASSERT_EQ(cell(1, r), e == expected.end() ? QString() : QString::number(e->second))
                << "row " << r;
        }
    };

    // Spring-forward, 29 March: 1:59 CET is followed by 3:00 CEST.
    const auto spring = runDay(QDateTime(QDate(2026, 3, 29), QTime(0, 57), QTimeZone::utc()), 6);
    expectRows(spring);
    EXPECT_EQ(cell(1, 0), QStringLiteral("03/29"));
    EXPECT_EQ(cell(1, rowOf(3, 0)), QStringLiteral("4"));
    for (int m = 0; m < 60; ++m)
        ASSERT_EQ(cell(1, rowOf(2, m)), QString());
    EXPECT_EQ(stepsBackTold(), 0);
    EXPECT_FALSE(memoText().contains(QStringLiteral("分間")));
    expectAllPulsesKept();

    // Fall-back, 25 October: 2:00 to 2:59 come twice, first CEST, then CET.
    const qint64 springSent = sent;
    const auto fall = runDay(QDateTime(QDate(2026, 10, 24), QTime(23, 57), QTimeZone::utc()), 67);
    expectRows(fall);
    EXPECT_EQ(cell(1, 0), QStringLiteral("10/25"));
    // 2:00 holds the minute that ended at 2:00 CEST (the 4th tick) and the
    // one that ended at 2:00 CET (the 64th).
    EXPECT_EQ(cell(1, rowOf(2, 0)), QString::number(4 + 4));
    EXPECT_EQ(cell(1, rowOf(2, 3)), QString::number(3 + 3));
    EXPECT_EQ(cell(1, rowOf(2, 4)), QStringLiteral("4")); // its second pass is yet to come
    EXPECT_EQ(form->dayTable()->colCount(), 12);
    EXPECT_EQ(stepsBackTold(), 1);
    EXPECT_TRUE(
        memoText().contains(QStringLiteral("  時計が 2:59:00 から 2:00:00 に戻りました\n")));
    EXPECT_FALSE(memoText().contains(QStringLiteral("分間")));
    qint64 fallStored = 0;
    for (const auto &[row, n] : fall)
        fallStored += n;
    EXPECT_EQ(fallStored, sent - springSent);
    expectAllPulsesKept();
}

TEST_F(MeasurementTest, ALongGapTalliesOnceAndSaysHowLong)
{
    build();
    startMeasuring(at(10, 20, 30));
    tick(at(10, 21, 0));
    pulses(6);

    tick(at(12, 21, 30)); // two hours without a tick
    EXPECT_EQ(cell(1, rowOf(12, 21)), QStringLiteral("6"));
    EXPECT_TRUE(memoText().contains(QStringLiteral("120 分間")));
    for (int r = rowOf(10, 22); r < rowOf(12, 21); ++r)
        ASSERT_EQ(cell(1, r), QString()) << r;

    pulses(1);
    tick(at(12, 21, 31));
    EXPECT_EQ(form->pulseCounter(), 1);
    tick(at(12, 22, 0));
    EXPECT_EQ(cell(1, rowOf(12, 22)), QStringLiteral("1"));
    EXPECT_FALSE(memoText().endsWith(QStringLiteral("分間のカウントです")));
}

TEST_F(MeasurementTest, ADialogHeldOpenAcrossThreeMinutesPutsNoTallyOff)
{
    build();
    const QString data = dir.filePath(QStringLiteral("data"));
    ASSERT_TRUE(QDir().mkpath(data));
    form->Edit1->setText(data);
    form->CheckBox2->setChecked(true);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    startMeasuring(at(10, 20, 30));
    // With no dialog open a tally takes the keyboard, even from typing.
    form->Edit1->setFocus();
    send(3);
    tick(at(10, 21, 0));
    EXPECT_EQ(form->focusWidget(), form->StringGrid1);
    form->Edit1->setFocus();

    QDialog dialog(form.get());
    dialog.setWindowModality(Qt::ApplicationModal);
    auto *typing = new QLineEdit(&dialog);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    typing->setFocus();
    ASSERT_TRUE(waitUntil([&] { return QApplication::focusWidget() == typing; }));

    // Every minute is stored, shown, selected and saved on time.
    const int counts[] = {4, 5, 6};
    for (int i = 0; i < 3; ++i) {
        send(counts[i]);
        tick(at(10, 22 + i, 0));
        EXPECT_EQ(cell(1, rowOf(10, 22 + i)), QString::number(counts[i]));
        EXPECT_EQ(form->pulseCounter(), 0);
        EXPECT_EQ(form->Label1->text(), QStringLiteral("カウント数 0"));
        EXPECT_EQ(form->StringGrid1->currentRow(), rowOf(10, 22 + i));
        EXPECT_EQ(form->Chart1->series(0)->count(), i + 2);
        EXPECT_TRUE(QFileInfo::exists(AutoSave::filePath(data, at(10, 22 + i, 0))));
        tick(at(10, 22 + i, 30));
    }
    EXPECT_EQ(form->dayTable()->colCount(), 11);
    expectAllPulsesKept();
    // The keyboard stays with the dialog.
    EXPECT_EQ(QApplication::focusWidget(), typing);
    EXPECT_EQ(form->focusWidget(), form->Edit1);

    dialog.close();
    ASSERT_TRUE(waitUntil([&] { return QApplication::activeModalWidget() == nullptr; }));
    tick(at(10, 24, 31));
    EXPECT_EQ(form->focusWidget(), form->StringGrid1);

    // Minimised, the chart waits for the window to come back.
    form->showMinimized();
    send(7);
    tick(at(10, 25, 0));
    EXPECT_TRUE(form->chartStale());
    EXPECT_EQ(form->Chart1->series(0)->count(), 4);
    form->showNormal();
    EXPECT_EQ(form->Chart1->series(0)->count(), 5);
}

TEST_F(MeasurementTest, AFailingAutoSaveKeepsMeasuringAndIsToldOncePerFailure)
{
    build();
    const QString data = dir.filePath(QStringLiteral("data"));
    ASSERT_TRUE(QDir().mkpath(data));
    form->Edit1->setText(data);
    form->CheckBox2->setChecked(true);
    startMeasuring(at(10, 20, 30));

    // The data folder becomes a file: no day folder can be made in it.
    form->Edit1->setText(dir.filePath(QStringLiteral("plain")));
    ASSERT_TRUE(writeFile(form->Edit1->text(), "x"));
    pulses(2);
    tick(at(10, 21, 0));
    EXPECT_EQ(cell(1, rowOf(10, 21)), QStringLiteral("2"));
    EXPECT_EQ(form->StringGrid1->currentRow(), rowOf(10, 21));
    // The caption names only a file that was written.
    EXPECT_EQ(form->windowTitle(), QStringLiteral("TORVALE"));
    ASSERT_EQ(prompts.errors().size(), 1);
    // The box names the file and the time, and the pane keeps it.
    const QString told = prompts.errors()[0];
    EXPECT_TRUE(told.contains(QStringLiteral("2026/12/07 10:21:00")) &&
                told.contains(AutoSave::filePath(form->Edit1->text(), at(10, 21, 0))))
        << told.toStdString();
    EXPECT_TRUE(memoText().contains(told));
    tick(at(10, 22, 0));
    EXPECT_EQ(prompts.errors().size(), 1);
    EXPECT_TRUE(form->measuring());

    // Fixed, and broken again: told again.
    form->Edit1->setText(data);
    tick(at(10, 23, 0));
    EXPECT_TRUE(QFileInfo::exists(AutoSave::filePath(data, at(10, 23, 0))));
    EXPECT_EQ(form->windowTitle(), AutoSave::filePath(data, at(10, 23, 0)));
    form->Edit1->setText(dir.filePath(QStringLiteral("plain")));
    tick(at(10, 24, 0));
    EXPECT_EQ(prompts.errors().size(), 2);
}

// A GQ GMC chosen in the window: its own [Counter] section, written only once
// used; the model named in the pane; the heartbeats' counts in their minutes
// across a reconnect.
TEST_F(MeasurementTest, AGmcCounterChosenInTheWindowIsCountedAcrossAReconnect)
{
    const QString link = tempPath(QStringLiteral("ttyGM"));
    ASSERT_TRUE(sim.openPty() && sim.publish(link.toStdString())) << sim.error();
    sim.startDevice({});
    portList = QStringList{link};
    build();
    form->ComboBox1->setCurrentIndex(0);
    IniFile unused;
    form->counter()->writeSettings(unused);
    EXPECT_TRUE(unused.toBytes().isEmpty()) << "never chosen: no [Counter]";
    form->counter()->apply(CounterKind::Gmc, 115200);
    form->session()->findChild<QTimer *>(QStringLiteral("reconnect"))->setInterval(50);
    startMeasuring(at(10, 20, 30));
    ASSERT_TRUE(waitUntil([&] { return memoText().contains(QStringLiteral("GMC-320Re 4.22")); }));
    pulses(6);
    tick(at(10, 21, 0));
    sim.closeMaster();
    ASSERT_TRUE(waitUntil([&] { return form->session()->isPortLost(); }));
    GmSimulator back;
    ASSERT_TRUE(back.openPty() && back.publish(link.toStdString())) << back.error();
    back.startDevice({});
    ASSERT_TRUE(waitUntil([&] { return memoText().count(QStringLiteral("GMC-320Re 4.22")) == 2; }));
    ASSERT_EQ(back.run(oneWrite(4)), 4);
    ASSERT_TRUE(waitUntil([&] { return form->pulseCounter() == 4; }));
    tick(at(10, 22, 0));
    EXPECT_EQ(cell(1, rowOf(10, 21)), QStringLiteral("6"));
    EXPECT_EQ(cell(1, rowOf(10, 22)), QStringLiteral("4"));
    form->Button_stopClick();
    ASSERT_TRUE(form->FormClose());
    const QByteArray ini = readAll(tempPath(QStringLiteral("torvale.ini")));
    EXPECT_TRUE(ini.contains("[Counter]") && ini.contains("Kind=gmc") && ini.contains("Baud=115200"));
}

} // namespace
