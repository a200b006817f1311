// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "counter/CounterKind.h"

#include <QDialog>

class QComboBox;
class QSpinBox;

// The kind of counter on the port and its line speed.  Choosing a kind
// puts its usual line speed in the field, which the user may change.
//
// GUI thread.
class CounterDialog : public QDialog
{
    Q_OBJECT
public:
    CounterDialog(CounterKind kind, int baud, QWidget *parent);

    CounterKind kind() const;
    int baud() const;

    QComboBox *kindBox() const { return m_kind; }
    QSpinBox *baudBox() const { return m_baud; }

private:
    QComboBox *m_kind;
    QSpinBox *m_baud;
};
