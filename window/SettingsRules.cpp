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

QRect SettingsRules::windowGeometry(const Settings &s, const QMargins &frame, const QSize &minimum,
                                    const QRect &available)
{
    // The minimum gives way only to a screen smaller than it.
    const int fw = frame.left() + frame.right();
    const int fh = frame.top() + frame.bottom();
    const int w =
        std::max(1, std::min(std::max(s.formWidth - fw, minimum.width()), available.width() - fw));
    const int h = std::max(
        1, std::min(std::max(s.formHeight - fh, minimum.height()), available.height() - fh));
    const QRect outer = fitFrame(QRect(s.formLeft, s.formTop, w + fw, h + fh), available);
    return {outer.topLeft(), QSize(w, h)};
}

QRect SettingsRules::fitFrame(const QRect &outer, const QRect &available)
{
    const QSize size = outer.size().boundedTo(available.size());
    const int x = std::clamp(outer.x(), available.left(),
                             available.left() + available.width() - size.width());
    const int y = std::clamp(outer.y(), available.top(),
                             available.top() + available.height() - size.height());
    return {QPoint(x, y), size};
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
