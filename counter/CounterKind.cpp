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
    const char *name;
    const char *title;
    CounterKind kind;
    int baud;
};

constexpr KindRow KindRows[] = {
    {"pulses", QT_TRANSLATE_NOOP("Counter", "pulse counter"), CounterKind::Pulses, 9600},
    {"gmc", QT_TRANSLATE_NOOP("Counter", "GQ GMC counter"), CounterKind::Gmc, 115200},
    {"radpro", QT_TRANSLATE_NOOP("Counter", "Rad Pro counter"), CounterKind::RadPro, 115200},
    {"lines", QT_TRANSLATE_NOOP("Counter", "text-line counter"), CounterKind::Lines, 9600},
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
