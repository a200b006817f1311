// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/LogCommands.h"

#include "core/DayTable.h"
#include "logfile/AtomicFile.h"
#include "logfile/ColumnDates.h"
#include "logfile/LogFile.h"
#include "stats/TidyExport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cmath>

namespace
{

void writeText(std::FILE *to, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), to);
    std::fflush(to);
}

// Says on `err` how the year of the columns was chosen; an auto-save name
// needs no word.
void tellDating(const LogCommands::Options &o, const ColumnDates::Dating &d)
{
    const QString day = d.newest.toString(Qt::ISODate);
    switch (d.basis) {
    case ColumnDates::Basis::AutoSaveName:
        return;
    case ColumnDates::Basis::GivenYear:
        writeText(o.err,
                  QCoreApplication::translate(
                      "LogCommands", "note: the columns of %1 are dated back from %2 (--year).\n")
                      .arg(o.logPath, day));
        return;
    case ColumnDates::Basis::NameDate:
        writeText(o.err, QCoreApplication::translate(
                             "LogCommands",
                             "note: the columns of %1 are dated back from %2, the date in its "
                             "name.\n")
                             .arg(o.logPath, day));
        return;
    case ColumnDates::Basis::NameYear:
        writeText(o.err, QCoreApplication::translate(
                             "LogCommands",
                             "note: the columns of %1 are dated back from %2, the end of the year "
                             "in its name.\n")
                             .arg(o.logPath, day));
        return;
    case ColumnDates::Basis::FileTime:
        writeText(o.err, QCoreApplication::translate(
                             "LogCommands",
                             "note: the name of %1 carries no date; its columns are dated back "
                             "from %2, the day it was last modified (--year YYYY sets the year of "
                             "the newest column).\n")
                             .arg(o.logPath, day));
        return;
    }
}

void warnUndated(const LogCommands::Options &o, int columns)
{
    if (columns > 0)
        writeText(o.err, QStringLiteral("warning: %1 day column(s) of %2 have counts but no "
                                        "valid MM/DD header; they were left out\n")
                             .arg(columns)
                             .arg(o.logPath));
}

void warnTooLarge(const LogCommands::Options &o, qint64 cells)
{
    if (cells > 0)
        writeText(o.err, QCoreApplication::translate(
                             "LogCommands",
                             "warning: %1 cell(s) of %2 hold counts above %3; they were left "
                             "out\n")
                             .arg(cells)
                             .arg(o.logPath)
                             .arg(StoredMinutes::MaxCount));
}

// Loads the log into `table`; false, with the reason on `err`, when it
// cannot be read or is no log of this program.
bool loadLog(const LogCommands::Options &o, DayTable &table)
{
    const QFileInfo info(o.logPath);
    if (!info.exists() || info.isDir()) {
        writeText(o.err, QStringLiteral("error: no log file %1\n").arg(o.logPath));
        return false;
    }
    // The time column's heading, which every log's header row starts with.
    const QString timeHeader = QStringLiteral("計測時刻");
    const LogFile::LoadResult loaded = LogFile::load(o.logPath, table, {});
    if (!loaded.ok) {
        writeText(o.err,
                  QStringLiteral("error: cannot read %1: %2\n").arg(o.logPath, loaded.error));
        return false;
    }
    // Anything else is not a log, or one damaged beyond use.
    if (table.cell(0, 0) != timeHeader) {
        writeText(o.err, QStringLiteral("error: %1 is not a TORVALE log file (damaged or "
                                        "another format)\n")
                             .arg(o.logPath));
        return false;
    }
    if (loaded.cutLine > 0)
        writeText(o.err, QCoreApplication::translate(
                             "LogCommands",
                             "warning: %1 ends in the middle of line %2 (cut short?); that line "
                             "may be incomplete\n")
                             .arg(o.logPath)
                             .arg(loaded.cutLine));
    const ColumnDates::Dating dating = ColumnDates::datingOf(o.logPath, o.year);
    tellDating(o, dating);
    ColumnDates::dateFrom(table, dating.newest);
    return true;
}

