// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CommandLine.h"
#include "core/DayTable.h"
#include "stats/TidyExport.h"
#include "web/WebAddress.h"
#include "web/WebServer.h"
#include "web/WebState.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

namespace
{

// A server on a free port of 127.0.0.1 with two days of counts and a
// complete state; `limits` as the test needs.
struct Served {
    DayTable table;
    WebServer server;
    explicit Served(const WebGuard::Limits &limits = {})
    {
        table.fillTimeColumn();
        for (int col = 1; col <= 2; ++col) {
            table.setColumnDate(col, QDate(2026, 12, 9 - col));
            table.setCell(col, 0, QDate(2026, 12, 9 - col).toString(QStringLiteral("MM/dd")));
            for (int row = 1; row <= 5; ++row)
                table.setCell(col, row, QString::number(10 * col + row));
        }
        table.setCell(1, 6, QStringLiteral("text"));
        auto s = std::make_shared<WebState>();
        s->generation = 3;
        s->table = table.snapshot();
        s->last = MinuteCount{QDateTime(QDate(2026, 12, 8), QTime(0, 5)), 15, 1};
        s->mean10 = RecentMinutes::Mean{13.0, 1.6, 65, 5};
        s->factor = 151;
        s->pulsesTotal = 1234;
        s->portName = QStringLiteral("/dev/ttyUSB0");
        s->portUp = true;
        s->mqttEnabled = true;
        s->mqttPending = 2;
        s->uploads = {{QStringLiteral("radmon"), QStringLiteral("accepted"),
                       QDateTime(QDate(2026, 12, 8), QTime(0, 5))},
                      {QStringLiteral("safecast"), QStringLiteral("refused"), {}}};
        server.publish(s);
        QString error;
        EXPECT_TRUE(server.listen(QHostAddress::LocalHost, 0, &error, limits)) << error.toStdString();
    }

    // Sends `request` as is and reads until the server closes or `ms` pass.
    QByteArray exchange(const QByteArray &request, int ms = 2000) const
    {
        QTcpSocket s;
        s.connectToHost(QHostAddress::LocalHost, server.port());
        EXPECT_TRUE(s.waitForConnected(2000));
        s.write(request);
        QByteArray answer;
        QElapsedTimer t;
        t.start();
        while (s.state() == QAbstractSocket::ConnectedState && t.elapsed() < ms) {
            s.waitForReadyRead(50);
            answer += s.readAll();
            if (answer.contains("\r\n\r\n") && request.startsWith("HEAD"))
                break;
            const qsizetype head = answer.indexOf("\r\n\r\n");
            const qsizetype length = answer.indexOf("Content-Length: ");
            if (head > 0 && length > 0 &&
                answer.size() - head - 4 >= answer.mid(length + 16).split('\r').first().toLongLong())
                break;
        }
        return answer + s.readAll();
    }
    QByteArray get(const QByteArray &path, const QByteArray &headers = {}) const
    {
        return exchange("GET " + path + " HTTP/1.1\r\nHost: x\r\n" + headers + "\r\n");
    }
};

QByteArray body(const QByteArray &answer)
{
    return answer.mid(answer.indexOf("\r\n\r\n") + 4);
}

} // namespace

TEST(WebServer, ReadOnlyAndNothingOutsideItsFiles)
{
    Served s;
    for (const QByteArray method : {"POST", "PUT", "DELETE", "PATCH", "OPTIONS"}) {
        const QByteArray a = s.exchange(method + " /metrics HTTP/1.1\r\nHost: x\r\nContent-Length: 0\r\n\r\n");
        EXPECT_TRUE(a.startsWith("HTTP/1.1 405")) << method.constData() << a.constData();
        EXPECT_TRUE(a.contains("Allow: GET, HEAD")) << method.constData();
    }
    const QByteArray head = s.exchange("HEAD /metrics HTTP/1.1\r\nHost: x\r\n\r\n");
    EXPECT_TRUE(head.startsWith("HTTP/1.1 200")) << head.constData();
    EXPECT_TRUE(body(head).isEmpty());
    for (const QByteArray path :
         {"/../../../../etc/passwd", "/dygraphs/../../../../etc/passwd", "/%2e%2e/%2e%2e/etc/passwd",
          "/dygraphs/%2E%2E/%2E%2E/%2E%2E/etc/passwd", "/dygraphs/..%2f..%2f..%2fetc%2fpasswd",
          "/dygraphs/%252e%252e/etc/passwd", "/dygraphs/dygraph.js", "/dygraphs/", "//etc/passwd",
          "/web/page.js", "/:/web/page.js", "/dygraphs/dygraph.min.js/../../../etc/passwd"}) {
        const QByteArray a = s.get(path);
        EXPECT_TRUE(a.startsWith("HTTP/1.1 404") || a.startsWith("HTTP/1.1 400")) << path.constData();
        EXPECT_FALSE(a.contains("root:")) << path.constData();
    }
    const QByteArray page = s.get("/");
    EXPECT_TRUE(page.contains("Content-Security-Policy: default-src 'self'"));
    EXPECT_FALSE(page.contains("http://") || page.contains("https://")) << "fetches from elsewhere";
    if (QFile::exists(WebServer::defaultDygraphsFolder() + QStringLiteral("/dygraph.min.js")))
        EXPECT_TRUE(s.get("/dygraphs/dygraph.min.js").startsWith("HTTP/1.1 200"));
}

