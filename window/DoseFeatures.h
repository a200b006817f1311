// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "graph/ChartSettings.h"
#include "core/MinuteCount.h"
#include "core/RecentMinutes.h"
#include "dose/DoseSettings.h"
#include "stats/AlarmSettings.h"

#include <QObject>
#include <QPointer>

class Alarm;
class ChartMenu;
class QLabel;
class QMenu;
class StatsDialog;
class TForm1;

// What the window shows of the counts beyond the table and the chart: the
// readout line (last minute, 10-minute mean ± sigma, with a factor in µSv/h
// too), the alarm on the running mean, the day table's context menu
// (statistics of the selection, tidy export) and the chart's context menu.
// It keeps the [Dose], [Alarm] and [Chart] sections of the settings file, in
// that order, each only when it holds a choice (so the file of a user who
// never made one is as before), and applies them when they are read.
//
// Created by the window after its controls, on the GUI thread; lives as its
// child.  Nothing it adds moves or changes an existing control.
class DoseFeatures : public QObject, public SettingsSection
{
    Q_OBJECT
public:
    explicit DoseFeatures(TForm1 *form);
    ~DoseFeatures() override;

    DoseSettings *dose() { return &m_dose; }
    AlarmSettings *alarmSettings() { return &m_alarmSettings; }
    ChartSettings *chartSettings() { return &m_chartSettings; }
    Alarm *alarm() const { return m_alarm; }
    ChartMenu *chartMenu() const { return m_chartMenu; }
    QLabel *readout() const { return m_readout; }
    StatsDialog *statsDialog() const;

    // The factor and alarm dialog (the readout's context menu).
    void editDose();
    // The statistics of the table's selection in their dialog.
    void showSelectionStats();
    // Queues the table as tidy CSV for the writer's thread; a failure is
    // told through the window's Prompts::reportError.
    void exportTable(const QString &path);

    QMenu *buildTableMenu();

    void readSettings(const IniFile &ini) override;
    void writeSettings(IniFile &ini) const override;

private:
    void minuteCounted(const MinuteCount &m);
    void updateReadout();
    void applyAlarmSettings();
    void alarmCrossed(double mean, double threshold, bool above);
    void refreshSelectionStats();
    void exportWithDialog();

    TForm1 *m_form;
    DoseSettings m_dose;
    AlarmSettings m_alarmSettings;
    ChartSettings m_chartSettings;
    RecentMinutes m_recent;
    Alarm *m_alarm;
    QLabel *m_readout;
    ChartMenu *m_chartMenu;
    // The window owns the dialog and may delete it first when it closes.
    QPointer<StatsDialog> m_statsDialog;
};
