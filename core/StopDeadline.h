// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>

// The one time budget of a stopping program: the queued file writes, the
// MQTT drain and the uploads all end by the same deadline, which stays
// under the service's TimeoutStopSec (20 s) so that stopping never ends in
// SIGKILL.
//
// Any thread.
class StopDeadline
{
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds Budget{15000};

    // Starts the budget; later calls keep the first deadline.
    static Clock::time_point start();
    // The stop was called off (the user kept the window open).
    static void cancel();
    // The started deadline, else now + Budget (nothing is stopping yet).
    static Clock::time_point deadline();
    // Milliseconds left until deadline(), never below 0.
    static int remainingMs();
};
