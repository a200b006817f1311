// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Clock.h"

// A clock that reads whatever the test set.
class FakeClock final : public Clock
{
public:
    explicit FakeClock(QDateTime t = QDateTime(QDate(2026, 12, 7), QTime(10, 20, 30)))
        : m_now(std::move(t))
    {
    }
    QDateTime now() const override { return m_now; }
    void set(const QDateTime &t) { m_now = t; }
    void set(int h, int m, int s) { m_now.setTime(QTime(h, m, s)); }
    void advance(int seconds) { m_now = m_now.addSecs(seconds); }

private:
    QDateTime m_now;
};
