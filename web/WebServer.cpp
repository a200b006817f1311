// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/WebServer.h"

#include "web/WebHttp.h"
#include "web/WebState.h"

QString WebServer::defaultDygraphsFolder()
{
    return QStringLiteral(TORVALE_DYGRAPHS_DIR);
}

WebServer::WebServer(QObject *parent)
    : QObject(parent), m_state(std::make_shared<const WebState>())
{
    m_thread.setObjectName(QStringLiteral("web"));
}

WebServer::~WebServer()
{
    m_thread.quit();
    m_thread.wait();
}

bool WebServer::listen(const QHostAddress &address, quint16 port, QString *error,
                       const WebGuard::Limits &limits, const QString &dygraphsFolder)
{
    auto *guard = new WebGuard(limits);
    if (!guard->listen(address, port)) {
        *error = guard->errorString();
        delete guard;
        return false;
    }
    m_port = guard->serverPort();
    // The guard becomes the server's child, and both move to the thread.
    m_http = new WebHttp([this] { return current(); }, dygraphsFolder, guard);
    m_http->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_http, &QObject::deleteLater);
    m_thread.start();
    return true;
}

void WebServer::publish(std::shared_ptr<const WebState> state)
{
    const std::lock_guard lock(m_mutex);
    m_state = std::move(state);
}

std::shared_ptr<const WebState> WebServer::current() const
{
    const std::lock_guard lock(m_mutex);
    return m_state;
}
