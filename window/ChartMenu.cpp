// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/ChartMenu.h"

#include "window/DoseAxis.h"
#include "graph/ChartSettings.h"
#include "graph/MovingAverage.h"
#include "graph/GmChartView.h"
#include "logfile/AtomicFile.h"

#include <QActionGroup>
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QSvgGenerator>

namespace
{

QFont axisFont()
{
    QFont f(QStringLiteral("IPAPMincho"));
    f.setPixelSize(12);
    return f;
}

} // namespace

ChartMenu::ChartMenu(GmChartView *chart, ChartSettings *settings, Factor factor,
                     std::function<void()> redraw, QObject *parent)
    : QObject(parent), m_chart(chart), m_settings(settings), m_factor(std::move(factor)),
      m_redraw(std::move(redraw))
{
    m_chart->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_chart, &QWidget::customContextMenuRequested, this, &ChartMenu::popUp);
}

void ChartMenu::apply(Redraw redraw)
{
    const int minutes = m_settings->movingAverage();
    const std::optional<double> factor = m_factor();
    const std::optional<double> axisFactor =
        m_settings->doseAxis() ? factor : std::optional<double>();
    if (minutes == m_appliedMinutes && axisFactor == m_appliedAxisFactor)
        return;
    m_appliedMinutes = minutes;
    m_appliedAxisFactor = axisFactor;
    m_chart->setDataFilter(minutes > 0 ? GmChartView::DataFilter([minutes](GraphData &d) {
        MovingAverage::apply(d, minutes);
    })
                                       : GmChartView::DataFilter());
    if (axisFactor) {
        const DoseAxis axis(axisFont());
        const double f = *axisFactor;
        m_chart->setRightReserve(axis.reserve());
        m_chart->setOverlayPainter([axis, f](QPainter *p, const QRectF &plot, double leftMax) {
            axis.paint(p, plot, leftMax, f);
        });
    } else {
        m_chart->setRightReserve(0);
        m_chart->setOverlayPainter({});
    }
    if (redraw == Redraw::Now)
        m_redraw();
}

QMenu *ChartMenu::buildMenu()
{
    auto *menu = new QMenu(m_chart);
    QMenu *smooth = menu->addMenu(tr("Moving average"));
    auto *group = new QActionGroup(smooth);
    for (const auto &[minutes, text] :
         {std::pair{0, tr("None")}, std::pair{10, tr("10 min")}, std::pair{60, tr("60 min")}}) {
        QAction *a = smooth->addAction(text);
        a->setCheckable(true);
        a->setChecked(m_settings->movingAverage() == minutes);
        group->addAction(a);
        connect(a, &QAction::triggered, this, [this, minutes = minutes] {
            m_settings->setMovingAverage(minutes);
            apply();
        });
    }
    QAction *axis = menu->addAction(tr("µSv/h on the right axis"));
    axis->setCheckable(true);
    axis->setChecked(m_settings->doseAxis());
    axis->setEnabled(m_factor().has_value());
    if (!m_factor())
        axis->setToolTip(tr("Needs a conversion factor"));
    connect(axis, &QAction::toggled, this, [this](bool on) {
        m_settings->setDoseAxis(on);
        apply();
    });
    menu->addSeparator();
    connect(menu->addAction(tr("Save as PNG...")), &QAction::triggered, this,
            [this] { saveAs(QStringLiteral("PNG (*.png)"), QStringLiteral(".png")); });
    connect(menu->addAction(tr("Save as SVG...")), &QAction::triggered, this,
            [this] { saveAs(QStringLiteral("SVG (*.svg)"), QStringLiteral(".svg")); });
    connect(menu->addAction(tr("Copy to clipboard")), &QAction::triggered, this,
            &ChartMenu::copyToClipboard);
    return menu;
}

void ChartMenu::popUp(const QPoint &pos)
{
    QMenu *menu = buildMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(m_chart->mapToGlobal(pos));
}

void ChartMenu::saveAs(const QString &filter, const QString &suffix)
{
    QString path = QFileDialog::getSaveFileName(m_chart, tr("Save the graph"), {}, filter);
    if (path.isEmpty())
        return;
    if (!path.endsWith(suffix, Qt::CaseInsensitive))
        path += suffix;
    const QString error = suffix == QStringLiteral(".png") ? savePng(path) : saveSvg(path);
    if (!error.isEmpty())
        QMessageBox::critical(m_chart, QStringLiteral("TORVALE"), error);
}

QString ChartMenu::savePng(const QString &path) const
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!m_chart->grab().save(&buffer, "PNG"))
        return tr("Could not make a PNG of the graph.");
    return AtomicFile::write(path, bytes);
}

QString ChartMenu::saveSvg(const QString &path) const
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(m_chart->size());
    svg.setViewBox(m_chart->rect());
    svg.setTitle(QStringLiteral("TORVALE"));
    {
        QPainter painter(&svg);
        m_chart->render(&painter);
    }
    return AtomicFile::write(path, bytes);
}

void ChartMenu::copyToClipboard() const
{
    QApplication::clipboard()->setPixmap(m_chart->grab());
}
