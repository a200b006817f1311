// SPDX-License-Identifier: GPL-3.0-or-later
// The measurement under load, on the real main window (drawn offscreen).
//
// 1. A GM counter simulator sends at a fixed rate into a pseudo-terminal for a while (60 s by
//    default) during a running measurement, with the progress pane hidden and shown, at
//    960 bytes/s (a 9600 bit/s line full) and 11,520 bytes/s (115,200 bit/s).  Figures: bytes
//    sent, pulses counted (tallied cells plus the pulse counter), and the GUI thread's longest
//    stall, seen by a 10 ms timer as the largest gap between two of its ticks.  The window's
//    clock stands still, so these are the figures of the receive path; with --real-clock the
//    minute boundary that falls into the run tallies, and its stall counts too.
// 2. The minute tally itself on tables of 10 and 3650 day columns: a clock tick that tallies,
//    less the graph rebuild timed alone on the same table in the same surroundings (the
//    store, the reset, the cell selection and the clock text remain).
// 3. The graph rebuild of a tally after a busy minute (100 to 57,600 counts), the part of the
//    tally that grows with the count.
// 4. The GUI thread's longest stall around the tally, with auto-save on and off, on tables of
//    10, 365 and 3650 day columns: 20 tallies by the window's own tick handler, each 100 ms
//    after the files of the one before were written, the pane hidden, seen by the 10 ms
//    probe of 1.  One line per case:
//      tally_stall columns=N autosave=on|off longest_ms=X
//
//   bench_measurement [--seconds S] [--rate BYTES_PER_S] [--pane shown|hidden] [--real-clock]
//                     [--tally-only | --load-only | --stall-only]
//
// Budget: counted equals sent, longest stall under 100 ms, tally under 1 ms, graph rebuild under
// 100 ms, tally stall under 16 ms with auto-save on and within 1.5 times the stall with it off.
// Exit code 1 when missed.
#include "StoredCounts.h"
#include "UnattendedPrompts.h"
#include "window/DayGrid.h"
#include "window/PortComboBox.h"
#include "window/ProgressPane.h"
#include "window/TForm1.h"
#include "core/Clock.h"
#include "core/DayTable.h"
#include "core/TimeText.h"
#include "measure/MeasurementSession.h"
#include "tools/GmSimulator.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>
#include <vector>

namespace
{

// The stall probe: a 10 ms timer that notes the largest gap between its ticks.
class StallProbe
{
public:
    StallProbe()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 t = m_clock.nsecsElapsed();
            m_longest = std::max(m_longest, t - m_lastTick);
            m_lastTick = t;
        });
    }
    void start()
    {
        m_clock.start();
        m_timer.start();
    }
    void stop() { m_timer.stop(); }
    double longestMs() const { return double(m_longest) / 1e6; }

private:
    QElapsedTimer m_clock;
    QTimer m_timer;
    qint64 m_lastTick = 0;
    qint64 m_longest = 0;
};

// The wall clock, or a fixed reading once set.
class BenchClock final : public Clock
{
public:
    QDateTime now() const override
    {
        return m_fixed.isValid() ? m_fixed : QDateTime::currentDateTime();
    }
    void set(const QDateTime &t) { m_fixed = t; }

private:
    QDateTime m_fixed;
};

struct Harness {
    BenchClock clock;
    UnattendedPrompts prompts;
    QTemporaryDir folder;
    std::unique_ptr<TForm1> form;

    explicit Harness(const QString &port)
    {
        TForm1::Options o;
        o.clock = &clock;
        o.prompts = &prompts;
        o.settingsPath = folder.filePath(QStringLiteral("bench.ini"));
        o.listPorts = [port] { return QStringList{port}; };
        form = std::make_unique<TForm1>(o);
        form->show();
        // Let the start-up restore run (it finds no settings file).
        QEventLoop loop;
        QTimer::singleShot(200, &loop, &QEventLoop::quit);
        loop.exec();
    }
};

