// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/WebFeed.h"

#include "core/Clock.h"
#include "core/DayTable.h"
#include "stats/ReadoutText.h"
#include "web/WebServer.h"
#include "web/WebState.h"


WebFeed::WebFeed(const DayTable *table, WebServer *server, const Clock *clock, QObject *parent)
    : QObject(parent), m_table(table), m_server(server), m_clock(clock), m_state(std::make_shared<WebState>())
{
}

void WebFeed::setFactor(std::optional<double> factor)
{
    m_state->factor = factor;
}

void WebFeed::setPort(const QString &name, bool up)
{
    m_state->portName = name;
    m_state->portUp = up;
    publish();
}

void WebFeed::setMqtt(MqttProbe probe)
{
    m_mqtt = std::move(probe);
}

void WebFeed::setUploadServices(const QStringList &services)
{
    QList<WebState::Upload> uploads;
    for (const QString &service : services) {
        WebState::Upload u{service, QStringLiteral("waiting"), {}};
        for (const WebState::Upload &old : std::as_const(m_state->uploads))
            if (old.service == service)
                u = old;
        uploads.append(u);
    }
    m_state->uploads = uploads;
    publish();
}

void WebFeed::setUploadState(const QString &service, const QString &state)
{
    for (WebState::Upload &u : m_state->uploads) {
        if (u.service != service)
            continue;
        u.state = state;
        if (state == u"accepted")
            u.lastSuccess = m_clock->now();
    }
    publish();
}

void WebFeed::addMinute(const MinuteCount &minute)
{
    m_recent.add(minute);
    WebState &s = *m_state;
    ++s.generation;
    s.last = minute;
    s.mean10 = m_recent.shortMean();
    s.pulsesTotal += minute.count;
    s.table = m_table->snapshot();
    s.mqttEnabled = m_mqtt && m_mqtt(&s.mqttConnected, &s.mqttPending);
    publish();
}

void WebFeed::publish()
{
    if (m_state->generation == 0 && m_state->table.colCount() == 0)
        m_state->table = m_table->snapshot();
    // The server keeps this one; the next change starts from a copy.
    m_server->publish(m_state);
    m_state = std::make_shared<WebState>(*m_state);
}
