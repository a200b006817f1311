// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class ChartSettings;
class Prompts;
class TableWriter;
class GmChartView;
class QMenu;
class QPoint;

// The chart's context menu: a moving average (none, 10 or 60 minutes), the
// right axis in µSv/h (only with a factor), saving the chart as PNG or SVG
// and copying it to the clipboard.  The choices live in ChartSettings; with
// the defaults the chart looks as it always did.
//
// GUI thread.  The view, the settings, the prompts, the writer and the
// callbacks must outlive it.  The pictures are drawn here and written by the
// writer's thread, so a slow disk never holds up the window; a failure is
// told through Prompts::reportError.
class ChartMenu : public QObject
{
    Q_OBJECT
public:
    using Factor = std::function<std::optional<double>()>;

    ChartMenu(GmChartView *chart, ChartSettings *settings, Factor factor,
              std::function<void()> redraw, Prompts *prompts, TableWriter *writer,
              QObject *parent = nullptr);

    // Sets the view's hooks for the current choices and factor.  A choice
    // that changes what is drawn redraws at once when `redraw` is Now; with
    // Later (the settings restored at start) it shows from the next rebuild,
    // so a start draws nothing before its first rebuild.
    enum class Redraw { Now, Later };
    void apply(Redraw redraw = Redraw::Now);

    // The menu as it would pop up now (for the context menu and for tests).
    QMenu *buildMenu();

    // Queue the chart as it is now for writing to `path`.
    void savePng(const QString &path);
    void saveSvg(const QString &path);
    void copyToClipboard() const;

private:
    void popUp(const QPoint &pos);
    void saveAs(const QString &filter, const QString &suffix);
    void write(const QString &path, const QByteArray &bytes);

    GmChartView *m_chart;
    ChartSettings *m_settings;
    Factor m_factor;
    std::function<void()> m_redraw;
    Prompts *m_prompts;
    TableWriter *m_writer;
    // What the view's hooks were last set for: a moving average of so many
    // minutes (0: none), and the factor of the µSv/h axis (none: no axis).
    int m_appliedMinutes = 0;
    std::optional<double> m_appliedAxisFactor;
};
