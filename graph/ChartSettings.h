// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "logfile/SettingsSection.h"

// The chart's choices, kept in the settings file's [Chart] section:
//
//   MovingAverage  0 (none, the default), 10 or 60 minutes
//   DoseAxis       1 to show a right axis in µSv/h when a factor is set
//
// The defaults give today's chart.  Values other than these read as the
// defaults.
//
// GUI thread.
class ChartSettings : public SettingsSection
{
public:
    static constexpr auto Section = "Chart";

    int movingAverage() const { return m_movingAverage; }
    // 0, 10 or 60; anything else is taken as 0.
    void setMovingAverage(int minutes);
    bool doseAxis() const { return m_doseAxis; }
    void setDoseAxis(bool on) { m_doseAxis = on; }

    // Today's chart: a settings file needs no [Chart] section.
    bool isDefault() const { return m_movingAverage == 0 && !m_doseAxis; }

    void readSettings(const IniFile &ini) override;
    void writeSettings(IniFile &ini) const override;

private:
    int m_movingAverage = 0;
    bool m_doseAxis = false;
};
