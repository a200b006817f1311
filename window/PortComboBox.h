// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "serial/SerialPortList.h"

#include <QComboBox>

// The port list: a drop-down list with an edit field that announces each
// drop-down before it opens, so the window can refill it first.
//
// Entries are the short port names the field shows and the settings file
// stores ("ttyUSB0", "gmsim0"); the drop-down list, wider than the field,
// shows each with its description (USB maker, product and serial number, or
// "simulator"), and the field's tooltip the whole name.
class PortComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit PortComboBox(QWidget *parent = nullptr);

    void showPopup() override;
    // Once editable: a field that shows a long name's end ("…USB0") while
    // it does not have the focus, the whole name in its tooltip.
    void useElidingField();

    // The text of the selected entry; empty when no entry is selected (text
    // typed into the field is not an entry).
    QString selectedEntry() const;
    // Replaces the entries (the ports' names, with their descriptions),
    // keeping the text shown in the field.  The entry equal to that text, if
    // any, stays selected.
    void replaceEntries(const QList<SerialPortList::Port> &ports);
    // The description the drop-down list shows beside entry i; empty if none.
    QString description(int i) const;

    // The entry among the first `entries` that a stored port text means: the
    // entry equal to it, else, for a path (as older settings files hold), the
    // entry that opens the same device.  -1 when none does.
    int entryFor(const QString &stored, int entries) const;

signals:
    void dropDown();
};
