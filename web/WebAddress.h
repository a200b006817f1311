// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHostAddress>
#include <QString>
#include <QStringList>

#include <optional>

// Where the web server listens, as --http takes it: "PORT" (on 127.0.0.1),
// "ADDR:PORT" or "[IPv6]:PORT"; port 0 picks a free one.  A plain value.
struct WebAddress {
    QHostAddress address = QHostAddress(QHostAddress::LocalHost);
    quint16 port = 0;

    static std::optional<WebAddress> parse(const QString &text);
    // Only this machine can reach it.
    bool isLoopback() const { return address.isLoopback(); }
    // "127.0.0.1:8080", "[::]:8080".
    QString text(quint16 realPort) const;
    // The lines a front end shows once the server listens on `realPort`:
    // where, and for an address other machines reach, that the page has no
    // login and belongs behind a reverse proxy with authentication.
    QStringList servedLines(quint16 realPort) const;
};
