// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/ElidingLineEdit.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

namespace
{

// QLineEdit's own inner margin, left and right of its text.
constexpr int HorizontalMargin = 2;

} // namespace

ElidingLineEdit::ElidingLineEdit(QWidget *parent) : QLineEdit(parent)
{
    connect(this, &QLineEdit::textChanged, this, &QWidget::setToolTip);
}

QRect ElidingLineEdit::textArea() const
{
    QStyleOptionFrame option;
    initStyleOption(&option);
    return style()
        ->subElementRect(QStyle::SE_LineEditContents, &option, this)
        .marginsRemoved(textMargins())
        .adjusted(HorizontalMargin, 0, -HorizontalMargin, 0);
}

ElidingLineEdit::Shown ElidingLineEdit::shown() const
{
    const int width = textArea().width();
    QFont type = font();
    const int size = type.pixelSize();
    for (int px = size; px > 0 && px * 4 >= size * 3; --px) {
        type.setPixelSize(px);
        if (QFontMetrics(type).horizontalAdvance(text()) <= width)
            return {text(), type};
    }
    return {QFontMetrics(type).elidedText(text(), Qt::ElideLeft, width), type};
}

void ElidingLineEdit::paintEvent(QPaintEvent *event)
{
    const Shown shown = this->shown();
    if (hasFocus() || shown.font == font())
        return QLineEdit::paintEvent(event);
    QPainter painter(this);
    QStyleOptionFrame option;
    initStyleOption(&option);
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &option, &painter, this);
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                   QPalette::Text));
    painter.setFont(shown.font);
    painter.drawText(textArea(), Qt::AlignLeft | Qt::AlignVCenter, shown.text);
}
