// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "logfile/SettingsSection.h"

#include <QObject>
#include <QString>

#include <optional>

class Clock;
class DayTable;
class MeasurementSession;
class MqttWindowSection;
class Uploader;
class WebFeed;
class WebServer;
class QWidget;

// The window's web page: the [Web] section (Enabled, Address), the server
// and its feed, and the dialog.  Off by default; the section is written only
// once it was in the file or the dialog set it.  Reading the section (at
// start) and OK in the dialog (re)start the server; where it listens, or why
// it cannot, goes to the pane.
//
// GUI thread.  Everything passed in must outlive it.
class WebWindowSection : public QObject, public SettingsSection
{
    Q_OBJECT
public:
    WebWindowSection(MeasurementSession *session, const DayTable *table, const Clock *clock,
                     const MqttWindowSection *mqtt, const Uploader *uploader, QObject *parent);
    ~WebWindowSection() override;

    void readSettings(const IniFile &ini) override;
    void writeSettings(IniFile &ini) const override;

    bool enabled() const { return m_enabled; }
    QString address() const { return m_address; }
    WebServer *server() const { return m_server; }
    void apply(bool enabled, const QString &address);
    void showDialog(QWidget *parent);

    void setFactor(std::optional<double> factor);
    // Start and stop of the measurement.
    void setPortOpen(const QString &portName, bool open);
    // The maps switched on changed.
    void setUploadServices(const QStringList &services);

signals:
    void message(const QString &line);

private:
    void restart();

    MeasurementSession *m_session;
    const DayTable *m_table;
    const Clock *m_clock;
    const MqttWindowSection *m_mqtt;
    const Uploader *m_uploader;
    bool m_enabled = false;
    QString m_address;
    bool m_written = false;
    std::optional<double> m_factor;
    QString m_portName;
    bool m_portOpen = false;
    QStringList m_uploads;
    WebServer *m_server = nullptr;
    WebFeed *m_feed = nullptr;
};
