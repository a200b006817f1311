// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/ClockGate.h"

#include "BuildDate.h"

#include <QCoreApplication>

#include <sys/timex.h>

QString ClockGate::notSetReason(const QDateTime &now) const
{
    if (m_notBefore.isValid() && now.date() < m_notBefore)
        return QCoreApplication::translate(
                   "ClockGate", "The clock reads a day before this program was built (%1): "
                                "no minute is filed until the clock is set; the pulses are "
                                "counted meanwhile.")
            .arg(m_notBefore.toString(Qt::ISODate));
    if (m_sync && !m_sync())
        return QCoreApplication::translate(
            "ClockGate", "The kernel reports the clock not synchronised: no minute is filed "
                         "until it is; the pulses are counted meanwhile.");
    return {};
}

QDate ClockGate::buildDate()
{
    return QDate::fromString(QStringLiteral(TORVALE_BUILD_DATE), Qt::ISODate);
}

bool ClockGate::kernelSynchronised()
{
    timex tx{};
    const int state = ::adjtimex(&tx);
    return state >= 0 && state != TIME_ERROR && (tx.status & STA_UNSYNC) == 0;
}
