// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class IniFile;

// A section of the settings file that a feature keeps beside [TORVALE]
// (the dose factor, the chart's choices, the broker, the uploads).  The
// window reads every section at start and writes each after [TORVALE] when
// it writes the file, so [TORVALE] keeps its bytes and its order.
//
// Called on the thread that owns the settings (the GUI thread).  read()
// never fails: a missing or bad value leaves the feature's default.
class SettingsSection
{
public:
    virtual ~SettingsSection() = default;
    virtual void readSettings(const IniFile &ini) = 0;
    virtual void writeSettings(IniFile &ini) const = 0;
};
