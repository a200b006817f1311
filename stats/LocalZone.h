// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDate>

#include <vector>

// The local time zone's offsets from UTC over a span of days, learned once:
// asking the system for the offset of an instant costs microseconds (with
// TZ unset, a look at /etc/localtime each time), and ten years of days would
// ask tens of thousands of times.  Sampled every week, each change found to
// the minute by bisection; offsets that change and change back within a
// week are not seen (no zone in use does that).
//
// Plain value, any thread; reflects the zone at construction.
class LocalZone
{
public:
    // The offsets from two days before `first` to three days after `last`;
    // an invalid date spans nothing.
    LocalZone(const QDate &first, const QDate &last);

    // The offset at `secs` since the epoch, in seconds east of UTC; outside
    // the span, asked of the system.
    int offsetAt(qint64 secs) const;

    // The first instant after `secs` at which the offset changes, within
    // the span; the span's end when none.
    qint64 nextChange(qint64 secs) const;

private:
    static int systemOffsetAt(qint64 secs);

    struct Change {
        qint64 at = 0; // first instant of the new offset
        int offset = 0;
    };

    std::vector<Change>::const_iterator after(qint64 secs) const;

    qint64 m_from = 0;
    qint64 m_to = -1;
    int m_first = 0; // the offset at m_from
    std::vector<Change> m_changes;
};
