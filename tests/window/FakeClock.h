// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Clock.h"

#include <optional>

// A clock that reads whatever the test set.
class FakeClock final : public Clock
{
public:
    explicit FakeClock(QDateTime t = QDateTime(QDate(2026, 12, 7), QTime(10, 20, 30)))
        : m_now(std::move(t))
    {
    }
    QDateTime now() const override { return m_now; }
    // Trusted as `gate` says (the system clock's rules); by default always.
    QString notSetReason(const QDateTime &now) const override
    {
        return m_gate ? m_gate->notSetReason(now) : QString();
    }
    void setGate(std::optional<ClockGate> gate) { m_gate = std::move(gate); }
    void set(const QDateTime &t) { m_now = t; }
    void set(int h, int m, int s) { m_now.setTime(QTime(h, m, s)); }
    void advance(int seconds) { m_now = m_now.addSecs(seconds); }

private:
    QDateTime m_now;
    std::optional<ClockGate> m_gate;
};
