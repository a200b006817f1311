// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/MqttDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

MqttDialog::MqttDialog(const MqttSettings &s, bool hasPassword, QWidget *parent) : QDialog(parent)
{
    setWindowTitle(tr("MQTT broker"));
    auto *form = new QFormLayout;
    enabled = new QCheckBox(tr("Send each minute's count to the broker"), this);
    enabled->setChecked(s.enabled);
    form->addRow(enabled);
    host = new QLineEdit(s.config.host, this);
    host->setPlaceholderText(QStringLiteral("broker.example.org"));
    form->addRow(tr("Host"), host);
    port = new QSpinBox(this);
    port->setRange(1, 65535);
    port->setValue(s.config.port);
    form->addRow(tr("Port"), port);
    tls = new QCheckBox(QStringLiteral("TLS (mqtts)"), this);
    tls->setChecked(s.config.tls);
    connect(tls, &QCheckBox::toggled, this, [this](bool on) {
        if (on && port->value() == MqttConfig::DefaultPort)
            port->setValue(MqttConfig::DefaultTlsPort);
        else if (!on && port->value() == MqttConfig::DefaultTlsPort)
            port->setValue(MqttConfig::DefaultPort);
    });
    form->addRow(tls);
    caFile = new QLineEdit(s.config.caFile, this);
    caFile->setPlaceholderText(tr("System CAs"));
    auto *browse = new QPushButton(tr("Browse…"), this);
    connect(browse, &QPushButton::clicked, this, &MqttDialog::chooseCaFile);
    auto *caRow = new QHBoxLayout;
    caRow->addWidget(caFile);
    caRow->addWidget(browse);
    form->addRow(tr("CA file"), caRow);
    user = new QLineEdit(s.config.user, this);
    form->addRow(tr("User name"), user);
    password = new QLineEdit(this);
    password->setEchoMode(QLineEdit::Password);
    password->setPlaceholderText(hasPassword ? tr("(saved, unchanged)") : tr("(none)"));
    form->addRow(tr("Password"), password);
    forgetPassword = new QCheckBox(tr("Forget the saved password"), this);
    forgetPassword->setVisible(hasPassword);
    form->addRow(forgetPassword);
    station = new QLineEdit(s.config.station, this);
    prefix = new QLineEdit(s.config.prefix, this);
    connect(station, &QLineEdit::textChanged, this, &MqttDialog::updatePlaceholders);
    form->addRow(tr("Station"), station);
    form->addRow(tr("Topic"), prefix);
    discovery = new QCheckBox(tr("Home Assistant discovery"), this);
    discovery->setChecked(s.config.discovery);
    form->addRow(discovery);
    auto *note = new QLabel(tr("The password is kept in a file only you can read."), this);
    note->setWordWrap(true);
    form->addRow(note);
    problem = new QLabel(this);
    problem->setWordWrap(true);
    problem->setStyleSheet(QStringLiteral("color: #c00000"));
    problem->hide();
    form->addRow(problem);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
    setLayout(form);
    // Wide enough for a host name, and for the note on one line: a wrapped
    // Japanese line gets too little height from the form.
    setMinimumWidth(400);
    updatePlaceholders();
}

void MqttDialog::accept()
{
    const MqttSettings s = settings();
    const QString why = s.enabled ? s.config.problem() : QString();
    problem->setText(why);
    problem->setVisible(!why.isEmpty());
    if (why.isEmpty())
        QDialog::accept();
}

void MqttDialog::updatePlaceholders()
{
    MqttConfig c;
    c.station = station->text().trimmed();
    station->setPlaceholderText(c.stationName());
    prefix->setPlaceholderText(c.topicPrefix());
}

void MqttDialog::chooseCaFile()
{
    const QString path = QFileDialog::getOpenFileName(this, tr("CA file"), caFile->text(),
                                                      QStringLiteral("PEM (*.pem *.crt);;* (*)"));
    if (!path.isEmpty())
        caFile->setText(path);
}

MqttSettings MqttDialog::settings() const
{
    MqttSettings s;
    s.enabled = enabled->isChecked();
    s.config.host = host->text().trimmed();
    s.config.port = port->value();
    s.config.tls = tls->isChecked();
    s.config.caFile = caFile->text().trimmed();
    s.config.user = user->text().trimmed();
    s.config.station = station->text().trimmed();
    s.config.prefix = prefix->text().trimmed();
    while (s.config.prefix.endsWith(u'/'))
        s.config.prefix.chop(1);
    s.config.discovery = discovery->isChecked();
    return s;
}

std::optional<QByteArray> MqttDialog::newPassword() const
{
    if (!password->text().isEmpty())
        return password->text().toUtf8();
    if (forgetPassword->isChecked())
        return QByteArray();
    return std::nullopt;
}
