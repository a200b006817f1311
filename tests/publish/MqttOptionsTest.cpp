// SPDX-License-Identifier: GPL-3.0-or-later
// The headless broker options: what reaches the publisher, and what stops
// the start with exit 1.

#include "cli/CommandLine.h"
#include "logfile/SecretFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace
{

TEST(MqttOptionsTest, ReadsTheBrokerAndThePasswordFileAndRefusesBadOnes)
{
    QTemporaryDir dir;
    const QString secret = dir.filePath(QStringLiteral("pw"));
    ASSERT_EQ(SecretFile::write(secret, "top secret\n"), QString());
    const QStringList base{QStringLiteral("torvale"), QStringLiteral("--headless"),
                           QStringLiteral("--port"), QStringLiteral("/dev/ttyUSB0"),
                           QStringLiteral("--data"), dir.path()};
    CommandLine good;
    // The unit's own --station comes first; the one of its environment file wins.
    ASSERT_EQ(good.parse(base + QStringList{QStringLiteral("--station"), QStringLiteral("pi-ttyUSB0"),
                                            QStringLiteral("--mqtt"),
                                            QStringLiteral("mqtts://meter@broker:8884/site/roof"),
                                            QStringLiteral("--mqtt-password-file"), secret,
                                            QStringLiteral("--mqtt-ca-file"), QStringLiteral("/etc/ca.pem"),
                                            QStringLiteral("--station"), QStringLiteral("roof")}),
              CommandLine::Outcome::Run)
        << good.text().toStdString();
    ASSERT_TRUE(good.mqtt());
    EXPECT_EQ(good.mqtt()->password, "top secret");
    EXPECT_EQ(good.mqtt()->caFile, QStringLiteral("/etc/ca.pem"));
    EXPECT_EQ(good.mqtt()->port, 8884);
    EXPECT_EQ(good.mqtt()->station, QStringLiteral("roof"));
    EXPECT_EQ(good.mqtt()->topicPrefix(), QStringLiteral("site/roof"));
    CommandLine none;
    ASSERT_EQ(none.parse(base), CommandLine::Outcome::Run);
    EXPECT_FALSE(none.mqtt());

    const QString shared = dir.filePath(QStringLiteral("shared"));
    QFile f(shared);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("top secret\n");
    f.close();
    f.setPermissions(f.permissions() | QFileDevice::ReadOther);
    const QList<QStringList> bad{
        {QStringLiteral("--mqtt"), QStringLiteral("tcp://broker")},
        {QStringLiteral("--mqtt"), QStringLiteral("mqtt://u@broker"),
         QStringLiteral("--mqtt-password-file"), dir.filePath(QStringLiteral("missing"))},
        {QStringLiteral("--mqtt"), QStringLiteral("mqtt://u@broker"),
         QStringLiteral("--mqtt-password-file"), shared},
        {QStringLiteral("--mqtt"), QStringLiteral("mqtt://broker"),
         QStringLiteral("--mqtt-password-file"), secret},
        {QStringLiteral("--mqtt-password-file"), secret},
        {QStringLiteral("--mqtt"), QStringLiteral("mqtt://broker"), QStringLiteral("--station"),
         QStringLiteral("a+b")},
        {QStringLiteral("--mqtt"), QStringLiteral("mqtt://broker"), QStringLiteral("--mqtt-ca-file"),
         secret},
    };
    for (const QStringList &extra : bad) {
        CommandLine c;
        EXPECT_EQ(c.parse(base + extra), CommandLine::Outcome::Fail) << extra.join(u' ').toStdString();
        EXPECT_FALSE(c.text().contains(QStringLiteral("top secret")));
    }
    // The window takes neither; --headless takes a station without a broker (the unit names one).
    for (const QString &option : {QStringLiteral("--mqtt"), QStringLiteral("--station")}) {
        CommandLine window;
        EXPECT_EQ(window.parse({QStringLiteral("torvale"), option, QStringLiteral("roof")}),
                  CommandLine::Outcome::Fail);
    }
    CommandLine named;
    EXPECT_EQ(named.parse(base + QStringList{QStringLiteral("--station"), QStringLiteral("roof")}),
              CommandLine::Outcome::Run);
}

} // namespace
