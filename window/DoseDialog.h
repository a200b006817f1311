// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class AlarmSettings;
class DoseSettings;
class QComboBox;
class QLineEdit;
class QSpinBox;

// The conversion factor (a tube preset, a custom value, or none) and the
// alarm (threshold, unit, minutes of the running mean).  OK applies both;
// a bad value is refused with its message, the dialog stays open and the
// settings keep their old values.
//
// GUI thread; modal.
class DoseDialog : public QDialog
{
    Q_OBJECT
public:
    DoseDialog(DoseSettings *dose, AlarmSettings *alarm, QWidget *parent = nullptr);

    QComboBox *tube() const { return m_tube; }
    QLineEdit *factor() const { return m_factor; }
    QLineEdit *threshold() const { return m_threshold; }
    QComboBox *unit() const { return m_unit; }
    QSpinBox *minutes() const { return m_minutes; }

    // Applies the fields; empty on success, else the message shown.
    QString applyFields();

    void accept() override;

private:
    void tubeChosen();

    DoseSettings *m_dose;
    AlarmSettings *m_alarm;
    QComboBox *m_tube;
    QLineEdit *m_factor;
    QLineEdit *m_threshold;
    QComboBox *m_unit;
    QSpinBox *m_minutes;
};
