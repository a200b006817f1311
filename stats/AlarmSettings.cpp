// SPDX-License-Identifier: GPL-3.0-or-later
#include "stats/AlarmSettings.h"

#include "logfile/IniFile.h"
#include "stats/Alarm.h"

#include <cmath>

namespace
{

QString section()
{
    return QString::fromLatin1(AlarmSettings::Section);
}

// A threshold: a finite number above 0 and below a million (cpm or µSv/h).
std::optional<double> parseThreshold(const QString &text)
{
    QString t = text.trimmed();
    t.replace(u',', u'.');
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || !std::isfinite(v) || v <= 0 || v >= 1e6)
        return std::nullopt;
    return v;
}

} // namespace

AlarmSettings::AlarmSettings(QObject *parent) : QObject(parent) {}

std::optional<double> AlarmSettings::thresholdCpm(std::optional<double> factor) const
{
    if (!m_threshold)
        return std::nullopt;
    if (m_unit == Unit::Cpm)
        return m_threshold;
    if (!factor)
        return std::nullopt;
    return *m_threshold * *factor;
}

QString AlarmSettings::set(const QString &thresholdText, Unit unit, int minutes)
{
    std::optional<double> threshold;
    if (!thresholdText.trimmed().isEmpty()) {
        threshold = parseThreshold(thresholdText);
        if (!threshold)
            return tr("The alarm threshold must be a number greater than 0.");
    }
    if (minutes < 1 || minutes > Alarm::MaxMinutes)
        return tr("The averaging time must be 1 to %1 minutes.").arg(Alarm::MaxMinutes);
    m_threshold = threshold;
    m_unit = unit;
    m_minutes = minutes;
    emit changed();
    return {};
}

void AlarmSettings::readSettings(const IniFile &ini)
{
    m_threshold = parseThreshold(ini.readString(section(), QStringLiteral("Threshold"), {}));
    m_unit = ini.readString(section(), QStringLiteral("Unit"), {}).trimmed() == unitText(Unit::Usvh)
                 ? Unit::Usvh
                 : Unit::Cpm;
    const int minutes = ini.readInteger(section(), QStringLiteral("Minutes"), Alarm::DefaultMinutes);
    m_minutes = minutes >= 1 && minutes <= Alarm::MaxMinutes ? minutes : Alarm::DefaultMinutes;
    emit changed();
}

void AlarmSettings::writeSettings(IniFile &ini) const
{
    ini.writeString(section(), QStringLiteral("Threshold"),
                    m_threshold ? QString::number(*m_threshold, 'g', 6) : QString());
    ini.writeString(section(), QStringLiteral("Unit"), unitText(m_unit));
    ini.writeInteger(section(), QStringLiteral("Minutes"), m_minutes);
}

QString AlarmSettings::unitText(Unit unit)
{
    return unit == Unit::Cpm ? QStringLiteral("cpm") : QStringLiteral("uSv/h");
}
