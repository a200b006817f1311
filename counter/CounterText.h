// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The words the counters share: printable excerpts of what a counter sent, and the wrong-kind
// message.

#include "counter/CounterKind.h"

#include <QByteArray>
#include <QString>

namespace CounterText
{

// At most 60 characters of data, each byte outside printable ASCII as <XX>.
QString excerpt(const QByteArray &data);
// Nothing a kind understands came within some seconds of the port opening.
QString noAnswer(CounterKind kind, int seconds);
// A line that is not the kind's, never counted.
QString unreadable(CounterKind kind, const QByteArray &line);

} // namespace CounterText
