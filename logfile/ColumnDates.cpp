// SPDX-License-Identifier: GPL-3.0-or-later
#include "logfile/ColumnDates.h"

#include "core/DayTable.h"

#include <QDateTime>
#include <QFileInfo>
#include <QRegularExpression>

QDate ColumnDates::autoSaveDay(const QString &filePath)
{
    static const QRegularExpression name(QStringLiteral(
        "^TORVALE (\\d{4})年(\\d{1,2})月(\\d{1,2})日(\\d{1,2})時(\\d{1,2})分\\.CSV$"));
    const QString fileName = filePath.mid(filePath.lastIndexOf(u'/') + 1);
    const QRegularExpressionMatch m = name.match(fileName);
    if (!m.hasMatch())
        return {};
    return QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
}

QDate ColumnDates::latestWithHeader(const QString &header, const QDate &latest)
{
    if (!latest.isValid() || header.size() != 5 || header.at(2) != u'/')
        return {};
    for (int i : {0, 1, 3, 4})
        if (!header.at(i).isDigit() || header.at(i).unicode() > u'9')
            return {};
    const int month = header.left(2).toInt();
    const int day = header.mid(3, 2).toInt();
    if (!QDate::isValid(2000, month, day)) // 2000 is a leap year: 02/29 is valid
        return {};
    // Within nine years there is always a leap year (1900 and 2100 included).
    for (int year = latest.year(); year >= latest.year() - 9; --year) {
        const QDate d(year, month, day);
        if (d.isValid() && d <= latest)
            return d;
    }
    return {};
}

void ColumnDates::resolve(DayTable &table, const QString &filePath, const QDate &today)
{
    const QDate named = autoSaveDay(filePath);
    dateFrom(table, named.isValid() ? named : today);
}

ColumnDates::Dating ColumnDates::datingOf(const QString &filePath, std::optional<int> year)
{
    if (year)
        return {Basis::GivenYear, QDate(*year, 12, 31)};
    if (const QDate d = autoSaveDay(filePath); d.isValid())
        return {Basis::AutoSaveName, d};
    static const QRegularExpression date(
        QStringLiteral("(?<!\\d)((?:19|20)\\d\\d)([-_]?)(\\d\\d)\\2(\\d\\d)(?!\\d)"));
    static const QRegularExpression yearAlone(QStringLiteral("(?<!\\d)((?:19|20)\\d\\d)(?!\\d)"));
    const QString name = QFileInfo(filePath).fileName();
    if (const auto m = date.match(name); m.hasMatch()) {
        const QDate d(m.captured(1).toInt(), m.captured(3).toInt(), m.captured(4).toInt());
        if (d.isValid())
            return {Basis::NameDate, d};
    }
    if (const auto m = yearAlone.match(name); m.hasMatch())
        return {Basis::NameYear, QDate(m.captured(1).toInt(), 12, 31)};
    return {Basis::FileTime, QFileInfo(filePath).lastModified().date()};
}

void ColumnDates::dateFrom(DayTable &table, const QDate &newest)
{
    QDate bound = newest;
    for (int c = 1; c < table.colCount(); ++c) {
        const QDate d = latestWithHeader(table.cell(c, 0), bound);
        table.setColumnDate(c, d);
        if (d.isValid())
            bound = d.addDays(-1);
    }
}
