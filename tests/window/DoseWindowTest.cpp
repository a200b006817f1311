// SPDX-License-Identifier: GPL-3.0-or-later
// The readout, the alarm, the selection's statistics and the chart's
// options on the real window, with their settings sections.
#include "WindowTestSupport.h"

#include "window/ChartMenu.h"
#include "window/DayGrid.h"
#include "window/DoseFeatures.h"
#include "window/StatsDialog.h"
#include "graph/GmChartView.h"
#include "logfile/IniFile.h"
#include "measure/MeasurementSession.h"
#include "stats/Alarm.h"

#include <QItemSelectionModel>
#include <QLabel>
#include <QLineSeries>
#include <QMenu>

using namespace apptest;

// Outside the anonymous namespace: the tests derive from it at file scope.
class DoseWindowTest : public WindowTest
{
protected:
    void tally(int minute, qint64 count)
    {
        emit form->session()->minuteCounted(
            {at(10, 0, 0).addSecs(60LL * minute), count, 1});
    }
    DoseFeatures &features() { return *form->doseFeatures(); }
};

TEST_F(DoseWindowTest, ReadoutFromTheFirstTallyAndTheAlarmOncePerCrossing)
{
    portList = QStringList{};
    build();
    QLabel *readout = features().readout();
    EXPECT_EQ(readout->text(), QStringLiteral("直近1分 —\n10分平均 —"));
    // It lies in free space: no control of the window overlaps it.
    for (QWidget *w : form->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        if (w != readout && !w->isHidden() && !qobject_cast<QLabel *>(w))
            EXPECT_FALSE(w->geometry().intersects(readout->geometry()))
                << w->objectName().toStdString();

    ASSERT_TRUE(features().alarmSettings()->set(QStringLiteral("50"), AlarmSettings::Unit::Cpm, 2)
                    .isEmpty());
    tally(0, 30);
    EXPECT_EQ(readout->text(), QStringLiteral("直近1分 30 cpm\n10分平均 30.0±5.5 cpm"));
    ASSERT_TRUE(features().dose()->choosePreset(QStringLiteral("LND 712")));
    EXPECT_TRUE(readout->text().contains(QStringLiteral("(0.278 µSv/h)"))) << readout->text().toStdString();

    tally(1, 90); // mean of 2 minutes: 60 >= 50
    EXPECT_TRUE(memoText().contains(QStringLiteral("警報: 2分平均 60.0 cpm")))
        << memoText().toStdString();
    EXPECT_EQ(readout->palette().color(QPalette::WindowText), QColor(Qt::red));
    tally(2, 80);
    EXPECT_EQ(memoText().count(QStringLiteral("警報:")), 1);
    tally(3, 10);
    tally(4, 10);
    EXPECT_TRUE(memoText().contains(QStringLiteral("警報解除")));
    EXPECT_EQ(readout->palette().color(QPalette::WindowText), QColor(Qt::black));
}

TEST_F(DoseWindowTest, SelectionStatisticsAndChartChoicesSurviveARestart)
{
    portList = QStringList{};
    build();
    DayTable &t = *form->dayTable();
    t.setCell(1, 0, QStringLiteral("12/07"));
    for (int r = 1; r <= 4; ++r)
        t.setCell(1, r, QString::number(r * 10));
    t.setCell(1, 5, QStringLiteral("abc"));
    QItemSelectionModel *sel = form->StringGrid1->selectionModel();
    sel->select(QItemSelection(t.index(1, 1), t.index(5, 1)), QItemSelectionModel::ClearAndSelect);
    features().showSelectionStats();
    const QString text = features().statsDialog()->text();
    EXPECT_TRUE(text.contains(QStringLiteral("分数: 4"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("平均: 25.00 ± 6.45 cpm"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("除いたセル（空欄・文字）: 1")));
    EXPECT_FALSE(text.contains(QStringLiteral("µSv"))); // no factor: no dose

    // A 10-minute average changes the points; the dose axis needs a factor.
    features().chartSettings()->setMovingAverage(10);
    features().chartSettings()->setDoseAxis(true);
    features().chartMenu()->apply();
    ASSERT_GE(form->Chart1->series(0)->count(), 2);
    EXPECT_DOUBLE_EQ(form->Chart1->series(0)->at(1).y(), 15.0); // (10 + 20) / 2
    ASSERT_TRUE(features().dose()->setCustom(QStringLiteral("150")).isEmpty());
    QMenu *menu = features().chartMenu()->buildMenu();
    EXPECT_EQ(menu->actions().size(), 6);
    delete menu;
    const QString png = tempPath(QStringLiteral("chart.png"));
    const QString svg = tempPath(QStringLiteral("chart.svg"));
    const qsizetype errorsBefore = prompts.errors().size();
    features().chartMenu()->savePng(png);
    features().chartMenu()->saveSvg(svg);
    features().exportTable(tempPath(QStringLiteral("missing/t.csv"))); // no such folder
    ASSERT_TRUE(form->session()->finishWrites());
    EXPECT_EQ(prompts.errors().size(), errorsBefore + 1) << prompts.errors().join(u'\n').toStdString();
    EXPECT_TRUE(readAll(png).startsWith("\x89PNG"));
    EXPECT_TRUE(readAll(svg).contains("<svg"));

    ASSERT_TRUE(form->FormClose());
    const QByteArray ini = readAll(tempPath(QStringLiteral("torvale.ini")));
    // [TORVALE] first and as ever; after it the sections that hold a choice.
    EXPECT_TRUE(ini.startsWith("[TORVALE]\r\n")) << ini.constData();
    EXPECT_TRUE(ini.endsWith("\r\n[Dose]\r\nTube=Custom\r\nFactor=150\r\n"
                             "[Chart]\r\nMovingAverage=10\r\nDoseAxis=1\r\n"))
        << ini.constData();
    form.reset();
    build();
    EXPECT_EQ(features().chartSettings()->movingAverage(), 10);
    EXPECT_DOUBLE_EQ(*features().dose()->factor(), 150.0);
    // Restored choices wait for the first rebuild: a start draws nothing.
    EXPECT_DOUBLE_EQ(form->Chart1->leftMax(), GmChartView::InitialLeftMax);
    EXPECT_EQ(form->Chart1->series(0)->count(), 0);
}
