// SPDX-License-Identifier: GPL-3.0-or-later
#include "dose/TubePresets.h"

const QList<TubePresets::Preset> &TubePresets::all()
{
    // Sources and derivations in docs/dose.md.
    static const QList<Preset> presets = {
        {QStringLiteral("SBM-20"), 175.43},  // 1 / 0.0057 µSv/h per cpm
        {QStringLiteral("J305"), 123.147},   // 1 / 0.00812037 µSv/h per cpm
        {QStringLiteral("M4011"), 153.8},    // 1 / 0.0065 µSv/h per cpm
        {QStringLiteral("LND 712"), 108.0},  // 18 cps per mR/h, Co-60
    };
    return presets;
}

std::optional<TubePresets::Preset> TubePresets::named(const QString &name)
{
    for (const Preset &p : all())
        if (p.name == name)
            return p;
    return std::nullopt;
}
