// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/WebHttp.h"

#include "web/WebRoutes.h"
#include "web/WebState.h"

#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QTcpSocket>

namespace
{

QByteArray methodName(QHttpServerRequest::Method m)
{
    switch (m) {
    case QHttpServerRequest::Method::Get:
        return "GET";
    case QHttpServerRequest::Method::Head:
        return "HEAD";
    default:
        return "OTHER";
    }
}

} // namespace

WebHttp::WebHttp(StateSource source, const QString &dygraphsFolder, WebGuard *guard)
    : m_source(std::move(source)), m_page(dygraphsFolder), m_guard(guard)
{
    bind(guard);
}

bool WebHttp::handleRequest(const QHttpServerRequest &request, QTcpSocket *socket)
{
    m_guard->requestTaken(socket);
    if (socket->bytesToWrite() > m_guard->limits().maxUnsentBytes) {
        // Asks again without reading the last answer: no more buffers for it.
        QMetaObject::invokeMethod(socket, &QTcpSocket::abort, Qt::QueuedConnection);
        return true;
    }
    const QUrl url = request.url();
    const WebRequest r{methodName(request.method()), url.path(QUrl::FullyEncoded).toLatin1(),
                       url.query(QUrl::FullyEncoded).toLatin1(), request.value("Accept-Language")};
    // Clients that do not read what they asked for hold its bytes here:
    // past the limit nobody gets more until they read.
    const WebAnswer a = m_guard->unsentBytes() > m_guard->limits().maxTotalUnsentBytes
                            ? WebAnswer::text(503, "busy: earlier answers are still unread")
                            : WebRoutes::answer(r, *m_source(), m_page);

    QHttpServerResponder responder = makeResponder(request, socket);
    responder.writeStatusLine(QHttpServerResponder::StatusCode(a.status));
    responder.writeHeader("Content-Type", a.type);
    responder.writeHeader("Content-Length", QByteArray::number(a.body.size()));
    responder.writeHeader("X-Content-Type-Options", "nosniff");
    responder.writeHeader("Referrer-Policy", "no-referrer");
    // Nothing but this server: no script, style or image from elsewhere.
    responder.writeHeader("Content-Security-Policy",
                          "default-src 'self'; style-src 'self' 'unsafe-inline'");
    for (const auto &[name, value] : a.headers)
        responder.writeHeader(name, value);
    responder.writeBody(r.method == "HEAD" ? QByteArray() : a.body);
    return true;
}

void WebHttp::missingHandler(const QHttpServerRequest &request, QTcpSocket *socket)
{
    makeResponder(request, socket).write(QHttpServerResponder::StatusCode::NotFound);
}
