// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CommandLine.h"
#include "cli/HeadlessUploads.h"
#include "core/DayTable.h"
#include "logfile/SecretFile.h"
#include "measure/MeasurementSession.h"
#include "tests/upload/LocalHttpServer.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdio>

namespace
{

CommandLine::Outcome parse(CommandLine &c, QStringList args)
{
    args.prepend(QStringLiteral("torvale"));
    return c.parse(args);
}

QString readAll(std::FILE *f)
{
    std::fflush(f);
    std::rewind(f);
    QByteArray bytes;
    char buffer[512];
    while (const size_t n = std::fread(buffer, 1, sizeof buffer, f))
        bytes.append(buffer, qsizetype(n));
    return QString::fromUtf8(bytes);
}

} // namespace

TEST(HeadlessUploadOptions, AreCheckedBeforeAnythingStarts)
{
    const QStringList base{QStringLiteral("--headless"), QStringLiteral("--port=/dev/ttyX"),
                           QStringLiteral("--data=/tmp/d")};
    CommandLine good;
    ASSERT_EQ(parse(good, base + QStringList{QStringLiteral("--upload=radmon"),
                                             QStringLiteral("--upload"), QStringLiteral("safecast"),
                                             QStringLiteral("--upload=radmon"),
                                             QStringLiteral("--upload-credentials=/c"),
                                             QStringLiteral("--upload-url=safecast=http://127.0.0.1:9"),
                                             QStringLiteral("--upload-interval=10"),
                                             QStringLiteral("--upload-ca-file=/ca.pem")}),
              CommandLine::Outcome::Run)
        << good.text().toStdString();
    EXPECT_EQ(good.uploadServices(),
              QList<UploadService>({UploadService::Radmon, UploadService::Safecast}));
    EXPECT_EQ(good.uploadCredentials(), QStringLiteral("/c"));
    EXPECT_EQ(good.uploadUrls().value(UploadService::Safecast),
              QUrl(QStringLiteral("http://127.0.0.1:9")));
    EXPECT_EQ(good.uploadInterval(), 10);
    EXPECT_EQ(good.uploadCaFile(), QStringLiteral("/ca.pem"));

    CommandLine plain;
    ASSERT_EQ(parse(plain, base), CommandLine::Outcome::Run);
    EXPECT_TRUE(plain.uploadServices().isEmpty());

    const QList<QStringList> wrong{
        {QStringLiteral("--upload=radmon"), QStringLiteral("--upload-credentials=/c")},
        base + QStringList{QStringLiteral("--upload=radmon")},
        base + QStringList{QStringLiteral("--upload=osm"), QStringLiteral("--upload-credentials=/c")},
        base + QStringList{QStringLiteral("--upload-credentials=/c")},
        base + QStringList{QStringLiteral("--upload=gmcmap"), QStringLiteral("--upload-credentials=/c"),
                           QStringLiteral("--upload-url=gmcmap=ftp://x")},
        base + QStringList{QStringLiteral("--upload=gmcmap"), QStringLiteral("--upload-credentials=/c"),
                           QStringLiteral("--upload-interval=0")}};
    for (const QStringList &args : wrong) {
        CommandLine c;
        EXPECT_EQ(parse(c, args), CommandLine::Outcome::Fail) << args.join(u' ').toStdString();
        EXPECT_TRUE(c.text().contains(QStringLiteral("--help"))) << c.text().toStdString();
    }
}

// A refused credentials file stops the start with a clear line; a good one
// makes every minute tally reach the map, and no secret reaches `err`.
TEST(HeadlessUploads, RefuseBadCredentialsAndUploadEachInterval)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("credentials"));
    const QByteArray secret = "s3cr3t-pw";
    ASSERT_TRUE(SecretFile::write(path, "radmon_user=bob\nradmon_password=" + secret + '\n').isEmpty());
    DayTable table;
    MeasurementSession session(&table);
    LocalHttpServer server;

    HeadlessUploads::Options options;
    options.services = {UploadService::Radmon, UploadService::Safecast};
    options.credentialsPath = path;
    options.urls.insert(UploadService::Radmon, server.url(QString()));
    options.intervalMinutes = 1;
    std::FILE *err = std::tmpfile();
    options.err = err;
    HeadlessUploads lacking;
    EXPECT_FALSE(lacking.start(options, &session));
    EXPECT_TRUE(readAll(err).contains(QStringLiteral(
        ": safecast_api_key is missing (safecast), safecast_device is missing (safecast)")));

    options.services = {UploadService::Radmon};
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    HeadlessUploads shared;
    EXPECT_FALSE(shared.start(options, &session));
    EXPECT_TRUE(readAll(err).contains(QStringLiteral("other users may read this file")));

    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    options.caFile = path;
    EXPECT_FALSE(HeadlessUploads().start(options, &session));
    EXPECT_TRUE(readAll(err).contains(QStringLiteral("no PEM certificate can be read")));
    options.caFile.clear();
    HeadlessUploads::Options inClear = options; // gone before any tally: nothing is sent
    inClear.urls.insert(UploadService::Radmon, QUrl(QStringLiteral("http://192.0.2.7/")));
    EXPECT_TRUE(HeadlessUploads().start(inClear, &session));
    EXPECT_TRUE(readAll(err).contains(QStringLiteral(
        "warning: radmon.org: http://192.0.2.7/radmon.php is plain http to another machine")));
    HeadlessUploads uploads;
    ASSERT_TRUE(uploads.start(options, &session));
    server.reply.status = 403;
    server.reply.reason = "Forbidden";
    for (const int minute : {59, 60})
        emit session.minuteCounted(
            MinuteCount{QDateTime(QDate(2026, 12, 8), QTime(5, 0), Qt::UTC).addSecs(60LL * minute),
                        minute - 27, 1});
    QElapsedTimer t;
    t.start();
    while (!readAll(err).contains(QStringLiteral("refused")) && t.elapsed() < 5000)
        QTest::qWait(10);
    ASSERT_EQ(server.requests.size(), 1);
    EXPECT_TRUE(server.requests.first().target.contains("value=33.00"));
    const QString told = readAll(err);
    EXPECT_TRUE(told.contains(QStringLiteral("uploading every 1 min to radmon.org (http://127.0.0.1:")));
    EXPECT_EQ(told.count(QStringLiteral("travels in clear")), 1) << "not for this machine";
    EXPECT_TRUE(told.contains(QStringLiteral("radmon.org: upload refused: HTTP 403 Forbidden")));
    EXPECT_FALSE(told.contains(QString::fromLatin1(secret))) << told.toStdString();
    std::fclose(err);
}
