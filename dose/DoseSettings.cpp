// SPDX-License-Identifier: GPL-3.0-or-later
#include "dose/DoseSettings.h"

#include "dose/DoseFactor.h"
#include "dose/TubePresets.h"
#include "logfile/IniFile.h"

namespace
{

QString section()
{
    return QString::fromLatin1(DoseSettings::Section);
}

} // namespace

DoseSettings::DoseSettings(QObject *parent) : QObject(parent) {}

bool DoseSettings::choosePreset(const QString &name)
{
    const auto preset = TubePresets::named(name);
    if (!preset)
        return false;
    set(preset->name, preset->factor);
    return true;
}

QString DoseSettings::setCustom(const QString &text)
{
    const DoseFactor::Parsed parsed = DoseFactor::parse(text);
    if (!parsed.value)
        return DoseFactor::message(parsed.error);
    set(customName(), parsed.value);
    return {};
}

void DoseSettings::clear()
{
    set({}, std::nullopt);
}

void DoseSettings::readSettings(const IniFile &ini)
{
    const QString tube = ini.readString(section(), QStringLiteral("Tube"), {}).trimmed();
    const DoseFactor::Parsed parsed =
        DoseFactor::parse(ini.readString(section(), QStringLiteral("Factor"), {}));
    if (tube.isEmpty()) {
        set({}, std::nullopt);
        return;
    }
    if (parsed.value) {
        set(TubePresets::named(tube) ? tube : customName(), parsed.value);
        return;
    }
    // A preset without a usable factor still means that preset.
    if (!choosePreset(tube))
        set({}, std::nullopt);
}

void DoseSettings::writeSettings(IniFile &ini) const
{
    ini.writeString(section(), QStringLiteral("Tube"), m_tube);
    ini.writeString(section(), QStringLiteral("Factor"),
                    m_factor ? DoseFactor::format(*m_factor) : QString());
}

void DoseSettings::set(const QString &tube, std::optional<double> factor)
{
    const bool changed = factor != m_factor;
    m_tube = tube;
    m_factor = factor;
    if (changed)
        emit factorChanged(m_factor);
}
