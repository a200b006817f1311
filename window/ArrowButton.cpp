// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/ArrowButton.h"

#include <QPainter>
#include <QStyleOptionButton>

void ArrowButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    QStyleOptionButton opt;
    initStyleOption(&opt);
    opt.text.clear();
    style()->drawControl(QStyle::CE_PushButton, &opt, &painter, this);

    // Vertical writing turns each glyph a quarter turn: draw the caption in a
    // coordinate system rotated by -90 degrees around the button's centre.
    painter.translate(rect().center());
    painter.rotate(-90);
    const QRect r(-height() / 2, -width() / 2, height(), width());
    painter.setFont(font());
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    painter.drawText(r, Qt::AlignCenter, text());
}
