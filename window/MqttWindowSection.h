// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "logfile/SettingsSection.h"
#include "publish/MqttConfig.h"
#include "publish/MqttSettings.h"

#include <QObject>
#include <QString>

#include <optional>

class Clock;
class MeasurementSession;
class MqttPublisher;
class QAbstractButton;
class QWidget;

// The window's broker: the [MQTT] section, the password file beside the
// settings file, the publisher on the window's session, and the dialog.
// Reading the section (at start) and OK in the dialog (re)start the
// publisher; the old one winds down on its own thread (the window never
// waits for it).  The password is read from its owner-only file; a file
// others may read is refused with a line in the pane, never shown.  The
// publishing state shows on the MQTT button: a coloured mark and a tooltip.
//
// GUI thread.
class MqttWindowSection : public QObject, public SettingsSection
{
    Q_OBJECT
public:
    // The clock gives the times of the port's and the alarm's events.
    MqttWindowSection(MeasurementSession *session, const QString &settingsPath, const Clock *clock,
                      QObject *parent);
    ~MqttWindowSection() override;

    void readSettings(const IniFile &ini) override;
    void writeSettings(IniFile &ini) const override;

    const MqttSettings &settings() const { return m_settings; }
    MqttPublisher *publisher() const { return m_publisher; }
    // Applies the dialog's settings and password (nullopt keeps it); false,
    // with a line in the pane, when the password file cannot be written.
    bool apply(const MqttSettings &settings, const std::optional<QByteArray> &password);
    // The window's dialog, modal; applied on OK.
    void showDialog(QWidget *parent);

    void setFactor(std::optional<double> factor);
    // The alarm's crossing, as an event.
    void publishAlarm(double meanCpm, double thresholdCpm, int minutes, bool above);
    // The button whose mark and tooltip show the publishing state.
    void showStateOn(QAbstractButton *button);
    // Start and stop of the measurement.
    void setCounterConnected(bool connected);

signals:
    void message(const QString &line);
    // Publishing cannot start (e.g. another logger of the station): for a
    // message box.
    void refused(const QString &text);

private:
    enum class State { Off, Connecting, Connected, Problem };
    void restart();
    bool readPassword(MqttConfig &config);
    void setState(State state, const QString &text);

    MeasurementSession *m_session;
    const Clock *m_clock;
    QString m_passwordPath;
    MqttSettings m_settings;
    // The section is written once it was in the file or the dialog set it,
    // so that a user who never used it keeps the file as it was.
    bool m_written = false;
    std::optional<double> m_factor;
    MqttPublisher *m_publisher = nullptr;
    QAbstractButton *m_button = nullptr;
};
