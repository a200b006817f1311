// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;

// The window's web page setting: on or off, and [ADDR:]PORT.  OK is refused
// (the address field marked) while the address cannot be read.
class WebDialog : public QDialog
{
    Q_OBJECT
public:
    WebDialog(bool enabled, const QString &address, QWidget *parent = nullptr);

    bool enabled() const;
    QString address() const;

    void accept() override;

private:
    QCheckBox *m_enabled;
    QLineEdit *m_address;
};
