// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/WebAddress.h"

#include <QCoreApplication>

std::optional<WebAddress> WebAddress::parse(const QString &text)
{
    WebAddress a;
    QString portText = text;
    const qsizetype colon = text.lastIndexOf(u':');
    if (colon >= 0) {
        QString host = text.left(colon);
        if (host.startsWith(u'[') && host.endsWith(u']'))
            host = host.mid(1, host.size() - 2);
        else if (host.contains(u':'))
            return std::nullopt; // an IPv6 address needs its brackets
        if (!a.address.setAddress(host))
            return std::nullopt;
        portText = text.mid(colon + 1);
    }
    bool ok = false;
    const uint port = portText.toUInt(&ok);
    if (!ok || port > 65535 || portText.startsWith(u'+'))
        return std::nullopt;
    a.port = quint16(port);
    return a;
}

QString WebAddress::text(quint16 realPort) const
{
    const QString host = address.protocol() == QAbstractSocket::IPv6Protocol
                             ? u'[' + address.toString() + u']'
                             : address.toString();
    return host + u':' + QString::number(realPort);
}

QStringList WebAddress::servedLines(quint16 realPort) const
{
    const QString served = text(realPort);
    QStringList lines{QCoreApplication::translate("WebAddress", "web page at http://%1/").arg(served)};
    if (!isLoopback())
        lines << QCoreApplication::translate(
                     "WebAddress",
                     "warning: the web page on %1 is read-only and has no login; on an untrusted "
                     "network put a reverse proxy with authentication in front of it.")
                     .arg(served);
    return lines;
}