TEST(WebServer, MinutesAsTheExportGivesThem)
{
    Served s;
    QByteArray csv;
    TidyExport::write(s.table, 151, [&csv](const QByteArray &b) {
        csv += b;
        return true;
    });
    EXPECT_EQ(body(s.get("/api/minutes.csv")), csv);

    const QByteArray json = body(s.get("/api/minutes?from=2026-12-07T00:02&to=2026-12-08T00:01"));
    const QJsonArray rows = QJsonDocument::fromJson(json).array();
    ASSERT_EQ(rows.size(), 5) << json.constData(); // 12/07 00:02..00:04, 12/08 00:00..00:01
    const QList<QByteArray> lines = csv.split('\n');
    EXPECT_EQ(rows[0].toObject()[u"time"].toString().toLatin1(), lines[3].split(',')[0]);
    EXPECT_EQ(rows[0].toObject()[u"cpm"].toInt(), 23);
    EXPECT_NEAR(rows[4].toObject()[u"usv_h"].toDouble(), 12.0 / 151, 1e-5);
    EXPECT_EQ(QJsonDocument::fromJson(body(s.get("/api/minutes"))).array().size(), 10);
    EXPECT_TRUE(s.get("/api/minutes?from=yesterday").startsWith("HTTP/1.1 400"));
    EXPECT_TRUE(s.get("/api/minutes?from=2026-01-01T00:00").startsWith("HTTP/1.1 400"));

    const QJsonObject status = QJsonDocument::fromJson(body(s.get("/api/status"))).object();
    EXPECT_EQ(status[u"readout"].toObject()[u"cpm"].toInt(), 15);
    EXPECT_NEAR(status[u"readout"].toObject()[u"usv_h"].toDouble(), 13.0 / 151, 1e-9);
    EXPECT_TRUE(status[u"port"].toObject()[u"open"].toBool());
    EXPECT_EQ(status[u"mqtt"].toObject()[u"pending"].toInt(), 2);
    EXPECT_EQ(status[u"uploads"].toArray()[1].toObject()[u"state"].toString(), u"refused");
}

