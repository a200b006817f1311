// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/DoseFeatures.h"

#include "window/ChartMenu.h"
#include "window/DayGrid.h"
#include "window/DoseDialog.h"
#include "window/Prompts.h"
#include "window/StatsDialog.h"
#include "window/TForm1.h"
#include "core/DayTable.h"
#include "graph/GmChartView.h"
#include "logfile/TableWriter.h"
#include "measure/MeasurementSession.h"
#include "stats/Alarm.h"
#include "stats/ReadoutText.h"
#include "stats/TableSelection.h"
#include "stats/TidyExport.h"

#include <QApplication>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QProcess>

namespace
{

// The free corner right of the upload button, above the chart's check box:
// no control lies there.
const QRect ReadoutPlace(696, 97, 254, 30);

QFont readoutFont()
{
    QFont f(QStringLiteral("IPAPGothic"));
    f.setPixelSize(11);
    return f;
}

void setReadoutColor(QLabel *label, const QColor &color)
{
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, color);
    label->setPalette(p);
}

} // namespace

DoseFeatures::DoseFeatures(TForm1 *form)
    : QObject(form), m_form(form), m_recent(RecentMinutes::ShortMeanMinutes),
      m_alarm(new Alarm(this)), m_readout(new QLabel(form))
{
    m_readout->setObjectName(QStringLiteral("Label_readout"));
    m_readout->setGeometry(ReadoutPlace);
    m_readout->setFont(readoutFont());
    m_readout->setContextMenuPolicy(Qt::CustomContextMenu);
    m_readout->setToolTip(tr("Right-click: conversion factor and alarm"));
    m_readout->setAccessibleName(tr("Count rate and dose rate"));
    m_readout->lower(); // under every control, as the window's labels are
    connect(m_readout, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        auto *menu = new QMenu(m_readout);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        connect(menu->addAction(tr("Conversion factor and alarm...")), &QAction::triggered, this,
                &DoseFeatures::editDose);
        menu->popup(m_readout->mapToGlobal(pos));
    });

    form->addSettingsSection(this);

    connect(form->session(), &MeasurementSession::minuteCounted, this,
            &DoseFeatures::minuteCounted);
    connect(m_alarm, &Alarm::crossed, this, &DoseFeatures::alarmCrossed);
    connect(&m_dose, &DoseSettings::factorChanged, this, [this] {
        updateReadout();
        applyAlarmSettings();
        m_chartMenu->apply();
        refreshSelectionStats();
    });
    connect(&m_alarmSettings, &AlarmSettings::changed, this, &DoseFeatures::applyAlarmSettings);

    m_chartMenu = new ChartMenu(
        form->Chart1, &m_chartSettings, [this] { return m_dose.factor(); },
        [this] { m_form->draw_graph(); }, form->prompts(), form->session()->writer(), this);

    DayGrid *grid = form->StringGrid1;
    grid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(grid, &QWidget::customContextMenuRequested, this, [this, grid](const QPoint &pos) {
        QMenu *menu = buildTableMenu();
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(grid->viewport()->mapToGlobal(pos));
    });
    updateReadout();
}

DoseFeatures::~DoseFeatures() = default;

StatsDialog *DoseFeatures::statsDialog() const
{
    return m_statsDialog;
}

void DoseFeatures::readSettings(const IniFile &ini)
{
    m_dose.readSettings(ini);
    m_alarmSettings.readSettings(ini);
    m_chartSettings.readSettings(ini);
    applyAlarmSettings();
    m_chartMenu->apply(ChartMenu::Redraw::Later);
}

void DoseFeatures::writeSettings(IniFile &ini) const
{
    // A user who never chose any of these keeps the settings file of old.
    if (!m_dose.isDefault())
        m_dose.writeSettings(ini);
    if (!m_alarmSettings.isDefault())
        m_alarmSettings.writeSettings(ini);
    if (!m_chartSettings.isDefault())
        m_chartSettings.writeSettings(ini);
}

void DoseFeatures::minuteCounted(const MinuteCount &m)
{
    m_recent.add(m);
    m_alarm->add(m);
    updateReadout();
}

