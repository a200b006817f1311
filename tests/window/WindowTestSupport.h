// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Builds the real main window for a test: a fake clock, scripted prompts, a
// settings file in a folder of its own, and a port list the test chooses
// (by default the pseudo-terminal of a GM counter simulator).  The clock
// timer is stopped, so the test decides when a tick happens and what time it
// reads; the start-up timer is stopped too and run by restore().

#include "FakeClock.h"
#include "FakePrompts.h"
#include "common/Wait.h"

#include "window/DayGrid.h"
#include "window/PortComboBox.h"
#include "window/ProgressPane.h"
#include "window/TForm1.h"
#include "core/DayTable.h"
#include "core/StopDeadline.h"
#include "core/TimeText.h"
#include "measure/MeasurementSession.h"
#include "serial/Trs232c.h"
#include "tools/GmSimulator.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>

namespace apptest
{

inline QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// Simulator options that send n pulses in a single write.
inline GmSimulator::Options oneWrite(int n)
{
    GmSimulator::Options o;
    o.mode = GmSimulator::Mode::Burst;
    o.burstSize = n;
    o.burstPeriodMs = 1;
    o.limit = n;
    return o;
}

class WindowTest : public ::testing::Test
{
protected:
    static QDateTime at(int h, int m, int s, QDate day = QDate(2026, 12, 7))
    {
        return QDateTime(day, QTime(h, m, s));
    }

    QString tempPath(const QString &name) const { return dir.filePath(name); }
    QString stateFolder() const { return tempPath(QStringLiteral("state")); }

    // The port list the window sees; the simulator's line unless set.
    QStringList ports() const
    {
        if (portList)
            return *portList;
        return {QString::fromStdString(sim.slavePath())};
    }

    // Creates the window.  restoreNow runs the start-up restore at once, as
    // the start-up timer would 50 ms after creation.
    TForm1 &build(bool restoreNow = true)
    {
        if (!portList && sim.slavePath().empty())
            EXPECT_TRUE(sim.openPty()) << sim.error();
        // A state folder of the test's own: no recovery copy of another test
        // (or of the user) is offered.
        qputenv("XDG_STATE_HOME", QFile::encodeName(stateFolder()));
        TForm1::Options o;
        o.clock = &clock;
        o.prompts = realPrompts ? nullptr : &prompts;
        o.arguments = arguments;
        o.settingsPath =
            settingsPath.isEmpty() ? tempPath(QStringLiteral("torvale.ini")) : settingsPath;
        o.listPorts = [this] { return ports(); };
        form = std::make_unique<TForm1>(o);
        form->Timer_INTERVAL->stop();
        form->Timer_FOpen->stop();
        if (restoreNow)
            form->Timer_FOpenTimer();
        // No settings name the simulator's line: pick it as a user would.
        if (!portList)
            form->ComboBox1->setCurrentIndex(0);
        return *form;
    }

    // One clock tick at the given time, and the files of its tally written.
    void tick(const QDateTime &t)
    {
        clock.set(t);
        form->Timer_INTERVALTimer();
        form->session()->finishWrites();
    }

    // Starts a measurement on the simulator's line; the first tick before it
    // gives the tally a minute to compare with.
    void startMeasuring(const QDateTime &t)
    {
        tick(t);
        form->Button_startClick();
        ASSERT_TRUE(form->measuring()) << memoText().toStdString();
    }

    // Sends n pulses through the line in one write and waits until the
    // window has counted them.
    void pulses(int n)
    {
        const int before = form->pulseCounter();
        ASSERT_EQ(sim.run(oneWrite(n)), n);
        ASSERT_TRUE(waitUntil([&] { return form->pulseCounter() >= before + n; }))
            << "counted " << form->pulseCounter() - before << " of " << n;
        settle(20);
        ASSERT_EQ(form->pulseCounter(), before + n);
    }

    QString cell(int col, int row) const { return form->dayTable()->cell(col, row); }
    QString memoText() const { return form->Memo1->toPlainText(); }

    void TearDown() override
    {
        if (form && form->measuring())
            form->Button_stopClick();
        form.reset();
        // A closed window started the process's stop budget; the next test's
        // window is a new run.
        StopDeadline::cancel();
    }

    QTemporaryDir dir;
    FakeClock clock{QDateTime(QDate(2026, 12, 7), QTime(10, 20, 30))};
    FakePrompts prompts;
    GmSimulator sim;
    std::optional<QStringList> portList;
    QStringList arguments;
    QString settingsPath;
    bool realPrompts = false; // the real boxes and dialogs instead of `prompts`
    std::unique_ptr<TForm1> form;
};

} // namespace apptest
