// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/MqttWindowSection.h"

#include "window/MqttDialog.h"
#include "core/Clock.h"
#include "core/SystemError.h"
#include "logfile/IniFile.h"
#include "logfile/SecretFile.h"
#include "measure/MeasurementSession.h"
#include "publish/MqttPublisher.h"

#include <QAbstractButton>
#include <QFile>
#include <QPainter>
#include <QPixmap>
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

void MqttWindowSection::showStateOn(QAbstractButton *button)
{
    m_button = button;
    setState(m_publisher ? State::Connecting : State::Off, {});
}

void MqttWindowSection::setState(State state, const QString &text)
{
    if (!m_button)
        return;
    static const QColor colours[] = {Qt::transparent, QColor(0xc0, 0xa0, 0x00),
                                     QColor(0x20, 0xa0, 0x40), QColor(0xd0, 0x20, 0x20)};
    QPixmap mark(10, 10);
    mark.fill(Qt::transparent);
    if (state != State::Off) {
        QPainter painter(&mark);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(colours[int(state)]);
        painter.drawEllipse(1, 1, 8, 8);
    }
    m_button->setIcon(state == State::Off ? QIcon() : QIcon(mark));
    m_button->setIconSize(mark.size());
    const QString what = state == State::Off          ? tr("MQTT: not publishing")
                         : state == State::Connecting ? tr("MQTT: connecting to the broker")
                         : state == State::Connected  ? tr("MQTT: publishing")
                                                      : tr("MQTT: not publishing");
    m_button->setToolTip(text.isEmpty() ? what : what + u'\n' + text);
}

bool MqttWindowSection::readPassword(MqttConfig &config)
{
    if (config.user.isEmpty() || !QFileInfo::exists(m_passwordPath))
        return true;
    const SecretFile::Read read = SecretFile::read(m_passwordPath);
    if (!read.ok()) {
        const QString why = read.shared ? tr("MQTT: not started: the password file %1 may be read by "
                                             "others (chmod 600)")
                                              .arg(m_passwordPath)
                                        : tr("MQTT: not started: the password file %1: %2")
                                              .arg(m_passwordPath, SystemError::text(read.error));
        emit message(why);
        setState(State::Problem, why);
        return false;
    }
    config.password = SecretFile::firstLine(read.bytes);
    return true;
}

void MqttWindowSection::restart()
{
    delete std::exchange(m_publisher, nullptr);
    setState(State::Off, {});
    if (!m_settings.enabled || m_settings.config.host.isEmpty())
        return;
    MqttConfig config = m_settings.config;
    if (const QString problem = config.problem(); !problem.isEmpty()) {
        emit message(QStringLiteral("MQTT: ") + problem);
        setState(State::Problem, problem);
        return;
    }
    if (!readPassword(config))
        return;
    m_publisher = new MqttPublisher(config);
    connect(m_publisher, &MqttPublisher::message, this, &MqttWindowSection::message);
    connect(m_publisher, &MqttPublisher::linkChanged, this,
            [this](bool connected, const QString &text) {
                setState(connected ? State::Connected : State::Problem, text);
            });
    connect(m_publisher, &MqttPublisher::failed, this, [this](const QString &text) {
        // Nothing is published: the outbox belongs to another logger.
        m_publisher->deleteLater();
        m_publisher = nullptr;
        setState(State::Problem, text);
        emit refused(tr("MQTT publishing of station \"%1\" did not start: %2")
                         .arg(m_settings.config.stationName(), text));
    });
    m_publisher->setClock(m_clock);
    connect(m_session, &MeasurementSession::minuteCounted, m_publisher,
            &MqttPublisher::publishMinute);
    connect(m_session, &MeasurementSession::portLost, m_publisher, &MqttPublisher::portLost);
    connect(m_session, &MeasurementSession::portReturned, m_publisher,
            &MqttPublisher::portReturned);
    m_publisher->setCounterConnected(m_session->measuring() && !m_session->isPortLost());
    m_publisher->setFactor(m_factor);
    m_publisher->start();
    setState(State::Connecting, config.describe());
}
