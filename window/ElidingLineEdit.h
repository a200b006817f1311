// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QLineEdit>

// An edit field that, while it does not have the focus, shows a text too
// long for it in a smaller type (down to three quarters of its own size),
// and only when that is not enough with its beginning elided ("…USB0"), so
// that the part that tells two ports apart stays in view.  With the focus it
// edits as usual.  The tooltip holds the whole text.  GUI thread.
class ElidingLineEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit ElidingLineEdit(QWidget *parent = nullptr);

    struct Shown {
        QString text;
        QFont font;
    };
    // What the field shows when it does not have the focus, and in which type.
    Shown shown() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QRect textArea() const;
};
