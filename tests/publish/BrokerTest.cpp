// SPDX-License-Identifier: GPL-3.0-or-later
// The publisher against a real mosquitto: anonymous, with a password, over
// TLS with a CA of the test's own, refused log-ins and certificates, an
// unknown host, and a broker that is absent at start and killed mid-run,
// with the headless logger on the simulator's line and a fake clock.

#include "Broker.h"
#include "common/Wait.h"

#include "window/FakeClock.h"
#include "cli/HeadlessLogger.h"
#include "core/DayTable.h"
#include "core/StopDeadline.h"
#include "core/TimeText.h"
#include "logfile/AutoSave.h"
#include "logfile/LogFile.h"
#include "measure/MeasurementSession.h"
#include "publish/MqttLink.h"
#include "publish/MqttPublisher.h"
#include "publish/Outbox.h"
#include "tools/GmSimulator.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

using namespace publishtest;

namespace
{

QJsonObject json(const QString &text)
{
    return QJsonDocument::fromJson(text.toUtf8()).object();
}

class BrokerTest : public ::testing::Test
{
protected:
    // A stopped headless logger started the process's stop budget.
    void TearDown() override { StopDeadline::cancel(); }
    QString path(const QString &name) const { return dir.filePath(name); }

    MqttConfig config(int port) const
    {
        MqttConfig c;
        c.host = QStringLiteral("127.0.0.1");
        c.port = port;
        c.station = QStringLiteral("st1");
        return c;
    }
    // A publisher whose lines are collected in `messages`.
    std::unique_ptr<MqttPublisher> publisher(const MqttConfig &c, const QString &outbox = {})
    {
        auto p = std::make_unique<MqttPublisher>(
            c, outbox.isEmpty() ? path(QStringLiteral("outbox-") + QString::number(++outboxes))
                                : outbox);
        QObject::connect(p.get(), &MqttPublisher::message,
                         [this](const QString &line) { messages.append(line); });
        return p;
    }
    static MinuteCount minute(int h, int m, qint64 count)
    {
        return {QDateTime(QDate(2026, 12, 7), QTime(h, m)), count, 1};
    }
    int count(const QString &part) const
    {
        return int(std::count_if(messages.begin(), messages.end(),
                                 [&](const QString &l) { return l.contains(part); }));
    }

