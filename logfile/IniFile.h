// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

// A profile (INI) file held in memory, read and written in the form this
// program's settings files have always had, so that the files users keep
// and edit keep their bytes: code page 932 text, "[section]" header lines, "key=value" lines, CR LF line
// ends, keys in the order they were written.
//
// A value that code page 932 cannot hold (a folder named "Gerät" or in a
// script the code page lacks) is written as UTF-8 after the three bytes
// EF BB BF, which begin no CP932 text, and read back from that form; every
// other value stays CP932, so a settings file written before such values
// existed keeps its bytes.  No value is ever written with "?" in place of a character.
//
// Reading is lenient and never fails: LF or CR LF line ends; blanks (space,
// TAB) around section names, keys and values are ignored; section and key
// names compare without regard to ASCII case; the first of two equal
// sections or keys wins; lines that are neither a section header nor hold
// "=" are ignored, as is anything before the first section.  Binary junk
// simply yields sections and keys that nobody asks for.
//
// Not thread-safe; use one instance per thread.
class IniFile
{
public:
    // Longest value a read returns, in bytes of the file; the cut never
    // splits a character.
    static constexpr qsizetype MaxValueBytes = 2047;

    IniFile() = default;
    static IniFile fromBytes(QByteArrayView bytes);
    // A missing file gives an empty IniFile.  So does one that exists but
    // cannot be opened or read; *error (if given) then receives the text to
    // show, so that the caller does not overwrite it with defaults.
    static IniFile load(const QString &path, QString *error = nullptr);

    // The stored text (cut at MaxValueBytes bytes), or `fallback` when the
    // key is missing; a key present with an empty value gives empty text.
    QString readString(const QString &section, const QString &key, const QString &fallback) const;
    // A value longer than two characters that begins with "0x" or "0X" is
    // hexadecimal after the prefix; any other is decimal with an optional
    // sign.  Text that does not convert, empty text, and values outside the
    // 32-bit signed range give `fallback`.
    int readInteger(const QString &section, const QString &key, int fallback) const;

    // Sets the value, adding the section and key at the end if they are new.
    // A value is one line: it is cut at its first CR or LF.
    void writeString(const QString &section, const QString &key, const QString &value);
    void writeInteger(const QString &section, const QString &key, int value);

    QByteArray toBytes() const;
    // Writes the whole file at once (AtomicFile), creating missing parent
    // folders; the old file survives any failure.  Empty text on success,
    // else the text to show.
    QString saveTo(const QString &path) const;

private:
    struct Entry {
        QByteArray key; // trimmed, as written to the file
        QByteArray value;
    };
    struct Section {
        QByteArray name;
        QList<Entry> entries;
    };

    const Entry *find(const QString &section, const QString &key) const;
    Entry *findOrAdd(const QString &section, const QString &key);

    QList<Section> m_sections;
};
