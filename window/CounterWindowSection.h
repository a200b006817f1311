// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "counter/CounterKind.h"
#include "logfile/SettingsSection.h"

#include <QObject>

class MeasurementSession;
class QLineEdit;
class QWidget;

// The window's kind of counter and line speed: the [Counter] section
// ("Kind", "Baud"), applied to the session's next start.  The section is
// written only once it was in the file or the dialog set it, so a user who
// never chose keeps a pulse counter at 9600 and the file as it was.
//
// GUI thread.
class CounterWindowSection : public QObject, public SettingsSection
{
    Q_OBJECT
public:
    CounterWindowSection(MeasurementSession *session, QObject *parent);

    void readSettings(const IniFile &ini) override;
    void writeSettings(IniFile &ini) const override;

    // Sets the session's kind and the port's line speed, for the next start
    // (the port list that offers the dialog is disabled while measuring).
    void apply(CounterKind kind, int baud);
    // The dialog, modal; applied on OK.
    void showDialog(QWidget *parent);
    // Adds "Counter..." to the field's own context menu (the port list's
    // field), which opens the dialog; no control moves.
    void offerIn(QLineEdit *field);

    CounterKind kind() const { return m_kind; }
    int baud() const { return m_baud; }

signals:
    void message(const QString &line);

private:
    MeasurementSession *m_session;
    CounterKind m_kind = CounterKind::Pulses;
    int m_baud = 0; // 0: the port's own
    bool m_written = false;
};
