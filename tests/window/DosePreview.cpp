// SPDX-License-Identifier: GPL-3.0-or-later
// dose_preview <out-folder> [seconds]
// The real window with a week of sample counts, the SBM-20 factor, the
// chart smoothed over 60 minutes with its µSv/h axis, ten tallies in the
// readout and the statistics of yesterday's morning; saves the window, the
// chart and the statistics dialog as PNG, then stays open `seconds` (for a
// screenshot of the whole screen).
#include "FakeClock.h"
#include "FakePrompts.h"

#include "core/UiTranslation.h"
#include "window/ChartMenu.h"
#include "window/DayGrid.h"
#include "window/DoseFeatures.h"
#include "window/StatsDialog.h"
#include "window/TForm1.h"
#include "graph/GmChartView.h"
#include "measure/MeasurementSession.h"
#include "tests/graph/SampleWeek.h"

#include <QApplication>
#include <QLocale>
#include <QDir>
#include <QItemSelectionModel>
#include <QTimer>

#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    // In the language the window would choose here.
    UiTranslation::install(UiTranslation::fromUiLanguages(QLocale::system().uiLanguages()));
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: dose_preview <out-folder> [seconds]\n");
        return 2;
    }
    const QDir out(args[1]);
    const int seconds = args.size() > 2 ? args[2].toInt() : 0;
    FakeClock clock(QDateTime(QDate(2026, 12, 7), QTime(14, 36, 20)));
    FakePrompts prompts;
    TForm1::Options o;
    o.clock = &clock;
    o.prompts = &prompts;
    o.settingsPath = out.filePath(QStringLiteral("preview.ini"));
    o.listPorts = [] { return QStringList{QStringLiteral("/dev/ttyUSB0")}; };
    TForm1 form(o);
    form.Timer_FOpen->stop();

    SampleWeek week;
    week.today = QDate(2026, 12, 7);
    week.todayRows = 14 * 60 + 36;
    fillSampleWeek(*form.dayTable(), week);
    DoseFeatures &f = *form.doseFeatures();
    f.dose()->choosePreset(QStringLiteral("SBM-20"));
    f.chartSettings()->setMovingAverage(60);
    f.chartSettings()->setDoseAxis(true);
    f.chartMenu()->apply();
    for (int i = 0; i < 10; ++i) {
        const int row = week.todayRows - 9 + i;
        emit form.session()->minuteCounted(
            {QDateTime(week.today, QTime(0, 0)).addSecs(60LL * (row - 1)),
             form.dayTable()->cell(1, row).toLongLong(), 1});
    }
    form.show();
    form.StringGrid1->selectionModel()->select(
        QItemSelection(form.dayTable()->index(6 * 60 + 1, 2), form.dayTable()->index(12 * 60, 2)),
        QItemSelectionModel::ClearAndSelect);
    f.showSelectionStats();
    f.statsDialog()->move(form.x() + 300, form.y() + 200);

    QTimer::singleShot(1500, [&] {
        form.grab().save(out.filePath(QStringLiteral("window-dose.png")));
        form.Chart1->grab().save(out.filePath(QStringLiteral("chart-smoothed.png")));
        f.statsDialog()->grab().save(out.filePath(QStringLiteral("stats-dialog.png")));
        QTimer::singleShot(seconds * 1000, &app, &QApplication::quit);
    });
    return QApplication::exec();
}
