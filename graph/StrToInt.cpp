// SPDX-License-Identifier: GPL-3.0-or-later
#include "graph/StrToInt.h"

#include <cstdint>

namespace
{

int hexDigit(char16_t ch)
{
    if (ch >= u'0' && ch <= u'9')
        return ch - u'0';
    if (ch >= u'a' && ch <= u'f')
        return ch - u'a' + 10;
    if (ch >= u'A' && ch <= u'F')
        return ch - u'A' + 10;
    return -1;
}

} // namespace

std::optional<qint32> StrToInt::parse(QStringView text)
{
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n && text[i] == u' ')
        ++i;

    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }

    bool hex = false;
    if (i < n && text[i] == u'$') {
        hex = true;
        ++i;
    } else if (i + 1 < n && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
        hex = true;
        i += 2;
    }
    if (i == n)
        return std::nullopt;

    std::uint64_t value = 0;
    if (hex) {
        for (; i < n; ++i) {
            const int d = hexDigit(text[i].unicode());
            if (d < 0)
                return std::nullopt;
            value = value * 16 + std::uint64_t(d);
            if (value > 0xFFFFFFFFu)
                return std::nullopt;
        }
        std::uint32_t bits = std::uint32_t(value);
        if (negative)
            bits = 0u - bits;
        // Conversion of an out-of-range unsigned value is modular in C++20.
        return qint32(bits);
    }

    constexpr std::uint64_t limit = std::uint64_t(INT32_MAX) + 1; // magnitude of INT32_MIN
    for (; i < n; ++i) {
        const char16_t ch = text[i].unicode();
        if (ch < u'0' || ch > u'9')
            return std::nullopt;
        value = value * 10 + (ch - u'0');
        if (value > limit)
            return std::nullopt;
    }
    if (negative)
        return qint32(-std::int64_t(value));
    if (value == limit)
        return std::nullopt;
    return qint32(value);
}

QString StrToInt::errorMessage(const QString &text)
{
    return tr("'%1' is not a whole number").arg(text);
}