// The folder of --output must exist: AtomicFile would only say "error 2".
bool outputFolderExists(const LogCommands::Options &o)
{
    const QDir folder = QFileInfo(o.outputPath).absoluteDir();
    if (folder.exists())
        return true;
    writeText(o.err, QCoreApplication::translate("LogCommands",
                                                 "error: cannot write %1: no such folder %2\n")
                         .arg(o.outputPath, QDir::toNativeSeparators(folder.path())));
    return false;
}

void warnExport(const LogCommands::Options &o, const TidyExport::Result &r)
{
    warnUndated(o, r.undatedColumns);
    warnTooLarge(o, r.tooLarge);
    if (r.skippedTimes > 0)
        writeText(o.err, QCoreApplication::translate(
                             "LogCommands",
                             "warning: %1 row(s) of %2 fall in a time the clocks skipped; they are "
                             "written with the offset that held before the change\n")
                             .arg(r.skippedTimes)
                             .arg(o.logPath));
}

QString number(double v)
{
    return std::isnan(v) ? QStringLiteral("nan") : QString::number(v, 'g', 10);
}

} // namespace

int LogCommands::runExport(const Options &o)
{
    DayTable table;
    if (!loadLog(o, table))
        return 1;
    if (!o.outputPath.isEmpty() && !outputFolderExists(o))
        return 1;
    if (o.outputPath.isEmpty()) {
        const TidyExport::Result r = TidyExport::write(table, o.factor, [&](const QByteArray &b) {
            return std::fwrite(b.constData(), 1, size_t(b.size()), o.out) == size_t(b.size());
        });
        warnExport(o, r);
        if (!r.ok || std::fflush(o.out) != 0) {
            writeText(o.err, QStringLiteral("error: cannot write the export to standard output\n"));
            return 1;
        }
        return 0;
    }
    QByteArray all;
    const TidyExport::Result r = TidyExport::write(table, o.factor, [&](const QByteArray &b) {
        all += b;
        return true;
    });
    warnExport(o, r);
    const QString failure = AtomicFile::write(o.outputPath, all);
    if (!failure.isEmpty()) {
        writeText(o.err, QStringLiteral("error: cannot write %1: %2\n").arg(o.outputPath, failure));
        return 1;
    }
    return 0;
}

int LogCommands::runStats(const Options &o)
{
    DayTable table;
    if (!loadLog(o, table))
        return 1;
    CountStats stats;
    StoredMinutes::Visit visit;
    visit.count = [&stats](const StoredMinutes::Minute &m, qint64 count, const CellMinutes &day) {
        stats.add(count, day.exposure(m.minuteOfDay));
    };
    visit.skipped = [&stats](qint64 cells) { stats.skip(cells); };
    const StoredMinutes::Summary summary = StoredMinutes::visit(table, o.span, visit);
    warnUndated(o, summary.undatedColumns);
    warnTooLarge(o, summary.tooLarge);
    stats.tooLarge(summary.tooLarge);
    writeText(o.out, statsText(stats.result(), o.factor));
    return 0;
}

QString LogCommands::statsText(const CountStats::Result &r, std::optional<double> factor)
{
    const bool any = r.n > 0;
    QString t;
    const auto line = [&t](const char *key, const QString &value) {
        t += QLatin1String(key) + u'=' + value + u'\n';
    };
    line("n", QString::number(r.n));
    line("sum", QString::number(r.sum));
    line("mean", number(r.mean));
    line("sd", number(r.sd));
    line("sem", number(r.sem));
    line("min", any ? QString::number(r.min, 'g', 15) : QStringLiteral("nan"));
    line("max", any ? QString::number(r.max, 'g', 15) : QStringLiteral("nan"));
    line("dispersion", number(r.dispersion));
    line("p_poisson", number(r.pPoisson));
    line("skipped", QString::number(r.skipped));
    if (factor) {
        line("usv_h", number(r.usvh(*factor)));
        line("usv_h_sem", number(r.usvhSem(*factor)));
        line("dose_usv", number(r.doseUsv(*factor)));
    }
    return t;
}
