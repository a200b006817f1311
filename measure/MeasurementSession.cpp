#include "measure/MeasurementSession.h"

#include "core/DayTable.h"
#include "core/TimeText.h"
#include "logfile/AutoSave.h"
#include "serial/Trs232c.h"

MeasurementSession::MeasurementSession(DayTable *table, QObject *parent)
    : QObject(parent), m_table(table), m_port(new Trs232c(this))
{
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

bool MeasurementSession::start(const QString &portName)
{
    m_port->setPortname(portName);
    if (!m_port->open()) {
        emit progress(QStringLiteral("Com Port ") + portName + QStringLiteral(" Not Open"));
        // The usual cause on a fresh system, and not one the user can guess.
        if (m_port->lastErrorWasPermission())
            emit progress(QStringLiteral("  ") + portName +
                          QStringLiteral(" を開く権限がありません。root で「adduser %1 dialout」"
                                         "を実行して (sudo があれば sudo adduser %1 dialout)、"
                                         "ログインし直してください")
                              .arg(qEnvironmentVariable("USER", QStringLiteral("ユーザー名"))));
        return false;
    }
    emit progress(QStringLiteral("Com Port ") + portName + QStringLiteral(" Open"));
    m_port->setdtr(true);
    m_portLost = false;
    m_lostCountStored = false;
    m_measuring = true;
    return true;
}

void MeasurementSession::stop()
{
    m_port->setdtr(false);
    m_measuring = false;
    m_port->close();
    emit progress(QStringLiteral("Com Port ") + m_port->portname() + QStringLiteral(" Close"));
}

QByteArray MeasurementSession::receive()
{
    // Every byte queued now is one pulse; none is left for a later event.
    // Nothing queued (the bytes of this wake-up were read by the event
    // before): nothing to count, and no reason to wait for the read time-out.
    const int queued = m_port->inQueue();
    if (queued <= 0)
        return {};
    QByteArray bytes(queued, '\0');
    if (!m_port->read(bytes.data(), queued))
        bytes.truncate(m_port->transferred()); // what did come is consumed: count it
    m_pulseCounter += qint32(bytes.size());
    return bytes;
}

void MeasurementSession::onLost()
{
    m_portLost = true;
    const QString name = m_port->portname();
    emit progress(QStringLiteral("Com Port ") + name + QStringLiteral(" が切断されました"));
    emit portLost(name);
    emit error(QStringLiteral("シリアルポート ") + name +
               QStringLiteral(" が切断されました。計数は止まっています"));
}

void MeasurementSession::tick(const QDateTime &t)
{
    const MinuteTally::Decision d = m_tally.check(t);
    if (m_measuring && d.tally)
        makeTally(t, d);
    m_tally.advance(t);
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
    const QDate today = t.date();
    const QString h = TimeText::dayHeader(today);
    // The header holds no year: column 1 is today only when its full date is.
    if (m_table->cell(1, 0) != h || m_table->columnDate(1) != today)
        m_table->column_insert(1);
    if (m_table->cell(1, 0).isEmpty())
        m_table->setCell(1, 0, h);
    m_table->setColumnDate(1, today);

    m_lastTallyRow = d.row;
    qint64 count = m_pulseCounter;
    int earlier = 0;
    // A clock set back meets a minute it has counted already: add, not replace.
    if (d.clockWentBack && m_table->cellCount(1, d.row, &earlier))
        count = std::min<qint64>(count + earlier, INT32_MAX);
    m_table->setCell(1, d.row, QString::number(count));
    if (d.spannedMinutes > 1)
        emit progress(QStringLiteral("  %1 の集計は %2 分間のカウントです")
                          .arg(TimeText::time(QTime(t.time().hour(), t.time().minute())))
                          .arg(d.spannedMinutes));
    m_pulseCounter = 0;
    emit tallied(t, d.row, count);
    if (m_autoSave)
        autoSave(t);
}

void MeasurementSession::autoSave(const QDateTime &t)
{
    QString path;
    const QString failure = AutoSave::save(m_dataFolder, t, *m_table, &path);
    if (failure.isEmpty()) {
        m_reportedAutoSaveError.clear();
        emit autoSaved(path);
        return;
    }
    // The same failure (a full disk) every minute is told once, until a
    // save succeeds or the failure changes.
    if (failure != m_reportedAutoSaveError)
        emit error(failure);
    m_reportedAutoSaveError = failure;
}
