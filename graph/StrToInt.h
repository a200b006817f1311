// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringView>

#include <optional>

// The text-to-integer conversion that reads a day-table cell as a count.
//
// Accepted, and nothing else:
//   - leading blanks: U+0020 only.  A TAB or any other white space is an
//     ordinary character and makes the text fail, as in the classic runtime
//     whose reader skips spaces only;
//   - at most one sign, '+' or '-';
//   - either decimal digits 0-9 (leading zeros allowed), whose value must lie
//     in the 32-bit signed range -2147483648..2147483647 after the sign;
//   - or a hexadecimal number marked by "$", "0x" or "0X", digits 0-9, a-f,
//     A-F (leading zeros allowed).  It is read as a 32-bit pattern, so up to
//     $FFFFFFFF is accepted and $FFFFFFFF reads as -1, $80000000 as
//     -2147483648; a minus sign negates the pattern modulo 2^32 ("-$1" is -1).
//     A value needing more than 32 bits fails.  A bare "x" or "X" as the
//     marker, which some old readers also took, is refused: the marker is
//     "$" or "0x" only.
// The digits must run to the end of the text: trailing blanks, a decimal
// point, thousands separators, full-width digits, embedded NULs or any other
// character fail, and so does a text with no digits ("", " ", "+", "$",
// "0x").
//
// Pure function; any thread.
class StrToInt
{
    Q_DECLARE_TR_FUNCTIONS(StrToInt)

public:
    // The value, or nothing when the text is not an integer by the rules above.
    static std::optional<qint32> parse(QStringView text);

    // The error text shown for a cell that fails: "'<text>' は整数ではありません".
    static QString errorMessage(const QString &text);
};
