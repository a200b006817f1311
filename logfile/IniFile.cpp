// SPDX-License-Identifier: GPL-3.0-or-later
#include "logfile/IniFile.h"

#include "logfile/AtomicFile.h"
#include "logfile/Cp932.h"
#include "logfile/FileError.h"
#include "core/UniqueFd.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <unistd.h>
#include <cstdint>

namespace
{

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

QByteArrayView trimmed(QByteArrayView s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && isBlank(s[e - 1]))
        --e;
    return s.sliced(b, e - b);
}

bool sameName(QByteArrayView a, QByteArrayView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QByteArray nameBytes(const QString &name)
{
    return trimmed(Cp932::encode(name)).toByteArray();
}

// Marks a value kept as UTF-8 because code page 932 cannot hold it.  These
// bytes never begin a CP932 text: 0xEF 0xBB is no character there.
constexpr QByteArrayView Utf8Mark("\xEF\xBB\xBF");

// The first bytes of a value up to `limit`, without splitting a character:
// a CP932 double-byte character, or a UTF-8 sequence after the mark.
qsizetype cutAt(QByteArrayView v, qsizetype limit)
{
    if (v.size() <= limit)
        return v.size();
    if (v.startsWith(Utf8Mark)) {
        qsizetype end = limit;
        while (end > Utf8Mark.size() && (uchar(v[end]) & 0xC0) == 0x80)
            --end; // v[end] continues the character that the cut would split
        return end;
    }
    qsizetype i = 0;
    while (i < limit) {
        const uchar b = uchar(v[i]);
        const bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
        const uchar next = uchar(v[i + 1]); // i + 1 <= limit < size
        const qsizetype step = lead && next >= 0x40 && next <= 0xFC && next != 0x7F ? 2 : 1;
        if (i + step > limit)
            break;
        i += step;
    }
    return i;
}

QByteArray oneLine(QByteArray bytes)
{
    const qsizetype cr = bytes.indexOf('\r');
    const qsizetype lf = bytes.indexOf('\n');
    qsizetype cut = cr < 0 ? lf : (lf < 0 ? cr : std::min(cr, lf));
    if (cut >= 0)
        bytes.truncate(cut);
    return bytes;
}

} // namespace

IniFile IniFile::fromBytes(QByteArrayView bytes)
{
    IniFile ini;
    Section *current = nullptr;
    qsizetype pos = 0;
    while (pos < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', pos);
        const qsizetype next = end < 0 ? bytes.size() : end + 1;
        if (end < 0)
            end = bytes.size();
        QByteArrayView line = bytes.sliced(pos, end - pos);
        pos = next;
        if (line.endsWith('\r'))
            line.chop(1);
        line = trimmed(line);
        if (line.startsWith('[')) {
            const qsizetype close = line.indexOf(']');
            if (close < 0)
                continue;
            const QByteArrayView name = trimmed(line.sliced(1, close - 1));
            current = nullptr;
            for (Section &s : ini.m_sections)
                if (sameName(s.name, name))
                    current = &s;
            if (!current) {
                ini.m_sections.append({name.toByteArray(), {}});
                current = &ini.m_sections.last();
            }
            continue;
        }
        const qsizetype eq = line.indexOf('=');
        if (!current || eq < 0)
            continue;
        const QByteArrayView key = trimmed(line.first(eq));
        bool known = false;
        for (const Entry &e : std::as_const(current->entries))
            known = known || sameName(e.key, key);
        if (!known)
            current->entries.append(
                {key.toByteArray(), trimmed(line.sliced(eq + 1)).toByteArray()});
    }
    return ini;
}

