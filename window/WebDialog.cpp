// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/WebDialog.h"

#include "web/WebAddress.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

WebDialog::WebDialog(bool enabled, const QString &address, QWidget *parent)
    : QDialog(parent), m_enabled(new QCheckBox(tr("Serve a read-only web page and metrics"), this)),
      m_address(new QLineEdit(address, this))
{
    setWindowTitle(tr("Web page"));
    m_enabled->setChecked(enabled);
    m_address->setPlaceholderText(QStringLiteral("8080"));
    auto *note = new QLabel(tr("PORT alone listens on this computer only (127.0.0.1). Another "
                               "address (0.0.0.0:PORT) lets the network in: the page has no "
                               "login, so put a reverse proxy with authentication in front of "
                               "it on untrusted networks."),
                            this);
    note->setWordWrap(true);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *form = new QFormLayout(this);
    form->addRow(m_enabled);
    form->addRow(tr("Address ([ADDR:]PORT)"), m_address);
    form->addRow(note);
    form->addRow(buttons);
    setMinimumWidth(420);
}

bool WebDialog::enabled() const
{
    return m_enabled->isChecked();
}

QString WebDialog::address() const
{
    return m_address->text().trimmed();
}

void WebDialog::accept()
{
    if (enabled() && !WebAddress::parse(address())) {
        m_address->setFocus();
        m_address->selectAll();
        return;
    }
    QDialog::accept();
}
