// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "logfile/SettingsSection.h"

#include <QObject>
#include <QString>

#include <optional>

// The alarm's choices, kept in the settings file's [Alarm] section:
//
//   Threshold  a decimal number, empty for no alarm
//   Unit       "cpm" or "uSv/h"
//   Minutes    the running mean's window, 1..60 (default 10)
//
// A threshold in µSv/h needs a conversion factor; without one the alarm is
// off.  Bad values in the file read as the defaults.
//
// GUI thread.
class AlarmSettings : public QObject, public SettingsSection
{
    Q_OBJECT
public:
    static constexpr auto Section = "Alarm";
    enum class Unit { Cpm, Usvh };

    explicit AlarmSettings(QObject *parent = nullptr);

    std::optional<double> threshold() const { return m_threshold; }
    Unit unit() const { return m_unit; }
    int minutes() const { return m_minutes; }

    // The threshold in cpm, or nullopt when the alarm is off (no threshold,
    // or one in µSv/h without a factor).
    std::optional<double> thresholdCpm(std::optional<double> factor) const;

    // Validates the dialog's text; on a bad value returns the Japanese
    // message and keeps the old settings.  Empty text switches the alarm off.
    QString set(const QString &thresholdText, Unit unit, int minutes);

    // What a file without an [Alarm] section reads as.
    bool isDefault() const { return !m_threshold && m_unit == Unit::Cpm && m_minutes == 10; }

    void readSettings(const IniFile &ini) override;
    void writeSettings(IniFile &ini) const override;

    // "cpm" or "µSv/h", for texts.
    static QString unitText(Unit unit);

signals:
    void changed();

private:
    std::optional<double> m_threshold;
    Unit m_unit = Unit::Cpm;
    int m_minutes = 10;
};
