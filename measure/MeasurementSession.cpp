// SPDX-License-Identifier: GPL-3.0-or-later
#include "measure/MeasurementSession.h"

#include "core/DayTable.h"
#include "core/TimeText.h"
#include "logfile/LogFile.h"
#include "logfile/TableWriter.h"
#include "measure/SessionText.h"
#include "serial/SerialPortList.h"
#include "serial/Trs232c.h"

#include <QTimer>

MeasurementSession::MeasurementSession(DayTable *table, QObject *parent)
    : QObject(parent), m_table(table), m_port(new Trs232c(this)), m_reconnect(new QTimer(this)),
      m_writer(new TableWriter(m_recovery.folder(), this))
{
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
    m_measuring = true;
    return true;
}

void MeasurementSession::stop()
{
    m_reconnect->stop();
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
    m_pulseCounter += qint32(bytes.size());
    if (!bytes.isEmpty())
        emit received(bytes);
}

void MeasurementSession::onLost()
{
    m_portLost = true;
    m_lostAtNs = SerialPortList::fileClockNs();
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
    const QString name = m_port->portname();
    emit progress(SessionText::portReturned(name, lastTickTime()));
    emit portReturned(name);
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

void MeasurementSession::tick(const QDateTime &t)
{
    m_lastTick = t;
    const MinuteTally::Decision d = m_tally.check(t);
    // Handled before it is acted on: a tick that comes while this tally is
    // still on the stack (an event loop of a box it opened) is a new minute
    // or none, never this one again.
    m_tally.advance(t);
    if (m_measuring && d.tally)
        makeTally(t, d);
}

int MeasurementSession::dayColumn(const QDate &day)
{
    const QString h = TimeText::dayHeader(day);
    // Columns are newest first.  A clock set back across midnight reaches a
    // day behind column 1: its own column if it has one, else a new column
    // in its place by date, never one in front of a newer day.  The header
    // holds no year: a column is the day's only when its full date is.
    int c = 1;
    while (c < m_table->colCount() && m_table->columnDate(c).isValid() &&
           m_table->columnDate(c) > day)
        ++c;
    if (m_table->cell(c, 0) != h || m_table->columnDate(c) != day)
        m_table->column_insert(c);
    if (m_table->cell(c, 0).isEmpty())
        m_table->setCell(c, 0, h);
    m_table->setColumnDate(c, day);
    return c;
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
    const int col = dayColumn(t.date());
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
    m_pulseCounter = qint32(count - stored);

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
    emit minuteCounted(MinuteCount{end, stored - earlier, d.spannedMinutes});
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
    }
    else
        m_writer->settleRecoveryCopy();
}

bool MeasurementSession::finishWrites(int ms)
{
    return m_writer->finish(ms);
}

void MeasurementSession::onRecoveryFailed(const QString &path, const QString &failure)
{
    if (failure != m_reportedRecoveryError)
        emit error(SessionText::cannotWrite(path, failure));
    m_reportedRecoveryError = failure;
}

void MeasurementSession::onAutoSaveFailed(const QString &path, const QString &failure)
{
    // The same failure (a full disk) every minute is told once, until a
    // save succeeds or the failure changes.
    if (failure != m_reportedAutoSaveError)
        emit error(failure);
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
