// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/StopDeadline.h"

#include <atomic>

namespace
{

// Nanoseconds since the clock's epoch; 0 while not started.
std::atomic<StopDeadline::Clock::rep> startedAt{0};

} // namespace

StopDeadline::Clock::time_point StopDeadline::start()
{
    Clock::rep expected = 0;
    const Clock::rep wanted = (Clock::now() + Budget).time_since_epoch().count();
    startedAt.compare_exchange_strong(expected, wanted);
    return deadline();
}

void StopDeadline::cancel()
{
    startedAt.store(0);
}

StopDeadline::Clock::time_point StopDeadline::deadline()
{
    const Clock::rep at = startedAt.load();
    return at == 0 ? Clock::now() + Budget : Clock::time_point(Clock::duration(at));
}

int StopDeadline::remainingMs()
{
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline() - Clock::now()).count();
    return left > 0 ? int(left) : 0;
}
