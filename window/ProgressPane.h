// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractScrollArea>
#include <QString>

#include <deque>
#include <string>

// The progress pane "Memo1": a read-only list of text lines, newest last,
// that keeps at most maximumBlockCount() lines (0: no limit) by dropping
// the oldest.
//
// A flood of pulses writes a line per pulse for weeks, so lines are held
// compactly (UTF-8, a short line inside its own slot with no allocation)
// and only the lines in view are laid out, when painted: appending costs
// the same whether the pane is shown or not, and a full pane holds its
// 100,000 lines in a few megabytes.
//
// Lines are picked with the mouse (a drag picks whole lines; shift-click
// extends) or with Ctrl+A, and Ctrl+C or the context menu copies them.
//
// GUI thread only.
class ProgressPane : public QAbstractScrollArea
{
    Q_OBJECT
public:
    explicit ProgressPane(QWidget *parent = nullptr);

    // Appends the text as one line per "\n"-separated part.
    void appendPlainText(const QString &text);
    void clear();
    void setMaximumBlockCount(int lines);
    int maximumBlockCount() const { return m_maxLines; }
    int blockCount() const { return int(m_lines.size()); }
    QString line(int index) const;
    QString toPlainText() const;
    // The picked lines joined by "\n"; empty when none is picked.
    QString selectedText() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void trim();
    void updateScrollRanges();
    int lineHeight() const;
    int visibleLines() const;
    int lineAt(int y) const;
    void copySelection() const;

    std::deque<std::string> m_lines;
    int m_maxLines = 0;
    int m_widest = 0; // of the lines painted so far, for the horizontal range
    // Picked lines as indexes counted from the first line ever appended, so
    // that dropping old lines does not move them; -1: none.
    qint64 m_dropped = 0;
    qint64 m_anchor = -1;
    qint64 m_cursor = -1;
};
