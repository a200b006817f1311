// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/CounterDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QSpinBox>

CounterDialog::CounterDialog(CounterKind kind, int baud, QWidget *parent)
    : QDialog(parent), m_kind(new QComboBox(this)), m_baud(new QSpinBox(this))
{
    setWindowTitle(tr("Counter"));
    m_kind->setObjectName(QStringLiteral("counterKind"));
    m_baud->setObjectName(QStringLiteral("counterBaud"));
    for (const QString &name : CounterKinds::names()) {
        const CounterKind k = *CounterKinds::fromName(name);
        m_kind->addItem(CounterKinds::title(k), name);
    }
    m_kind->setCurrentIndex(m_kind->findData(CounterKinds::name(kind)));
    m_baud->setRange(50, 4000000);
    m_baud->setValue(baud);
    m_baud->setSuffix(tr(" bps"));
    connect(m_kind, &QComboBox::currentIndexChanged, this,
            [this] { m_baud->setValue(CounterKinds::defaultBaud(this->kind())); });

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *form = new QFormLayout(this);
    form->addRow(tr("Kind of counter:"), m_kind);
    form->addRow(tr("Line speed:"), m_baud);
    form->addRow(buttons);
}

CounterKind CounterDialog::kind() const
{
    return CounterKinds::fromName(m_kind->currentData().toString()).value_or(CounterKind::Pulses);
}

int CounterDialog::baud() const
{
    return m_baud->value();
}
