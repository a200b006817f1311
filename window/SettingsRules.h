// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "logfile/Settings.h"

#include <QMargins>
#include <QRect>
#include <QSize>
#include <QString>

// The window's rules for what it takes from the settings file, apart from
// its widgets: whatever an old or hand-edited file says, the window stays
// usable.  Plain functions of their arguments, called on the GUI thread.
class SettingsRules
{
public:
    // Where the day table begins, how narrow it and the chart may get, and
    // the window's client width the layout values must fit.
    struct Layout {
        int clientWidth = 0;
        int gridLeft = 0;
        int minGridWidth = 0;
        int minChartWidth = 0;
    };
    // Whether the boundary between the day table and the chart (the five
    // layout values) may be taken: only as a whole, and only when both keep
    // a usable width inside the window and the arrow buttons lie in it.
    static bool layoutFits(const Settings &s, const Layout &layout);

    // The window's place from the outer geometry the file holds: the client
    // size at least `minimum` and, with the frame, at most the available
    // area (which wins over the minimum on a smaller screen); the frame,
    // title bar included, moved onto the available area (fitFrame).
    // Returns the frame's corner and the client size.
    static QRect windowGeometry(const Settings &s, const QMargins &frame, const QSize &minimum,
                                const QRect &available);
    // `outer` (a frame geometry) made no larger than `available` and moved
    // the least so that it lies wholly on it.
    static QRect fitFrame(const QRect &outer, const QRect &available);

    // Whether the settings file at path can be written, without touching the
    // file: a file already there may be replaced, and one can be created in
    // its folder (made when missing).
    static bool canWrite(const QString &path);
};
