// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/ProgressPane.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace
{

constexpr int Margin = 4; // around the text, as a text editor keeps it

} // namespace

ProgressPane::ProgressPane(QWidget *parent) : QAbstractScrollArea(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setCursor(Qt::IBeamCursor);
}

void ProgressPane::appendPlainText(const QString &text)
{
    qsizetype from = 0;
    for (;;) {
        const qsizetype end = text.indexOf(u'\n', from);
        const QByteArray utf8 = QStringView(text).mid(from, end < 0 ? -1 : end - from).toUtf8();
        m_lines.emplace_back(utf8.constData(), std::size_t(utf8.size()));
        if (end < 0)
            break;
        from = end + 1;
    }
    trim();
    updateScrollRanges();
    viewport()->update();
}

void ProgressPane::clear()
{
    m_dropped += qint64(m_lines.size());
    m_lines.clear();
    m_anchor = m_cursor = -1;
    updateScrollRanges();
    viewport()->update();
}

void ProgressPane::setMaximumBlockCount(int lines)
{
    m_maxLines = std::max(lines, 0);
    trim();
    updateScrollRanges();
    viewport()->update();
}

void ProgressPane::trim()
{
    if (m_maxLines <= 0 || int(m_lines.size()) <= m_maxLines)
        return;
    const std::size_t excess = m_lines.size() - std::size_t(m_maxLines);
    m_lines.erase(m_lines.begin(), m_lines.begin() + std::ptrdiff_t(excess));
    m_dropped += qint64(excess);
    if (m_anchor >= 0 && std::max(m_anchor, m_cursor) < m_dropped)
        m_anchor = m_cursor = -1;
}

QString ProgressPane::line(int index) const
{
    if (index < 0 || index >= blockCount())
        return {};
    const std::string &s = m_lines[std::size_t(index)];
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

QString ProgressPane::toPlainText() const
{
    QString all;
    for (int i = 0; i < blockCount(); ++i) {
        if (i > 0)
            all += u'\n';
        all += line(i);
    }
    return all;
}

QString ProgressPane::selectedText() const
{
    if (m_anchor < 0)
        return {};
    const int first = int(std::max(std::min(m_anchor, m_cursor) - m_dropped, qint64(0)));
    const int last = int(std::min(std::max(m_anchor, m_cursor) - m_dropped,
                                  qint64(blockCount()) - 1));
    QStringList picked;
    for (int i = first; i <= last; ++i)
        picked << line(i);
    return picked.join(u'\n');
}

int ProgressPane::lineHeight() const
{
    return std::max(fontMetrics().lineSpacing(), 1);
}

int ProgressPane::visibleLines() const
{
    return std::max((viewport()->height() - Margin) / lineHeight(), 1);
}

void ProgressPane::updateScrollRanges()
{
    verticalScrollBar()->setRange(0, std::max(blockCount() - visibleLines(), 0));
    verticalScrollBar()->setPageStep(visibleLines());
    verticalScrollBar()->setSingleStep(1);
    horizontalScrollBar()->setRange(0, std::max(m_widest + 2 * Margin - viewport()->width(), 0));
    horizontalScrollBar()->setPageStep(viewport()->width());
    horizontalScrollBar()->setSingleStep(fontMetrics().averageCharWidth() * 2);
}

void ProgressPane::paintEvent(QPaintEvent *)
{
    QPainter p(viewport());
    p.setFont(font());
    const int h = lineHeight();
    const int first = verticalScrollBar()->value();
    const int last = std::min(first + visibleLines() + 1, blockCount());
    const int x = Margin - horizontalScrollBar()->value();
    const int ascent = fontMetrics().ascent();
    int widest = m_widest;
    for (int i = first; i < last; ++i) {
        const int y = Margin / 2 + (i - first) * h;
        const qint64 id = m_dropped + i;
        const bool picked = m_anchor >= 0 && id >= std::min(m_anchor, m_cursor) &&
                            id <= std::max(m_anchor, m_cursor);
        if (picked) {
            p.fillRect(QRect(0, y, viewport()->width(), h), palette().highlight());
            p.setPen(palette().color(QPalette::HighlightedText));
        } else {
            p.setPen(palette().color(QPalette::Text));
        }
        const QString text = line(i);
        p.drawText(x, y + ascent, text);
        widest = std::max(widest, fontMetrics().horizontalAdvance(text));
    }
    if (widest != m_widest) {
        // Only lines that were seen widen the range: measuring each line of
        // a flood would cost what the pane is meant to save.
        m_widest = widest;
        updateScrollRanges();
    }
}

void ProgressPane::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollRanges();
}

void ProgressPane::changeEvent(QEvent *event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        updateScrollRanges();
}

int ProgressPane::lineAt(int y) const
{
    return std::clamp(verticalScrollBar()->value() + (y - Margin / 2) / lineHeight(), 0,
                      std::max(blockCount() - 1, 0));
}

void ProgressPane::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || blockCount() == 0)
        return QAbstractScrollArea::mousePressEvent(event);
    const qint64 id = m_dropped + lineAt(event->position().toPoint().y());
    if (!(event->modifiers() & Qt::ShiftModifier) || m_anchor < 0)
        m_anchor = id;
    m_cursor = id;
    viewport()->update();
}

void ProgressPane::mouseMoveEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton) || m_anchor < 0 || blockCount() == 0)
        return QAbstractScrollArea::mouseMoveEvent(event);
    const int y = event->position().toPoint().y();
    if (y < 0)
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    else if (y > viewport()->height())
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    m_cursor = m_dropped + lineAt(y);
    viewport()->update();
}

void ProgressPane::keyPressEvent(QKeyEvent *event)
{
    if (event == QKeySequence::Copy) {
        copySelection();
    } else if (event == QKeySequence::SelectAll && blockCount() > 0) {
        m_anchor = m_dropped;
        m_cursor = m_dropped + blockCount() - 1;
        viewport()->update();
    } else {
        QAbstractScrollArea::keyPressEvent(event);
    }
}

void ProgressPane::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu menu(this);
    QAction *copy = menu.addAction(tr("Copy"), this, &ProgressPane::copySelection);
    copy->setEnabled(m_anchor >= 0);
    menu.exec(event->globalPos());
}

void ProgressPane::copySelection() const
{
    const QString text = selectedText();
    if (!text.isEmpty())
        QApplication::clipboard()->setText(text);
}
