// SPDX-License-Identifier: GPL-3.0-or-later
#include "publish/MqttPublisher.h"

#include "core/Clock.h"
#include "core/StopDeadline.h"
#include "core/TimeText.h"
#include "logfile/RecoveryCopy.h"
#include "publish/MqttLink.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QUrl>

MqttPublisher::MqttPublisher(const MqttConfig &config, const QString &outboxFolder,
                             QObject *parent)
    : QObject(parent), m_config(config), m_clock(&systemClock())
{
    const QString folder =
        outboxFolder.isEmpty() ? defaultOutboxFolder(config.stationName()) : outboxFolder;
    // Reports come on the link's thread and are handed to this one.
    QPointer<MqttPublisher> self(this);
    auto report = [self](MqttLink::Event event, const QString &text) {
        QMetaObject::invokeMethod(
            self, [self, event, text] {
                if (!self)
                    return;
                emit self->message(QStringLiteral("MQTT: ") + text);
                if (event == MqttLink::Event::Failed)
                    emit self->failed(text);
                else if (event != MqttLink::Event::Note)
                    emit self->linkChanged(event == MqttLink::Event::Connected, text);
            },
            Qt::QueuedConnection);
    };
    m_link = std::make_unique<MqttLink>(config, folder, QCoreApplication::applicationVersion(),
                                        report);
}

MqttPublisher::~MqttPublisher()
{
    MqttLink::retire(std::move(m_link), StopDeadline::deadline());
}

QString MqttPublisher::defaultOutboxFolder(const QString &station)
{
    // The names older versions gave (with '_' for anything else) stay as
    // they were for stations of these characters.
    const QByteArray name = QUrl::toPercentEncoding(station, {}, "~");
    return RecoveryCopy::defaultFolder() + QStringLiteral("/mqtt-") + QString::fromLatin1(name);
}

QString MqttPublisher::open()
{
    return m_link->open();
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
    m_link->stop(StopDeadline::deadline());
}

void MqttPublisher::portLost(const QString &port)
{
    setCounterConnected(false);
    publishEvent(m_clock->now(), QStringLiteral("port_lost"), {{QStringLiteral("port"), port}});
}

void MqttPublisher::portReturned(const QString &port)
{
    setCounterConnected(true);
    publishEvent(m_clock->now(), QStringLiteral("port_returned"), {{QStringLiteral("port"), port}});
}

void MqttPublisher::setFactor(std::optional<double> factor)
{
    if (factor && !(*factor > 0))
        factor.reset();
    m_factor = factor;
    m_link->setFactor(factor);
}

qint64 MqttPublisher::pendingMessages() const
{
    return m_link->pending();
}

bool MqttPublisher::brokerConnected() const
{
    return m_link->connected();
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
    const auto mean = m_recent.shortMean();
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
