// SPDX-License-Identifier: GPL-3.0-or-later
#include "measure/MeasurementSession.h"

#include "core/DayMerge.h"
#include "core/DayTable.h"
#include "core/TimeText.h"
#include "counter/CounterKind.h"
#include "logfile/LogFile.h"
#include "logfile/TableWriter.h"
#include "measure/SessionText.h"
#include "serial/SerialPortList.h"
#include "serial/Trs232c.h"

#include <QTimer>

#include <utility>

MeasurementSession::MeasurementSession(DayTable *table, QObject *parent)
    : QObject(parent), m_table(table), m_port(new Trs232c(this)), m_reconnect(new QTimer(this)),
      m_counter(CounterKinds::make(CounterKind::Pulses)),
      m_writer(new TableWriter(m_recovery.folder(), this))
{
    m_monotonic.start();
    connect(m_writer, &TableWriter::autoSaved, this, [this](const QString &path) {
        m_reportedAutoSaveError.clear();
        m_toldDropped = false;
        emit autoSaved(path);
    });
    connect(m_writer, &TableWriter::autoSaveFailed, this, &MeasurementSession::onAutoSaveFailed);
    connect(m_writer, &TableWriter::recoveryCopyWritten, this, [this] {
        m_reportedRecoveryError.clear();
        m_toldDropped = false;
    });
    connect(m_writer, &TableWriter::recoveryCopyFailed, this,
            &MeasurementSession::onRecoveryFailed);
    connect(m_writer, &TableWriter::dropped, this, &MeasurementSession::onDropped);
    m_reconnect->setObjectName(QStringLiteral("reconnect"));
    m_reconnect->setInterval(ReconnectIntervalMs);
    connect(m_reconnect, &QTimer::timeout, this, &MeasurementSession::tryReconnect);
    m_port->setObjectName(QStringLiteral("rs232c1"));
    m_port->applyStoredValues();
    m_port->OnRXCHAR = [this](QObject *) { receive(); };
    m_port->OnLOST = [this](QObject *) { onLost(); };
    m_port->OnHANDLERERROR = [this](QObject *, const QString &what) { emit error(what); };
}

MeasurementSession::~MeasurementSession()
{
    // The port's handlers call back into this object: close while it is whole.
    m_port->close();
}

void MeasurementSession::setPortName(const QString &portName)
{
    m_port->setPortname(portName);
}

void MeasurementSession::setCounterKind(CounterKind kind)
{
    m_kind = kind;
}

void MeasurementSession::apply(const Counter::Step &step)
{
    m_pulseCounter += step.pulses;
    if (!step.send.isEmpty() && !m_port->write(step.send.constData(), int(step.send.size()))) {
        // Told once a connection: a poll fails again every second.
        if (!m_toldSendFailed)
            emit progress(
                tr("Could not send a command to the counter on %1").arg(m_port->portname()));
        m_toldSendFailed = true;
    }
    for (const QString &line : step.notes)
        emit progress(line);
    for (const QString &text : step.errors)
        emit error(text);
}

QString MeasurementSession::save(const QString &path)
{
    QString failure = LogFile::save(path, *m_table, LogTitle::Manual);
    if (failure.isEmpty())
        settleRecoveryCopy();
    return failure;
}

bool MeasurementSession::start(const QString &portName)
{
    m_port->setPortname(portName);
    if (!m_port->open()) {
        // Why first (busy, missing, no permission): the last line stays the usual one.
        if (!m_port->lastError().isEmpty())
            emit progress(m_port->lastError());
        emit progress(tr("Com Port %1 Not Open").arg(portName));
        return false;
    }
    emit progress(tr("Com Port %1 Open").arg(portName));
    m_port->setdtr(true);
    m_portLost = false;
    m_lostCountStored = false;
    m_partMinute = true;
    m_measuring = true;
    if (m_counter->kind() != m_kind)
        m_counter = CounterKinds::make(m_kind);
    m_toldSendFailed = false;
    Counter::Step step;
    m_counter->begin(monotonicMs(), step);
    apply(step);
    return true;
}

