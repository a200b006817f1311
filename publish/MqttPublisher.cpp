// SPDX-License-Identifier: GPL-3.0-or-later
#include "publish/MqttPublisher.h"

#include "core/Clock.h"
#include "core/TimeText.h"
#include "logfile/RecoveryCopy.h"
#include "measure/MeasurementSession.h"
#include "publish/MqttLink.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QRegularExpression>

MqttPublisher::MqttPublisher(const MqttConfig &config, const QString &outboxFolder,
                             QObject *parent)
    : QObject(parent), m_config(config), m_clock(&systemClock())
{
    const QString folder =
        outboxFolder.isEmpty() ? defaultOutboxFolder(config.stationName()) : outboxFolder;
    // Reports come on the link's thread and are handed to this one.
    QPointer<MqttPublisher> self(this);
    auto report = [self](MqttLink::Event, const QString &text) {
        QMetaObject::invokeMethod(
            self, [self, text] {
                if (self)
                    emit self->message(QStringLiteral("MQTT: ") + text);
            },
            Qt::QueuedConnection);
    };
    m_link = std::make_unique<MqttLink>(config, folder, QCoreApplication::applicationVersion(),
                                        report);
}

MqttPublisher::~MqttPublisher()
{
    stop();
}

QString MqttPublisher::defaultOutboxFolder(const QString &station)
{
    QString name = station;
    name.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9_.-]")), QStringLiteral("_"));
    return RecoveryCopy::defaultFolder() + QStringLiteral("/mqtt-") + name;
}

void MqttPublisher::setClock(const Clock *clock)
{
    m_clock = clock ? clock : &systemClock();
}

const Clock &MqttPublisher::systemClock()
{
    static const SystemClock clock;
    return clock;
}

void MqttPublisher::start()
{
    m_link->start();
}

void MqttPublisher::stop()
{
    m_link->stop();
}

void MqttPublisher::attach(MeasurementSession *session)
{
    connect(session, &MeasurementSession::minuteCounted, this, &MqttPublisher::publishMinute);
    connect(session, &MeasurementSession::portLost, this, [this](const QString &port) {
        setCounterConnected(false);
        publishEvent(m_clock->now(), QStringLiteral("port_lost"),
                     {{QStringLiteral("port"), port}});
    });
    connect(session, &MeasurementSession::portReturned, this, [this](const QString &port) {
        setCounterConnected(true);
        publishEvent(m_clock->now(), QStringLiteral("port_returned"),
                     {{QStringLiteral("port"), port}});
    });
    setCounterConnected(session->measuring() && !session->isPortLost());
}

void MqttPublisher::setFactor(std::optional<double> factor)
{
    if (factor && !(*factor > 0))
        factor.reset();
    m_factor = factor;
    m_link->setFactor(factor);
}

void MqttPublisher::setCounterConnected(bool connected)
{
    m_link->setCounterConnected(connected);
}

void MqttPublisher::publishMinute(const MinuteCount &minute)
{
    m_recent.add(minute);
    QJsonObject o{{QStringLiteral("time"), TimeText::isoWithOffset(minute.end)},
                  {QStringLiteral("cpm"), minute.count}};
    if (minute.minutes != 1)
        o.insert(QStringLiteral("minutes"), minute.minutes);
    const auto mean = m_recent.mean(10);
    if (mean)
        o.insert(QStringLiteral("mean10"), std::round(mean->cpm * 100) / 100);
    if (m_factor) {
        // The dose rate of this minute's own rate.
        const double cpm = double(minute.count) / qMax(1, minute.minutes);
        o.insert(QStringLiteral("usv_h"), std::round(cpm / *m_factor * 10000) / 10000);
    }
    m_link->enqueue("minute", QJsonDocument(o).toJson(QJsonDocument::Compact));
}

void MqttPublisher::publishEvent(const QDateTime &t, const QString &name,
                                 const QJsonObject &details)
{
    QJsonObject o = details;
    o.insert(QStringLiteral("time"), TimeText::isoWithOffset(t));
    o.insert(QStringLiteral("event"), name);
    m_link->enqueue("event", QJsonDocument(o).toJson(QJsonDocument::Compact));
}

void MqttPublisher::publishAlarm(const QDateTime &t, double meanCpm, double thresholdCpm,
                                 int minutes, bool above)
{
    QJsonObject o{{QStringLiteral("mean_cpm"), std::round(meanCpm * 100) / 100},
                  {QStringLiteral("threshold_cpm"), std::round(thresholdCpm * 100) / 100},
                  {QStringLiteral("minutes"), minutes}};
    if (m_factor)
        o.insert(QStringLiteral("mean_usv_h"), std::round(meanCpm / *m_factor * 10000) / 10000);
    publishEvent(t, above ? QStringLiteral("alarm_on") : QStringLiteral("alarm_off"), o);
}