qint64 threadCpuNs()
{
    timespec ts{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

struct LoadFigures {
    long long sent = 0;
    long long counted = 0;
    double longestStallMs = 0;
    int tallies = 0;
    int paneLines = 0;
    double guiCpuNsPerByte = 0; // the GUI thread's CPU time over the run, per byte sent
    QStringList errors;
};

void openPty(GmSimulator &sim)
{
    if (!sim.openPty()) {
        std::fprintf(stderr, "no pseudo-terminal: %s\n", sim.error().c_str());
        std::exit(2);
    }
}

LoadFigures loadRun(double bytesPerSecond, bool paneShown, int seconds, bool realClock)
{
    LoadFigures f;
    GmSimulator sim;
    openPty(sim);
    Harness h(QString::fromStdString(sim.slavePath()));
    TForm1 &form = *h.form;
    // A clock that stands still makes no minute tally: the figures are those of the receive
    // path alone.  With the real clock the minute boundary that falls into the run tallies.
    if (!realClock)
        h.clock.set(QDateTime::currentDateTime());
    form.ComboBox1->setCurrentIndex(0);
    if (paneShown) {
        form.CheckBox1->setChecked(true);
        form.CheckBox1Click();
    }
    form.Button_startClick();
    if (!form.measuring()) {
        std::fprintf(stderr, "the measurement did not start: %s\n",
                     qPrintable(h.prompts.errors.join(u'/')));
        std::exit(2);
    }
    const int linesBefore = form.Memo1->blockCount();

    StallProbe probe;

    GmSimulator::Options o;
    o.mode = GmSimulator::Mode::Rate;
    o.perSecond = bytesPerSecond;
    o.durationMs = int64_t(seconds) * 1000;
    probe.start();
    const qint64 cpuBefore = threadCpuNs();
    sim.start(o);

    const auto counted = [&] { return storedCounts(*form.dayTable()) + form.pulseCounter(); };
    QEventLoop loop;
    QTimer watch;
    int quietChecks = 0;
    long long lastCounted = -1;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (sim.isRunning())
            return;
        // Sending is over: drain until every byte is counted or nothing moves for 2 s.
        const long long c = form.pulseCounter() + storedCounts(*form.dayTable());
        quietChecks = c == lastCounted ? quietChecks + 1 : 0;
        lastCounted = c;
        if (c >= sim.sent() || quietChecks >= 20)
            loop.quit();
    });
    watch.start(100);
    loop.exec();
    const qint64 cpu = threadCpuNs() - cpuBefore;
    probe.stop();
    watch.stop();

    form.Button_stopClick();
    f.sent = sim.sent();
    f.counted = counted();
    f.longestStallMs = probe.longestMs();
    f.guiCpuNsPerByte = f.sent > 0 ? double(cpu) / double(f.sent) : 0;
    for (int row = 1; row <= DayTable::MinuteRows; ++row) {
        int n = 0;
        if (form.dayTable()->cellCount(1, row, &n))
            ++f.tallies;
    }
    // Lines added since the start, the closing one included; the pane keeps the newest 100,000.
    f.paneLines = form.Memo1->blockCount() - linesBefore;
    f.errors = h.prompts.errors;
    return f;
}

