// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "web/WebGuard.h"

#include <QHostAddress>
#include <QObject>
#include <QThread>

#include <memory>
#include <mutex>

class WebHttp;
struct WebState;

// The read-only web page, its API and the Prometheus metrics, served on a
// thread of their own: a request never runs on the measurement's thread and
// never reads the live table.  Each answer comes from the newest WebState
// handed to publish() (at each tally).
//
// The owner (the headless logger's or the window's thread) calls listen()
// once, publish() as often as it likes; deleting the server stops its
// thread (a request under way finishes first).
class WebServer : public QObject
{
    Q_OBJECT
public:
    // Where Debian's libjs-dygraphs installs its files.
    static QString defaultDygraphsFolder();

    explicit WebServer(QObject *parent = nullptr);
    ~WebServer() override;

    // Binds `address`:`port` (0: a free port) and starts serving.  False,
    // with the reason in *error, when the address cannot be bound.
    bool listen(const QHostAddress &address, quint16 port, QString *error,
                const WebGuard::Limits &limits = {},
                const QString &dygraphsFolder = defaultDygraphsFolder());
    quint16 port() const { return m_port; }

    // Any thread.  The state every answer from now on is made from.
    void publish(std::shared_ptr<const WebState> state);
    std::shared_ptr<const WebState> current() const;

private:
    QThread m_thread;
    WebHttp *m_http = nullptr;
    quint16 m_port = 0;
    mutable std::mutex m_mutex;
    std::shared_ptr<const WebState> m_state; // under m_mutex
};
