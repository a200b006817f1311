// SPDX-License-Identifier: GPL-3.0-or-later
#include "graph/ChartSettings.h"

#include "logfile/IniFile.h"

namespace
{

QString section()
{
    return QString::fromLatin1(ChartSettings::Section);
}

} // namespace

void ChartSettings::setMovingAverage(int minutes)
{
    m_movingAverage = minutes == 10 || minutes == 60 ? minutes : 0;
}

void ChartSettings::readSettings(const IniFile &ini)
{
    setMovingAverage(ini.readInteger(section(), QStringLiteral("MovingAverage"), 0));
    m_doseAxis = ini.readInteger(section(), QStringLiteral("DoseAxis"), 0) == 1;
}

void ChartSettings::writeSettings(IniFile &ini) const
{
    ini.writeInteger(section(), QStringLiteral("MovingAverage"), m_movingAverage);
    ini.writeInteger(section(), QStringLiteral("DoseAxis"), m_doseAxis ? 1 : 0);
}
