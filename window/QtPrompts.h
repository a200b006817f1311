// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "window/Prompts.h"

#include <QPointer>
#include <QStringList>

class QWidget;
class QMessageBox;

// The real boxes and dialogs, owned by the main window.
class QtPrompts final : public Prompts
{
public:
    explicit QtPrompts(QWidget *window) : m_window(window) {}

    void reportError(const QString &text) override;
    void withdrawError(const QString &text) override;
    void message(const QString &title, const QString &text, Icon icon) override;
    bool confirm(const QString &title, const QString &text, Icon icon,
                 bool cancelIsDefault) override;
    bool askYesNo(const QString &title, const QString &text) override;
    void beep() override;
    QString saveFileName(const QString &initialDir, const QString &proposed) override;
    QString openFileName(const QString &initialDir, const QString &proposed) override;
    QString saveAsFileName(const QString &title, const QString &filter) override;
    std::optional<QString> chooseFolder(const QString &title, const QString &startDir,
                                        const std::function<bool()> &confirmMissing) override;

    static QString logFilter();

    // From now on, for the rest of the process, no box or dialog is shown, because nobody is
    // there to answer (the program is being ended by a signal): errors and messages go to
    // standard error, questions are answered Cancel or No, and file and folder dialogs come
    // back cancelled.  Boxes already on screen stay until the program ends.
    static void setUnattended();

private:
    QWidget *m_window;
    // Error boxes still on screen, so that the same error is not stacked again.
    QList<QPointer<QMessageBox>> m_errorBoxes;
};
