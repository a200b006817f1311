// SPDX-License-Identifier: GPL-3.0-or-later
// The durable outbox across restarts, torn writes and its limit; the broker
// URL of the command line; the [MQTT] settings section.

#include "logfile/IniFile.h"
#include "publish/MqttSettings.h"
#include "publish/MqttUrl.h"
#include "publish/Outbox.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace
{

QList<qint64> seqs(const QList<Outbox::Record> &records)
{
    QList<qint64> out;
    for (const Outbox::Record &r : records)
        out.append(r.seq);
    return out;
}

TEST(OutboxTest, KeepsWhatIsNotAcknowledgedAcrossRestartsAndTornWrites)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("outbox"));
    {
        Outbox box(folder, 1000, 3);
        ASSERT_EQ(box.open(), QString());
        for (int i = 1; i <= 7; ++i)
            ASSERT_EQ(box.append("minute", QByteArray::number(i)), QString());
        EXPECT_EQ(box.newestOf("minute"), 7);
        EXPECT_EQ(seqs(box.read(2, 4)), (QList<qint64>{2, 3, 4, 5}));
        // A second instance on the same folder is refused.
        Outbox other(folder, 1000, 3);
        EXPECT_TRUE(other.open().contains(QStringLiteral("in use")));
        ASSERT_EQ(box.acknowledge(4), QString());
        // The first segment (1-3) is gone, the second (4-6) still holds 5 and 6.
        EXPECT_EQ(QDir(folder).entryList({QStringLiteral("*.seg")}).size(), 2);
    }
    // A crash in the middle of an append left half a line.
    QFile last(folder + QStringLiteral("/000000000007.seg"));
    ASSERT_TRUE(last.open(QIODevice::Append));
    last.write("8\tminute\t{\"cp");
    last.close();
    Outbox box(folder, 1000, 3);
    ASSERT_EQ(box.open(), QString());
    EXPECT_EQ(box.acked(), 4);
    EXPECT_EQ(box.pending(), 3);
    const QList<Outbox::Record> left = box.read(1, 10);
    ASSERT_EQ(seqs(left), (QList<qint64>{5, 6, 7}));
    EXPECT_EQ(left.last().payload, "7");
    EXPECT_EQ(left.last().topic, "minute");
    ASSERT_EQ(box.append("event", "{\"x\":1}"), QString());
    EXPECT_EQ(box.read(8, 1).value(0).payload, "{\"x\":1}");
    EXPECT_EQ(box.newestOf("minute"), 7);
    ASSERT_EQ(box.acknowledge(8), QString());
    EXPECT_EQ(box.pending(), 0);
    EXPECT_EQ(box.newestOf("minute"), 0);
}

TEST(OutboxTest, DropsTheOldestSegmentsPastItsLimitAndSaysHowMany)
{
    QTemporaryDir dir;
    Outbox box(dir.filePath(QStringLiteral("o")), 10, 4);
    ASSERT_EQ(box.open(), QString());
    for (int i = 1; i <= 11; ++i)
        ASSERT_EQ(box.append("minute", "x"), QString());
    EXPECT_EQ(box.takeDropped(), 4);
    EXPECT_EQ(box.takeDropped(), 0);
    EXPECT_EQ(box.pending(), 7);
    EXPECT_EQ(box.read(1, 1).value(0).seq, 5);
    // A year of minutes fits the default limit.
    EXPECT_GE(Outbox::DefaultLimit, 366 * 1440);
}

TEST(MqttUrlTest, ReadsTheBrokerAndRefusesMalformedUrls)
{
    MqttUrl::Parsed p = MqttUrl::parse(QStringLiteral("mqtt://broker.lan"));
    ASSERT_EQ(p.error, QString());
    EXPECT_EQ(p.config.host, QStringLiteral("broker.lan"));
    EXPECT_EQ(p.config.port, 1883);
    EXPECT_FALSE(p.config.tls);
    p = MqttUrl::parse(QStringLiteral("mqtts://meter@[::1]:9883/site/a"));
    ASSERT_EQ(p.error, QString());
    EXPECT_EQ(p.config.host, QStringLiteral("::1"));
    EXPECT_EQ(p.config.port, 9883);
    EXPECT_TRUE(p.config.tls);
    EXPECT_EQ(p.config.user, QStringLiteral("meter"));
    EXPECT_EQ(p.config.topicPrefix(), QStringLiteral("site/a"));
    EXPECT_EQ(MqttUrl::parse(QStringLiteral("mqtts://h")).config.port, 8883);
    MqttConfig c;
    c.station = QStringLiteral("roof");
    EXPECT_EQ(c.topicPrefix(), QStringLiteral("torvale/roof"));

    for (const char *bad : {"http://h", "mqtt://", "mqtt://h:", "mqtt://h:0", "mqtt://h:70000",
                            "mqtt://h:12x", "mqtt://u:pw@h", "mqtt://@h", "mqtt://h/", "mqtt://h/a/#",
                            "mqtt://h/a//b", "mqtt://[::1", "mqtt://h h", "mqtt://h:+1"})
        EXPECT_FALSE(MqttUrl::parse(QString::fromLatin1(bad)).error.isEmpty()) << bad;
    // A password in the URL is refused without being shown.
    EXPECT_FALSE(MqttUrl::parse(QStringLiteral("mqtt://u:pw-9x@h")).error.contains(QStringLiteral("pw-9x")));
}

TEST(MqttSettingsTest, KeepsItsSectionWithoutThePassword)
{
    MqttSettings s;
    s.enabled = true;
    s.config.host = QStringLiteral("broker");
    s.config.port = 8883;
    s.config.tls = true;
    s.config.caFile = QStringLiteral("/etc/ca.pem");
    s.config.user = QStringLiteral("meter");
    s.config.password = "secret";
    s.config.station = QStringLiteral("roof");
    s.config.discovery = false;
    IniFile ini;
    s.writeSettings(ini);
    EXPECT_FALSE(ini.toBytes().contains("secret"));
    MqttSettings back;
    back.readSettings(IniFile::fromBytes(ini.toBytes()));
    EXPECT_TRUE(back.enabled);
    EXPECT_EQ(back.config.host, QStringLiteral("broker"));
    EXPECT_EQ(back.config.port, 8883);
    EXPECT_TRUE(back.config.tls);
    EXPECT_EQ(back.config.caFile, QStringLiteral("/etc/ca.pem"));
    EXPECT_EQ(back.config.station, QStringLiteral("roof"));
    EXPECT_FALSE(back.config.discovery);
    // Odd values leave the defaults.
    MqttSettings odd;
    odd.readSettings(IniFile::fromBytes("[MQTT]\r\nPort=99999\r\nEnabled=x\r\n"));
    EXPECT_EQ(odd.config.port, 1883);
    EXPECT_FALSE(odd.enabled);
}

} // namespace
