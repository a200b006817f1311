// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The counter that sends one byte per pulse, whatever the byte: nothing to set up or stop.

#include "counter/Counter.h"

class PulseCounter : public Counter
{
public:
    CounterKind kind() const override { return CounterKind::Pulses; }
    void feed(const char *data, qsizetype size, qint64 nowMs, Step &step) override;
};
