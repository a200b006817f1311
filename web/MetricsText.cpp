// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/MetricsText.h"

#include "web/WebState.h"

namespace
{

void head(QByteArray &out, const char *name, const char *type, const char *help)
{
    out += "# HELP ";
    out += name;
    out += ' ';
    out += help;
    out += "\n# TYPE ";
    out += name;
    out += ' ';
    out += type;
    out += '\n';
}

void sample(QByteArray &out, const char *name, const QByteArray &value, const QByteArray &labels = {})
{
    out += name;
    out += labels;
    out += ' ';
    out += value;
    out += '\n';
}

QByteArray number(double v)
{
    return QByteArray::number(v, 'g', 10);
}

} // namespace

QByteArray MetricsText::render(const WebState &s)
{
    QByteArray out;
    out.reserve(2048);
    head(out, "torvale_pulses_total", "counter", "Pulses tallied since the program started.");
    sample(out, "torvale_pulses_total", QByteArray::number(s.pulsesTotal));
    head(out, "torvale_minute_counts", "gauge", "Pulses of the last minute tally.");
    if (s.last)
        sample(out, "torvale_minute_counts", QByteArray::number(s.last->count));
    head(out, "torvale_mean10_cpm", "gauge", "Mean counts per minute over the last 10 minutes.");
    if (s.mean10)
        sample(out, "torvale_mean10_cpm", number(s.mean10->cpm));
    head(out, "torvale_dose_rate_usv_per_hour", "gauge",
         "Dose rate in microsievert per hour: the 10-minute mean over the conversion factor.");
    if (s.mean10 && s.factor)
        sample(out, "torvale_dose_rate_usv_per_hour", number(s.mean10->cpm / *s.factor),
               "{factor=\"" + number(*s.factor) + "\"}");
    head(out, "torvale_port_up", "gauge", "Whether the counter's serial port is open (1) or not (0).");
    sample(out, "torvale_port_up", s.portUp ? "1" : "0");
    head(out, "torvale_last_tally_timestamp_seconds", "gauge",
         "Unix time of the end of the last minute tally.");
    if (s.last)
        sample(out, "torvale_last_tally_timestamp_seconds",
               QByteArray::number(s.last->end.toSecsSinceEpoch()));
    head(out, "torvale_mqtt_pending_messages", "gauge",
         "MQTT messages kept in the outbox until the broker acknowledges them.");
    if (s.mqttEnabled)
        sample(out, "torvale_mqtt_pending_messages", QByteArray::number(s.mqttPending));
    head(out, "torvale_upload_last_success_timestamp_seconds", "gauge",
         "Unix time of the last upload a map accepted (0: none yet).");
    for (const WebState::Upload &u : s.uploads)
        sample(out, "torvale_upload_last_success_timestamp_seconds",
               QByteArray::number(u.lastSuccess.isValid() ? u.lastSuccess.toSecsSinceEpoch() : 0),
               "{service=\"" + u.service.toLatin1() + "\"}");
    return out;
}
