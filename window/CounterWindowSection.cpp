// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/CounterWindowSection.h"

#include "logfile/IniFile.h"
#include "measure/MeasurementSession.h"
#include "serial/Trs232c.h"
#include "window/CounterDialog.h"

#include <QLineEdit>
#include <QMenu>

namespace
{

const QString CounterSection = QStringLiteral("Counter");
const QString KindKey = QStringLiteral("Kind");
const QString BaudKey = QStringLiteral("Baud");

} // namespace

CounterWindowSection::CounterWindowSection(MeasurementSession *session, QObject *parent)
    : QObject(parent), m_session(session)
{
}

void CounterWindowSection::readSettings(const IniFile &ini)
{
    const QString name = ini.readString(CounterSection, KindKey, QString());
    const int baud = ini.readInteger(CounterSection, BaudKey, 0);
    m_written = !name.isEmpty() || baud > 0;
    if (!m_written)
        return;
    const CounterKind kind = CounterKinds::fromName(name).value_or(CounterKind::Pulses);
    m_kind = kind;
    m_baud = baud >= 50 ? baud : CounterKinds::defaultBaud(kind);
    m_session->setCounterKind(m_kind);
    m_session->port()->setBps(m_baud);
}

void CounterWindowSection::writeSettings(IniFile &ini) const
{
    if (!m_written)
        return;
    ini.writeString(CounterSection, KindKey, CounterKinds::name(m_kind));
    ini.writeInteger(CounterSection, BaudKey, m_baud);
}

void CounterWindowSection::apply(CounterKind kind, int baud)
{
    m_kind = kind;
    m_baud = baud;
    m_written = true;
    m_session->setCounterKind(kind);
    m_session->port()->setBps(baud);
    emit message(tr("Counter: %1 at %2 bps").arg(CounterKinds::title(kind)).arg(baud));
}

void CounterWindowSection::showDialog(QWidget *parent)
{
    const int baud = m_baud > 0 ? m_baud : m_session->port()->bps();
    CounterDialog dialog(m_kind, baud, parent);
    if (dialog.exec() == QDialog::Accepted)
        apply(dialog.kind(), dialog.baud());
}

void CounterWindowSection::offerIn(QLineEdit *field)
{
    field->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(field, &QWidget::customContextMenuRequested, this, [this, field](const QPoint &pos) {
        QMenu *menu = field->createStandardContextMenu();
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->addSeparator();
        QAction *choose = menu->addAction(tr("Counter..."));
        choose->setObjectName(QStringLiteral("chooseCounter"));
        connect(choose, &QAction::triggered, this,
                [this, field] { showDialog(field->window()); }, Qt::QueuedConnection);
        menu->popup(field->mapToGlobal(pos));
    });
}
