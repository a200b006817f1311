// SPDX-License-Identifier: GPL-3.0-or-later
#include "logfile/LogFormat.h"

#include "core/DayTable.h"
#include "logfile/Cp932.h"

#include <QStringList>

#include <algorithm>
#include <charconv>

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

QByteArray LogFormat::encode(const DaySnapshot &table, LogTitle title)
{
    const int cols = table.colCount();
    QByteArray out;
    // Counts are short: about five bytes of field and comma per cell.
    out.reserve(64 + qsizetype(DayTable::RowCount) * (qsizetype(cols) * 6 + 2));
    out.append(titleLine(title));
    out.append("\r\n");
    char digits[16];
    for (int r = 0; r < DayTable::RowCount; ++r) {
        for (int c = 0; c < cols; ++c) {
            if (c > 0)
                out.append(',');
            out.append('"');
            int count = 0;
            if (table.cellCount(c, r, &count)) {
                const auto res = std::to_chars(digits, digits + sizeof digits, count);
                out.append(digits, res.ptr - digits);
            } else {
                Cp932::encodeAppend(table.cell(c, r), out);
            }
            out.append("\t\"");
        }
        out.append("\r\n");
    }
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
