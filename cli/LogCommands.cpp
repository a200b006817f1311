// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/LogCommands.h"

#include "cli/TextOut.h"
#include "core/DayTable.h"
#include "logfile/AtomicFile.h"
#include "logfile/LogFile.h"
#include "stats/TidyExport.h"

#include <QFileInfo>

#include <cmath>

namespace
{

// Loads the log into `table`; false, with the reason on `err`, when it
// cannot be read or is no log of this program.
bool loadLog(const LogCommands::Options &o, DayTable &table)
{
    const QFileInfo info(o.logPath);
    if (!info.exists() || info.isDir()) {
        TextOut::write(o.err, QStringLiteral("error: no log file %1\n").arg(o.logPath));
        return false;
    }
    // The time column's heading, which every log's header row starts with.
    const QString timeHeader = QStringLiteral("計測時刻");
    const LogFile::LoadResult loaded = LogFile::load(o.logPath, table, o.today);
    if (!loaded.ok) {
        TextOut::write(o.err, QStringLiteral("error: cannot read %1: %2\n").arg(o.logPath, loaded.error));
        return false;
    }
    // Anything else is not a log, or one damaged beyond use.
    if (table.cell(0, 0) != timeHeader) {
        TextOut::write(o.err, QStringLiteral("error: %1 is not a TORVALE log file (damaged or "
                                        "another format)\n")
                             .arg(o.logPath));
        return false;
    }
    return true;
}

void warnUndated(const LogCommands::Options &o, int columns)
{
    if (columns > 0)
        TextOut::write(o.err, QStringLiteral("warning: %1 day column(s) of %2 have counts but no "
                                        "valid MM/DD header; they were left out\n")
                             .arg(columns)
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
    if (o.outputPath.isEmpty()) {
        const TidyExport::Result r = TidyExport::write(table, o.factor, [&](const QByteArray &b) {
            return std::fwrite(b.constData(), 1, size_t(b.size()), o.out) == size_t(b.size());
        });
        warnUndated(o, r.undatedColumns);
        if (!r.ok || std::fflush(o.out) != 0) {
            TextOut::write(o.err, QStringLiteral("error: cannot write the export to standard output\n"));
            return 1;
        }
        return 0;
    }
    QByteArray all;
    const TidyExport::Result r = TidyExport::write(table, o.factor, [&](const QByteArray &b) {
        all += b;
        return true;
    });
    warnUndated(o, r.undatedColumns);
    const QString failure = AtomicFile::write(o.outputPath, all);
    if (!failure.isEmpty()) {
        TextOut::write(o.err, QStringLiteral("error: cannot write %1: %2\n").arg(o.outputPath, failure));
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
    visit.count = [&stats](const StoredMinutes::Minute &, qint64 count) { stats.add(count); };
    visit.skipped = [&stats](qint64 cells) { stats.skip(cells); };
    warnUndated(o, StoredMinutes::visit(table, o.span, visit).undatedColumns);
    TextOut::write(o.out, statsText(stats.result(), o.factor));
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
    line("min", any ? QString::number(r.min) : QStringLiteral("nan"));
    line("max", any ? QString::number(r.max) : QStringLiteral("nan"));
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
