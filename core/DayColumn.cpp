// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/DayColumn.h"

namespace
{

// A plain count: decimal digits only, no leading zero (except "0" itself),
// and small enough for a non-negative int32.
bool parsePlainCount(const QString &text, std::int32_t *value)
{
    const qsizetype n = text.size();
    if (n == 0 || n > 10)
        return false;
    if (n > 1 && text.at(0) == u'0')
        return false;
    std::int64_t v = 0;
    for (QChar ch : text) {
        if (ch < u'0' || ch > u'9')
            return false;
        v = v * 10 + (ch.unicode() - u'0');
    }
    if (v > INT32_MAX)
        return false;
    *value = std::int32_t(v);
    return true;
}

} // namespace

QString DayColumn::text(int row) const
{
    if (cells.empty())
        return {};
    const std::int32_t v = cells[std::size_t(row)];
    if (v >= 0)
        return QString::number(v);
    if (v == Text)
        return texts.value(row);
    return {};
}

bool DayColumn::count(int row, int *value) const
{
    if (cells.empty())
        return false;
    const std::int32_t v = cells[std::size_t(row)];
    if (v < 0)
        return false;
    *value = v;
    return true;
}

void DayColumn::store(int row, const QString &text, int rowCount)
{
    if (cells.empty()) {
        if (text.isEmpty())
            return;
        cells.assign(std::size_t(rowCount), Empty);
    }
    std::int32_t &slot = cells[std::size_t(row)];
    if (slot == Text)
        texts.remove(row);
    std::int32_t value = 0;
    if (text.isEmpty()) {
        slot = Empty;
    } else if (parsePlainCount(text, &value)) {
        slot = value;
    } else {
        slot = Text;
        texts.insert(row, text);
    }
}
