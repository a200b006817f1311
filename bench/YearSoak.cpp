// SPDX-License-Identifier: GPL-3.0-or-later
// A simulated year of logging on the real main window (drawn offscreen), with a clock that
// jumps from minute to minute.
//
// Every simulated minute a Poisson number of pulses around 30 cpm goes into a pseudo-terminal
// in one write, the event loop runs until the window has counted all of them, and then the
// clock reads second 0 of the next minute (the tick that tallies) and second 1 (a plain tick).
// Auto-save is on, into a folder in /dev/shm (a temporary folder where that is missing); older
// auto-saved files are deleted every simulated hour so that only the newest stays.
//
// An auto-save writes the whole table, so over a year it costs far more than everything else
// (about 25 ms a minute at 365 day columns).  Auto-save is therefore on for the first
// --autosave-minutes of every day (all day by default) and throughout every recorded day, where
// it is on for even and off for odd minutes, so that tallies with and without it are timed on
// the same table.
//
// Recorded at the end of days 1, 7, 30, 90, 365 and the last day: resident memory (VmRSS),
// open file descriptors, the day table's own storage, the longest single event the GUI thread
// handled since the previous row (the tally tick included: nothing else can run meanwhile),
// the median and longest tally with and without auto-save on that day, and pulses sent against
// counts stored (every cell plus the pulse counter).  Times are wall-clock; the CPU time of the
// GUI thread is given beside them, as on a busy machine the wall clock also counts the time
// other processes had the processor.
//
// With --hidden the window is never shown: nothing is painted and the chart waits to be seen,
// but every other handler runs as before.  With --compare-chart the recorded days switch the
// chart between the way it works now (only when seen, only the changed series) and the older
// way (all seven series rebuilt at every tally, seen or not) every two minutes, and the GUI
// thread's CPU time of each simulated minute (its pulses and its tally) is given for both.
// Files are written by the window's writer thread, outside the timed tally; the soak waits for
// them after each tally, since its minutes pass far faster than the disk's (the program's own
// minutes are real ones).  Progress lines every ten days keep the figures of a run that is cut short.
//
//   soak_year [--days N] [--autosave-minutes M] [--seed S] [--hidden] [--compare-chart]
//
// Runs in UTC, so that no day is 23 or 25 hours long.  Exit status 1 when a count was lost, an
// error was reported, an auto-save is missing or the descriptors changed after the first
// recorded day; 2 when it cannot start.
#include "StoredCounts.h"
#include "UnattendedPrompts.h"
#include "window/PortComboBox.h"
#include "window/TForm1.h"
#include "core/Clock.h"
#include "core/DayTable.h"
#include "measure/MeasurementSession.h"
#include "tools/GmSimulator.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>
#include <unistd.h>
#include <vector>

namespace
{

class SoakClock final : public Clock
{
public:
    QDateTime now() const override { return m_now; }
    void set(const QDateTime &t) { m_now = t; }

private:
    QDateTime m_now;
};

// CPU time of the calling thread: unlike the wall clock it leaves out the time another process
// had the processor.
qint64 threadCpuNs()
{
    timespec ts{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// Times every event the GUI thread handles; nested deliveries count within the outer one.
class TimedApplication final : public QApplication
{
public:
    using QApplication::QApplication;

    bool notify(QObject *receiver, QEvent *event) override
    {
        if (m_depth++ > 0) {
            const bool r = QApplication::notify(receiver, event);
            --m_depth;
            return r;
        }
        QElapsedTimer t;
        t.start();
        const qint64 cpu = threadCpuNs();
        const bool r = QApplication::notify(receiver, event);
        const qint64 wall = t.nsecsElapsed();
        if (wall > longestNs) {
            longestNs = wall;
            longestWhat = QStringLiteral("event %1 to %2")
                              .arg(int(event->type()))
                              .arg(QString::fromLatin1(receiver->metaObject()->className()));
        }
        longestCpuNs = std::max(longestCpuNs, threadCpuNs() - cpu);
        --m_depth;
        return r;
    }

    qint64 longestNs = 0;
    qint64 longestCpuNs = 0;
    QString longestWhat; // what the longest wall-clock event was

private:
    int m_depth = 0;
};

long long statusKb(const char *key)
{
    FILE *f = std::fopen("/proc/self/status", "r");
    if (!f)
        return -1;
    char line[256];
    long long kb = -1;
    const std::size_t n = std::strlen(key);
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, key, n) == 0)
            kb = std::atoll(line + n);
    std::fclose(f);
    return kb;
}

int openDescriptors()
{
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size());
}

