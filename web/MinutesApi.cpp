// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/MinutesApi.h"

#include "core/DayTable.h"
#include "stats/TidyExport.h"
#include "web/WebState.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace
{

QByteArray exportOf(const DaySnapshot &part, std::optional<double> factor)
{
    DayTable table;
    table.assign(part);
    QByteArray out;
    TidyExport::write(table, factor, [&out](const QByteArray &piece) {
        out += piece;
        return true;
    });
    return out;
}

// "yyyy-MM-ddTHH:mm", which sorts as the export's time column does.
QByteArray minuteKey(const StoredMinutes::Minute &m)
{
    return QStringLiteral("%1T%2:%3")
        .arg(m.date.toString(Qt::ISODate))
        .arg(m.minuteOfDay / 60, 2, 10, QLatin1Char('0'))
        .arg(m.minuteOfDay % 60, 2, 10, QLatin1Char('0'))
        .toLatin1();
}

constexpr qsizetype MinuteKeyLength = 16;

// A JSON number: digits with sign, point and exponent only ("inf" and
// "nan" would parse as doubles but are no JSON).
bool isNumber(QByteArrayView v)
{
    for (const char c : v)
        if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E'))
            return false;
    bool ok = false;
    (void)v.toDouble(&ok);
    return ok;
}

// One export row as a JSON object; `names` are the header's columns.
void appendRow(QByteArray &out, const QList<QByteArrayView> &names, QByteArrayView line)
{
    out += '{';
    qsizetype start = 0;
    for (qsizetype i = 0; i < names.size(); ++i) {
        qsizetype end = line.indexOf(',', start);
        if (end < 0)
            end = line.size();
        const QByteArrayView value = line.sliced(start, end - start);
        start = end + 1;
        if (value.isEmpty())
            continue;
        if (out.back() != '{')
            out += ',';
        out += '"';
        out += names[i];
        out += "\":";
        if (i > 0 && isNumber(value)) {
            out += value;
        } else {
            out += '"';
            out += value;
            out += '"';
        }
        if (end >= line.size())
            break;
    }
    out += '}';
}

QJsonValue isoOrNull(const QDateTime &t)
{
    return t.isValid() ? QJsonValue(t.toOffsetFromUtc(t.offsetFromUtc()).toString(Qt::ISODate))
                       : QJsonValue();
}

} // namespace

QByteArray MinutesApi::csv(const DaySnapshot &table, std::optional<double> factor)
{
    return exportOf(table, factor);
}

QByteArray MinutesApi::json(const DaySnapshot &table, const StoredMinutes::Span &span,
                            std::optional<double> factor)
{
    const QDate first = span.from ? span.from->date : QDate(1, 1, 1);
    const QDate last = span.to ? span.to->date : QDate(9999, 12, 31);
    const QByteArray text = exportOf(table.daysBetween(first, last), factor);
    const QByteArray fromKey = span.from ? minuteKey(*span.from) : QByteArray();
    const QByteArray toKey = span.to ? minuteKey(*span.to) : QByteArray();

    QByteArray out("[");
    out.reserve(text.size() + text.size() / 2);
    const qsizetype headerEnd = text.indexOf('\n');
    const QList<QByteArray> header = text.left(qMax<qsizetype>(headerEnd, 0)).split(',');
    const QList<QByteArrayView> names(header.cbegin(), header.cend());
    for (qsizetype pos = headerEnd + 1; headerEnd >= 0 && pos < text.size();) {
        qsizetype end = text.indexOf('\n', pos);
        if (end < 0)
            end = text.size();
        const QByteArrayView line = QByteArrayView(text).sliced(pos, end - pos);
        pos = end + 1;
        const QByteArrayView key = line.first(qMin(MinuteKeyLength, line.size()));
        if ((!fromKey.isEmpty() && key < fromKey) || (!toKey.isEmpty() && toKey < key))
            continue;
        if (out.size() > 1)
            out += ",\n";
        appendRow(out, names, line);
    }
    out += "]\n";
    return out;
}

QByteArray MinutesApi::status(const WebState &s)
{
    QJsonObject o;
    o[u"generation"] = double(s.generation);
    QJsonObject readout;
    if (s.last) {
        readout[u"time"] = isoOrNull(s.last->end);
        readout[u"cpm"] = double(s.last->count);
        readout[u"minutes"] = s.last->minutes;
    }
    if (s.mean10) {
        readout[u"mean10_cpm"] = s.mean10->cpm;
        readout[u"mean10_sigma"] = s.mean10->sigma;
        if (s.factor) {
            readout[u"usv_h"] = s.mean10->cpm / *s.factor;
            readout[u"usv_h_sigma"] = s.mean10->sigma / *s.factor;
        }
    }
    if (s.factor)
        readout[u"factor"] = *s.factor;
    o[u"readout"] = readout;
    o[u"port"] = QJsonObject{{QStringLiteral("name"), s.portName}, {QStringLiteral("open"), s.portUp}};
    o[u"counter"] = QJsonObject{{QStringLiteral("connected"), s.portUp},
                                {QStringLiteral("pulses_total"), double(s.pulsesTotal)}};
    QJsonObject mqtt{{QStringLiteral("enabled"), s.mqttEnabled}};
    if (s.mqttEnabled) {
        mqtt[u"connected"] = s.mqttConnected;
        mqtt[u"pending"] = double(s.mqttPending);
    }
    o[u"mqtt"] = mqtt;
    QJsonArray uploads;
    for (const WebState::Upload &u : s.uploads)
        uploads.append(QJsonObject{{QStringLiteral("service"), u.service},
                                   {QStringLiteral("state"), u.state},
                                   {QStringLiteral("last_success"), isoOrNull(u.lastSuccess)}});
    o[u"uploads"] = uploads;
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}
