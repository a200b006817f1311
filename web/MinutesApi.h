// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "stats/StoredMinutes.h"

#include <QByteArray>

#include <optional>

class DaySnapshot;
struct WebState;

// The answers of /api/minutes, /api/minutes.csv and /api/status.  The
// minutes come from the tidy export itself (TidyExport), so the web gives
// the times, rows and fields --export gives; JSON rows carry the export's
// columns as members ("time", "cpm", and any other column it writes).
// Any thread: they read a snapshot only.
namespace MinutesApi
{

// The tidy export of the whole snapshot, byte for byte as --export writes it.
QByteArray csv(const DaySnapshot &table, std::optional<double> factor);

// The export's rows whose minute lies in `span` (both ends inclusive, local
// wall time), as a JSON array of objects.  Only the day columns the span
// touches are walked.
QByteArray json(const DaySnapshot &table, const StoredMinutes::Span &span,
                std::optional<double> factor);

// The readout, the port, counter, MQTT and upload states, as JSON.
QByteArray status(const WebState &state);

} // namespace MinutesApi