// Deletes every auto-saved file but the newest, and the folders left empty.  Returns the number
// of files deleted.
int pruneAutoSaves(const QString &root)
{
    QStringList files;
    QString newest;
    QDateTime newestTime;
    QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QDateTime m = QFileInfo(path).lastModified();
        files.append(path);
        if (newest.isEmpty() || m >= newestTime) {
            newest = path;
            newestTime = m;
        }
    }
    int deleted = 0;
    for (const QString &path : std::as_const(files))
        if (path != newest && QFile::remove(path))
            ++deleted;
    const QStringList dirs = QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &d : dirs)
        QDir(root).rmdir(d); // only the empty ones go
    return deleted;
}

struct Stats {
    std::vector<qint64> withSave, withoutSave; // wall clock
    std::vector<qint64> withSaveCpu, withoutSaveCpu;

    static double medianMs(std::vector<qint64> v)
    {
        if (v.empty())
            return 0;
        std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
        return double(v[v.size() / 2]) / 1e6;
    }
    static double maxMs(const std::vector<qint64> &v)
    {
        return v.empty() ? 0 : double(*std::max_element(v.begin(), v.end())) / 1e6;
    }
};

struct Row {
    int day;
    int columns;
    long long rssKb;
    long long tableKb;
    int fds;
    double longestEventMs, longestEventCpuMs;
    double saveMedianMs, saveMaxMs, saveCpuMedianMs, plainMedianMs, plainMaxMs, plainCpuMedianMs;
    long long sent, stored;
    double elapsedS;
};

void printTableHead()
{
    std::printf("| day | day columns | RSS | table | open fds | longest GUI event (wall / CPU) | "
                "tally with auto-save (median / max; CPU median) | tally without (median / max; "
                "CPU median) | pulses sent | counts stored |\n"
                "|---|---|---|---|---|---|---|---|---|---|\n");
}

void printRow(const Row &r)
{
    std::printf("| %d | %d | %.1f MB | %lld kB | %d | %.1f / %.1f ms | %.2f / %.1f ms; %.2f ms | "
                "%.2f / %.1f ms; %.2f ms | %lld | %lld |\n",
                r.day, r.columns, double(r.rssKb) / 1024, r.tableKb, r.fds, r.longestEventMs,
                r.longestEventCpuMs, r.saveMedianMs, r.saveMaxMs, r.saveCpuMedianMs,
                r.plainMedianMs, r.plainMaxMs, r.plainCpuMedianMs, r.sent, r.stored);
    std::fflush(stdout);
}

