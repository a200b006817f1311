// SPDX-License-Identifier: GPL-3.0-or-later
#include "LocalHttpServer.h"
#include "common/Wait.h"

#include "upload/UploadAnswer.h"
#include "upload/Uploader.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QSslKey>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>

#include <gtest/gtest.h>

#include <functional>

namespace
{

const QString Password = QStringLiteral("p&ss+w rd%");
const QString Account = QStringLiteral("acct7731");
const QString ApiKey = QStringLiteral("KEY-c0ffee-9");

UploadCredentials credentials()
{
    return UploadCredentials::fromBytes("radmon_user=alice\nradmon_password=" + Password.toUtf8() +
                                        "\ngmcmap_account=" + Account.toUtf8() +
                                        "\ngmcmap_counter=5\nsafecast_api_key=" +
                                        ApiKey.toUtf8() +
                                        "\nsafecast_device=123\nlatitude=35.68\nlongitude=139.76\n");
}

const QDateTime Start(QDate(2026, 12, 8), QTime(5, 0), Qt::UTC);

MinuteCount minute(int index, qint64 count, int minutes = 1)
{
    return MinuteCount{Start.addSecs(60LL * index), count, minutes};
}

Uploader::Config configFor(const QList<UploadService> &services, const QUrl &url, int interval)
{
    Uploader::Config c;
    c.services = services;
    for (const UploadService s : services)
        c.urls.insert(s, url);
    c.credentials = credentials();
    c.intervalMinutes = interval;
    return c;
}

// One interval of one minute after `n` earlier ones, and its answer.
struct Intervals {
    Uploader &uploader;
    QSignalSpy answers{&uploader, &Uploader::answered};
    QSignalSpy messages{&uploader, &Uploader::message};
    int n = 0;

    UploadAnswer::Kind next()
    {
        if (n == 0)
            uploader.addMinute(MinuteCount{Start, 1, 1, false});
        uploader.addMinute(minute(++n, 12));
        EXPECT_TRUE(waitUntil([&] { return answers.size() == n; })) << "interval " << n;
        return answers.value(n - 1).value(1).value<UploadAnswer::Kind>();
    }
    QString told() const { return messages.value(messages.size() - 1).value(0).toString(); }
};

const LocalHttpServer::Request *find(const LocalHttpServer &server, const QByteArray &path)
{
    for (const auto &r : server.requests)
        if (r.target.startsWith(path))
            return &r;
    return nullptr;
}

} // namespace

// The form each map documents, sent to a base URL without a path.
TEST(Uploader, SendsEachServiceItsOwnRequestForm)
{
    LocalHttpServer server;
    server.reply.body = R"({"id":1,"status":"OK"})";
    Uploader uploader;
    Uploader::Config c = configFor(UploadServices::all(), server.url(QString()), 1);
    c.factor = 100.0;
    uploader.setConfig(c);
    uploader.addMinute(minute(9, 5)); // a measurement's first tally: part of a minute
    QSignalSpy answered(&uploader, &Uploader::answered);
    uploader.addMinute(minute(10, 42));
    // A service whose answer is still on its way skips the next interval.
    ASSERT_TRUE(waitUntil([&] { return answered.size() == 3; }));

    const auto *radmon = find(server, "/radmon.php");
    ASSERT_NE(radmon, nullptr);
    EXPECT_EQ(radmon->method, "GET");
    EXPECT_EQ(radmon->target, "/radmon.php?function=submit&user=alice&password=p%26ss%2Bw%20rd%25"
                              "&value=42.00&unit=CPM");
    const auto *gmc = find(server, "/log2.asp");
    ASSERT_NE(gmc, nullptr);
    EXPECT_EQ(gmc->method, "GET");
    EXPECT_EQ(gmc->target, "/log2.asp?AID=acct7731&GID=5&CPM=42&ACPM=42.00&uSV=0.4200");
    const auto *sc = find(server, "/measurements.json");
    ASSERT_NE(sc, nullptr);
    EXPECT_EQ(sc->method, "POST");
    EXPECT_EQ(sc->target, "/measurements.json?api_key=KEY-c0ffee-9");
    EXPECT_EQ(sc->headers.value("content-type"), "application/json");
    const QJsonObject body = QJsonDocument::fromJson(sc->body).object();
    EXPECT_EQ(body.size(), 6);
    EXPECT_EQ(body.value(QStringLiteral("value")).toDouble(), 42.0);
    EXPECT_EQ(body.value(QStringLiteral("unit")).toString(), QStringLiteral("cpm"));
    EXPECT_EQ(body.value(QStringLiteral("latitude")).toDouble(), 35.68);
    EXPECT_EQ(body.value(QStringLiteral("longitude")).toDouble(), 139.76);
    EXPECT_EQ(body.value(QStringLiteral("device_id")).toInteger(), 123);
    EXPECT_EQ(body.value(QStringLiteral("captured_at")).toString(),
              QStringLiteral("2026-12-08T05:10:00Z"));

    // Without a conversion factor GMCmap gets no dose.
    c.factor.reset();
    c.services = {UploadService::Gmcmap};
    uploader.setConfig(c);
    uploader.addMinute(minute(11, 17));
    ASSERT_TRUE(waitUntil([&] { return server.requests.size() == 4; }));
    EXPECT_EQ(server.requests.last().target, "/log2.asp?AID=acct7731&GID=5&CPM=17&ACPM=17.00");
}