struct TallyFigures {
    double tickWithTallyUs = 0; // median
    double plainTickUs = 0;
    double graphUs = 0;
    double tallyUs = 0;        // tick with tally less graph alone
    double tallyNoClockUs = 0; // the same less a tick without a tally
    // The tally's own steps timed one by one through the public controls.
    double storeUs = 0;  // setCell of the count
    double selectUs = 0; // selecting the cell (scroll, focus)
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

void processPending()
{
    QApplication::processEvents(QEventLoop::AllEvents);
}

// A table of `columns` measured days with counts around 30 cpm, newest first; column 1 is
// `today`, so tallies of that day insert no column.
void fillTable(DayTable &table, int columns, const QDate &today)
{
    table.growTo(columns);
    std::mt19937 rng(7);
    std::poisson_distribution<int> cpm(30);
    for (int row = 1; row <= DayTable::MinuteRows; ++row) {
        QStringList texts;
        texts.reserve(columns);
        texts.append(table.cell(0, row));
        for (int col = 1; col < columns; ++col)
            texts.append(QString::number(cpm(rng)));
        table.setRowTexts(row, texts);
    }
    QStringList headers{table.cell(0, 0)};
    for (int col = 1; col < columns; ++col) {
        const QDate d = today.addDays(1 - col);
        headers.append(TimeText::dayHeader(d));
        table.setColumnDate(col, d);
    }
    table.setRowTexts(0, headers);
}

TallyFigures tallyRun(int columns, int iterations)
{
    // A silent counter: the measurement runs, no pulse arrives.
    GmSimulator sim;
    openPty(sim);
    Harness h(QString::fromStdString(sim.slavePath()));
    TForm1 &form = *h.form;
    form.Timer_INTERVAL->stop();
    DayTable &table = *form.dayTable();
    const QDate today(2026, 3, 10);
    fillTable(table, columns, today);
    form.draw_graph();

    // The tick before the first timed minute, in the minute before it.
    h.clock.set(QDateTime(today, QTime(0, 59, 30)));
    form.Timer_INTERVALTimer();
    form.ComboBox1->setCurrentIndex(0);
    form.Button_startClick();
    if (!form.measuring()) {
        std::fprintf(stderr, "could not start a measurement for the tally run\n");
        std::exit(2);
    }
    processPending();

    std::vector<double> withTally, plain, graph;
    QElapsedTimer t;
    for (int i = 0; i < iterations; ++i) {
        // Consecutive minutes from 1:00, so the tick one second earlier makes no tally.
        const QDateTime minute(today, QTime(1 + i / 60, i % 60, 0));
        h.clock.set(minute.addSecs(-1));
        t.start();
        form.Timer_INTERVALTimer();
        plain.push_back(double(t.nsecsElapsed()) / 1e3);
        processPending();

        h.clock.set(minute);
        t.start();
        form.Timer_INTERVALTimer();
        withTally.push_back(double(t.nsecsElapsed()) / 1e3);
        processPending();

        // The graph alone in the same surroundings: after a tick that redrew only the clock.
        h.clock.set(minute.addSecs(1));
        form.Timer_INTERVALTimer();
        processPending();
        t.start();
        form.draw_graph();
        graph.push_back(double(t.nsecsElapsed()) / 1e3);
        processPending();
    }
    std::vector<double> store, select;
    for (int i = 0; i < iterations; ++i) {
        const int row = 1 + (i * 7) % DayTable::MinuteRows;
        t.start();
        table.setCell(1, row, QString::number(i % 50));
        store.push_back(double(t.nsecsElapsed()) / 1e3);
        processPending();
        t.start();
        form.StringGrid1->selectCell(1, row);
        select.push_back(double(t.nsecsElapsed()) / 1e3);
        processPending();
    }
    const int lastRow = TimeText::rowOf(QTime(1 + (iterations - 1) / 60, (iterations - 1) % 60));
    if (table.colCount() != columns || form.lastTallyRow() != lastRow ||
        !h.prompts.errors.isEmpty()) {
        std::fprintf(stderr, "tally run went wrong: %d columns, errors: %s\n", table.colCount(),
                     qPrintable(h.prompts.errors.join(u'/')));
        std::exit(2);
    }
    form.Button_stopClick();

    TallyFigures f;
    f.tickWithTallyUs = median(withTally);
    f.plainTickUs = median(plain);
    f.graphUs = median(graph);
    f.tallyUs = f.tickWithTallyUs - f.graphUs;
    f.tallyNoClockUs = f.tallyUs - f.plainTickUs;
    f.storeUs = median(store);
    f.selectUs = median(select);
    return f;
}

struct StallFigures {
    double longestMs = 0;         // the probe's largest gap
    double longestTickCpuMs = 0;  // the GUI thread's CPU time in the longest tallying tick
    double longestTickWallMs = 0; // ... and its wall-clock time
};

// The longest gap between two ticks of a 10 ms timer over `tallies` tallies, each made by the
// window's tick handler 100 ms after the files of the one before were written.  The tallying
// tick's own time is taken too, as wall clock and as the GUI thread's CPU time: on a loaded
// machine the gap also counts the time other processes had the processor.
StallFigures tallyStall(int columns, bool autoSave, int tallies)
{
    StallFigures f;
    GmSimulator sim;
    openPty(sim);
    Harness h(QString::fromStdString(sim.slavePath()));
    TForm1 &form = *h.form;
    form.Timer_INTERVAL->stop();
    const QDate today(2026, 3, 10);
    fillTable(*form.dayTable(), columns, today);
    form.draw_graph();
    QTemporaryDir data;
    form.Edit1->setText(data.path());
    form.CheckBox2->setChecked(autoSave);
    h.clock.set(QDateTime(today, QTime(0, 59, 30)));
    form.Timer_INTERVALTimer();
    form.ComboBox1->setCurrentIndex(0);
    form.Button_startClick();
    if (!form.measuring()) {
        std::fprintf(stderr, "could not start a measurement for the stall run\n");
        std::exit(2);
    }
    processPending();

    QEventLoop loop;
    int made = 0;
    QTimer next;
    next.setSingleShot(true);
    next.setInterval(100);
    QObject::connect(&next, &QTimer::timeout, [&] {
        if (made == tallies) {
            loop.quit();
            return;
        }
        h.clock.set(QDateTime(today, QTime(1, made, 0)));
        ++made;
        QElapsedTimer wall;
        wall.start();
        const qint64 cpu = threadCpuNs();
        form.Timer_INTERVALTimer();
        const double wallMs = double(wall.nsecsElapsed()) / 1e6;
        if (wallMs > f.longestTickWallMs) {
            f.longestTickWallMs = wallMs;
            f.longestTickCpuMs = double(threadCpuNs() - cpu) / 1e6;
        }
        if (!autoSave)
            next.start();
    });
    // With auto-save on, the next tally waits for the file of this one.
    QObject::connect(form.session(), &MeasurementSession::autoSaved, &next,
                     [&] { next.start(); });
    QObject::connect(form.session(), &MeasurementSession::autoSaveFailed, &loop,
                     &QEventLoop::quit);

    StallProbe probe;
    probe.start();
    next.start();
    loop.exec();
    probe.stop();
    form.Button_stopClick();
    if (made != tallies || !h.prompts.errors.isEmpty()) {
        std::fprintf(stderr, "stall run went wrong: %d tallies, errors: %s\n", made,
                     qPrintable(h.prompts.errors.join(u'/')));
        std::exit(2);
    }
    f.longestMs = probe.longestMs();
    return f;
}

// The graph rebuild of the tally after a minute of `cpm` counts, the other days near 30 cpm.
double graphAfterCount(int cpm)
{
    Harness h(QStringLiteral("/dev/null"));
    TForm1 &form = *h.form;
    form.Timer_INTERVAL->stop();
    DayTable &table = *form.dayTable();
    std::mt19937 rng(11);
    std::poisson_distribution<int> quiet(30);
    for (int col = 1; col <= 7; ++col)
        for (int row = 1; row <= DayTable::MinuteRows; ++row)
            table.setCell(col, row, QString::number(quiet(rng)));
    form.draw_graph();
    processPending();
    table.setCell(1, 600, QString::number(cpm));
    QElapsedTimer t;
    t.start();
    form.draw_graph();
    const double ms = double(t.nsecsElapsed()) / 1e6;
    processPending();
    return ms;
}

} // namespace

