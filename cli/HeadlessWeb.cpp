// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/HeadlessWeb.h"

#include "cli/HeadlessLogger.h"
#include "measure/MeasurementSession.h"
#include "publish/MqttPublisher.h"
#include "upload/Uploader.h"
#include "web/WebFeed.h"
#include "web/WebServer.h"

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
    for (const QString &line : address.servedLines(m_server->port()))
        writeLine(line);
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
            return true;
        });
    if (uploader) {
        QStringList keys;
        for (const UploadService s : uploader->config().services)
            keys << UploadServices::key(s);
        m_feed->setUploadServices(keys);
        connect(uploader, &Uploader::answered, m_feed,
                [this](UploadService s, UploadAnswer::Kind kind) {
                    m_feed->setUploadState(UploadServices::key(s), UploadAnswer::kindKey(kind));
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
