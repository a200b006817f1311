#pragma once

#include <QLineEdit>

// An edit field that, while it does not have the focus, shows a text too
// long for it with its beginning elided ("…USB0"), so that the part that
// tells two ports apart stays in view; with the focus it edits as usual.
// The tooltip holds the whole text.  GUI thread.
class ElidingLineEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit ElidingLineEdit(QWidget *parent = nullptr);

    // What the field shows when it does not have the focus.
    QString shownText() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QRect textArea() const;
};
