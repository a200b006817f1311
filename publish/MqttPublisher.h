// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/MinuteCount.h"
#include "core/RecentMinutes.h"
#include "publish/MqttConfig.h"

#include <QJsonObject>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class Clock;
class MeasurementSession;
class MqttLink;

// Publishes a measurement to an MQTT broker, for the window and the headless
// logger alike:
//   <prefix>/minute   {"time": end of the minute with its UTC offset,
//                      "cpm": the tally's count, "minutes": when it covers
//                      more than one, "mean10": the 10-minute mean,
//                      "usv_h": with a conversion factor}
//   <prefix>/event    {"time", "event": "port_lost" | "port_returned" | ...}
//   <prefix>/status   "online" / "offline" (retained, offline the last will)
//   <prefix>/counter  "connected" / "disconnected" (retained)
// and Home Assistant's discovery (see Discovery).  Every minute and event
// goes through the durable outbox of MqttLink, so none is lost while the
// broker is away; a consumer may see one twice.
//
// Lives on the thread of the session it is attached to (the GUI thread, or
// the headless main thread), and only builds small JSON texts there; the
// disk and the network are the link's thread's.  Its signals come on its
// own thread.
class MqttPublisher : public QObject
{
    Q_OBJECT
public:
    // `outboxFolder` empty: defaultOutboxFolder() for the station.
    explicit MqttPublisher(const MqttConfig &config, const QString &outboxFolder = {},
                           QObject *parent = nullptr);
    ~MqttPublisher() override;

    // $XDG_STATE_HOME/torvale/mqtt-<station> (~/.local/state without it;
    // under the service, its state folder).
    static QString defaultOutboxFolder(const QString &station);

    void start();
    // Sends "offline" when connected and ends the link's thread (at most
    // about a second once the broker answers).
    void stop();

    // Publishes the session's tallies and its port's loss and return.
    void attach(MeasurementSession *session);
    // The clock of the port events' times (the system's by default).
    void setClock(const Clock *clock);
    void setFactor(std::optional<double> factor);
    void setCounterConnected(bool connected);

    void publishMinute(const MinuteCount &minute);
    // An event of the measurement, e.g. an alarm: {"time": t, "event": name}
    // plus `details`' members.
    void publishEvent(const QDateTime &t, const QString &name, const QJsonObject &details = {});

    // The alarm's crossing: {"event": "alarm_on" | "alarm_off", "mean_cpm",
    // "threshold_cpm", "minutes"} and, with a factor, "mean_usv_h".
    void publishAlarm(const QDateTime &t, double meanCpm, double thresholdCpm, int minutes,
                      bool above);

signals:
    // One line for the pane or stderr: connected, a failure (once per kind),
    // the outbox dropping or failing.  Never holds the password.
    void message(const QString &line);

private:
    static const Clock &systemClock();

    MqttConfig m_config;
    const Clock *m_clock;
    std::unique_ptr<MqttLink> m_link;
    RecentMinutes m_recent{10};
    std::optional<double> m_factor;
};
