// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The kinds of counter the program reads, their names on the command line and in the
// settings, their usual line speeds, and the factory of their Counter.

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class Counter;

enum class CounterKind {
    Pulses, // one byte per pulse (the default)
    Gmc,    // GQ GMC: a heartbeat with the count of each second
    RadPro, // Rad Pro firmware: a cumulative pulse count, polled
    Lines,  // one text line a second: "CPS, 5, CPM, 300, ..."
};

namespace CounterKinds
{

// "pulses", "gmc", "radpro", "lines".
QString name(CounterKind kind);
// Every name, in the order above.
QStringList names();
std::optional<CounterKind> fromName(const QString &name);
// The line speed the kind's counters use out of the box.
int defaultBaud(CounterKind kind);
// The kind as a user reads it in messages ("GQ GMC counter").
QString title(CounterKind kind);
std::unique_ptr<Counter> make(CounterKind kind);

} // namespace CounterKinds
