// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/DayCellDelegate.h"

#include <QPainter>

void DayCellDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                            const QModelIndex &index) const
{
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette &pal = option.palette;
    painter->save();
    painter->fillRect(option.rect,
                      selected ? pal.color(QPalette::Highlight) : pal.color(QPalette::Base));
    const QString text = index.data(Qt::DisplayRole).toString();
    if (!text.isEmpty()) {
        const QRect r = textRect(option.rect);
        painter->setClipRect(r);
        painter->setFont(option.font);
        painter->setPen(selected ? pal.color(QPalette::HighlightedText)
                                 : pal.color(QPalette::Text));
        painter->drawText(r, Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, text);
    }
    if (option.state & QStyle::State_HasFocus) {
        painter->setClipping(false);
        QPen pen(pal.color(QPalette::HighlightedText), 1, Qt::DotLine);
        painter->setPen(pen);
        painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
    }
    painter->restore();
}
