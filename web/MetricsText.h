// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

struct WebState;

// The state in the Prometheus text exposition format (version 0.0.4): each
// metric with its HELP and TYPE lines; a value not known yet (before the
// first tally, without a factor) has no sample.  Any thread.
namespace MetricsText
{

QByteArray render(const WebState &state);

} // namespace MetricsText
