// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Shift-JIS as Windows writes it (code page 932, "Windows-31J"): the encoding
// of log files and of the settings file.
//
// Decoding never fails and never loses a byte.  A byte that does not start a
// valid character (a stray lead byte, 0x80, 0xA0, 0xFD..0xFF, a lead byte
// whose trail is missing or invalid) becomes the lone low surrogate
// U+DC00 + byte, and encoding turns U+DC80..U+DCFF back into that byte.
// Two-byte codes that Windows itself would never write (the NEC-selected IBM
// extensions in rows 0xED/0xEE, which duplicate characters of rows
// 0xFA..0xFC) are kept as two such bytes too, so that decode followed by
// encode gives back the very bytes that were read, whatever they were.
//
// Encoding: a character that code page 932 cannot hold (an emoji, a letter
// of a script it lacks, a lone surrogate outside U+DC80..U+DCFF) becomes one
// "?" (0x3F); a surrogate pair counts as one character.
//
// The tables are built once, on first use, from the platform converter;
// both functions are thread-safe.
class Cp932
{
public:
    static QByteArray encode(QStringView text);
    static QString decode(QByteArrayView bytes);

    // Appends the encoding of text to out, as encode returns it.
    static void encodeAppend(QStringView text, QByteArray &out);
};
