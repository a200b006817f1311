// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "publish/MqttSettings.h"

#include <QDialog>

#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QSpinBox;

// The broker settings of the window: on or off, host, port, TLS with an
// optional CA file, user name, password, station name, topic prefix and
// Home Assistant discovery.  The password field starts empty; left empty it
// keeps the stored password.
class MqttDialog : public QDialog
{
    Q_OBJECT
public:
    MqttDialog(const MqttSettings &settings, bool hasPassword, QWidget *parent = nullptr);

    MqttSettings settings() const;
    // A new password typed in; nullopt keeps the stored one.  "Forget the
    // password" gives an empty one.
    std::optional<QByteArray> newPassword() const;

    QCheckBox *enabled = nullptr;
    QLineEdit *host = nullptr;
    QSpinBox *port = nullptr;
    QCheckBox *tls = nullptr;
    QLineEdit *caFile = nullptr;
    QLineEdit *user = nullptr;
    QLineEdit *password = nullptr;
    QCheckBox *forgetPassword = nullptr;
    QLineEdit *station = nullptr;
    QLineEdit *prefix = nullptr;
    QCheckBox *discovery = nullptr;
    QLabel *problem = nullptr; // why OK was refused; hidden until then

    // Refuses a station name or prefix that cannot name topics, with the
    // reason in the dialog.
    void accept() override;

private:
    void chooseCaFile();
    void updatePlaceholders();
};
