#include "app/ElidingLineEdit.h"

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

QString ElidingLineEdit::shownText() const
{
    return fontMetrics().elidedText(text(), Qt::ElideLeft, textArea().width());
}

void ElidingLineEdit::paintEvent(QPaintEvent *event)
{
    const QString shown = shownText();
    if (hasFocus() || shown == text())
        return QLineEdit::paintEvent(event);
    QPainter painter(this);
    QStyleOptionFrame option;
    initStyleOption(&option);
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &option, &painter, this);
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                   QPalette::Text));
    painter.drawText(textArea(), Qt::AlignLeft | Qt::AlignVCenter, shown);
}
