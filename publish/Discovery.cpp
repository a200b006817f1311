// SPDX-License-Identifier: GPL-3.0-or-later
#include "publish/Discovery.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace
{

// Discovery topics and unique ids take [a-zA-Z0-9_-] only.  A name with
// other characters gets '_' for them and a hash of the whole name, so that
// two stations never share a device ("屋上" and "山頂"); names of these
// characters keep the ids they always had.
QString objectId(const QString &station)
{
    static const QRegularExpression other(QStringLiteral("[^A-Za-z0-9_-]"));
    QString id = station;
    id.replace(other, QStringLiteral("_"));
    if (id != station)
        id += u'_' + QString::fromLatin1(
                         QCryptographicHash::hash(station.toUtf8(), QCryptographicHash::Sha256)
                             .toHex()
                             .left(8));
    return QStringLiteral("torvale_") + id;
}

} // namespace

QList<Discovery::Message> Discovery::messages(const MqttConfig &config, const QString &version,
                                              std::optional<double> factor)
{
    const QString prefix = config.topicPrefix();
    const QString node = objectId(config.stationName());
    const QJsonObject device{
        {QStringLiteral("identifiers"), QJsonArray{node}},
        {QStringLiteral("name"), QStringLiteral("TORVALE ") + config.stationName()},
        {QStringLiteral("manufacturer"), QStringLiteral("TORVALE")},
        {QStringLiteral("model"), QStringLiteral("GM counter logger")},
        {QStringLiteral("sw_version"), version},
    };
    // The entity id Home Assistant gives at first: "<component>.<node>_<key>".
    const auto entity = [&](const QString &component, const QString &name, const QString &key) {
        return QJsonObject{
            {QStringLiteral("name"), name},
            {QStringLiteral("unique_id"), node + u'_' + key},
            {QStringLiteral("default_entity_id"), component + u'.' + node + u'_' + key},
            {QStringLiteral("availability_topic"), prefix + QStringLiteral("/status")},
            {QStringLiteral("payload_available"), QStringLiteral("online")},
            {QStringLiteral("payload_not_available"), QStringLiteral("offline")},
            {QStringLiteral("device"), device},
        };
    };
    struct Sensor {
        QString name;
        QString key; // also the field of the minute's JSON it shows
        QString unit;
        int precision;
    };
    const auto sensor = [&](const Sensor &s) {
        QJsonObject o = entity(QStringLiteral("sensor"), s.name, s.key);
        o.insert(QStringLiteral("state_topic"), prefix + QStringLiteral("/minute"));
        o.insert(QStringLiteral("value_template"),
                 QStringLiteral("{{ value_json.%1 | round(%2) }}").arg(s.key).arg(s.precision));
        o.insert(QStringLiteral("unit_of_measurement"), s.unit);
        o.insert(QStringLiteral("state_class"), QStringLiteral("measurement"));
        return o;
    };
    const auto message = [&](const QString &component, const QString &key, const QJsonObject &o) {
        return Message{(QStringLiteral("homeassistant/") + component + u'/' + node + u'/' + key +
                        QStringLiteral("/config"))
                           .toUtf8(),
                       o.isEmpty() ? QByteArray() : QJsonDocument(o).toJson(QJsonDocument::Compact)};
    };

    QList<Message> out;
    out.append(message(QStringLiteral("sensor"), QStringLiteral("cpm"),
                       sensor({QStringLiteral("Counts per minute"), QStringLiteral("cpm"),
                               QStringLiteral("CPM"), 0})));
    out.append(message(QStringLiteral("sensor"), QStringLiteral("mean10"),
                       sensor({QStringLiteral("10-minute mean"), QStringLiteral("mean10"),
                               QStringLiteral("CPM"), 1})));
    // U+03BC GREEK SMALL LETTER MU, as in Home Assistant's own units.
    out.append(message(QStringLiteral("sensor"), QStringLiteral("usv_h"),
                       factor ? sensor({QStringLiteral("Dose rate"), QStringLiteral("usv_h"),
                                        QStringLiteral("\u03bcSv/h"), 3})
                              : QJsonObject()));
    QJsonObject counter = entity(QStringLiteral("binary_sensor"), QStringLiteral("Counter connected"),
                                 QStringLiteral("counter"));
    counter.insert(QStringLiteral("state_topic"), prefix + QStringLiteral("/counter"));
    counter.insert(QStringLiteral("payload_on"), QStringLiteral("connected"));
    counter.insert(QStringLiteral("payload_off"), QStringLiteral("disconnected"));
    counter.insert(QStringLiteral("device_class"), QStringLiteral("connectivity"));
    out.append(message(QStringLiteral("binary_sensor"), QStringLiteral("counter"), counter));
    return out;
}