// One upload per interval of whole minutes, with the mean of its minutes;
// minutes cut off by a gap are dropped, not sent later.
TEST(Uploader, SendsTheMeanOfEachIntervalAndNothingWhileOff)
{
    LocalHttpServer server;
    Uploader uploader;
    Uploader::Config c = configFor({UploadService::Radmon}, server.url(QStringLiteral("/r")), 5);
    c.services.clear();
    uploader.setConfig(c);
    for (int i = 1; i <= 6; ++i)
        uploader.addMinute(minute(i, 100));
    QTest::qWait(100);
    EXPECT_TRUE(server.requests.isEmpty()) << "nothing is sent while no service is on";

    c.services = {UploadService::Radmon};
    uploader.setConfig(c);
    QSignalSpy answers(&uploader, &Uploader::answered);
    const auto valueOf = [&](int i) {
        return QUrlQuery(QUrl(QString::fromLatin1(server.requests.value(i).target)).query())
            .queryItemValue(QStringLiteral("value"));
    };
    for (int i = 7; i <= 10; ++i)
        uploader.addMinute(minute(i, (i - 6) * 10LL));
    QTest::qWait(100);
    EXPECT_TRUE(server.requests.isEmpty());
    uploader.addMinute(minute(11, 50));
    ASSERT_TRUE(waitUntil([&] { return answers.size() == 1; }));
    EXPECT_EQ(valueOf(0), QStringLiteral("30.00"));

    // A tally of two minutes (a missed tick) counts as two.
    uploader.addMinute(minute(13, 41, 2));
    for (int i = 14; i <= 16; ++i)
        uploader.addMinute(minute(i, 10));
    ASSERT_TRUE(waitUntil([&] { return answers.size() == 2; }));
    EXPECT_EQ(valueOf(1), QStringLiteral("14.20"));

    // A gap (the measurement stopped) drops the two minutes before it, and
    // the first tally after it (a part of a minute) is not counted.
    uploader.addMinute(minute(17, 1000));
    uploader.addMinute(minute(18, 1000));
    uploader.addMinute(minute(25, 999));
    for (int i = 26; i <= 30; ++i)
        uploader.addMinute(minute(i, 7));
    ASSERT_TRUE(waitUntil([&] { return answers.size() == 3; }));
    EXPECT_EQ(valueOf(2), QStringLiteral("7.00"));

    // A port lost and back inside an interval: its part minutes drop it,
    // the next one is whole.
    for (int i = 31; i <= 32; ++i)
        uploader.addMinute(minute(i, 40));
    uploader.addMinute(MinuteCount{minute(33, 0).end, 13, 1, false});
    uploader.addMinute(MinuteCount{minute(34, 0).end, 9, 1, false});
    for (int i = 35; i <= 39; ++i)
        uploader.addMinute(minute(i, 40));
    ASSERT_TRUE(waitUntil([&] { return answers.size() == 4; }));
    EXPECT_EQ(valueOf(3), QStringLiteral("40.00"));

    c.intervalMinutes = 0;
    uploader.setConfig(c);
    EXPECT_EQ(uploader.config().intervalMinutes, Uploader::MinIntervalMinutes);
    EXPECT_EQ(Uploader::Config().intervalMinutes, 5);
}

