// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/SettingsRules.h"

#include "logfile/AtomicFile.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

#include <algorithm>

namespace
{

// How much of the window's top must lie on a screen for it to be grabbed.
constexpr int TitleBarHeight = 30;

} // namespace

bool SettingsRules::layoutFits(const Settings &s, const Layout &layout)
{
    // The chart may reach a little into the window's right border.
    constexpr int ChartOverhang = 8;
    const auto onWindow = [&](int x) { return x >= 0 && x < layout.clientWidth; };
    return s.stringGrid1Width >= layout.minGridWidth && s.chart1Width >= layout.minChartWidth &&
           s.chart1Left >= layout.gridLeft + layout.minGridWidth &&
           s.chart1Left + s.chart1Width <= layout.clientWidth + ChartOverhang &&
           onWindow(s.buttonMoveToLeftLeft) && onWindow(s.buttonMoveToRightLeft);
}

QRect SettingsRules::windowGeometry(const Settings &s, const QMargins &frame,
                                    const QSize &minimum, const QRect &available)
{
    const int w = std::clamp(s.formWidth - frame.left() - frame.right(), minimum.width(),
                             std::max(minimum.width(), available.width()));
    const int h = std::clamp(s.formHeight - frame.top() - frame.bottom(), minimum.height(),
                             std::max(minimum.height(), available.height()));
    QPoint corner(s.formLeft, s.formTop);
    if (!available.intersects(QRect(corner, QSize(w, TitleBarHeight))))
        corner = available.topLeft();
    return {corner, QSize(w, h)};
}

bool SettingsRules::canWrite(const QString &path)
{
    if (!AtomicFile::mayReplace(path))
        return false;
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        return false;
    QTemporaryFile probe(folder + QStringLiteral("/.torvale-XXXXXX"));
    return probe.open();
}
