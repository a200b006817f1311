// SPDX-License-Identifier: GPL-3.0-or-later
#include "counter/Counter.h"

Counter::~Counter() = default;

void Counter::begin(qint64, Step &) {}

void Counter::tick(qint64, Step &) {}

void Counter::end(Step &) {}

void Counter::lost(qint64) {}
