// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/MqttWindowSection.h"

#include "window/MqttDialog.h"
#include "core/Clock.h"
#include "core/SystemError.h"
#include "logfile/IniFile.h"
#include "logfile/SecretFile.h"
#include "measure/MeasurementSession.h"
#include "publish/MqttPublisher.h"

#include <QFile>
#include <QFileInfo>

MqttWindowSection::MqttWindowSection(MeasurementSession *session, const QString &settingsPath,
                                     const Clock *clock, QObject *parent)
    : QObject(parent), m_session(session), m_clock(clock),
      m_passwordPath(MqttSettings::passwordPath(settingsPath))
{
}

MqttWindowSection::~MqttWindowSection()
{
    delete m_publisher;
}

void MqttWindowSection::readSettings(const IniFile &ini)
{
    const QString absent = QStringLiteral("\x01");
    m_written = ini.readString(QStringLiteral("MQTT"), QStringLiteral("Enabled"), absent) != absent ||
                ini.readString(QStringLiteral("MQTT"), QStringLiteral("Host"), absent) != absent;
    m_settings.readSettings(ini);
    restart();
}

void MqttWindowSection::writeSettings(IniFile &ini) const
{
    if (m_written)
        m_settings.writeSettings(ini);
}

bool MqttWindowSection::apply(const MqttSettings &settings,
                              const std::optional<QByteArray> &password)
{
    m_settings = settings;
    m_written = true;
    if (password) {
        const QString error =
            password->isEmpty()
                ? (QFile::remove(m_passwordPath) || !QFileInfo::exists(m_passwordPath)
                       ? QString()
                       : tr("cannot remove %1").arg(m_passwordPath))
                : SecretFile::write(m_passwordPath, *password + '\n');
        if (!error.isEmpty()) {
            emit message(tr("MQTT: the password was not saved: %1").arg(error));
            restart();
            return false;
        }
    }
    restart();
    return true;
}

void MqttWindowSection::showDialog(QWidget *parent)
{
    MqttDialog dialog(m_settings, QFileInfo::exists(m_passwordPath), parent);
    if (dialog.exec() == QDialog::Accepted)
        apply(dialog.settings(), dialog.newPassword());
}

void MqttWindowSection::setFactor(std::optional<double> factor)
{
    m_factor = factor;
    if (m_publisher)
        m_publisher->setFactor(factor);
}

void MqttWindowSection::publishAlarm(double meanCpm, double thresholdCpm, int minutes, bool above)
{
    if (m_publisher)
        m_publisher->publishAlarm(m_clock->now(), meanCpm, thresholdCpm, minutes, above);
}

void MqttWindowSection::setCounterConnected(bool connected)
{
    if (m_publisher)
        m_publisher->setCounterConnected(connected);
}

void MqttWindowSection::restart()
{
    delete std::exchange(m_publisher, nullptr);
    if (!m_settings.enabled || m_settings.config.host.isEmpty())
        return;
    MqttConfig config = m_settings.config;
    if (!config.user.isEmpty() && QFileInfo::exists(m_passwordPath)) {
        const SecretFile::Read read = SecretFile::read(m_passwordPath);
        if (!read.ok()) {
            emit message((read.shared ? tr("MQTT: not started: the password file %1 may be read by "
                                           "others (chmod 600)")
                                            .arg(m_passwordPath)
                                      : tr("MQTT: not started: the password file %1: %2")
                                            .arg(m_passwordPath, SystemError::text(read.error))));
            return;
        }
        config.password = read.bytes.left(read.bytes.indexOf('\n'));
    }
    m_publisher = new MqttPublisher(config);
    connect(m_publisher, &MqttPublisher::message, this, &MqttWindowSection::message);
    m_publisher->setClock(m_clock);
    m_publisher->attach(m_session);
    m_publisher->setFactor(m_factor);
    m_publisher->start();
}
