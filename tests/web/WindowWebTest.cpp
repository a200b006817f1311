// SPDX-License-Identifier: GPL-3.0-or-later
// The window's web page: off and unwritten until used, then serving the
// window's tallies, and kept in [Web].

#include "window/WebWindowSection.h"
#include "window/WindowTestSupport.h"
#include "web/WebServer.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>

using namespace apptest;

namespace
{

class WindowWebTest : public WindowTest
{
};

QJsonObject status(quint16 port)
{
    QTcpSocket s;
    s.connectToHost(QHostAddress::LocalHost, port);
    s.waitForConnected(2000);
    s.write("GET /api/status HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
    QByteArray answer;
    while (s.waitForReadyRead(2000))
        answer += s.readAll();
    return QJsonDocument::fromJson(answer.mid(answer.indexOf("\r\n\r\n") + 4)).object();
}

TEST_F(WindowWebTest, OffUntilUsedThenServesTheWindowsTallies)
{
    build();
    EXPECT_FALSE(form->web()->server());
    form->Button_stopClick();
    ASSERT_TRUE(form->FormClose());
    EXPECT_FALSE(readAll(tempPath(QStringLiteral("torvale.ini"))).contains("[Web]"));

    build();
    form->web()->apply(true, QStringLiteral("127.0.0.1:0"));
    ASSERT_TRUE(form->web()->server());
    const quint16 port = form->web()->server()->port();
    EXPECT_TRUE(memoText().contains(QStringLiteral(" http://127.0.0.1:%1/").arg(port)));
    startMeasuring(at(10, 20, 30));
    pulses(9);
    tick(at(10, 21, 0));
    const QJsonObject s = status(port);
    EXPECT_EQ(s[u"readout"].toObject()[u"cpm"].toInt(), 9) << QJsonDocument(s).toJson().constData();
    EXPECT_TRUE(s[u"port"].toObject()[u"open"].toBool());

    form->Button_stopClick();
    ASSERT_TRUE(form->FormClose());
    const QByteArray ini = readAll(tempPath(QStringLiteral("torvale.ini")));
    EXPECT_TRUE(ini.contains("[Web]\r\nEnabled=1\r\nAddress=127.0.0.1:0\r\n")) << ini.toStdString();
}

} // namespace
