// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/WebGuard.h"

#include <QTcpSocket>
#include <QTimer>

WebGuard::WebGuard(const Limits &limits, QObject *parent)
    : QTcpServer(parent), m_limits(limits), m_sweep(new QTimer(this))
{
    m_clock.start();
    m_sweep->setInterval(qMax(100, m_limits.idleMs / 3));
    connect(m_sweep, &QTimer::timeout, this, &WebGuard::sweep);
    m_sweep->start();
}

void WebGuard::incomingConnection(qintptr descriptor)
{
    auto *socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    if (m_open.size() >= m_limits.maxConnections) {
        socket->write("HTTP/1.1 503 Service Unavailable\r\nContent-Length: 0\r\n"
                      "Connection: close\r\n\r\n");
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        socket->disconnectFromHost();
        return;
    }
    // The server reads a request within a transaction that keeps every byte
    // until the request is whole: this caps that buffer.
    socket->setReadBufferSize(m_limits.maxRequestBytes);
    m_open.insert(socket, Connection{0, m_clock.elapsed()});
    // Connected before the server's own: sees each piece before it is parsed.
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onRead(socket); });
    connect(socket, &QTcpSocket::bytesWritten, this,
            [this, socket] { m_open[socket].lastActiveMs = m_clock.elapsed(); });
    connect(socket, &QObject::destroyed, this, [this, socket] { m_open.remove(socket); });
    addPendingConnection(socket);
}

qint64 WebGuard::unsentBytes() const
{
    qint64 sum = 0;
    for (auto it = m_open.cbegin(); it != m_open.cend(); ++it)
        sum += it.key()->bytesToWrite();
    return sum;
}

void WebGuard::requestTaken(QTcpSocket *socket)
{
    const auto it = m_open.find(socket);
    if (it != m_open.end())
        it->received = 0;
}

void WebGuard::onRead(QTcpSocket *socket)
{
    Connection &c = m_open[socket];
    c.lastActiveMs = m_clock.elapsed();
    c.received += socket->bytesAvailable();
    if (c.received > m_limits.maxRequestBytes)
        // Not now: the server's handler of this same signal comes next.
        QMetaObject::invokeMethod(socket, &QTcpSocket::abort, Qt::QueuedConnection);
}

// QtHttpServer 6.4 drops a socket whose request it cannot parse without
// closing it, and keeps one closed in the middle of a request: both end here.
void WebGuard::sweep()
{
    const qint64 now = m_clock.elapsed();
    for (auto it = m_open.begin(); it != m_open.end();) {
        QTcpSocket *socket = it.key();
        if (socket->state() == QAbstractSocket::UnconnectedState) {
            socket->deleteLater();
            it = m_open.erase(it);
            continue;
        }
        if (now - it->lastActiveMs > m_limits.idleMs)
            socket->abort();
        ++it;
    }
}
