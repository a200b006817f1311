// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/HeadlessLogger.h"

#include "core/Clock.h"
#include "core/DayTable.h"
#include "core/TimeText.h"
#include "logfile/DataFolder.h"
#include "logfile/LogFile.h"
#include "measure/MeasurementSession.h"
#include "measure/PermissionAdvice.h"
#include "measure/TickDriver.h"
#include "publish/MqttPublisher.h"
#include "serial/Trs232c.h"
#include "stats/Alarm.h"
#include "stats/ReadoutText.h"

HeadlessLogger::HeadlessLogger(const Options &options, QObject *parent)
    : QObject(parent), m_options(options), m_table(new DayTable(this)),
      m_session(new MeasurementSession(m_table, this)),
      m_ticks(new TickDriver(m_session, m_options.clock, this)), m_alarm(new Alarm(this))
{
    m_table->fillTimeColumn();
    m_session->setAutoSave(true);
    m_session->setDataFolder(m_options.dataFolder);
    connect(m_session, &MeasurementSession::progress, this,
            [this](const QString &line) { writeLine(m_options.err, line); });
    connect(m_session, &MeasurementSession::error, this, [this](const QString &text) {
        writeLine(m_options.err, QStringLiteral("error: ") + text);
    });
    m_alarm->setThreshold(m_options.alarmCpm);
    m_alarm->setMinutes(m_options.alarmMinutes);
    connect(m_session, &MeasurementSession::minuteCounted, this, [this](const MinuteCount &m) {
        m_recent.add(m);
        m_alarm->add(m);
        m_tallies.push_back(Tally{m.end, m.count, doseFields()});
    });
    connect(m_alarm, &Alarm::crossed, this, [this](double mean, double threshold, bool above) {
        QString line = QStringLiteral("alarm: %1-minute mean %2 cpm %3 the threshold %4 cpm")
                           .arg(m_alarm->minutes())
                           .arg(mean, 0, 'f', 1)
                           .arg(above ? QStringLiteral("reached") : QStringLiteral("fell below"))
                           .arg(threshold, 0, 'g', 6);
        if (m_options.factor)
            line += QStringLiteral(" (%1 µSv/h)").arg(ReadoutText::usvh(mean / *m_options.factor));
        writeLine(m_options.err, line);
    });
    // Each tally's auto-save ends in one of the two, in the order of the tallies.
    connect(m_session, &MeasurementSession::autoSaved, this, &HeadlessLogger::writeTallyLine);
    connect(m_session, &MeasurementSession::autoSaveFailed, this,
            [this] { writeTallyLine(QStringLiteral("-")); });
}

HeadlessLogger::~HeadlessLogger()
{
    stop();
}

bool HeadlessLogger::start()
{
    const QString folder = m_options.dataFolder;
    if (folder.isEmpty()) {
        writeLine(m_options.err, QStringLiteral("error: no data folder"));
        return false;
    }
    if (!m_options.openFile.isEmpty()) {
        const QString &path = m_options.openFile;
        if (!LogFile::exists(path)) {
            writeLine(m_options.err, QStringLiteral("error: no log file ") + path);
            return false;
        }
        const LogFile::LoadResult loaded =
            LogFile::load(path, *m_table, m_options.clock->now().date());
        if (!loaded.ok) {
            writeLine(m_options.err, QStringLiteral("error: cannot read ") + path +
                                         QStringLiteral(": ") + loaded.error);
            return false;
        }
        writeLine(m_options.err, QStringLiteral("continuing ") + path);
    }
    if (!m_session->start(m_options.portName)) {
        writeLine(m_options.err, QStringLiteral("error: cannot open the port ") +
                                     m_options.portName + QStringLiteral(": ") +
                                     m_session->port()->lastError());
        if (m_session->port()->lastErrorWasPermission())
            writeLine(m_options.err, PermissionAdvice::text(m_options.portName));
        return false;
    }
    // Made only once the port is open: a failed start leaves nothing behind.
    if (DataFolder::prepare(folder) != DataFolder::Status::Ready) {
        writeLine(m_options.err,
                  QStringLiteral("error: cannot make or write the data folder ") + folder);
        m_session->stop();
        return false;
    }
    if (m_options.mqtt) {
        m_publisher = new MqttPublisher(*m_options.mqtt, m_options.mqttOutbox, this);
        m_publisher->setClock(m_options.clock);
        m_publisher->setFactor(m_options.factor);
        connect(m_alarm, &Alarm::crossed, m_publisher,
                [this](double mean, double threshold, bool above) {
                    m_publisher->publishAlarm(m_options.clock->now(), mean, threshold,
                                              m_alarm->minutes(), above);
                });
        connect(m_publisher, &MqttPublisher::message, this,
                [this](const QString &line) { writeLine(m_options.err, line); });
        m_publisher->attach(m_session);
        m_publisher->start();
    }
    // The first reading only marks the minute: a tick early in the next
    // minute then tallies the pulses counted since now.
    m_ticks->tick();
    m_ticks->start();
    return true;
}

void HeadlessLogger::stop()
{
    m_ticks->stop();
    if (!m_session->measuring())
        return;
    const qint32 untallied = m_session->pulseCounter();
    m_session->stop();
    if (!m_session->finishWrites())
        writeLine(m_options.err, QStringLiteral("error: files of %1 tallies not written")
                                     .arg(qsizetype(m_tallies.size())));
    if (m_publisher) {
        m_publisher->setCounterConnected(false);
        m_publisher->stop();
    }
    if (untallied > 0)
        writeLine(m_options.err,
                  QStringLiteral("%1 pulses of the running minute not stored").arg(untallied));
}

void HeadlessLogger::writeTallyLine(const QString &file)
{
    if (m_tallies.empty())
        return;
    const Tally tally = m_tallies.front();
    m_tallies.pop_front();
    writeLine(m_options.out, TimeText::isoWithOffset(tally.t, false) + u'\t' +
                                 QString::number(tally.count) + u'\t' + file + tally.doseFields);
}

QString HeadlessLogger::doseFields() const
{
    if (!m_options.factor)
        return {};
    const auto mean = m_recent.mean(ReadoutText::MeanMinutes);
    if (!mean)
        return QStringLiteral("\t-\t-");
    return u'\t' + QString::number(mean->cpm, 'f', 1) + u'\t' +
           ReadoutText::usvh(mean->cpm / *m_options.factor);
}

void HeadlessLogger::writeLine(std::FILE *to, const QString &line) const
{
    const QByteArray bytes = (line + u'\n').toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), to);
    std::fflush(to);
}
