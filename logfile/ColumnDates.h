// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDate>
#include <QString>

#include <optional>

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
    // Dates the columns back from `newest`, the newest possible date.
    static void dateFrom(DayTable &table, const QDate &newest);

    // How the newest possible date of a file read on its own (exported, not
    // continued) is chosen, first that applies: `year` given (its last
    // day); an auto-save name (its day); a date in the name, YYYY-MM-DD,
    // YYYY_MM_DD or YYYYMMDD (that day); a year in the name, 19xx or 20xx
    // standing alone (its last day); else the day the file was last
    // modified, local time.  The file's title line carries no date.
    enum class Basis { GivenYear, AutoSaveName, NameDate, NameYear, FileTime };
    struct Dating {
        Basis basis = Basis::FileTime;
        QDate newest;
    };
    static Dating datingOf(const QString &filePath, std::optional<int> year);

    // The day of an auto-save file name (the name part of the path), or an
    // invalid date when the name is not one.
    static QDate autoSaveDay(const QString &filePath);

    // The most recent date on or before `latest` whose header is `header`;
    // invalid when the header is not MM/DD.
    static QDate latestWithHeader(const QString &header, const QDate &latest);
};