IniFile IniFile::load(const QString &path, QString *error)
{
    if (!QFileInfo(path).isFile())
        return {};
    const UniqueFd fd(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC));
    // A settings file is a few hundred bytes; more than a few megabytes is
    // not one, and only its beginning is worth looking at.
    QByteArray bytes(4 << 20, Qt::Uninitialized);
    qsizetype got = 0;
    int failure = fd.isValid() ? 0 : errno;
    while (failure == 0 && got < bytes.size()) {
        const ssize_t n = ::read(fd.get(), bytes.data() + got, std::size_t(bytes.size() - got));
        if (n < 0 && errno != EINTR)
            failure = errno;
        if (n == 0)
            break;
        got += n > 0 ? n : 0;
    }
    if (failure != 0) {
        if (error)
            *error = FileError::text(failure);
        return {};
    }
    bytes.truncate(got);
    return fromBytes(bytes);
}

const IniFile::Entry *IniFile::find(const QString &section, const QString &key) const
{
    const QByteArray s = nameBytes(section);
    const QByteArray k = nameBytes(key);
    for (const Section &sec : m_sections) {
        if (!sameName(sec.name, s))
            continue;
        for (const Entry &e : sec.entries)
            if (sameName(e.key, k))
                return &e;
        return nullptr;
    }
    return nullptr;
}

IniFile::Entry *IniFile::findOrAdd(const QString &section, const QString &key)
{
    const QByteArray s = nameBytes(section);
    const QByteArray k = nameBytes(key);
    Section *sec = nullptr;
    for (Section &candidate : m_sections)
        if (!sec && sameName(candidate.name, s))
            sec = &candidate;
    if (!sec) {
        m_sections.append({s, {}});
        sec = &m_sections.last();
    }
    for (Entry &e : sec->entries)
        if (sameName(e.key, k))
            return &e;
    sec->entries.append({k, {}});
    return &sec->entries.last();
}

QString IniFile::readString(const QString &section, const QString &key,
                            const QString &fallback) const
{
    const Entry *e = find(section, key);
    if (!e)
        return fallback;
    const QByteArrayView value = QByteArrayView(e->value).first(cutAt(e->value, MaxValueBytes));
    if (value.startsWith(Utf8Mark))
        return QString::fromUtf8(value.sliced(Utf8Mark.size()));
    return Cp932::decode(value);
}

int IniFile::readInteger(const QString &section, const QString &key, int fallback) const
{
    const QByteArray text = Cp932::encode(readString(section, key, QString()));
    const char *first = text.constBegin();
    const char *last = text.constEnd();
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        first += 2;
        base = 16;
    } else if (first != last && *first == '+') {
        ++first; // from_chars takes "-" but not "+"
        if (first != last && (*first == '-' || *first == '+'))
            return fallback;
    }
    if (first == last)
        return fallback;
    std::int32_t value = 0;
    const auto res = std::from_chars(first, last, value, base);
    if (res.ec != std::errc() || res.ptr != last)
        return fallback;
    if (base == 16 && *first == '-')
        return fallback;
    return value;
}

void IniFile::writeString(const QString &section, const QString &key, const QString &value)
{
    QByteArray bytes = Cp932::encode(value);
    // A character the code page lacks would come back as "?", and a blank at
    // the start would be read as the space around "=": both keep the value
    // as UTF-8 after the mark, which the reader takes as it stands.
    if (Cp932::decode(bytes) != value || (!bytes.isEmpty() && isBlank(bytes[0]))) {
        const QByteArray utf8 = value.toUtf8();
        if (QString::fromUtf8(utf8) == value)
            bytes = Utf8Mark.toByteArray() + utf8;
    }
    findOrAdd(section, key)->value = oneLine(bytes);
}

void IniFile::writeInteger(const QString &section, const QString &key, int value)
{
    findOrAdd(section, key)->value = QByteArray::number(value);
}

QByteArray IniFile::toBytes() const
{
    QByteArray out;
    for (const Section &s : m_sections) {
        out += '[' + s.name + "]\r\n";
        for (const Entry &e : s.entries)
            out += e.key + '=' + e.value + "\r\n";
    }
    return out;
}

QString IniFile::saveTo(const QString &path) const
{
    const QString folder = QFileInfo(path).path();
    QDir().mkpath(folder);
    return AtomicFile::write(path, toBytes());
}
