// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QString>

class DaySnapshot;
class DayTable;

// The log file written at every minute tally while auto-save is on: one new
// file per minute in a folder per day,
//   <data folder>/YYYY年M月D日/TORVALE YYYY年M月D日H時M分.CSV
// with the year in four digits and no leading zeros elsewhere.  The parts are
// joined as they are: a data folder ending in "/" gives a doubled separator,
// an empty one a path starting at the root.  All parts come from the one
// clock reading of the tick that tallied.
//
// Any thread for a snapshot, the table's thread for the table.
class AutoSave
{
public:
    static QString dayFolder(const QString &dataFolder, const QDateTime &t);
    static QString filePath(const QString &dataFolder, const QDateTime &t);

    // Creates the day folder with its parents (a failure there shows up as
    // the write's failure), then writes the table with the auto-save title,
    // replacing a file of the same minute.  *writtenPath (if given) receives
    // the file path also when the write fails, since the window shows it from
    // the start of the write.  Returns empty text on success, else the text
    // to show; a failed write leaves no partial file.
    static QString save(const QString &dataFolder, const QDateTime &t, const DaySnapshot &table,
                        QString *writtenPath = nullptr);
    static QString save(const QString &dataFolder, const QDateTime &t, const DayTable &table,
                        QString *writtenPath = nullptr);
};
