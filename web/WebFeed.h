// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/MinuteCount.h"
#include "core/RecentMinutes.h"

#include <QObject>

#include <functional>
#include <optional>

class Clock;
class DayTable;
class WebServer;
struct WebState;

// Gathers what the web server shows from the measurement and hands it over
// as a new WebState: at each minute tally (the table's snapshot, the
// readout, the MQTT outbox) and at each change of the port's or an upload's
// state.  Fed by the front end (the headless logger or the window) like the
// uploads are: minute counts and states, never the window itself.
//
// Thread: the table's (the measurement's).  The table, the server and the
// clock (which times the uploads' successes) must outlive it.
class WebFeed : public QObject
{
    Q_OBJECT
public:
    WebFeed(const DayTable *table, WebServer *server, const Clock *clock,
            QObject *parent = nullptr);

    void setFactor(std::optional<double> factor);
    void setPort(const QString &name, bool up);
    // Asked at each tally: false when no broker is set up, else whether it
    // is connected and how many messages wait for it.
    using MqttProbe = std::function<bool(bool *connected, qint64 *pending)>;
    void setMqtt(MqttProbe probe);
    // The maps switched on, by their keys ("radmon" ...); a new one waits
    // for its first upload, one that stays keeps its state.
    void setUploadServices(const QStringList &services);
    // An upload's outcome: "accepted", "refused", "http_error" or "no_answer".
    void setUploadState(const QString &service, const QString &state);

    // One minute tally (the session's minuteCounted, after the table has it).
    void addMinute(const MinuteCount &minute);

    // Hands the state as it is now to the server.
    void publish();

private:
    const DayTable *m_table;
    WebServer *m_server;
    const Clock *m_clock;
    MqttProbe m_mqtt;
    RecentMinutes m_recent;
    std::shared_ptr<WebState> m_state; // the next to hand over
};
