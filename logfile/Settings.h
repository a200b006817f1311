// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "logfile/IniFile.h"

#include <QString>

// The values the settings file keeps between runs, in section "TORVALE".
// The fields' initial values below are the defaults of a missing key, except
// for the five layout values (the arrow buttons, the day table's and the
// chart's widths, the chart's left edge), which default to the controls'
// current values.  Settings.cpp holds the one table of keys and fields that
// reading, writing and the order of the keys all come from.
//
// The keys are written in the table's order and spelling and nothing else,
// so a rewrite drops keys and sections added by hand.  Values are not
// checked here: the window keeps whatever it applies on its screen.
struct Settings {
    int formLeft = 0;
    int formTop = 0;
    int formWidth = 962;
    int formHeight = 768;
    // Empty when the file holds the key with an empty value (the window then
    // selects the first port).
    QString portname = QStringLiteral("COM1");
    int buttonMoveToLeftLeft = 0;
    int buttonMoveToRightLeft = 0;
    int stringGrid1Width = 0;
    int chart1Width = 0;
    int chart1Left = 0;
    QString dataDirectory;
    bool autSave = false; // "true" exactly turns it on

    // Reads every key; a missing key, or one that does not convert, gives
    // the default above, and the layout values those of `layout` (the
    // controls' current values).
    static Settings read(const IniFile &ini, const Settings &layout);
    IniFile toIni() const;
    // Writes the whole file at once; the old one survives any failure.
    // Empty text on success, else the text to show.
    QString write(const QString &path) const;
};
