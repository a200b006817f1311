// SPDX-License-Identifier: GPL-3.0-or-later
#include "counter/CounterKind.h"

#include "counter/GmcCounter.h"
#include "counter/LineCounter.h"
#include "counter/PulseCounter.h"
#include "counter/RadProCounter.h"

#include <QCoreApplication>

namespace
{

struct KindRow {
    CounterKind kind;
    const char *name;
    int baud;
    const char *title;
};

constexpr KindRow KindRows[] = {
    {CounterKind::Pulses, "pulses", 9600, QT_TRANSLATE_NOOP("Counter", "pulse counter")},
    {CounterKind::Gmc, "gmc", 115200, QT_TRANSLATE_NOOP("Counter", "GQ GMC counter")},
    {CounterKind::RadPro, "radpro", 115200, QT_TRANSLATE_NOOP("Counter", "Rad Pro counter")},
    {CounterKind::Lines, "lines", 9600, QT_TRANSLATE_NOOP("Counter", "text-line counter")},
};

const KindRow &row(CounterKind kind)
{
    for (const KindRow &r : KindRows) {
        if (r.kind == kind)
            return r;
    }
    return KindRows[0];
}

} // namespace

QString CounterKinds::name(CounterKind kind)
{
    return QString::fromLatin1(row(kind).name);
}

QStringList CounterKinds::names()
{
    QStringList all;
    for (const KindRow &r : KindRows)
        all << QString::fromLatin1(r.name);
    return all;
}

std::optional<CounterKind> CounterKinds::fromName(const QString &name)
{
    for (const KindRow &r : KindRows) {
        if (name == QLatin1StringView(r.name))
            return r.kind;
    }
    return std::nullopt;
}

int CounterKinds::defaultBaud(CounterKind kind)
{
    return row(kind).baud;
}

QString CounterKinds::title(CounterKind kind)
{
    return QCoreApplication::translate("Counter", row(kind).title);
}

std::unique_ptr<Counter> CounterKinds::make(CounterKind kind)
{
    switch (kind) {
    case CounterKind::Gmc:
        return std::make_unique<GmcCounter>();
    case CounterKind::RadPro:
        return std::make_unique<RadProCounter>();
    case CounterKind::Lines:
        return std::make_unique<LineCounter>();
    case CounterKind::Pulses:
        break;
    }
    return std::make_unique<PulseCounter>();
}
