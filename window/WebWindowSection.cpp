// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/WebWindowSection.h"

#include "window/MqttWindowSection.h"
#include "window/WebDialog.h"
#include "logfile/IniFile.h"
#include "measure/MeasurementSession.h"
#include "publish/MqttPublisher.h"
#include "upload/Uploader.h"
#include "web/WebAddress.h"
#include "web/WebFeed.h"
#include "web/WebServer.h"

namespace
{

const QString Section = QStringLiteral("Web");

} // namespace

WebWindowSection::WebWindowSection(MeasurementSession *session, const DayTable *table,
                                   const Clock *clock, const MqttWindowSection *mqtt,
                                   const Uploader *uploader, QObject *parent)
    : QObject(parent), m_session(session), m_table(table), m_clock(clock), m_mqtt(mqtt),
      m_uploader(uploader)
{
}

// The feed goes first: it hands states to the server.
WebWindowSection::~WebWindowSection()
{
    delete m_feed;
    delete m_server;
}

void WebWindowSection::readSettings(const IniFile &ini)
{
    const QString absent = QStringLiteral("\x01");
    const QString enabled = ini.readString(Section, QStringLiteral("Enabled"), absent);
    const QString address = ini.readString(Section, QStringLiteral("Address"), absent);
    m_written = enabled != absent || address != absent;
    m_enabled = enabled == u"1" || enabled.compare(u"true", Qt::CaseInsensitive) == 0;
    m_address = address == absent ? QString() : address;
    restart();
}

void WebWindowSection::writeSettings(IniFile &ini) const
{
    if (!m_written)
        return;
    ini.writeString(Section, QStringLiteral("Enabled"), m_enabled ? QStringLiteral("1") : QStringLiteral("0"));
    ini.writeString(Section, QStringLiteral("Address"), m_address);
}

void WebWindowSection::apply(bool enabled, const QString &address)
{
    m_written = true;
    m_enabled = enabled;
    m_address = address;
    restart();
}

void WebWindowSection::showDialog(QWidget *parent)
{
    WebDialog dialog(m_enabled, m_address, parent);
    if (dialog.exec() == QDialog::Accepted)
        apply(dialog.enabled(), dialog.address());
}

void WebWindowSection::setFactor(std::optional<double> factor)
{
    m_factor = factor;
    if (m_feed)
        m_feed->setFactor(factor);
}

void WebWindowSection::setPortOpen(const QString &portName, bool open)
{
    m_portName = portName;
    m_portOpen = open;
    if (m_feed)
        m_feed->setPort(portName, open);
}

void WebWindowSection::setUploadServices(const QStringList &services)
{
    m_uploads = services;
    if (m_feed)
        m_feed->setUploadServices(services);
}

void WebWindowSection::restart()
{
    delete m_feed;
    m_feed = nullptr;
    delete m_server;
    m_server = nullptr;
    if (!m_enabled)
        return;
    const std::optional<WebAddress> address = WebAddress::parse(m_address);
    if (!address) {
        emit message(tr("web page: cannot read the address \"%1\"").arg(m_address));
        return;
    }
    m_server = new WebServer;
    QString error;
    if (!m_server->listen(address->address, address->port, &error)) {
        emit message(tr("web page: cannot listen on %1: %2").arg(address->text(address->port), error));
        delete m_server;
        m_server = nullptr;
        return;
    }
    for (const QString &line : address->servedLines(m_server->port()))
        emit message(line);
    m_feed = new WebFeed(m_table, m_server, m_clock);
    m_feed->setFactor(m_factor);
    connect(m_session, &MeasurementSession::minuteCounted, m_feed, &WebFeed::addMinute);
    connect(m_session, &MeasurementSession::portLost, m_feed,
            [this] { m_feed->setPort(m_portName, false); });
    connect(m_session, &MeasurementSession::portReturned, m_feed,
            [this] { m_feed->setPort(m_portName, true); });
    m_feed->setMqtt([this](bool *connected, qint64 *pending) {
        const MqttPublisher *publisher = m_mqtt->publisher();
        if (!publisher)
            return false;
        *connected = publisher->brokerConnected();
        *pending = publisher->pendingMessages();
        return true;
    });
    connect(m_uploader, &Uploader::answered, m_feed,
            [this](UploadService s, UploadAnswer::Kind kind) {
                m_feed->setUploadState(UploadServices::key(s), UploadAnswer::kindKey(kind));
            });
    m_feed->setUploadServices(m_uploads);
    m_feed->setPort(m_portName, m_portOpen);
}
