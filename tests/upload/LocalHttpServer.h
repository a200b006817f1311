// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSslServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

#include <memory>

// An HTTP/1.1 server of the test's own on 127.0.0.1 at a free port: records
// every request as it arrived and answers with the reply set for it.  Given
// a TLS configuration it speaks https.
class LocalHttpServer : public QObject
{
public:
    struct Request {
        QByteArray method;
        QByteArray target; // path and query as sent
        QHash<QByteArray, QByteArray> headers; // names in lower case
        QByteArray body;
        QByteArray raw;
    };
    struct Reply {
        int status = 200;
        QByteArray reason = "OK";
        QByteArray body = "OK";
        bool silent = false;     // never answer (a time-out)
        QByteArray raw;          // sent as is instead of an HTTP answer
    };

    explicit LocalHttpServer(const QSslConfiguration *tls = nullptr)
        : m_tls(tls != nullptr), m_server(tls ? new QSslServer : new QTcpServer)
    {
        if (tls)
            static_cast<QSslServer *>(m_server.get())->setSslConfiguration(*tls);
        m_server->listen(QHostAddress::LocalHost, 0);
        // After the handshake, where there is one.
        connect(m_server.get(), &QTcpServer::pendingConnectionAvailable, this, [this] {
            while (QTcpSocket *s = m_server->nextPendingConnection()) {
                s->setParent(this);
                connect(s, &QTcpSocket::readyRead, this, [this, s] { onData(s); });
            }
        });
    }

    QUrl url(const QString &path) const
    {
        return QUrl(QStringLiteral("%1://127.0.0.1:%2%3")
                        .arg(m_tls ? QStringLiteral("https") : QStringLiteral("http"))
                        .arg(m_server->serverPort())
                        .arg(path));
    }

    Reply reply;
    QList<Request> requests;
    // With dripMs set, the answer is a body without end: `drip` again and
    // again every dripMs until the client leaves.
    QByteArray drip;
    int dripMs = 0;

private:
    void onData(QTcpSocket *s)
    {
        QByteArray &buffer = m_buffers[s];
        buffer += s->readAll();
        const qsizetype headEnd = buffer.indexOf("\r\n\r\n");
        if (headEnd < 0)
            return;
        Request r;
        const QList<QByteArray> lines = buffer.left(headEnd).split('\n');
        const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
        r.method = first.value(0);
        r.target = first.value(1);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const qsizetype colon = lines[i].indexOf(':');
            if (colon > 0)
                r.headers.insert(lines[i].left(colon).trimmed().toLower(),
                                 lines[i].mid(colon + 1).trimmed());
        }
        const qsizetype length = r.headers.value("content-length", "0").toLongLong();
        if (buffer.size() < headEnd + 4 + length)
            return;
        r.body = buffer.mid(headEnd + 4, length);
        r.raw = buffer.left(headEnd + 4 + length);
        buffer.remove(0, headEnd + 4 + length);
        requests.append(r);
        if (reply.silent)
            return;
        if (dripMs > 0) {
            s->write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nConnection: close\r\n\r\n");
            auto *timer = new QTimer(s);
            connect(timer, &QTimer::timeout, s, [s, this] {
                if (s->state() == QAbstractSocket::ConnectedState && s->bytesToWrite() < (1 << 20))
                    s->write(drip);
            });
            timer->start(dripMs);
            return;
        }
        if (!reply.raw.isEmpty()) {
            s->write(reply.raw);
            s->disconnectFromHost();
            return;
        }
        s->write("HTTP/1.1 " + QByteArray::number(reply.status) + ' ' + reply.reason +
                 "\r\nContent-Type: text/html\r\nContent-Length: " +
                 QByteArray::number(reply.body.size()) + "\r\nConnection: close\r\n\r\n" +
                 reply.body);
        s->disconnectFromHost();
    }

    bool m_tls;
    std::unique_ptr<QTcpServer> m_server;
    QHash<QTcpSocket *, QByteArray> m_buffers;
};
