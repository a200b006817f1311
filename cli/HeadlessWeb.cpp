// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/HeadlessWeb.h"

#include "cli/HeadlessLogger.h"
#include "measure/MeasurementSession.h"
#include "publish/MqttPublisher.h"
#include "upload/Uploader.h"
#include "web/WebFeed.h"
#include "web/WebServer.h"

#include <QCoreApplication>

namespace
{

QString answerState(UploadAnswer::Kind kind)
{
    switch (kind) {
    case UploadAnswer::Kind::Accepted:
        return QStringLiteral("accepted");
    case UploadAnswer::Kind::Refused:
        return QStringLiteral("refused");
    case UploadAnswer::Kind::HttpError:
        return QStringLiteral("http_error");
    case UploadAnswer::Kind::NoAnswer:
        break;
    }
    return QStringLiteral("no_answer");
}

} // namespace

HeadlessWeb::HeadlessWeb(std::FILE *err, QObject *parent) : QObject(parent), m_err(err) {}

// The feed goes first: it hands states to the server.
HeadlessWeb::~HeadlessWeb()
{
    delete m_feed;
    delete m_server;
}

bool HeadlessWeb::listen(const WebAddress &address, const HeadlessLogger &logger,
                         const Clock *clock, std::optional<double> factor)
{
    m_server = new WebServer;
    QString error;
    if (!m_server->listen(address.address, address.port, &error)) {
        writeLine(tr("error: cannot serve the web page on %1: %2")
                      .arg(address.text(address.port), error));
        return false;
    }
    const QString served = address.text(m_server->port());
    writeLine(tr("web page at http://%1/").arg(served));
    if (!address.isLoopback())
        writeLine(tr("warning: the web page on %1 is read-only and has no login; on an untrusted "
                     "network put a reverse proxy with authentication in front of it.")
                      .arg(served));
    m_feed = new WebFeed(logger.table(), m_server, clock);
    m_feed->setFactor(factor);
    return true;
}

void HeadlessWeb::attach(const HeadlessLogger &logger, const QString &portName,
                         const Uploader *uploader)
{
    if (!m_feed)
        return;
    MeasurementSession *session = logger.session();
    connect(session, &MeasurementSession::minuteCounted, m_feed, &WebFeed::addMinute);
    connect(session, &MeasurementSession::portLost, m_feed,
            [this, portName] { m_feed->setPort(portName, false); });
    connect(session, &MeasurementSession::portReturned, m_feed,
            [this, portName] { m_feed->setPort(portName, true); });
    if (const MqttPublisher *publisher = logger.publisher())
        m_feed->setMqtt([publisher](bool *connected, qint64 *pending) {
            *connected = publisher->brokerConnected();
            *pending = publisher->pendingMessages();
        });
    if (uploader) {
        for (const UploadService s : uploader->config().services)
            m_feed->addUploadService(UploadServices::key(s));
        connect(uploader, &Uploader::answered, m_feed,
                [this](UploadService s, UploadAnswer::Kind kind) {
                    m_feed->setUploadState(UploadServices::key(s), answerState(kind));
                });
    }
    m_feed->setPort(portName, session->measuring());
}

void HeadlessWeb::writeLine(const QString &line) const
{
    const QByteArray bytes = (line + u'\n').toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), m_err);
    std::fflush(m_err);
}
