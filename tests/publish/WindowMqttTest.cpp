// SPDX-License-Identifier: GPL-3.0-or-later
// The window's broker: the dialog's settings kept in [MQTT], the password in
// an owner-only file of its own, and the window's minutes at the broker.

#include "Broker.h"

#include "window/MqttDialog.h"
#include "window/MqttWindowSection.h"
#include "window/WindowTestSupport.h"
#include "logfile/SecretFile.h"
#include "window/TForm1.h"

#include <QCheckBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include <sys/stat.h>

using namespace apptest;
using namespace publishtest;

namespace
{

class WindowMqttTest : public WindowTest
{
};

TEST_F(WindowMqttTest, TheDialogsBrokerGetsTheWindowsMinutesAndThePasswordStaysApart)
{
    const QString passwords = tempPath(QStringLiteral("passwords"));
    ASSERT_TRUE(run(QStringLiteral("mosquitto_passwd"),
                    {QStringLiteral("-b"), QStringLiteral("-c"), passwords, QStringLiteral("meter"),
                     QStringLiteral("pw-123")}));
    Broker broker(tempPath(QStringLiteral("broker")),
                  QStringLiteral("allow_anonymous false\npassword_file %1\n").arg(passwords));
    ASSERT_TRUE(broker.start());
    Subscriber sub({QStringLiteral("-u"), QStringLiteral("meter"), QStringLiteral("-P"),
                    QStringLiteral("pw-123")});
    ASSERT_TRUE(sub.start(broker, QStringLiteral("torvale/window/minute")));

    build();
    // What a user types into the dialog.
    MqttSettings none;
    MqttDialog dialog(none, false);
    dialog.enabled->setChecked(true);
    dialog.host->setText(QStringLiteral("127.0.0.1"));
    dialog.port->setValue(broker.port());
    dialog.user->setText(QStringLiteral("meter"));
    dialog.password->setText(QStringLiteral("pw-123"));
    dialog.station->setText(QStringLiteral("window"));
    ASSERT_TRUE(form->mqtt()->apply(dialog.settings(), dialog.newPassword()));
    const QString secret = MqttSettings::passwordPath(tempPath(QStringLiteral("torvale.ini")));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(secret).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    startMeasuring(at(10, 20, 30));
    pulses(9);
    tick(at(10, 21, 0));
    ASSERT_TRUE(waitUntil([&] { return !sub.payloads(QStringLiteral("torvale/window/minute")).isEmpty(); }, 15000))
        << memoText().toStdString();
    const QJsonObject minute =
        QJsonDocument::fromJson(sub.payloads(QStringLiteral("torvale/window/minute")).first().toUtf8()).object();
    EXPECT_EQ(minute.value(QStringLiteral("cpm")).toInteger(), 9);
    EXPECT_TRUE(memoText().contains(QStringLiteral("MQTT: connected to mqtt://meter@127.0.0.1:")));
    // The state shows on the button, not only in the pane.
    EXPECT_TRUE(form->Button_mqtt->toolTip().startsWith(QStringLiteral("MQTT: publishing")));
    EXPECT_FALSE(form->Button_mqtt->icon().isNull());
    // A password file from an editor that ends its lines with CR LF.
    ASSERT_EQ(SecretFile::write(secret, "pw-123\r\n"), QString());
    ASSERT_TRUE(form->mqtt()->apply(form->mqtt()->settings(), std::nullopt));
    EXPECT_TRUE(waitUntil([&] { return memoText().count(QStringLiteral("MQTT: connected to")) == 2; }))
        << memoText().toStdString();

    form->Button_stopClick();
    ASSERT_TRUE(form->FormClose());
    const QByteArray ini = readAll(tempPath(QStringLiteral("torvale.ini")));
    EXPECT_TRUE(ini.contains("[MQTT]\r\nEnabled=1\r\nHost=127.0.0.1\r\n")) << ini.toStdString();
    EXPECT_FALSE(ini.contains("pw-123"));
    EXPECT_FALSE(memoText().contains(QStringLiteral("pw-123")));
    // An empty password field keeps the stored password.
    MqttDialog again(form->mqtt()->settings(), true);
    EXPECT_FALSE(again.newPassword());
    EXPECT_EQ(again.settings().config.station, QStringLiteral("window"));
}

} // namespace