    QTemporaryDir dir;
    QStringList messages;
    int outboxes = 0;
};

TEST_F(BrokerTest, PublishesMinutesEventsStatusAndDiscovery)
{
    Broker broker(path(QStringLiteral("broker")));
    ASSERT_TRUE(broker.start());
    Subscriber sub;
    ASSERT_TRUE(sub.start(broker));
    auto pub = publisher(config(broker.port()));
    pub->setFactor(150.0);
    pub->setCounterConnected(true);
    pub->start();
    pub->publishMinute(minute(10, 1, 30));
    pub->publishMinute(minute(10, 2, 40));
    pub->publishEvent(QDateTime(QDate(2026, 12, 7), QTime(10, 2, 30)), QStringLiteral("port_lost"),
                      {{QStringLiteral("port"), QStringLiteral("/dev/ttyUSB0")}});
    const QString prefix = QStringLiteral("torvale/st1");
    ASSERT_TRUE(waitUntil([&] { return sub.payloads(prefix + QStringLiteral("/minute")).size() == 2; }))
        << sub.lines().join(u'\n').toStdString();
    EXPECT_EQ(count(QStringLiteral("connected to mqtt://127.0.0.1:")), 1);

    const QStringList minutes = sub.payloads(prefix + QStringLiteral("/minute"));
    const QJsonObject second = json(minutes.at(1));
    EXPECT_EQ(second.value(QStringLiteral("time")).toString().left(19),
              QStringLiteral("2026-12-07T10:02:00"));
    EXPECT_EQ(json(minutes.at(0)).value(QStringLiteral("cpm")).toInteger(), 30);
    EXPECT_EQ(second.value(QStringLiteral("cpm")).toInteger(), 40);
    EXPECT_DOUBLE_EQ(second.value(QStringLiteral("mean10")).toDouble(), 35.0);
    EXPECT_NEAR(second.value(QStringLiteral("usv_h")).toDouble(), 40.0 / 150, 1e-4);
    ASSERT_TRUE(waitUntil([&] { return !sub.payloads(prefix + QStringLiteral("/event")).isEmpty(); }));
    const QJsonObject event = json(sub.payloads(prefix + QStringLiteral("/event")).first());
    EXPECT_EQ(event.value(QStringLiteral("event")).toString(), QStringLiteral("port_lost"));
    EXPECT_EQ(event.value(QStringLiteral("port")).toString(), QStringLiteral("/dev/ttyUSB0"));
    EXPECT_EQ(sub.payloads(prefix + QStringLiteral("/status")).value(0), QStringLiteral("online"));
    EXPECT_EQ(sub.payloads(prefix + QStringLiteral("/counter")).value(0), QStringLiteral("connected"));

    // Discovery: four entities of one device, each with what Home Assistant
    // needs to make it.
    const auto configs = [&] {
        QList<QJsonObject> out;
        for (const QString &line : sub.lines())
            if (line.startsWith(QStringLiteral("homeassistant/")) && line.contains(QStringLiteral("/config ")))
                out.append(json(line.section(u' ', 1)));
        return out;
    };
    ASSERT_TRUE(waitUntil([&] { return configs().size() == 4; }));
    QStringList ids;
    for (const QJsonObject &c : configs()) {
        for (const char *key : {"name", "unique_id", "state_topic", "availability_topic", "device"})
            EXPECT_TRUE(c.contains(QLatin1String(key))) << key;
        EXPECT_EQ(c.value(QStringLiteral("availability_topic")).toString(), prefix + QStringLiteral("/status"));
        const QJsonObject device = c.value(QStringLiteral("device")).toObject();
        EXPECT_FALSE(device.value(QStringLiteral("identifiers")).toArray().isEmpty());
        EXPECT_TRUE(device.contains(QStringLiteral("sw_version")));
        ids.append(c.value(QStringLiteral("unique_id")).toString());
        // What the current discovery asks for instead of the deprecated object_id.
        EXPECT_FALSE(c.contains(QStringLiteral("object_id")));
        EXPECT_TRUE(c.value(QStringLiteral("default_entity_id")).toString().endsWith(u'.' + ids.last()));
        if (c.contains(QStringLiteral("unit_of_measurement")))
            EXPECT_NE(c.value(QStringLiteral("unit_of_measurement")).toString(), QStringLiteral("\u00b5Sv/h"));
    }
    EXPECT_TRUE(sub.lines().join(u'\n').contains(QStringLiteral("\u03bcSv/h")));
    ids.sort();
    EXPECT_EQ(ids, (QStringList{QStringLiteral("torvale_st1_counter"), QStringLiteral("torvale_st1_cpm"),
                                QStringLiteral("torvale_st1_mean10"), QStringLiteral("torvale_st1_usv_h")}));

    // Home Assistant coming back asks for them again; anything else the
    // broker sends is ignored.
    ASSERT_TRUE(run(QStringLiteral("mosquitto_pub"),
                    {QStringLiteral("-h"), QStringLiteral("127.0.0.1"), QStringLiteral("-p"),
                     QString::number(broker.port()), QStringLiteral("-t"),
                     QStringLiteral("homeassistant/status"), QStringLiteral("-m"),
                     QStringLiteral("\xff garbage")}));
    ASSERT_TRUE(run(QStringLiteral("mosquitto_pub"),
                    {QStringLiteral("-h"), QStringLiteral("127.0.0.1"), QStringLiteral("-p"),
                     QString::number(broker.port()), QStringLiteral("-t"),
                     QStringLiteral("homeassistant/status"), QStringLiteral("-m"),
                     QStringLiteral("online")}));
    EXPECT_TRUE(waitUntil([&] { return configs().size() == 8; }));

    // Stopping says "offline"; the newest minute stays retained.
    pub->stop();
    EXPECT_TRUE(waitUntil([&] { return sub.payloads(prefix + QStringLiteral("/status")).value(1) == QStringLiteral("offline"); }));
    QProcess retained;
    retained.start(QStringLiteral("mosquitto_sub"),
                   {QStringLiteral("-h"), QStringLiteral("127.0.0.1"), QStringLiteral("-p"),
                    QString::number(broker.port()), QStringLiteral("-t"),
                    prefix + QStringLiteral("/minute"), QStringLiteral("-C"), QStringLiteral("1"),
                    QStringLiteral("-W"), QStringLiteral("5")});
    ASSERT_TRUE(retained.waitForFinished(10000));
    EXPECT_EQ(json(QString::fromUtf8(retained.readAllStandardOutput())).value(QStringLiteral("cpm")).toInteger(), 40);
}

TEST_F(BrokerTest, LogsInWithPasswordsAndTlsAndReportsRefusalsOnce)
{
    // The test's own CA and a server certificate for 127.0.0.1, and a
    // second CA that signed nothing.
    const auto openssl = [&](const QStringList &args) { return run(QStringLiteral("openssl"), args); };
    const QString ec = QStringLiteral("ec:") + path(QStringLiteral("ec.pem"));
    ASSERT_TRUE(openssl({QStringLiteral("ecparam"), QStringLiteral("-name"), QStringLiteral("prime256v1"),
                         QStringLiteral("-out"), path(QStringLiteral("ec.pem"))}));
    for (const QString &ca : {QStringLiteral("ca"), QStringLiteral("other")})
        ASSERT_TRUE(openssl({QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"), ec,
                             QStringLiteral("-nodes"), QStringLiteral("-keyout"), path(ca + QStringLiteral(".key")),
                             QStringLiteral("-out"), path(ca + QStringLiteral(".crt")), QStringLiteral("-days"),
                             QStringLiteral("2"), QStringLiteral("-subj"), QStringLiteral("/CN=Test ") + ca}));
    ASSERT_TRUE(openssl({QStringLiteral("req"), QStringLiteral("-newkey"), ec, QStringLiteral("-nodes"),
                         QStringLiteral("-keyout"), path(QStringLiteral("server.key")), QStringLiteral("-out"),
                         path(QStringLiteral("server.csr")), QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1")}));
    QFile ext(path(QStringLiteral("ext.cnf")));
    ASSERT_TRUE(ext.open(QIODevice::WriteOnly));
    ext.write("subjectAltName=IP:127.0.0.1\n");
    ext.close();
    ASSERT_TRUE(openssl({QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"),
                         path(QStringLiteral("server.csr")), QStringLiteral("-CA"), path(QStringLiteral("ca.crt")),
                         QStringLiteral("-CAkey"), path(QStringLiteral("ca.key")), QStringLiteral("-CAcreateserial"),
                         QStringLiteral("-out"), path(QStringLiteral("server.crt")), QStringLiteral("-days"),
                         QStringLiteral("2"), QStringLiteral("-extfile"), path(QStringLiteral("ext.cnf"))}));
    const QString passwords = path(QStringLiteral("passwords"));
    ASSERT_TRUE(run(QStringLiteral("mosquitto_passwd"), {QStringLiteral("-b"), QStringLiteral("-c"), passwords,
                                                        QStringLiteral("meter"), QStringLiteral("s3cret pass")}));
    Broker broker(path(QStringLiteral("broker")),
                  QStringLiteral("allow_anonymous false\npassword_file %1\ncafile %2\ncertfile %3\nkeyfile %4\n")
                      .arg(passwords, path(QStringLiteral("ca.crt")), path(QStringLiteral("server.crt")),
                           path(QStringLiteral("server.key"))));
    ASSERT_TRUE(broker.start()) << broker.log().toStdString();
    Subscriber sub({QStringLiteral("--cafile"), path(QStringLiteral("ca.crt")), QStringLiteral("-u"),
                    QStringLiteral("meter"), QStringLiteral("-P"), QStringLiteral("s3cret pass")});
    ASSERT_TRUE(sub.start(broker));

    MqttConfig good = config(broker.port());
    good.tls = true;
    good.caFile = path(QStringLiteral("ca.crt"));
    good.user = QStringLiteral("meter");
    good.password = "s3cret pass";
    good.discovery = false;
    auto pub = publisher(good);
    pub->start();
    pub->publishMinute(minute(10, 1, 12));
    ASSERT_TRUE(waitUntil([&] { return sub.payloads(QStringLiteral("torvale/st1/minute")).size() == 1; }))
        << messages.join(u'\n').toStdString() << broker.log().toStdString();

    // A wrong password, a CA that signed nothing else, no TLS at all, and a
    // host that does not exist: each told once while the attempts go on
    // with a growing back-off (1 + 2 + 4 s: four attempts in nine seconds).
    MqttConfig wrong = good;
    wrong.password = "guess";
    wrong.station = QStringLiteral("wrong");
    MqttConfig otherCa = good;
    otherCa.caFile = path(QStringLiteral("other.crt"));
    otherCa.station = QStringLiteral("otherca");
    MqttConfig plain = good;
    plain.tls = false;
    plain.station = QStringLiteral("plain");
    MqttConfig otherName = good;
    otherName.host = QStringLiteral("localhost");
    otherName.station = QStringLiteral("othername");
    MqttConfig unknown = good;
    unknown.host = QStringLiteral("no-such-host.invalid");
    unknown.station = QStringLiteral("unknown");
    std::vector<std::unique_ptr<MqttPublisher>> bad;
    for (const MqttConfig &c : {wrong, otherCa, unknown, plain, otherName}) {
        bad.push_back(publisher(c));
        bad.back()->start();
        bad.back()->publishMinute(minute(10, 2, 5));
    }
    settle(9000);
    EXPECT_EQ(count(QStringLiteral("refused the connection: Connection Refused: not authorised")), 1)
        << messages.join(u'\n').toStdString();
    // Which check refused the certificate: its CA, or its host name.
    EXPECT_EQ(count(QStringLiteral("certificate was refused: self-signed certificate in certificate chain")), 1)
        << messages.join(u'\n').toStdString();
    EXPECT_EQ(count(QStringLiteral("certificate was refused: hostname mismatch")), 1)
        << messages.join(u'\n').toStdString();
    EXPECT_EQ(count(QStringLiteral("no-such-host.invalid:%1: unknown host").arg(broker.port())), 1)
        << messages.join(u'\n').toStdString();
    // Plain MQTT to a TLS port: never "lost" before a first connection, and a hint.
    EXPECT_EQ(count(QStringLiteral("use mqtts://")), 1) << messages.join(u'\n').toStdString();
    EXPECT_EQ(count(QStringLiteral("lost")), 0) << messages.join(u'\n').toStdString();
    const int attempts = int(broker.log().count(QStringLiteral("New connection from")));
    EXPECT_LE(attempts, 2 + 4 * 6) << broker.log().toStdString();
    for (const QString &m : messages)
        EXPECT_FALSE(m.contains(QStringLiteral("s3cret")) || m.contains(QStringLiteral("guess")));
    EXPECT_EQ(sub.payloads(QStringLiteral("torvale/wrong/minute")).size(), 0);
}

TEST_F(BrokerTest, HeadlessLoggerLosesNoMinuteWhileTheBrokerIsAway)
{
    GmSimulator sim;
    ASSERT_TRUE(sim.openPty()) << sim.error();
    FakeClock clock(QDateTime(QDate(2026, 12, 7), QTime(10, 0, 50)));
    const QString data = path(QStringLiteral("data"));
    Broker broker(path(QStringLiteral("broker")));
    std::FILE *out = std::fopen(QFile::encodeName(path(QStringLiteral("out.txt"))), "w");
    std::FILE *err = std::fopen(QFile::encodeName(path(QStringLiteral("err.txt"))), "w");
    const auto makeLogger = [&] {
        HeadlessLogger::Options o;
        o.portName = QString::fromStdString(sim.slavePath());
        o.dataFolder = data;
        o.clock = &clock;
        o.out = out;
        o.err = err;
        o.mqtt = config(broker.port());
        o.mqttOutbox = path(QStringLiteral("outbox"));
        o.factor = 100;
        o.alarmCpm = 12.5;
        o.alarmMinutes = 1;
        return std::make_unique<HeadlessLogger>(o);
    };
    int minutesDone = 0;
    QList<qint64> sent;
    // n pulses in the running minute, then the next minute's tally.
    const auto minuteOf = [&](HeadlessLogger &logger, int n) {
        GmSimulator::Options o;
        o.mode = GmSimulator::Mode::Burst;
        o.burstSize = n;
        o.burstPeriodMs = 1;
        o.limit = n;
        ASSERT_EQ(sim.run(o), n);
        ASSERT_TRUE(waitUntil([&] { return logger.session()->pulseCounter() == n; }));
        ++minutesDone;
        clock.set(QDateTime(QDate(2026, 12, 7), QTime(10, minutesDone)));
        ASSERT_TRUE(waitUntil([&] { return logger.session()->pulseCounter() == 0; }));
        sent.append(n);
    };

    // The subscriber's session is kept by the broker across its restarts, so
    // it misses nothing published while it reconnects.
    Subscriber sub;
    ASSERT_TRUE(broker.start());
    ASSERT_TRUE(sub.start(broker, QStringLiteral("torvale/st1/#")));
    sub.stop();
    broker.stop();

    // Absent at start: the minutes wait in the outbox.
    auto logger = makeLogger();
    ASSERT_TRUE(logger->start());
    minuteOf(*logger, 11);
    minuteOf(*logger, 12);
    ASSERT_TRUE(broker.start());
    sub.start(broker.port(), QStringLiteral("torvale/st1/#"));
    minuteOf(*logger, 13);
    ASSERT_TRUE(waitUntil([&] { return sub.payloads(QStringLiteral("torvale/st1/minute")).size() == 3; }, 20000));

    // Killed for several minutes, and the logger itself restarted meanwhile
    // (its outbox is on disk).
    broker.stop();
    minuteOf(*logger, 14);
    minuteOf(*logger, 15);
    logger.reset();
    logger = makeLogger();
    ASSERT_TRUE(logger->start());
    minuteOf(*logger, 16);
    minuteOf(*logger, 17);
    ASSERT_TRUE(broker.start());
    sub.stop();
    ASSERT_TRUE(sub.start(broker, QStringLiteral("torvale/st1/#")));
    minuteOf(*logger, 18);
    // A minute may come twice (the retained newest one comes again to the
    // subscriber as it subscribes anew, and a message the subscriber had not
    // acknowledged is sent again), never with another count: count each once.
    const auto distinct = [&] {
        QStringList once = sub.payloads(QStringLiteral("torvale/st1/minute"));
        once.removeDuplicates();
        return once;
    };
    ASSERT_TRUE(waitUntil([&] { return distinct().size() >= sent.size(); }, 30000))
        << sub.lines().join(u'\n').toStdString();

    // Every minute in order, with the counts of the auto-save files.
    const QStringList all = sub.payloads(QStringLiteral("torvale/st1/minute"));
    const QStringList got = distinct();
    ASSERT_EQ(got.size(), sent.size()) << all.join(u'\n').toStdString();
    for (int i = 0; i < got.size(); ++i) {
        const QJsonObject o = json(got.at(i));
        EXPECT_EQ(o.value(QStringLiteral("time")).toString().left(16),
                  QStringLiteral("2026-12-07T10:%1").arg(i + 1, 2, 10, QLatin1Char('0')));
        EXPECT_EQ(o.value(QStringLiteral("cpm")).toInteger(), sent.at(i));
        // The file auto-saved at that minute.
        DayTable table;
        table.fillTimeColumn();
        const QTime t(10, i + 1);
        ASSERT_TRUE(LogFile::load(AutoSave::filePath(data, QDateTime(QDate(2026, 12, 7), t)), table,
                                  QDate(2026, 12, 7))
                        .ok);
        EXPECT_EQ(table.cell(1, TimeText::rowOf(t)), QString::number(sent.at(i)));
    }
    // The alarm's crossing at the third minute, with its dose rate.
    const QJsonObject alarm = json(sub.payloads(QStringLiteral("torvale/st1/event")).value(0));
    EXPECT_EQ(alarm.value(QStringLiteral("event")).toString(), QStringLiteral("alarm_on"));
    EXPECT_DOUBLE_EQ(alarm.value(QStringLiteral("mean_usv_h")).toDouble(), 0.13);
    logger.reset();
    std::fclose(out);
    std::fclose(err);
}


// Faults of delivery, each against the real broker.
class DeliveryTest : public BrokerTest
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(broker.start());
        ASSERT_TRUE(sub.start(broker));
    }
    std::unique_ptr<MqttPublisher> connected(const MqttConfig &c, const QString &outbox = {})
    {
        auto p = publisher(c, outbox);
        p->start();
        const int before = count(QStringLiteral("connected to"));
        EXPECT_TRUE(waitUntil([&] { return count(QStringLiteral("connected to")) > before; }));
        return p;
    }
    QList<qint64> cpms(const QString &station = QStringLiteral("st1"))
    {
        QList<qint64> out;
        // A retained minute comes again as the subscriber returns: count each once.
        for (const QString &p : sub.payloads(QStringLiteral("torvale/%1/minute").arg(station)))
            if (const qint64 cpm = json(p).value(QStringLiteral("cpm")).toInteger(); !out.contains(cpm))
                out.append(cpm);
        return out;
    }

    Broker broker{path(QStringLiteral("broker"))};
    Subscriber sub;
};

TEST_F(DeliveryTest, DamagedOutboxRecordsAreSkippedAndEveryGoodOneSent)
{
    const QString folder = path(QStringLiteral("box"));
    {
        QDir().mkpath(folder);
        QFile legacy(folder + QStringLiteral("/000000000001.seg"));
        ASSERT_TRUE(legacy.open(QIODevice::WriteOnly));
        legacy.write("1\tminute\t{\"cpm\":1}\n"); // as older versions wrote it
        legacy.close();
        Outbox box(folder);
        ASSERT_EQ(box.open(), QString());
        for (int cpm = 2; cpm <= 4; ++cpm)
            ASSERT_EQ(box.append("minute", "{\"cpm\":" + QByteArray::number(cpm) + '}'), QString());
    }
    QFile seg(folder + QStringLiteral("/000000000001.seg"));
    ASSERT_TRUE(seg.open(QIODevice::ReadOnly));
    QByteArray bytes = seg.readAll();
    seg.close();
    bytes.replace("{\"cpm\":3}", "{\"cpm\xff\xff}").replace("\n2\t", "\ngarbage!\n2\t");
    ASSERT_TRUE(seg.open(QIODevice::WriteOnly | QIODevice::Truncate));
    seg.write(bytes);
    seg.close();

    auto pub = connected(config(broker.port()), folder);
    pub->publishMinute(minute(10, 5, 5));
    ASSERT_TRUE(waitUntil([&] { return cpms().size() >= 4; })) << sub.lines().join(u'\n').toStdString();
    settle(500);
    EXPECT_EQ(cpms(), (QList<qint64>{1, 2, 4, 5}));
    EXPECT_EQ(count(QStringLiteral("000000000001.seg (2)")), 1) << messages.join(u'\n').toStdString();
}

TEST_F(DeliveryTest, AFullDiskKeepsMinutesInMemoryUntilTheOutboxTakesThem)
{
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    const auto diskFull = [&](bool full) {
        rlimit l = saved;
        l.rlim_cur = full ? 0 : saved.rlim_max;
        ::setrlimit(RLIMIT_FSIZE, &l);
    };
    auto pub = connected(config(broker.port()));
    diskFull(true);
    pub->publishMinute(minute(16, 50, 50));
    ASSERT_TRUE(waitUntil([&] { return cpms() == QList<qint64>{50}; }));
    sub.stop();
    broker.stop();
    pub->publishMinute(minute(16, 51, 51));
    settle(300);
    diskFull(false);
    pub->publishMinute(minute(16, 52, 52));
    ASSERT_TRUE(broker.start());
    sub.start(broker.port(), QStringLiteral("#"));
    ASSERT_TRUE(waitUntil([&] { return cpms().size() >= 3; }, 20000)) << messages.join(u'\n').toStdString();
    EXPECT_EQ(cpms(), (QList<qint64>{50, 51, 52}));
    EXPECT_EQ(count(QStringLiteral("cannot keep messages")), 1);
    EXPECT_EQ(count(QStringLiteral("keeps messages again")), 1);
}

TEST_F(DeliveryTest, StationsHaveTheirOwnIdentityAndOneLoggerEach)
{
    // Names of any script: their own folders, topics and devices.
    std::vector<std::unique_ptr<MqttPublisher>> pubs;
    for (const QString &name : {QStringLiteral("屋上"), QStringLiteral("山頂")}) {
        MqttConfig c = config(broker.port());
        c.station = name;
        pubs.push_back(connected(c, path(QFileInfo(MqttPublisher::defaultOutboxFolder(name)).fileName())));
        pubs.back()->publishMinute(minute(9, 0, 7));
    }
    ASSERT_TRUE(waitUntil([&] { return cpms(QStringLiteral("屋上")).size() == 1 && cpms(QStringLiteral("山頂")).size() == 1; }));
    QSet<QString> ids;
    for (const QString &line : sub.lines())
        if (const QJsonObject o = json(line.section(u' ', 1)); o.contains(QStringLiteral("unique_id")))
            ids.insert(o.value(QStringLiteral("unique_id")).toString());
    EXPECT_EQ(ids.size(), 6); // three sensors each, without a factor
    EXPECT_NE(MqttPublisher::defaultOutboxFolder(QStringLiteral("a/b")),
              MqttPublisher::defaultOutboxFolder(QStringLiteral("a_b")));
    for (const char *bad : {"a+b", "a#", "$SYS"}) {
        MqttConfig c = config(broker.port());
        c.station = QString::fromUtf8(bad);
        EXPECT_FALSE(c.problem().isEmpty()) << bad;
    }

    // A second logger of a station is refused at start, naming the first.
    const MqttConfig c = config(broker.port());
    auto first = publisher(c, path(QStringLiteral("one")));
    ASSERT_EQ(first->open(), QString());
    first->start();
    EXPECT_TRUE(publisher(c, path(QStringLiteral("one")))->open().contains(QStringLiteral("pid %1").arg(::getpid())));
    auto window = publisher(c, path(QStringLiteral("one")));
    QString failed;
    QObject::connect(window.get(), &MqttPublisher::failed, [&](const QString &t) { failed = t; });
    window->start();
    EXPECT_TRUE(waitUntil([&] { return failed.contains(QStringLiteral("in use")); }));
}

TEST_F(DeliveryTest, BackOffHoldsUntilTheBrokerTakesAMessage)
{
    // A broker that drops the client at its first large message (the
    // discovery configurations) after accepting the connection.
    Broker small(path(QStringLiteral("small")), QStringLiteral("allow_anonymous true\nmax_packet_size 200\n"));
    ASSERT_TRUE(small.start());
    auto pub = publisher(config(small.port()));
    pub->start();
    settle(7500);
    // 1 + 2 + 4 s of back-off: four connections (and start()'s probe), one report.
    EXPECT_LE(small.log().count(QStringLiteral("New connection from")), 5) << small.log().toStdString();
    EXPECT_EQ(count(QStringLiteral("lost")), 1) << messages.join(u'\n').toStdString();
}

TEST_F(DeliveryTest, StopSendsWhatWasHandedOverAndNeverWaitsOnTheCallersThread)
{
    auto pub = connected(config(broker.port()));
    pub->publishMinute(minute(11, 0, 8));
    pub->setCounterConnected(false);
    pub->stop();
    const QString counter = QStringLiteral("torvale/st1/counter");
    ASSERT_TRUE(waitUntil([&] { return cpms() == QList<qint64>{8} && sub.payloads(counter).value(1) == QStringLiteral("disconnected"); }))
        << sub.lines().join(u'\n').toStdString();

    // A broker that answers nothing: the publisher goes at once, its link
    // drains on its own thread.
    pub = connected(config(broker.port()));
    broker.pause(true);
    pub->publishMinute(minute(11, 1, 9));
    QElapsedTimer timer;
    timer.start();
    pub.reset();
    EXPECT_LT(timer.elapsed(), 200);
    broker.pause(false);
    EXPECT_TRUE(MqttLink::waitRetired(std::chrono::steady_clock::now() + std::chrono::seconds(10)));
    EXPECT_TRUE(waitUntil([&] { return cpms().contains(9); }));
}

} // namespace
