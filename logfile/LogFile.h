// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "logfile/LogFormat.h"

#include <QDate>
#include <QString>

class DaySnapshot;
class DayTable;

// Saving the day table to a log file and loading one back.  The table's
// thread, except save() of a snapshot: any thread.  Both run to their end
// before returning.
class LogFile
{
public:
    struct LoadResult {
        bool ok = false;
        QString error; // FileError text when !ok
        // The number of the last line when the file ends inside it (no line
        // end after it: a copy or a save cut short), else 0.
        qint64 cutLine = 0;
    };

    // Files bigger than this are refused: a century of daily columns is
    // far smaller, and reading more would only exhaust the memory.
    static constexpr qint64 MaxFileBytes = qint64(256) << 20;

    // Writes the whole table with the given title line.  The old file at
    // `path`, if any, is replaced only by a completely written new one
    // (AtomicFile); a failed save leaves it as it was and nothing else behind.
    // Returns empty text on success, else the text to show.
    static QString save(const QString &path, const DaySnapshot &table, LogTitle title);
    static QString save(const QString &path, const DayTable &table, LogTitle title);

    // Copies the file to a temporary file of its own (a unique name in the
    // system's temporary folder, so no other file there is ever read or
    // removed), reads the copy into the table by the rules of LogFormat,
    // removes the copy and dates the day columns (ColumnDates, with `today`
    // as the newest day unless the name is an auto-save name).
    //
    // Fails, leaving the table unchanged, when the file cannot be opened or
    // read (also when it vanished since the caller looked), is not a regular
    // file, or is larger than MaxFileBytes (reported as EFBIG).  Any bytes at
    // all load without error; what they hold is the reading rules' concern.
    static LoadResult load(const QString &path, DayTable &table, const QDate &today);

    // True when something other than a folder has that name: a file to load
    // (a folder is no log file: it is missing as one).
    static bool exists(const QString &path);

    // The name with its extension made ".CSV": the text from the last "."
    // after the last "/", "\" or ":" is replaced, and a name without one gets
    // ".CSV" appended (data.csv, data.txt and data all give data.CSV).
    static QString forceCsvExtension(const QString &name);

    // The file a forced name means on a file system that tells case apart:
    // `forced` when a file (not a folder) of that name exists; else an
    // existing file whose name differs only in the case of its ".CSV"
    // (data.csv), preferring the extension of `chosen`, the name before
    // forcing; else `forced` itself.
    static QString existingCsvFile(const QString &forced, const QString &chosen);
};