// Refusals, HTTP errors, garbage, silence and a closed port: each state is
// told once, with the answer and without a secret, and the next try waits
// for the next interval.
TEST(Uploader, TellsEachFailureOnceWithoutSecretsAndRetriesAtTheNextInterval)
{
    LocalHttpServer server;
    Uploader uploader;
    Uploader::Config c =
        configFor({UploadService::Radmon}, server.url(QStringLiteral("/radmon.php")), 1);
    c.timeoutMs = 10000; // ample for a loaded machine; the silent server gets less
    uploader.setConfig(c);
    QSignalSpy messages(&uploader, &Uploader::message);
    QSignalSpy answers(&uploader, &Uploader::answered);
    uploader.addMinute(minute(0, 99));
    int n = 0;
    const auto interval = [&] {
        uploader.addMinute(minute(++n, 12));
        EXPECT_TRUE(waitUntil([&] { return answers.size() == n; })) << "interval " << n;
        QTest::qWait(20);
    };
    const auto lastMessage = [&] { return messages.last().value(0).toString(); };

    server.reply = {401, "Unauthorized", "Incorrect login.", false, {}};
    interval();
    interval();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(lastMessage().contains(QStringLiteral("refused: HTTP 401 Unauthorized: Incorrect login.")))
        << lastMessage().toStdString();
    EXPECT_EQ(server.requests.size(), 2) << "one try per interval";

    server.reply = {200, "OK", "Incorrect login.<br>", false, {}};
    interval(); // refused in the page alone is the same state
    EXPECT_EQ(messages.size(), 1);

    server.reply = {500, "Internal Server Error", "<h1>boom</h1>", false, {}};
    interval();
    ASSERT_EQ(messages.size(), 2);
    EXPECT_TRUE(lastMessage().contains(QStringLiteral("HTTP 500 Internal Server Error: boom")));

    server.reply = {200, "OK", QByteArray("\x01\xff\xfe garbage \x00 end", 18), false, {}};
    interval();
    ASSERT_EQ(messages.size(), 3);
    EXPECT_TRUE(lastMessage().contains(QStringLiteral("refused: ")));

    server.reply = {200, "OK", {}, false, "not http at all\r\n\r\n"};
    const qsizetype beforeGarbage = server.requests.size();
    interval();
    // Qt resends a request whose connection closed without an answer, a
    // few times at most, all within the one interval.
    const qsizetype garbageTries = server.requests.size() - beforeGarbage;
    EXPECT_LE(garbageTries, 4);
    ASSERT_EQ(messages.size(), 4);
    EXPECT_TRUE(lastMessage().contains(QStringLiteral("no answer: ")));

    server.reply = {200, "OK", {}, true, {}};
    c.timeoutMs = 300;
    uploader.setConfig(c);
    interval();
    c.timeoutMs = 10000;
    uploader.setConfig(c);
    ASSERT_EQ(messages.size(), 5);
    EXPECT_TRUE(lastMessage().contains(QStringLiteral("no answer within 0.3 s")));

    server.reply = {200, "OK", "OK<br>", false, {}};
    interval();
    interval();
    ASSERT_EQ(messages.size(), 6);
    EXPECT_TRUE(lastMessage().contains(QStringLiteral("upload accepted, 12.00 cpm over 1 min")));

    {
        QTcpServer closed;
        closed.listen(QHostAddress::LocalHost, 0);
        c.urls[UploadService::Radmon] =
            QUrl(QStringLiteral("http://127.0.0.1:%1/radmon.php").arg(closed.serverPort()));
        closed.close();
    }
    uploader.setConfig(c);
    interval();
    ASSERT_EQ(messages.size(), 7);
    EXPECT_TRUE(lastMessage().contains(QStringLiteral("no answer: Connection refused")));
    EXPECT_EQ(server.requests.size(), 8 + garbageTries);

    QStringList told;
    for (const auto &m : messages)
        told << m.value(0).toString();
    const QString url = QString::fromLatin1(server.requests.first().target);
    told << uploader.redacted(url) << uploader.redacted(QUrl(url).toString());
    for (const QString &line : told)
        for (const QString &secret : {Password, QStringLiteral("p%26ss"), QStringLiteral("ss+w")})
            EXPECT_FALSE(line.contains(secret)) << line.toStdString();
}

// An answer without end, a trickle that never finishes and a redirect to
// another port each end the request as a failure, in time for the next
// interval; a redirect is never taken for an acceptance.
TEST(Uploader, BoundsEachAnswerAndFollowsNoRedirectElsewhere)
{
    LocalHttpServer server;
    LocalHttpServer elsewhere;
    Uploader uploader;
    Uploader::Config c = configFor({UploadService::Radmon}, server.url(QStringLiteral("/r")), 1);
    c.timeoutMs = 10000;
    uploader.setConfig(c);
    Intervals intervals{uploader};

    server.drip = QByteArray(16 * 1024, 'x');
    server.dripMs = 2;
    EXPECT_EQ(intervals.next(), UploadAnswer::Kind::NoAnswer);
    EXPECT_TRUE(intervals.told().contains(QStringLiteral("an answer longer than 64 KiB, cut off")))
        << intervals.told().toStdString();

    server.drip = "x";
    server.dripMs = 50;
    c.timeoutMs = 700;
    uploader.setConfig(c);
    EXPECT_EQ(intervals.next(), UploadAnswer::Kind::NoAnswer);
    EXPECT_TRUE(intervals.told().contains(QStringLiteral("no answer within 0.7 s")));

    server.dripMs = 0;
    server.reply.raw = "HTTP/1.1 302 Found\r\nLocation: " +
                       elsewhere.url(QStringLiteral("/r")).toEncoded() +
                       "\r\nContent-Length: 0\r\n\r\n";
    elsewhere.reply.body = "OK";
    EXPECT_EQ(intervals.next(), UploadAnswer::Kind::NoAnswer);
    EXPECT_TRUE(intervals.told().contains(QStringLiteral("another address: not followed")));
    EXPECT_TRUE(elsewhere.requests.isEmpty());
    server.reply.raw = "HTTP/1.1 302 Found\r\nLocation: /here\r\nContent-Length: 0\r\n\r\n";
    EXPECT_NE(intervals.next(), UploadAnswer::Kind::Accepted) << "same address: followed, still 302";
    EXPECT_EQ(server.requests.last().target, "/here");
}

