// SPDX-License-Identifier: GPL-3.0-or-later
#include "logfile/IniFile.h"
#include "logfile/SecretFile.h"
#include "upload/UploadCredentials.h"
#include "upload/UploadSettings.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// The credentials file: its form, what each service needs, and files that
// others may read are refused.
TEST(UploadCredentials, ReadsKeyValueLinesAndNamesWhatIsMissing)
{
    const UploadCredentials c = UploadCredentials::fromBytes(
        "# my maps\r\n radmon_user = alice \r\nradmon_password=a=b\r\nnonsense\r\n"
        "unknown=1\r\nlatitude=95\r\nlongitude=x\r\nsafecast_api_key=k\r\n");
    EXPECT_EQ(c.value(QStringLiteral("radmon_user")), QStringLiteral("alice"));
    EXPECT_EQ(c.value(QStringLiteral("radmon_password")), QStringLiteral("a=b"));
    EXPECT_TRUE(c.problems(UploadService::Radmon).isEmpty());
    EXPECT_EQ(c.problems(UploadService::Gmcmap),
              QStringList({QStringLiteral("gmcmap_account is missing"),
                           QStringLiteral("gmcmap_counter is missing")}));
    EXPECT_EQ(c.problems(UploadService::Safecast),
              QStringList({QStringLiteral("safecast_device is missing"),
                           QStringLiteral("latitude is no number from -90 to 90"),
                           QStringLiteral("longitude is no number from -180 to 180")}));
    EXPECT_EQ(c.secrets(), QStringList({QStringLiteral("a=b"), QStringLiteral("k")}));
    EXPECT_EQ(UploadCredentials::fromBytes(c.toBytes()), c);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("creds"));
    ASSERT_TRUE(SecretFile::write(path, c.toBytes()).isEmpty());
    const UploadCredentials::Loaded loaded = UploadCredentials::load(path);
    EXPECT_TRUE(loaded.error.isEmpty());
    EXPECT_EQ(loaded.credentials, c);

    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
    const UploadCredentials::Loaded shared = UploadCredentials::load(path);
    EXPECT_TRUE(shared.error.contains(QStringLiteral("other users may read")));
    EXPECT_EQ(shared.credentials, UploadCredentials());
    EXPECT_TRUE(UploadCredentials::load(dir.filePath(QStringLiteral("none")))
                    .error.contains(QStringLiteral("cannot be read")));
}

// [Upload] keeps choices, never secrets; a service switched on by hand
// without its privacy notice seen stays off.
TEST(UploadSettings, KeepsTheChoicesInTheirSection)
{
    UploadSettings s;
    s.enabled = {UploadService::Radmon, UploadService::Safecast};
    s.noticeShown = {UploadService::Radmon, UploadService::Safecast};
    s.urls.insert(UploadService::Safecast, QUrl(QStringLiteral("http://127.0.0.1:8080")));
    s.intervalMinutes = 10;
    IniFile ini;
    s.writeSettings(ini);
    const QByteArray bytes = ini.toBytes();
    EXPECT_TRUE(bytes.startsWith("[Upload]\r\nRadmon=1\r\nRadmonNotice=1\r\n"
                                 "RadmonURL=https://radmon.org/radmon.php\r\n"));

    UploadSettings back;
    back.readSettings(IniFile::fromBytes(bytes));
    EXPECT_EQ(back.enabled, s.enabled);
    EXPECT_EQ(back.urls, s.urls);
    EXPECT_EQ(back.intervalMinutes, 10);

    IniFile untouched;
    UploadSettings().writeSettings(untouched);
    EXPECT_TRUE(untouched.toBytes().isEmpty());

    UploadSettings odd;
    odd.readSettings(IniFile::fromBytes(
        "[Upload]\nGMCmap=1\nInterval=0\nRadmonURL=ftp://x\nSafecastURL=garbage\n"));
    EXPECT_TRUE(odd.enabled.isEmpty());
    EXPECT_EQ(odd.intervalMinutes, Uploader::DefaultIntervalMinutes);
    EXPECT_TRUE(odd.urls.isEmpty());

    const UploadCredentials c = UploadCredentials::fromBytes("radmon_user=a\nradmon_password=b\n");
    EXPECT_EQ(s.config(c, 120.0).services, QList<UploadService>({UploadService::Radmon}))
        << "a service lacking credentials is not started";
    EXPECT_EQ(UploadSettings::credentialsPath(QStringLiteral("/home/u/.config/torvale/torvale.ini")),
              QStringLiteral("/home/u/.config/torvale/torvale-upload.secret"));
}
