// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDate>
#include <QString>

class DayTable;

// Gives each day column of a loaded table its full date, since a day header
// ("MM/DD") holds no year.
//
// The newest possible date is the day in the file's name when the name is an
// auto-save name ("TORVALE YYYY年M月D日H時M分.CSV"), else `today`.  Columns are
// newest first and one per measured day, so column 1 takes the most recent
// date on or before that day with its header, and every further column the
// most recent date with its header strictly before the last column dated so
// far (this also tells apart the same MM/DD of two years in a long file).
// A column with an empty header or one that is not a valid MM/DD gets an
// invalid date and does not move the bound; 02/29 falls in the most recent
// leap year allowed.
class ColumnDates
{
public:
    static void resolve(DayTable &table, const QString &filePath, const QDate &today);

    // The day of an auto-save file name (the name part of the path), or an
    // invalid date when the name is not one.
    static QDate autoSaveDay(const QString &filePath);

    // The most recent date on or before `latest` whose header is `header`;
    // invalid when the header is not MM/DD.
    static QDate latestWithHeader(const QString &header, const QDate &latest);
};
