// SPDX-License-Identifier: GPL-3.0-or-later
#include "measure/TickDriver.h"

#include "core/Clock.h"
#include "measure/MeasurementSession.h"

#include <QTimer>

TickDriver::TickDriver(MeasurementSession *session, const Clock *clock, QObject *parent)
    : QObject(parent), m_session(session), m_clock(clock), m_timer(new QTimer(this))
{
    m_timer->setSingleShot(true);
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, [this] {
        tick();
        start();
    });
}

void TickDriver::start()
{
    m_timer->start(msUntilNextSecond());
}

void TickDriver::stop()
{
    m_timer->stop();
}

void TickDriver::tick()
{
    const QDateTime now = m_clock->now();
    emit clockRead(now);
    m_session->tick(now, m_clock->notSetReason(now));
}
