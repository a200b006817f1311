// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>

class DaySnapshot;
class DayTable;

// Who wrote a log file; it decides only the title line.
enum class LogTitle {
    Manual,  // "１分おきに集計したＧＭパルスカウントデータ"
    AutoSave // "1分おきに集計したパルス集計データ"
};

// The bytes of a log file, without any I/O.
//
// A log file is Shift-JIS (code page 932) text without byte-order mark, every
// line ended by CR LF: the title line, then one line per table row, row 0
// first.  A row line holds one field per column, each field being a double
// quote, the cell text, a TAB and a double quote, the fields joined by single
// commas.  Nothing is escaped: the cells the program writes hold no quote, TAB
// or comma.
//
// Reading is deliberately forgiving, because these files are also edited by
// hand and by other tools: the title line is skipped whatever it holds; then
// each line up to the table's row count fills the next row.  A line is the
// bytes up to LF, less one CR before it (so CR LF and bare LF files read
// alike; a lone CR elsewhere is data).  An empty line leaves its row as it was
// and still counts.  A non-empty line loses its quotes and TABs by the
// stripping rule below and is cut at every comma into the cells of columns
// 0, 1, ...; cells right of its last field keep their texts.  The table is not
// cleared first.
//
// Stripping rule (the one older versions of this program applied, kept so
// that old and hand-made files read the same): walking the line from its
// first byte while at least one byte follows the current one, drop a quote
// at the current place, then a TAB now there, then a quote now there, then
// step on.  It runs in one pass over the bytes.
//
// Each cell's bytes are decoded as code page 932 after stripping (see Cp932
// for bytes that are not).  A line with more fields than the table has
// columns grows the table (DayTable::growTo) up to MaxColumns columns; fields
// beyond that are dropped.  Each row is written with one setRowTexts call.
//
// Thread: the table's (GUI) thread.
class LogFormat
{
public:
    // More than a century of daily columns; a line with more fields than
    // this is damage, not data, and must not exhaust the memory.
    static constexpr int MaxColumns = 40000;

    static QByteArray titleLine(LogTitle title); // without CR LF
    // Any thread for a snapshot; the table's thread for the table.
    static QByteArray encode(const DaySnapshot &table, LogTitle title);
    static QByteArray encode(const DayTable &table, LogTitle title);
    static void decodeInto(DayTable &table, QByteArrayView fileBytes);

    // The stripping rule applied to one line (exposed for tests).
    static QByteArray strip(QByteArrayView line);
};
