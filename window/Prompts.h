// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>
#include <optional>

// Everything the main window asks of the user or shows in a box goes through
// here, so that tests can answer in place of a person.  QtPrompts is the real
// one.  Called on the GUI thread only.
class Prompts
{
public:
    enum class Icon { None, Information, Warning, Error };

    virtual ~Prompts() = default;

    // The application's standard error report: a box titled with the
    // application title, the text with a full stop added by ErrorText, an
    // error icon and OK.  It does not wait for the user, so the measurement
    // keeps tallying while it is shown.
    virtual void reportError(const QString &text) = 0;
    // Closes the error report of `text` (as given to reportError) if it is
    // still on screen: what it told is over.  Nothing happens otherwise.
    virtual void withdrawError(const QString &) {}

    // A box with OK only; returns when dismissed.
    virtual void message(const QString &title, const QString &text, Icon icon) = 0;
    // A box with OK and Cancel; true for OK.
    virtual bool confirm(const QString &title, const QString &text, Icon icon,
                         bool cancelIsDefault) = 0;
    // A question with Yes and No; true for Yes.
    virtual bool askYesNo(const QString &title, const QString &text) = 0;
    virtual void beep() = 0;

    // File dialogs with the log filter; an empty result means cancelled.
    virtual QString saveFileName(const QString &initialDir, const QString &proposed) = 0;
    virtual QString openFileName(const QString &initialDir, const QString &proposed) = 0;
    // A save dialog with its own title and filter (an export, a picture);
    // an empty result means cancelled.
    virtual QString saveAsFileName(const QString &title, const QString &filter) = 0;
    // The folder chooser, opened at startDir; nothing when cancelled, else
    // the path in its field.  OK on a path that names no existing folder
    // (an empty one too) first calls confirmMissing: false keeps the chooser
    // open with the path as typed, true returns the path, which the window
    // then creates.
    virtual std::optional<QString> chooseFolder(const QString &title, const QString &startDir,
                                                const std::function<bool()> &confirmMissing) = 0;
};