TEST(WebServer, MetricsPassPromtool)
{
    Served s;
    const QByteArray metrics = body(s.get("/metrics"));
    for (const char *name :
         {"torvale_pulses_total 1234", "torvale_minute_counts 15", "torvale_mean10_cpm 13",
          "torvale_dose_rate_usv_per_hour{factor=\"151\"} 0.08609", "torvale_port_up 1",
          "torvale_mqtt_pending_messages 2", "torvale_last_tally_timestamp_seconds 17",
          "torvale_upload_last_success_timestamp_seconds{service=\"radmon\"} 17",
          "torvale_upload_last_success_timestamp_seconds{service=\"safecast\"} 0"})
        EXPECT_TRUE(metrics.contains(name)) << name << '\n' << metrics.constData();
    EXPECT_EQ(metrics.count("# HELP "), 8);
    EXPECT_EQ(metrics.count("# TYPE "), 8);
    const QString promtool = QStandardPaths::findExecutable(QStringLiteral("promtool"));
    if (promtool.isEmpty()) {
        ASSERT_NE(qgetenv("CI"), "true") << "promtool is missing (Debian package prometheus)";
        GTEST_SKIP() << "promtool is not installed";
    }
    QProcess p;
    p.start(promtool, {QStringLiteral("check"), QStringLiteral("metrics")});
    p.write(metrics);
    p.closeWriteChannel();
    ASSERT_TRUE(p.waitForFinished(20000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().constData()
                               << p.readAllStandardOutput().constData();
}

TEST(WebServer, PageSpeaksTheBrowsersLanguage)
{
    Served s;
    EXPECT_TRUE(s.get("/").contains("Last minute"));
    EXPECT_TRUE(s.get("/", "Accept-Language: ja-JP,ja;q=0.9,en;q=0.8\r\n").contains("直近1分"));
    EXPECT_TRUE(s.get("/", "Accept-Language: en;q=0.9,ja;q=0.5\r\n").contains("Last minute"));
    EXPECT_TRUE(s.get("/", "Accept-Language: fr\r\n").contains("lang=\"en\""));
}

TEST(WebServer, LimitsConnectionsRequestSizeAndIdleClients)
{
    WebGuard::Limits limits;
    limits.maxConnections = 2;
    limits.idleMs = 600;
    Served s(limits);
    QTcpSocket idle[2];
    for (QTcpSocket &socket : idle) {
        socket.connectToHost(QHostAddress::LocalHost, s.server.port());
        ASSERT_TRUE(socket.waitForConnected(2000));
    }
    QTest::qWait(100);
    EXPECT_TRUE(s.get("/metrics").startsWith("HTTP/1.1 503")) << "a third connection";
    // The idle two are closed, and the server takes requests again.
    for (QTcpSocket &socket : idle)
        EXPECT_TRUE(socket.state() == QAbstractSocket::UnconnectedState ||
                    socket.waitForDisconnected(3000));
    QTest::qWait(limits.idleMs);
    EXPECT_TRUE(s.get("/metrics").startsWith("HTTP/1.1 200"));

    const QByteArray huge = "GET /metrics HTTP/1.1\r\nHost: x\r\nX-Pad: " +
                            QByteArray(limits.maxRequestBytes + 1024, 'a') + "\r\n\r\n";
    EXPECT_EQ(s.exchange(huge), QByteArray()) << "cut without an answer";
    const QByteArray body = "POST /metrics HTTP/1.1\r\nHost: x\r\nContent-Length: 100000000\r\n\r\n" +
                            QByteArray(limits.maxRequestBytes * 2, 'b');
    EXPECT_FALSE(s.exchange(body).contains("200"));
}

TEST(WebAddress, ParsesWhatHttpTakes)
{
    const auto port = WebAddress::parse(QStringLiteral("8080"));
    ASSERT_TRUE(port);
    EXPECT_EQ(port->address, QHostAddress(QHostAddress::LocalHost));
    EXPECT_EQ(port->port, 8080);
    EXPECT_TRUE(port->isLoopback());
    const auto any = WebAddress::parse(QStringLiteral("0.0.0.0:9100"));
    ASSERT_TRUE(any);
    EXPECT_FALSE(any->isLoopback());
    EXPECT_EQ(any->text(9100), u"0.0.0.0:9100");
    const auto v6 = WebAddress::parse(QStringLiteral("[::1]:80"));
    ASSERT_TRUE(v6);
    EXPECT_TRUE(v6->isLoopback());
    EXPECT_EQ(v6->text(80), u"[::1]:80");
    for (const char *bad : {"", "http", "65536", "-1", "+80", "::1:80", "host.example:80", "1.2.3.4:"})
        EXPECT_FALSE(WebAddress::parse(QString::fromLatin1(bad))) << bad;

    // In the test's language: the address, and the warning only for an open one.
    const QStringList local = port->servedLines(8080);
    ASSERT_EQ(local.size(), 1);
    EXPECT_TRUE(local[0].contains(QStringLiteral("http://127.0.0.1:8080/")));
    const QStringList open = any->servedLines(9100);
    ASSERT_EQ(open.size(), 2);
    EXPECT_TRUE(open[1].contains(QStringLiteral("0.0.0.0:9100")));

    const auto parse = [](QStringList args) {
        CommandLine c;
        args.prepend(QStringLiteral("torvale"));
        return std::pair{c.parse(args), c.http()};
    };
    const QString headless = QStringLiteral("--headless --port /dev/ttyUSB0 --data /tmp/d --http ");
    EXPECT_EQ(parse({QStringLiteral("--http"), QStringLiteral("8080")}).first, CommandLine::Outcome::Fail);
    EXPECT_EQ(parse((headless + QStringLiteral("80:80:80")).split(u' ')).first, CommandLine::Outcome::Fail);
    const auto [outcome, http] = parse((headless + QStringLiteral("[::]:9100")).split(u' '));
    EXPECT_EQ(outcome, CommandLine::Outcome::Run);
    ASSERT_TRUE(http);
    EXPECT_EQ(http->port, 9100);
    EXPECT_FALSE(http->isLoopback());
}
