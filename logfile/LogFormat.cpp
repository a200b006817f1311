// SPDX-License-Identifier: GPL-3.0-or-later
#include "logfile/LogFormat.h"

#include "core/DayColumn.h"
#include "core/DaySnapshot.h"
#include "core/DayTable.h"
#include "logfile/Cp932.h"

#include <QStringList>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <vector>

QByteArray LogFormat::titleLine(LogTitle title)
{
    return Cp932::encode(title == LogTitle::Manual
                             ? QStringView(u"１分おきに集計したＧＭパルスカウントデータ")
                             : QStringView(u"1分おきに集計したパルス集計データ"));
}

QByteArray LogFormat::encode(const DayTable &table, LogTitle title)
{
    return encode(table.snapshot(), title);
}

namespace
{

// The longest field of a count: the comma before it, a quote, ten digits, a TAB and a quote.
constexpr qsizetype MaxCountField = 14;

// Makes room for `need` more bytes after the `used` bytes of `out`, growing it by half at least
// so that a table of many text cells is not copied once per cell.
char *roomFor(QByteArray &out, qsizetype used, qsizetype need)
{
    if (used + need > out.size())
        out.resize(std::max(used + need, out.size() + out.size() / 2));
    return out.data() + used;
}

} // namespace

// The writer thread runs this for every tally, so it writes through a pointer into one buffer
// instead of appending field by field (a year's table is about half a million cells).
QByteArray LogFormat::encode(const DaySnapshot &table, LogTitle title)
{
    const int cols = table.colCount();
    const qsizetype rowMax = qsizetype(cols) * MaxCountField + 2;
    QByteArray out = titleLine(title);
    out.append("\r\n");
    qsizetype used = out.size();
    // Counts are short: about six bytes of field and comma per cell.
    out.resize(used + qsizetype(DayTable::RowCount) * (qsizetype(cols) * 6 + 2));
    // The cells of each column, or null for a column never written.
    std::vector<const std::int32_t *> cells(std::size_t(cols), nullptr);
    for (int c = 0; c < cols; ++c) {
        if (!table.column(c).cells.empty())
            cells[std::size_t(c)] = table.column(c).cells.data();
    }
    for (int r = 0; r < DayTable::RowCount; ++r) {
        char *p = roomFor(out, used, rowMax);
        for (int c = 0; c < cols; ++c) {
            if (c > 0)
                *p++ = ',';
            *p++ = '"';
            const std::int32_t *column = cells[std::size_t(c)];
            const std::int32_t v = column ? column[r] : DayColumn::Empty;
            if (v >= 0) {
                p = std::to_chars(p, p + 10, v).ptr;
            } else if (v == DayColumn::Text) {
                const QByteArray text = Cp932::encode(table.column(c).texts.value(r));
                p = roomFor(out, p - out.data(), text.size() + rowMax);
                p = std::copy(text.cbegin(), text.cend(), p);
            }
            *p++ = '\t';
            *p++ = '"';
        }
        *p++ = '\r';
        *p++ = '\n';
        used = p - out.data();
    }
    out.resize(used);
    return out;
}

QByteArray LogFormat::strip(QByteArrayView line)
{
    const qsizetype n = line.size();
    QByteArray out;
    out.reserve(n);
    qsizetype i = 0;
    // The line left to examine is what was kept plus line[i..n); the walk
    // goes on while the current byte has at least one byte after it.
    while (n - i >= 2) {
        if (line[i] == '"')
            ++i;
        if (i < n && line[i] == '\t')
            ++i;
        if (i < n && line[i] == '"')
            ++i;
        if (i < n)
            out.append(line[i++]);
    }
    out.append(line.sliced(i).data(), n - i);
    return out;
}

void LogFormat::decodeInto(DayTable &table, QByteArrayView fileBytes)
{
    const qsizetype n = fileBytes.size();
    qsizetype pos = 0;
    auto nextLine = [&](QByteArrayView *line) {
        if (pos >= n)
            return false;
        qsizetype end = fileBytes.indexOf('\n', pos);
        const qsizetype next = end < 0 ? n : end + 1;
        if (end < 0)
            end = n;
        if (end > pos && fileBytes[end - 1] == '\r')
            --end;
        *line = fileBytes.sliced(pos, end - pos);
        pos = next;
        return true;
    };

    QByteArrayView line;
    if (!nextLine(&line))
        return;
    QStringList cells;
    for (int r = 0; r < DayTable::RowCount && nextLine(&line); ++r) {
        if (line.isEmpty())
            continue;
        const QByteArray stripped = strip(line);
        const QByteArrayView rest(stripped);
        cells.clear();
        qsizetype start = 0;
        while (cells.size() < MaxColumns) {
            const qsizetype comma = rest.indexOf(',', start);
            const qsizetype end = comma < 0 ? rest.size() : comma;
            cells.append(Cp932::decode(rest.sliced(start, end - start)));
            if (comma < 0)
                break;
            start = comma + 1;
        }
        if (cells.size() > table.colCount())
            table.growTo(int(cells.size()));
        table.setRowTexts(r, cells);
    }
}