int argValue(int argc, char **argv, const char *name, int fallback)
{
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], name) == 0)
            return std::atoi(argv[i + 1]);
    return fallback;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("TZ", "UTC");
    tzset();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const int days = argValue(argc, argv, "--days", 365);
    const int autosaveMinutes = argValue(argc, argv, "--autosave-minutes", 1440);
    const int seed = argValue(argc, argv, "--seed", 1);
    const auto hasFlag = [&](const char *flag) {
        return std::find_if(argv + 1, argv + argc, [flag](const char *a) {
                   return std::strcmp(a, flag) == 0;
               }) != argv + argc;
    };
    const bool hidden = hasFlag("--hidden");
    const bool compareChart = hasFlag("--compare-chart");
    if (days < 1 || autosaveMinutes < 0) {
        std::fprintf(stderr,
                     "usage: soak_year [--days N] [--autosave-minutes M] [--seed S] [--hidden] "
                     "[--compare-chart]\n");
        return 2;
    }
    TimedApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("TORVALE"));

    GmSimulator sim;
    if (!sim.openPty()) {
        std::fprintf(stderr, "no pseudo-terminal: %s\n", sim.error().c_str());
        return 2;
    }
    const QString port = QString::fromStdString(sim.slavePath());
    const QString shm = QStringLiteral("/dev/shm");
    QTemporaryDir work(QFileInfo(shm).isWritable() ? shm + QStringLiteral("/torvale-soak-XXXXXX")
                                                   : QString());
    if (!work.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 2;
    }
    const QString data = work.filePath(QStringLiteral("data"));
    QDir().mkpath(data);
    // The window's own state (its recovery copy) stays in the soak's folder too.
    qputenv("XDG_STATE_HOME", QFile::encodeName(work.filePath(QStringLiteral("state"))));

    SoakClock clock;
    UnattendedPrompts prompts;
    const QDateTime start(QDate(2027, 1, 1), QTime(0, 0, 1), Qt::LocalTime);
    clock.set(start);
    TForm1::Options o;
    o.clock = &clock;
    o.prompts = &prompts;
    o.settingsPath = work.filePath(QStringLiteral("torvale.ini"));
    o.listPorts = [port] { return QStringList{port}; };
    TForm1 form(o);
    form.Timer_INTERVAL->stop();
    form.Timer_FOpen->stop();
    form.Timer_FOpenTimer();
    if (!hidden)
        form.show();
    QApplication::processEvents();
    form.ComboBox1->setCurrentIndex(0);
    form.Edit1->setText(data);
    form.CheckBox2->setChecked(true);
    form.Timer_INTERVALTimer();
    form.Button_startClick();
    if (!form.measuring()) {
        std::fprintf(stderr, "the measurement did not start: %s\n",
                     qPrintable(prompts.errors.join(u'/')));
        return 2;
    }

    // Wakes the pulse wait below at least this often, should the pulses never come.
    QTimer wakeUp;
    wakeUp.start(100);

    std::mt19937 rng(seed);
    std::poisson_distribution<int> perMinute(30.0);
    const std::vector<int> recorded{1, 7, 30, 90, 365};
    const auto isRecorded = [&](int day) {
        return day == days || std::find(recorded.begin(), recorded.end(), day) != recorded.end();
    };

    std::vector<Row> rows;
    Stats stats;
    long long sent = 0;
    long long autoSaveMinutes = 0, autoSavedFiles = 0;
    bool lost = false;
    QElapsedTimer elapsed;
    elapsed.start();
    const int masterFd = sim.masterFd();
    std::printf("window %s, auto-save in %s\n", hidden ? "hidden" : "shown", qPrintable(data));
    printTableHead();
    std::string burst;
    // GUI-thread CPU of each simulated minute of the recorded days, by the chart's way.
    std::vector<qint64> minuteCpuSeen, minuteCpuAlways;

    for (int day = 1; day <= days && !lost; ++day) {
        const bool recordDay = isRecorded(day);
        for (int minute = 0; minute < 24 * 60; ++minute) {
            const bool autoSave = recordDay ? minute % 2 == 0 : minute < autosaveMinutes;
            if (form.CheckBox2->isChecked() != autoSave)
                form.CheckBox2->setChecked(autoSave);
            const bool chartAlways = compareChart && recordDay && (minute / 2) % 2 == 1;
            form.setChartOnlyWhenSeen(!chartAlways);
            const qint64 minuteCpuBefore = threadCpuNs();

            // The pulses of this minute, counted before the minute ends.
            const int n = perMinute(rng);
            burst.assign(std::size_t(n), '*');
            const int expected = form.pulseCounter() + n;
            for (std::size_t off = 0; off < burst.size();) {
                const ssize_t w = ::write(masterFd, burst.data() + off, burst.size() - off);
                if (w < 0 && errno != EINTR && errno != EAGAIN) {
                    std::fprintf(stderr, "write to the line: %s\n", std::strerror(errno));
                    return 2;
                }
                if (w > 0)
                    off += std::size_t(w);
            }
            sent += n;
            QElapsedTimer drain;
            drain.start();
            while (form.pulseCounter() < expected && drain.elapsed() < 5000)
                QApplication::processEvents(QEventLoop::WaitForMoreEvents);
            if (form.pulseCounter() != expected) {
                std::fprintf(stderr, "day %d minute %d: counted %d of %d\n", day, minute,
                             form.pulseCounter(), expected);
                lost = true;
                break;
            }

            const QDateTime minuteStart = start.addSecs(qint64(day - 1) * 86400 + minute * 60 - 1);
            clock.set(minuteStart.addSecs(60));
            QElapsedTimer tally;
            tally.start();
            const qint64 cpuBefore = threadCpuNs();
            form.Timer_INTERVALTimer();
            const qint64 ns = tally.nsecsElapsed();
            const qint64 cpuNs = threadCpuNs() - cpuBefore;
            if (ns > app.longestNs) {
                app.longestNs = ns;
                app.longestWhat = QStringLiteral("the tallying tick");
            }
            app.longestCpuNs = std::max(app.longestCpuNs, cpuNs);
            autoSaveMinutes += autoSave;
            if (recordDay) {
                (autoSave ? stats.withSave : stats.withoutSave).push_back(ns);
                (autoSave ? stats.withSaveCpu : stats.withoutSaveCpu).push_back(cpuNs);
            }
            clock.set(minuteStart.addSecs(61));
            form.Timer_INTERVALTimer();
            QApplication::processEvents();
            if (compareChart && recordDay)
                (chartAlways ? minuteCpuAlways : minuteCpuSeen)
                    .push_back(threadCpuNs() - minuteCpuBefore);
            form.session()->finishWrites();
            if (minute % 60 == 59)
                autoSavedFiles += pruneAutoSaves(data);
        }
        if (lost)
            break;
        if (!recordDay) {
            // A lighter progress line, for a run that does not reach its end.
            if (day % 10 == 0)
                std::printf("day %d after %.0f s: sent %lld, stored %lld, RSS %lld kB, %d fds\n",
                            day, double(elapsed.elapsed()) / 1000, sent,
                            storedCounts(*form.dayTable()) + form.pulseCounter(),
                            statusKb("VmRSS:"), openDescriptors());
            std::fflush(stdout);
            continue;
        }
        const long long stored = storedCounts(*form.dayTable()) + form.pulseCounter();
        rows.push_back({day, form.dayTable()->colCount(), statusKb("VmRSS:"),
                        (long long)(form.dayTable()->memoryUsage() / 1024), openDescriptors(),
                        double(app.longestNs) / 1e6, double(app.longestCpuNs) / 1e6,
                        Stats::medianMs(stats.withSave), Stats::maxMs(stats.withSave),
                        Stats::medianMs(stats.withSaveCpu), Stats::medianMs(stats.withoutSave),
                        Stats::maxMs(stats.withoutSave), Stats::medianMs(stats.withoutSaveCpu),
                        sent, stored, double(elapsed.elapsed()) / 1000});
        std::printf("day %d done after %.0f s; longest GUI event: %s\n", day, rows.back().elapsedS,
                    qPrintable(app.longestWhat));
        printRow(rows.back());
        if (compareChart)
            std::printf("day %d, GUI thread CPU a minute at 30 cpm, window %s: chart only when "
                        "seen %.3f ms (median of %zu), always rebuilt %.3f ms (median of %zu)\n",
                        day, hidden ? "hidden" : "shown", Stats::medianMs(minuteCpuSeen),
                        minuteCpuSeen.size(), Stats::medianMs(minuteCpuAlways),
                        minuteCpuAlways.size());
        minuteCpuSeen.clear();
        minuteCpuAlways.clear();
        stats = {};
        app.longestNs = 0;
        app.longestCpuNs = 0;
    }
    form.Button_stopClick();
    form.session()->finishWrites();
    autoSavedFiles += pruneAutoSaves(data) + 1;

    std::printf("\n");
    printTableHead();
    for (const Row &r : rows)
        printRow(r);
    std::printf("\n%d simulated days in %.0f s; errors reported: %lld\n",
                int(rows.empty() ? 0 : rows.back().day), double(elapsed.elapsed()) / 1000,
                (long long)prompts.errors.size());
    for (const QString &e : std::as_const(prompts.errors))
        std::printf("  error: %s\n", qUtf8Printable(e));

    std::printf("auto-saves: %lld minutes with auto-save on, %lld files written\n", autoSaveMinutes,
                autoSavedFiles);
    bool failed =
        lost || !prompts.errors.isEmpty() || rows.empty() || autoSavedFiles != autoSaveMinutes;
    for (const Row &r : rows) {
        if (r.sent != r.stored) {
            std::printf("FAIL: day %d: %lld pulses sent, %lld stored\n", r.day, r.sent, r.stored);
            failed = true;
        }
        if (r.fds != rows.front().fds) {
            std::printf("FAIL: day %d: %d open descriptors, %d on day %d\n", r.day, r.fds,
                        rows.front().fds, rows.front().day);
            failed = true;
        }
    }
    return failed ? 1 : 0;
}