// A map with a certificate of a private CA is reached once its CA file is
// given; plain http is flagged only where it leaves this machine.
TEST(Uploader, TrustsAPrivateCaFileAndKnowsPlainHttp)
{
    QTemporaryDir dir;
    const QString cert = dir.filePath(QStringLiteral("cert.pem"));
    const QString key = dir.filePath(QStringLiteral("key.pem"));
    ASSERT_EQ(QProcess::execute(QStringLiteral("openssl"),
                                QStringLiteral("req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 "
                                               "-nodes -days 2 -subj /CN=127.0.0.1 -addext "
                                               "subjectAltName=IP:127.0.0.1 -keyout %1 -out %2")
                                    .arg(key, cert)
                                    .split(u' ')),
              0);
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificate(QSslCertificate::fromPath(cert).value(0));
    QFile keyFile(key);
    ASSERT_TRUE(keyFile.open(QIODevice::ReadOnly));
    tls.setPrivateKey(QSslKey(&keyFile, QSsl::Ec));
    LocalHttpServer server(&tls);
    Uploader uploader;
    Uploader::Config c = configFor({UploadService::Radmon}, server.url(QStringLiteral("/r")), 1);
    uploader.setConfig(c);
    Intervals intervals{uploader};
    EXPECT_EQ(intervals.next(), UploadAnswer::Kind::NoAnswer) << "an unknown CA";
    c.caFile = cert;
    uploader.setConfig(c);
    EXPECT_EQ(intervals.next(), UploadAnswer::Kind::Accepted) << intervals.told().toStdString();
    EXPECT_FALSE(Uploader::caFileProblem(key).isEmpty()) << "a key is no certificate";

    for (const char *clear : {"http://192.0.2.7/r", "HTTP://radmon.example:8080"})
        EXPECT_TRUE(UploadServices::sendsInClear(QUrl(QString::fromLatin1(clear)))) << clear;
    for (const char *safe : {"https://192.0.2.7/r", "http://127.0.0.2:9", "http://[::1]/", "http://localhost/"})
        EXPECT_FALSE(UploadServices::sendsInClear(QUrl(QString::fromLatin1(safe)))) << safe;
}

// Answers are read without trust: each service's own way of refusing, huge
// and empty answers.
TEST(UploadAnswer, JudgesEachServicesAnswers)
{
    using Kind = UploadAnswer::Kind;
    EXPECT_EQ(UploadAnswer::judge(UploadService::Safecast, 201, "Created", R"({"id":9})").kind,
              Kind::Accepted);
    EXPECT_EQ(UploadAnswer::judge(UploadService::Safecast, 200, "OK", "OK").kind, Kind::Refused);
    const UploadAnswer gmc = UploadAnswer::judge(UploadService::Gmcmap, 200, "OK",
                                                 "<html><!-- ERR1. User is not found.--></html>");
    EXPECT_EQ(gmc.kind, Kind::Refused);
    EXPECT_TRUE(gmc.text.contains(QStringLiteral("ERR1. User is not found.")));
    EXPECT_EQ(UploadAnswer::judge(UploadService::Gmcmap, 200, "OK", "<!--OK.-->").kind,
              Kind::Accepted);
    EXPECT_EQ(UploadAnswer::judge(UploadService::Radmon, 200, "OK", "").kind, Kind::NoAnswer);
    const UploadAnswer huge =
        UploadAnswer::judge(UploadService::Radmon, 502, "Bad Gateway", QByteArray(1 << 20, 'x'));
    EXPECT_EQ(huge.kind, Kind::HttpError);
    EXPECT_LE(huge.text.size(), UploadAnswer::MaxTextLength);
    // Bytes that are no UTF-8 are quoted, not shown as replacement marks.
    EXPECT_EQ(UploadAnswer::readable(QByteArray("ERR\xff\x80 \x01z", 8)),
              QStringLiteral("ERR\\xff\\x80 \\x01z"));
}
