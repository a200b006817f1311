// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>

#include <optional>

// Conversion factors published for common GM tubes; docs/dose.md names the
// source of each.  A preset is a starting point: a tube's response depends
// on the radiation's energy, and only a calibration gives the right factor.
//
// Plain data, any thread.
class TubePresets
{
public:
    struct Preset {
        QString name;  // as the settings file and the dialog write it
        double factor; // counts per minute per µSv/h
    };

    static const QList<Preset> &all();
    // The preset of that name (exact match), if any.
    static std::optional<Preset> named(const QString &name);
};