int main(int argc, char **argv)
{
    int seconds = 60;
    bool load = true;
    bool tally = true;
    std::vector<double> rates{960.0, 11520.0};
    std::vector<bool> panes{false, true};
    bool realClock = false;
    bool stall = true;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
            seconds = std::max(1, std::atoi(argv[++i]));
        } else if (std::strcmp(argv[i], "--rate") == 0 && i + 1 < argc) {
            rates = {std::max(1.0, std::atof(argv[++i]))};
        } else if (std::strcmp(argv[i], "--pane") == 0 && i + 1 < argc) {
            panes = {std::strcmp(argv[++i], "shown") == 0};
        } else if (std::strcmp(argv[i], "--real-clock") == 0) {
            realClock = true;
        } else if (std::strcmp(argv[i], "--tally-only") == 0) {
            load = stall = false;
        } else if (std::strcmp(argv[i], "--load-only") == 0) {
            tally = stall = false;
        } else if (std::strcmp(argv[i], "--stall-only") == 0) {
            tally = load = false;
        } else {
            std::fprintf(stderr,
                         "usage: bench_measurement [--seconds S] [--rate BYTES_PER_S] "
                         "[--pane shown|hidden] [--real-clock] "
                         "[--tally-only | --load-only | --stall-only]\n");
            return 2;
        }
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The windows' recovery copies go to a folder of the run's own, never the user's.
    QTemporaryDir state;
    qputenv("XDG_STATE_HOME", QFile::encodeName(state.path()));
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("TORVALE"));
    bool ok = true;

    if (tally) {
        std::printf("Minute tally (median of 200; graph rebuild not included)\n");
        std::printf("%8s %14s %12s %12s %10s %15s %9s %10s\n", "columns", "tick+tally us",
                    "plain tick", "graph alone", "tally us", "tally-clock us", "store us",
                    "select us");
        for (int columns : {10, 3650}) {
            const TallyFigures f = tallyRun(columns, 200);
            std::printf("%8d %14.1f %12.1f %12.1f %10.1f %15.1f %9.1f %10.1f\n", columns,
                        f.tickWithTallyUs, f.plainTickUs, f.graphUs, f.tallyUs, f.tallyNoClockUs,
                        f.storeUs, f.selectUs);
            std::fflush(stdout);
            ok = ok && f.tallyUs < 1000;
        }
        // A full 9600 bit/s line gives 57,600 counts a minute (115,200 bit/s: 691,200).
        std::printf("Graph rebuild of the tally after a minute of many counts (stops past 10 s)\n");
        std::printf("%8s %12s\n", "cpm", "rebuild ms");
        for (int cpm : {100, 1000, 3000, 10000, 30000, 57600}) {
            const double ms = graphAfterCount(cpm);
            std::printf("%8d %12.1f\n", cpm, ms);
            std::fflush(stdout);
            ok = ok && ms < 100;
            if (ms > 10000)
                break;
        }
    }
    if (stall) {
        std::printf("GUI thread's longest stall over 20 tallies, pane hidden\n");
        for (int columns : {10, 365, 3650}) {
            double off = 0;
            for (bool autoSave : {false, true}) {
                const StallFigures s = tallyStall(columns, autoSave, 20);
                const double ms = s.longestMs;
                std::printf("tally_stall columns=%d autosave=%s longest_ms=%.1f\n", columns,
                            autoSave ? "on" : "off", ms);
                std::printf("    longest tallying tick: %.2f ms wall, %.2f ms GUI-thread CPU\n",
                            s.longestTickWallMs, s.longestTickCpuMs);
                std::fflush(stdout);
                if (autoSave)
                    ok = ok && ms < 16 && ms <= 1.5 * std::max(off, 10.0);
                else
                    off = ms;
            }
        }
    }
    if (load) {
        std::printf("Pulses into a running measurement, %d s each\n", seconds);
        std::printf("%10s %6s %10s %10s %10s %8s %8s %11s %12s\n", "bytes/s", "pane", "sent",
                    "counted", "stall ms", "tallies", "errors", "pane lines", "GUI ns/byte");
        for (double rate : rates) {
            for (bool shown : panes) {
                const LoadFigures f = loadRun(rate, shown, seconds, realClock);
                std::printf("%10.0f %6s %10lld %10lld %10.1f %8d %8lld %11d %12.0f\n", rate,
                            shown ? "shown" : "hidden", f.sent, f.counted, f.longestStallMs,
                            f.tallies, static_cast<long long>(f.errors.size()), f.paneLines,
                            f.guiCpuNsPerByte);
                for (const QString &e : f.errors)
                    std::printf("    error: %s\n", qPrintable(e));
                std::fflush(stdout);
                ok = ok && f.sent == f.counted && f.longestStallMs < 100 && f.errors.isEmpty();
            }
        }
    }
    std::printf("%s\n", ok ? "within budget" : "OUT OF BUDGET");
    return ok ? 0 : 1;
}
