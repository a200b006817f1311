// SPDX-License-Identifier: GPL-3.0-or-later
#include "publish/MqttUrl.h"

#include <QCoreApplication>

namespace
{

bool validTopicPart(const QString &text)
{
    return !text.contains(u'#') && !text.contains(u'+') && !text.contains(QChar(0)) &&
           !text.startsWith(u'/') && !text.endsWith(u'/') && !text.contains(QStringLiteral("//"));
}

// The URL as it may be shown: a password in it becomes "****".
QString withoutPassword(const QString &url)
{
    const qsizetype scheme = url.indexOf(QStringLiteral("://"));
    const qsizetype start = scheme < 0 ? 0 : scheme + 3;
    const qsizetype slash = url.indexOf(u'/', start);
    const qsizetype at = url.lastIndexOf(u'@', slash < 0 ? -1 : slash);
    const qsizetype colon = url.indexOf(u':', start);
    if (at < start || colon < 0 || colon > at)
        return url;
    return url.left(colon + 1) + QStringLiteral("****") + url.mid(at);
}

} // namespace

MqttUrl::Parsed MqttUrl::parse(const QString &url)
{
    Parsed out;
    MqttConfig &c = out.config;
    const auto fail = [&](const QString &why) {
        out.error = QCoreApplication::translate("MqttUrl", "bad broker URL \"%1\": %2")
                        .arg(withoutPassword(url), why);
        return out;
    };
    QString rest;
    if (url.startsWith(QStringLiteral("mqtt://"))) {
        rest = url.mid(7);
    } else if (url.startsWith(QStringLiteral("mqtts://"))) {
        rest = url.mid(8);
        c.tls = true;
    } else {
        return fail(
            QCoreApplication::translate("MqttUrl", "it must begin with mqtt:// or mqtts://"));
    }
    c.port = c.tls ? MqttConfig::DefaultTlsPort : MqttConfig::DefaultPort;

    const qsizetype slash = rest.indexOf(u'/');
    QString authority = slash < 0 ? rest : rest.left(slash);
    if (slash >= 0) {
        c.prefix = rest.mid(slash + 1);
        if (c.prefix.isEmpty() || !validTopicPart(c.prefix))
            return fail(QCoreApplication::translate(
                "MqttUrl", "the topic prefix after the host is empty or holds # + or //"));
    }
    const qsizetype at = authority.lastIndexOf(u'@');
    if (at >= 0) {
        c.user = authority.left(at);
        authority = authority.mid(at + 1);
        if (c.user.isEmpty())
            return fail(QCoreApplication::translate("MqttUrl", "empty user name before @"));
        if (c.user.contains(u':'))
            return fail(QCoreApplication::translate(
                "MqttUrl", "no password in the URL; use --mqtt-password-file"));
    }
    QString portText;
    if (authority.startsWith(u'[')) {
        const qsizetype close = authority.indexOf(u']');
        if (close < 0)
            return fail(QCoreApplication::translate("MqttUrl", "no ] after the IPv6 address"));
        c.host = authority.mid(1, close - 1);
        const QString after = authority.mid(close + 1);
        if (!after.isEmpty() && !after.startsWith(u':'))
            return fail(QCoreApplication::translate("MqttUrl", "text after the IPv6 address"));
        portText = after.mid(1);
        if (after.startsWith(u':') && portText.isEmpty())
            return fail(QCoreApplication::translate("MqttUrl", "empty port"));
    } else {
        const qsizetype colon = authority.indexOf(u':');
        c.host = colon < 0 ? authority : authority.left(colon);
        if (colon >= 0) {
            portText = authority.mid(colon + 1);
            if (portText.isEmpty())
                return fail(QCoreApplication::translate("MqttUrl", "empty port"));
        }
    }
    if (c.host.isEmpty())
        return fail(QCoreApplication::translate("MqttUrl", "no host"));
    for (const QChar ch : std::as_const(c.host))
        if (ch.isSpace() || ch == u'/' || ch == u'@' || (ch == u':' && !authority.startsWith(u'[')))
            return fail(QCoreApplication::translate(
                "MqttUrl", "the host name holds a character no host name has"));
    if (!portText.isEmpty()) {
        bool ok = false;
        const int port = portText.toInt(&ok);
        if (!ok || port < 1 || port > 65535 || !portText.front().isDigit())
            return fail(QCoreApplication::translate("MqttUrl",
                                                    "the port must be a number from 1 to 65535"));
        c.port = port;
    }
    return out;
}
