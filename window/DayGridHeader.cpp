// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/DayGridHeader.h"

#include "window/DayCellDelegate.h"

#include <QPainter>

DayGridHeader::DayGridHeader(Qt::Orientation orientation, QWidget *parent)
    : QHeaderView(orientation, parent)
{
    setSectionsClickable(false);
    setHighlightSections(false);
}

void DayGridHeader::paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const
{
    if (!rect.isValid())
        return;
    // The style's own section (bevel, fixed-cell colour) without its text.
    QStyleOptionHeader opt;
    initStyleOption(&opt);
    opt.rect = rect;
    opt.section = logicalIndex;
    opt.text.clear();
    style()->drawControl(QStyle::CE_Header, &opt, painter, this);

    const QString text =
        model() ? model()->headerData(logicalIndex, orientation()).toString() : QString();
    if (text.isEmpty())
        return;
    painter->save();
    painter->setPen(palette().color(QPalette::ButtonText));
    if (orientation() == Qt::Vertical) {
        const QRect r = rect.adjusted(2, 2, 0, 0);
        painter->setClipRect(rect);
        painter->drawText(r, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
    } else {
        const QRect r = DayCellDelegate::textRect(rect);
        painter->setClipRect(r);
        painter->drawText(r, Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, text);
    }
    painter->restore();
}
