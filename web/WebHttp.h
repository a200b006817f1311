// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "web/WebGuard.h"
#include "web/WebPage.h"

#include <QAbstractHttpServer>

#include <functional>
#include <memory>

struct WebState;

// The HTTP side of WebServer: takes each whole request from QtHttpServer,
// answers it through WebRoutes from the newest state, and leaves the body
// out for HEAD.  Lives on the server's thread with its WebGuard.
class WebHttp : public QAbstractHttpServer
{
    Q_OBJECT
public:
    using StateSource = std::function<std::shared_ptr<const WebState>()>;

    WebHttp(StateSource source, const QString &dygraphsFolder, WebGuard *guard);

protected:
    bool handleRequest(const QHttpServerRequest &request, QTcpSocket *socket) override;
    void missingHandler(const QHttpServerRequest &request, QTcpSocket *socket) override;

private:
    StateSource m_source;
    WebPage m_page;
    WebGuard *m_guard;
};