void MeasurementSession::stop()
{
    m_reconnect->stop();
    if (m_measuring && !m_portLost) {
        Counter::Step step;
        m_counter->end(step);
        apply(step);
    }
    m_port->setdtr(false);
    m_measuring = false;
    m_port->close();
    emit progress(tr("Com Port %1 Close").arg(m_port->portname()));
}

void MeasurementSession::receive()
{
    // Every byte queued now is one pulse; none is left for a later event.
    // Nothing queued (the bytes of this wake-up were read by the event
    // before): nothing to count, and no reason to wait for the read time-out.
    const int queued = m_port->inQueue();
    if (queued <= 0)
        return;
    QByteArray bytes(queued, '\0');
    if (!m_port->read(bytes.data(), queued))
        bytes.truncate(m_port->transferred()); // what did come is consumed: count it
    if (bytes.isEmpty())
        return;
    Counter::Step step;
    m_counter->feed(bytes.constData(), bytes.size(), monotonicMs(), step);
    apply(step);
    if (m_counter->kind() == CounterKind::Pulses)
        emit received(bytes);
}

void MeasurementSession::onLost()
{
    m_portLost = true;
    m_partMinute = true;
    m_lostAtNs = SerialPortList::fileClockNs();
    m_counter->lost(monotonicMs());
    // Held open, a vanished USB adapter keeps its device name taken, and the
    // one that comes back gets another.
    m_port->close();
    const QString name = m_port->portname();
    emit progress(SessionText::portLost(name, lastTickTime()));
    emit portLost(name);
    emit error(portLostText(name));
    if (m_measuring)
        m_reconnect->start();
}

void MeasurementSession::tryReconnect()
{
    if (!m_measuring || !m_portLost) {
        m_reconnect->stop();
        return;
    }
    // A link left from before the loss may lead to another program's line now.
    if (!SerialPortList::linksMadeSince(m_port->portname(), m_lostAtNs))
        return;
    if (!m_port->open())
        return; // still missing, or held by another program: the next beat tries again
    m_reconnect->stop();
    m_port->setdtr(true);
    // Counting goes on in the running minute; its tally takes the pulses
    // from before the loss too when that minute has not been tallied yet.
    m_portLost = false;
    m_lostCountStored = false;
    m_partMinute = true;
    const QString name = m_port->portname();
    emit progress(SessionText::portReturned(name, lastTickTime()));
    emit portReturned(name);
    m_toldSendFailed = false;
    Counter::Step step;
    m_counter->begin(monotonicMs(), step);
    apply(step);
}

QString MeasurementSession::portLostText(const QString &portName)
{
    return SessionText::countingStopped(portName);
}

QString MeasurementSession::lastTickTime() const
{
    return m_lastTick.isValid() ? QStringLiteral(" (%1)").arg(TimeText::time(m_lastTick.time()))
                                : QString();
}

void MeasurementSession::tick(const QDateTime &t, const QString &clockNotSet)
{
    m_lastTick = t;
    if (!clockNotSet.isEmpty()) {
        // Counted on, filed nowhere: a fresh tally starts at the first set reading.
        m_tally = MinuteTally();
        if (clockNotSet != m_toldClockNotSet)
            emit progress(clockNotSet);
        m_toldClockNotSet = clockNotSet;
        return;
    }
    if (!m_toldClockNotSet.isEmpty()) {
        m_toldClockNotSet.clear();
        emit progress(
            SessionText::clockSet(TimeText::date(t.date()) + u' ' + TimeText::time(t.time())));
    }
    const MinuteTally::Decision d = m_tally.check(t);
    // Handled before it is acted on: a tick that comes while this tally is
    // still on the stack (an event loop of a box it opened) is a new minute
    // or none, never this one again.
    m_tally.advance(t);
    if (m_measuring && !m_portLost) {
        // Polls and time-outs first: a reading that comes with it belongs to the next minute.
        Counter::Step step;
        m_counter->tick(monotonicMs(), step);
        apply(step);
    }
    if (m_measuring && d.tally)
        makeTally(t, d);
}

