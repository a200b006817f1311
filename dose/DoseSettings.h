// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "logfile/SettingsSection.h"

#include <QObject>
#include <QString>

#include <optional>

// The conversion factor the user chose, kept in the settings file's [Dose]
// section:
//
//   Tube    the preset's name, "Custom", or empty for none
//   Factor  counts per minute per µSv/h (a decimal number)
//
// Unset until the user chooses one: then nothing may claim a dose.  A bad
// Factor in the file reads as unset; a preset's name with its factor in the
// file keeps the file's factor (the user may have tuned it).
//
// GUI thread (the owner of the settings).  Consumers take the factor as a
// plain std::optional<double> and follow factorChanged().
class DoseSettings : public QObject, public SettingsSection
{
    Q_OBJECT
public:
    static constexpr auto Section = "Dose";
    static QString customName() { return QStringLiteral("Custom"); }

    explicit DoseSettings(QObject *parent = nullptr);

    std::optional<double> factor() const { return m_factor; }
    // The preset's name, customName(), or empty when no factor is set.
    QString tube() const { return m_tube; }

    // Sets a preset's factor; false (nothing changed) for an unknown name.
    bool choosePreset(const QString &name);
    // Parses and sets a custom factor.  On a bad value returns the
    // Japanese message to show and keeps the old factor; empty on success.
    QString setCustom(const QString &text);
    // Counts only again.
    void clear();

    // No factor: a settings file needs no [Dose] section.
    bool isDefault() const { return !m_factor; }

    void readSettings(const IniFile &ini) override;
    void writeSettings(IniFile &ini) const override;

signals:
    void factorChanged(std::optional<double> factor);

private:
    void set(const QString &tube, std::optional<double> factor);

    QString m_tube;
    std::optional<double> m_factor;
};