void DoseFeatures::updateReadout()
{
    m_readout->setText(ReadoutText::format(m_recent, m_dose.factor()));
    m_readout->setAccessibleDescription(m_readout->text()); // the name says what it shows
    setReadoutColor(m_readout, m_alarm->above() ? QColor(Qt::red) : QColor(Qt::black));
}

void DoseFeatures::applyAlarmSettings()
{
    m_alarm->setThreshold(m_alarmSettings.thresholdCpm(m_dose.factor()));
    m_alarm->setMinutes(m_alarmSettings.minutes());
    updateReadout();
}

void DoseFeatures::alarmCrossed(double mean, double threshold, bool above)
{
    const std::optional<double> f = m_dose.factor();
    QString level = QStringLiteral("%1 cpm").arg(mean, 0, 'f', 1);
    if (f)
        level += tr(" (%1 µSv/h)").arg(ReadoutText::usvh(mean / *f));
    const QString line = above ? tr("Alarm: the %1-min mean %2 is above the threshold %3 cpm")
                                     .arg(m_alarm->minutes())
                                     .arg(level)
                                     .arg(threshold, 0, 'g', 6)
                               : tr("Alarm off: the %1-min mean %2 is below the threshold %3 cpm")
                                     .arg(m_alarm->minutes())
                                     .arg(level)
                                     .arg(threshold, 0, 'g', 6);
    m_form->progress(line);
    updateReadout();
    if (!above)
        return;
    QApplication::beep();
    // A desktop notification where the desktop has the tool; started
    // detached, so the window never waits for it.
    QProcess::startDetached(QStringLiteral("notify-send"),
                            {QStringLiteral("--app-name=TORVALE"), QStringLiteral("TORVALE"), line});
}

void DoseFeatures::editDose()
{
    DoseDialog dialog(&m_dose, &m_alarmSettings, m_form);
    dialog.exec();
}

QMenu *DoseFeatures::buildTableMenu()
{
    auto *menu = new QMenu(m_form->StringGrid1);
    connect(menu->addAction(tr("Statistics of the selection...")), &QAction::triggered, this,
            &DoseFeatures::showSelectionStats);
    connect(menu->addAction(tr("Export as CSV (time,cpm)...")), &QAction::triggered, this,
            &DoseFeatures::exportWithDialog);
    menu->addSeparator();
    connect(menu->addAction(tr("Conversion factor and alarm...")), &QAction::triggered, this,
            &DoseFeatures::editDose);
    return menu;
}

void DoseFeatures::showSelectionStats()
{
    if (!m_statsDialog) {
        m_statsDialog = new StatsDialog(m_form);
        connect(m_form->StringGrid1->selectionModel(), &QItemSelectionModel::selectionChanged,
                this, &DoseFeatures::refreshSelectionStats);
    }
    m_statsDialog->setVisible(true);
    refreshSelectionStats();
}

void DoseFeatures::refreshSelectionStats()
{
    if (!m_statsDialog || !m_statsDialog->isVisible())
        return;
    QList<TableSelection::Range> ranges;
    for (const QItemSelectionRange &r : m_form->StringGrid1->selectionModel()->selection())
        ranges.append({r.left(), r.top(), r.right(), r.bottom()});
    QMap<qint64, qint64> frequencies;
    const CountStats::Result result =
        TableSelection::compute(*m_form->dayTable(), ranges, &frequencies);
    m_statsDialog->show(result, frequencies, m_dose.factor());
}

void DoseFeatures::exportTable(const QString &path)
{
    QByteArray all;
    TidyExport::write(*m_form->dayTable(), m_dose.factor(), [&all](const QByteArray &b) {
        all += b;
        return true;
    });
    Prompts *prompts = m_form->prompts();
    m_form->session()->writer()->writeFile(path, all, [prompts](const QString &failure) {
        if (!failure.isEmpty())
            prompts->reportError(failure);
    });
}

void DoseFeatures::exportWithDialog()
{
    QString path =
        m_form->prompts()->saveAsFileName(tr("Export as CSV"), QStringLiteral("CSV (*.csv)"));
    if (path.isEmpty())
        return;
    if (!path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive))
        path += QStringLiteral(".csv");
    exportTable(path);
}
