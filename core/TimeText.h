// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>

// The time and date texts of the day table, the clock and the log files.
// The formats are fixed ("H:mm:ss", "yyyy/MM/dd") whatever the locale says:
// they are what the log files hold, and the tally relies on a time text that
// ends in ":" and two digits of seconds.
class TimeText
{
public:
    static QString time(const QTime &t);      // 0:00:00 .. 23:59:59
    static QString date(const QDate &d);      // 2011/09/18
    static QString dayHeader(const QDate &d); // 09/18: last five characters of date()
    static QString rowTime(int row);          // time text of minute row 1..1440
    // Minute row (1..1440) of the minute that ends at t (t's hour and minute).
    static int rowOf(const QTime &t) { return t.hour() * 60 + t.minute() + 1; }

    // t's date and time as t's zone reads them, with the offset from UTC, in
    // ISO 8601: "2026-10-25T02:30:00+01:00", or "2026-10-25T02:30+01:00"
    // without seconds.  The offset tells apart the two passes of the hour
    // that is repeated when the clocks go back.
    static QString isoWithOffset(const QDateTime &t, bool seconds = true);
    // An offset from UTC in seconds as ISO 8601 writes it: "+09:00", "-03:30".
    static QString utcOffset(int offsetSeconds);
};
