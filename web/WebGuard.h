// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QTcpServer>

class QTimer;

// The listening socket of the web server, with the limits QtHttpServer 6.4
// lacks: at most `maxConnections` open at once (one more gets "503" and is
// closed), at most `maxRequestBytes` received for one request (the
// connection is cut past it), and a connection that neither sends nor takes
// anything for `idleMs` (a phone on a dead Wi-Fi, a half-sent request) is
// closed.  Its sockets are handed to QAbstractHttpServer as pending
// connections.
//
// Thread: the server's (it must live on the thread of the HTTP server).
class WebGuard : public QTcpServer
{
    Q_OBJECT
public:
    struct Limits {
        int maxConnections = 16;
        qint64 maxRequestBytes = qint64(16) * 1024;
        // Unsent answer bytes above which a further request on the same
        // connection closes it (a client that asks without reading).
        qint64 maxUnsentBytes = qint64(32) * 1024 * 1024;
        // Unsent bytes of all connections above which requests get "503".
        qint64 maxTotalUnsentBytes = qint64(64) * 1024 * 1024;
        int idleMs = 30000;
    };

    explicit WebGuard(const Limits &limits, QObject *parent = nullptr);

    const Limits &limits() const { return m_limits; }
    int openConnections() const { return int(m_open.size()); }
    // Answer bytes not yet taken by the clients, all connections together.
    qint64 unsentBytes() const;

    // A whole request was read from `socket`: its byte count starts anew.
    void requestTaken(QTcpSocket *socket);

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    void onRead(QTcpSocket *socket);
    void sweep();

    struct Connection {
        qint64 received = 0;   // since the last whole request
        qint64 lastActiveMs = 0;
    };
    const Limits m_limits;
    QHash<QTcpSocket *, Connection> m_open;
    QElapsedTimer m_clock;
    QTimer *m_sweep;
};
