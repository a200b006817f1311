// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/MinuteCount.h"
#include "counter/Counter.h"
#include "core/MinuteTally.h"
#include "core/StopDeadline.h"
#include "logfile/RecoveryCopy.h"

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <memory>

class DayTable;
class QTimer;
class TableWriter;
class Trs232c;

// One measurement at a time on one serial port: the port component, the
// pulse counter, the minute tally with the change of day, auto-save, the
// recovery copy, and reopening a port lost during the measurement.
// Files are written by a TableWriter from a snapshot taken at the tally, so
// a slow disk never holds up the tally; their outcomes come back later, on
// this object's thread, in the order of the tallies.
// It owns the port component; the day table belongs to the caller and must
// outlive it.  A TickDriver reads the clock and hands each reading to
// tick().  While not measuring no port is held open.
//
// Everything runs on the thread that owns the object (the GUI thread, or the
// main thread of the headless logger); the port's comm thread hands its
// events over to that thread.  Signals are delivered directly, so a receiver
// runs inside the step that emits them, in the order documented below.
//
// Failures are results and signals, never boxes: the front end words and
// shows them.
class MeasurementSession : public QObject
{
    Q_OBJECT
public:
    explicit MeasurementSession(DayTable *table, QObject *parent = nullptr);
    ~MeasurementSession() override;

    // The port component, for its settings and lastError().  Its handlers
    // are the session's: bytes are counted here and told by received().
    Trs232c *port() const { return m_port; }
    // The one thread that writes files: a file the user asks for (an export,
    // a picture of the chart) goes through it too, after the tallies' files.
    TableWriter *writer() const { return m_writer; }

    // Names the port without opening it (a restored setting); start() names
    // it anew.
    void setPortName(const QString &portName);

    // The kind of counter on the port (pulses unless set); taken at the next
    // start().  Its Counter turns what the port delivers into pulses: it is
    // set up after each open (start, reconnect), given a beat at each tick,
    // and stopped before the port closes.  Its notes (the model met, seconds
    // missing) go to progress(), its errors (a wrong kind, unreadable data)
    // to error().  The line speed is the port's own setting.
    void setCounterKind(CounterKind kind);
    CounterKind counterKind() const { return m_kind; }

    // Opens `portName` and raises DTR.  On failure nothing changes, the
    // session stays idle and port()->lastError() says why; a front end adds
    // PermissionAdvice when port()->lastErrorWasPermission().
    bool start(const QString &portName);
    // Lowers DTR and closes the port.  Pulses not yet tallied stay in the
    // counter for the next measurement.  During an outage it ends the
    // attempts to reconnect; nothing stays open.
    void stop();

    // A device lost during the measurement is closed at once (so that an
    // adapter that comes back gets its old name again) and opened again by
    // the same name every ReconnectIntervalMs until it is back, then set up
    // as at start: the same line settings, DTR raised.  Each attempt is a
    // non-blocking open that fails at once while the device is missing.
    // Only the device that came back is taken: a name that leads through a
    // link made before the loss is not tried (SerialPortList::linksMadeSince).
    static constexpr int ReconnectIntervalMs = 2000;
    // True from portLost until portReturned or the next start().
    bool isPortLost() const { return m_portLost; }
    // The error() told when the device went away; a front end withdraws it
    // at portReturned.
    static QString portLostText(const QString &portName);

    // Holds the table of every tally no auto-save file holds: written after
    // a tally while auto-save is off or failed (a failure is told once, like
    // auto-save's), settled by each auto-save or save() that is written.
    // Read it here only while nothing is queued for writing (at start).
    RecoveryCopy &recoveryCopy() { return m_recovery; }
    // Settles the recovery copy after the writes queued before (the user
    // gave its minutes up, or a file holds them).
    void settleRecoveryCopy();

    // Waits (blocking) until the files of every tally so far are written or
    // `ms` passed, and delivers their outcomes (autoSaved, error) before it
    // returns.  False when writes were left.  Close and the end of the
    // headless logger call it; stop() does not wait.
    // By default until the process's StopDeadline (15 s when not stopping).
    bool finishWrites(int ms = StopDeadline::remainingMs());

    // The user's own save of the whole table to `path` (LogFile::save with
    // the manual title, written now on this thread); a written file holds
    // the recovery copy's minutes, so the copy is settled.  Returns empty
    // text on success, else the text to show; a failure leaves the copy.
    QString save(const QString &path);

