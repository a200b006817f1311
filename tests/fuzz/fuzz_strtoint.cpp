// SPDX-License-Identifier: GPL-3.0-or-later
// The cell-to-count conversion against a second reading of its rules, built
// from a regular expression and Qt's own number parsing, on the input read
// both as Latin-1 and as UTF-16 text.  Every accepted value also reads back
// from its decimal and its "$" hexadecimal text.
#include "FuzzCheck.h"

#include "graph/StrToInt.h"

#include <QRegularExpression>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>

namespace
{

std::optional<qint32> reference(const QString &text)
{
    static const QRegularExpression grammar(
        QStringLiteral("\\A *([+-]?)(\\$|0[xX])?([0-9A-Fa-f]+)\\z"));
    const QRegularExpressionMatch m = grammar.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const bool negative = m.capturedView(1) == u"-";
    const bool hex = !m.capturedView(2).isEmpty();
    QString digits = m.captured(3);
    while (digits.size() > 1 && digits.startsWith(u'0'))
        digits.remove(0, 1);
    bool ok = false;
    if (hex) {
        if (digits.size() > 8)
            return std::nullopt;
        std::uint32_t bits = std::uint32_t(digits.toULongLong(&ok, 16));
        FUZZ_CHECK(ok);
        if (negative)
            bits = 0u - bits;
        return qint32(bits);
    }
    if (digits.size() > 10)
        return std::nullopt;
    const qulonglong magnitude = digits.toULongLong(&ok, 10);
    if (!ok)
        return std::nullopt; // hexadecimal letters without a marker
    if (negative && magnitude <= 2147483648ull)
        return qint32(-qint64(magnitude));
    if (!negative && magnitude <= 2147483647ull)
        return qint32(magnitude);
    return std::nullopt;
}

void check(const QString &text)
{
    const std::optional<qint32> value = StrToInt::parse(text);
    FUZZ_CHECK(value == reference(text));
    if (!value)
        return;
    FUZZ_CHECK(StrToInt::parse(QString::number(*value)) == value);
    FUZZ_CHECK(StrToInt::parse(u'$' + QString::number(quint32(*value), 16)) == value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    check(QString::fromLatin1(reinterpret_cast<const char *>(data), qsizetype(size)));
    QString utf16(qsizetype(size / 2), Qt::Uninitialized);
    std::memcpy(utf16.data(), data, size / 2 * 2);
    check(utf16);
    return 0;
}