void MeasurementSession::makeTally(const QDateTime &t, const MinuteTally::Decision &d)
{
    // After the device was lost, the pulses it sent before are stored at the
    // next tally; later minutes were not measured and get no count at all.
    if (m_portLost) {
        if (m_lostCountStored)
            return;
        m_lostCountStored = true;
    }
    // A clock set back across midnight reaches a day behind column 1.
    const int col = DayMerge::columnOf(*m_table, t.date());
    m_lastTallyColumn = col;
    m_lastTallyRow = d.row;
    // Never replace a count: a minute met again (clock set back, a second
    // measurement of the day, a loaded file of today) adds to it.  What
    // cannot fit in a cell stays in the counter for the next minute.
    qint64 count = m_pulseCounter;
    int earlier = 0;
    if (m_table->cellCount(col, d.row, &earlier))
        count += earlier;
    const qint64 stored = std::min<qint64>(count, INT32_MAX);
    m_table->setCell(col, d.row, QString::number(stored));
    m_pulseCounter = count - stored;
    if (m_pulseCounter > 0 && !m_toldCellFull)
        emit progress(SessionText::cellFull(
            TimeText::time(QTime(t.time().hour(), t.time().minute())), m_pulseCounter));
    m_toldCellFull = m_toldCellFull || m_pulseCounter > 0;

    if (d.clockWentBack) {
        const bool sameDay = d.previous.date() == t.date();
        const auto reading = [sameDay](const QDateTime &x) {
            const QString time = TimeText::time(x.time());
            return sameDay ? time : TimeText::date(x.date()) + u' ' + time;
        };
        emit progress(SessionText::clockWentBack(reading(d.previous), reading(t)));
    }
    if (d.spannedMinutes > 1)
        emit progress(SessionText::spannedMinutes(
            TimeText::time(QTime(t.time().hour(), t.time().minute())), d.spannedMinutes));
    emit tallied(t, d.row, stored);
    // Truncated in absolute time, so a repeated hour keeps its own offset.
    const QDateTime end = t.addMSecs(-(t.time().second() * 1000LL + t.time().msec()));
    const bool whole = !std::exchange(m_partMinute, false);
    emit minuteCounted(MinuteCount{end, stored - earlier, d.spannedMinutes, whole});
    // An auto-save file that was written holds the whole table, so the copy
    // is only needed when there is none: a tally writes one file, not two.
    if (m_autoSave)
        m_writer->autoSave(m_dataFolder, t, m_table->snapshot());
    else
        m_writer->keepRecoveryCopy(m_table->snapshot());
}

void MeasurementSession::settleRecoveryCopy()
{
    // Only this thread queues writes: with none queued, none can overtake.
    if (m_writer->pending() == 0) {
        const QString failure = m_recovery.settle();
        if (!failure.isEmpty())
            emit error(SessionText::cannotRemove(m_recovery.path(), failure));
    } else
        m_writer->settleRecoveryCopy();
}

bool MeasurementSession::finishWrites(int ms)
{
    return m_writer->finish(ms);
}

QString MeasurementSession::lastTickStamp() const
{
    return m_lastTick.isValid()
               ? TimeText::date(m_lastTick.date()) + u' ' + TimeText::time(m_lastTick.time())
               : QString();
}

void MeasurementSession::reportWriteFailure(const QString &text)
{
    emit writeFailed(text);
    emit error(text);
}

void MeasurementSession::onRecoveryFailed(const QString &path, const QString &failure)
{
    if (failure != m_reportedRecoveryError)
        reportWriteFailure(SessionText::writeFailed(path, failure, lastTickStamp()));
    m_reportedRecoveryError = failure;
}

void MeasurementSession::onAutoSaveFailed(const QString &path, const QString &failure)
{
    // The same failure (a full disk) every minute is told once, until a
    // save succeeds or the failure changes.  Unattended for months, the
    // user must learn afterwards which file failed and when.
    if (failure != m_reportedAutoSaveError)
        reportWriteFailure(SessionText::writeFailed(path, failure, lastTickStamp()));
    m_reportedAutoSaveError = failure;
    emit autoSaveFailed(path);
}

void MeasurementSession::onDropped(const QString &path)
{
    emit progress(SessionText::droppedLine(path));
    // Told once until a write goes through again; the later files hold
    // the whole table, so no count is lost with it.
    if (!m_toldDropped)
        emit error(SessionText::droppedError(path));
    m_toldDropped = true;
    if (path != m_recovery.path())
        emit autoSaveFailed(path);
}
