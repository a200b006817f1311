// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/DaySnapshot.h"
#include "core/RecentMinutes.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// What the web page, its API and the metrics show, as it was at the last
// minute tally: made by WebFeed on the measurement's thread, then read by
// the server's thread without a lock (it is never changed once handed over).
// Holds no secret: no password, key or credential reaches it.
struct WebState {
    struct Upload {
        QString service;      // "radmon", "gmcmap", "safecast"
        QString state;        // "waiting", "accepted", "refused", "http_error", "no_answer"
        QDateTime lastSuccess; // invalid before the first accepted upload
    };

    // Raised at each tally, so that the page knows when to fetch the minutes.
    qint64 generation = 0;
    DaySnapshot table;                // the day table at the tally
    std::optional<MinuteCount> last;  // the newest tally
    std::optional<RecentMinutes::Mean> mean10;
    std::optional<double> factor;     // counts per minute per µSv/h
    qint64 pulsesTotal = 0;           // tallied since the program started
    QString portName;
    bool portUp = false;
    bool mqttEnabled = false;
    bool mqttConnected = false;
    qint64 mqttPending = 0;
    QList<Upload> uploads;            // the services switched on
};
