// SPDX-License-Identifier: GPL-3.0-or-later
// chart_preview <out.png> [--week]
// Shows the chart at its place size in the main window and saves what it
// draws: as at start, or after a rebuild from a week of sample counts with a
// three-hour gap six days ago.
#include "core/UiTranslation.h"
#include "graph/GmChartView.h"
#include "tests/graph/SampleWeek.h"

#include <QApplication>
#include <QLocale>
#include <QPixmap>
#include <QTimer>

#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    // In the language the window would choose here.
    UiTranslation::install(UiTranslation::fromUiLanguages(QLocale::system().uiLanguages()));
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: chart_preview <out.png> [--week]\n");
        return 2;
    }
    GmChartView view;
    view.resize(674, 659);
    DayTable table;
    if (args.contains(QStringLiteral("--week"))) {
        SampleWeek week;
        week.todayRows = 14 * 60 + 36; // measuring, it is 14:35
        week.gapColumn = 7;            // drawn on top, so the gap shows
        week.gapFirst = 9 * 60 + 1;
        week.gapLast = 12 * 60;
        week.days = 8; // the eighth day is kept in the table but not drawn
        fillSampleWeek(table, week);
        if (const auto error = view.draw(table, false)) {
            std::fprintf(stderr, "%s\n", qPrintable(error->message));
            return 1;
        }
    }
    view.show();
    int rc = 0;
    QTimer::singleShot(300, [&] {
        if (!view.grab().save(args.at(1)))
            rc = 1;
        app.quit();
    });
    app.exec();
    return rc;
}