    // One clock reading (local time): makes the minute tally when the minute
    // changed while measuring (MinuteTally says when and which row).  The
    // tally stores the counter into the row of its minute in the column of
    // its date and resets the counter (emits tallied), then queues the
    // auto-save when that is on, else the recovery copy (autoSaved,
    // autoSaveFailed or error follow once written).
    //
    // A tally never replaces or lowers a count: when the cell holds a count
    // already it adds to it.  A clock set back (by hand, by NTP, at the end
    // of daylight saving) re-enters minutes of the same date, and each of
    // them then holds the pulses of both passes; the same goes for a count
    // of today loaded from a file or left by an earlier measurement.  So the
    // counts stored during a measurement plus pulseCounter() are always the
    // pulses received.  A clock set back across midnight stores into its
    // day's existing column (found by full date), or a new one placed by
    // date, never in front of a newer day.  Each step back is told once in
    // the progress pane, a tally spanning several minutes too.
    //
    // `clockNotSet` (Clock::notSetReason) non-empty: the clock cannot date a
    // minute yet.  No minute is tallied, the line is told once in the
    // progress pane, and the pulses stay in the counter; once the clock is
    // set, the first tally takes them all.
    void tick(const QDateTime &t, const QString &clockNotSet = {});

    // Each auto-save writes into the data folder named at that minute.
    void setAutoSave(bool on) { m_autoSave = on; }
    void setDataFolder(const QString &folder) { m_dataFolder = folder; }

    qint64 pulseCounter() const { return m_pulseCounter; }
    bool measuring() const { return m_measuring; }
    int lastTallyRow() const { return m_lastTallyRow; }
    // Column 1, unless the clock went back to a day behind it.
    int lastTallyColumn() const { return m_lastTallyColumn; }

signals:
    // Bytes just counted as pulses (never empty; only from a pulse counter,
    // the other kinds' bytes are no pulses); pulseCounter() holds them
    // already.  The window shows them.
    void received(const QByteArray &bytes);
    // One line for the progress pane: port opened or not, closed, lost,
    // back; a tally of several
    // minutes; the clock set back.
    void progress(const QString &line);
    // `stored` (the cell's count now) was stored into lastTallyColumn(),
    // `row`, and the counter reset.
    void tallied(const QDateTime &t, int row, qint64 stored);
    // Right after tallied: the tally's own pulses, for the readout,
    // statistics and publishing (the cell may hold more after the clock
    // went back).
    void minuteCounted(const MinuteCount &minute);
    // The auto-save file of a tally was written.  Comes after the tally,
    // once the writer is done with it.
    void autoSaved(const QString &path);
    // The auto-save file of a tally could not be written (error tells why,
    // once) or was dropped because the disk could not keep up.
    void autoSaveFailed(const QString &path);
    // An error the user should see once: a failing auto-save or recovery
    // copy (naming the file and the time; told again only when the failure
    // changes or after a success), a lost device, a failing event handler.
    void error(const QString &text);
    // Right before the error() of a failed write, the same text, for a
    // front end that keeps a record of them (the window's pane).
    void writeFailed(const QString &text);
    // The device went away during the measurement (told once per loss).
    void portLost(const QString &portName);
    // The lost device was opened again; counting goes on.
    void portReturned(const QString &portName);

private:
    // Reads every byte queued now; each one is a pulse, told by received().
    void receive();
    void onLost();
    // Carries out what the counter asked: counts, writes, tells.
    void apply(const Counter::Step &step);
    qint64 monotonicMs() const { return m_monotonic.elapsed(); }
    void tryReconnect();
    QString lastTickTime() const;
    // The date and time of the last clock reading, empty before the first.
    QString lastTickStamp() const;
    void reportWriteFailure(const QString &text);
    void makeTally(const QDateTime &t, const MinuteTally::Decision &d);
    void onAutoSaveFailed(const QString &path, const QString &failure);
    void onRecoveryFailed(const QString &path, const QString &failure);
    void onDropped(const QString &path);

    DayTable *m_table;
    Trs232c *m_port;
    QTimer *m_reconnect;
    QDateTime m_lastTick; // the clock reading of the last tick, for the times of loss and return
    MinuteTally m_tally;
    CounterKind m_kind = CounterKind::Pulses;
    std::unique_ptr<Counter> m_counter;
    bool m_toldSendFailed = false; // since the port was last opened
    QElapsedTimer m_monotonic; // the counters' time: never set back with the clock
    // Wider than a cell: a minute of more pulses than a cell holds (no
    // serial line reaches that) fills the cell and carries the rest on.
    qint64 m_pulseCounter = 0;
    bool m_toldCellFull = false;
    QString m_toldClockNotSet; // the reason told while the clock is not set
    bool m_measuring = false;
    bool m_portLost = false;        // the device went away during this measurement
    bool m_lostCountStored = false; // ... and its last pulses have been tallied
    bool m_partMinute = false;      // the next tally covers part of a minute only
    qint64 m_lostAtNs = 0;          // ... at this SerialPortList::fileClockNs() reading
    int m_lastTallyRow = 0;
    int m_lastTallyColumn = 0;
    bool m_autoSave = false;
    QString m_dataFolder;
    QString m_reportedAutoSaveError;
    RecoveryCopy m_recovery;
    QString m_reportedRecoveryError;
    TableWriter *m_writer;
    bool m_toldDropped = false; // since the last write that succeeded
};
