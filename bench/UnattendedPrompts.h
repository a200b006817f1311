// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "window/Prompts.h"

#include <QStringList>

// The prompts of a run nobody watches: every question is answered yes (OK), every dialog is
// cancelled, and every error or message text is kept in `errors` for the verdict.  GUI thread.
class UnattendedPrompts final : public Prompts
{
public:
    QStringList errors;

    void reportError(const QString &text) override { errors.append(text); }
    void message(const QString &, const QString &text, Icon) override { errors.append(text); }
    bool confirm(const QString &, const QString &, Icon, bool) override { return true; }
    bool askYesNo(const QString &, const QString &) override { return true; }
    void beep() override {}
    QString saveFileName(const QString &, const QString &) override { return {}; }
    QString openFileName(const QString &, const QString &) override { return {}; }
    QString saveAsFileName(const QString &, const QString &) override { return {}; }
    std::optional<QString> chooseFolder(const QString &, const QString &,
                                        const std::function<bool()> &) override
    {
        return std::nullopt;
    }
};
