// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "window/Prompts.h"

#include <QFileInfo>
#include <QStringList>

#include <deque>
#include <optional>

// Answers the window's questions from a script and records what it showed.
class FakePrompts final : public Prompts
{
public:
    struct Shown {
        QString kind; // "error", "withdrawn", "message", "confirm", "yesno", "beep"
        QString title;
        QString text;
        Icon icon = Icon::None;
        bool cancelIsDefault = false;
    };

    std::vector<Shown> shown;
    std::deque<bool> confirmAnswers; // empty: Cancel
    std::deque<bool> yesNoAnswers;   // empty: No
    std::deque<QString> saveNames;   // empty: cancelled
    std::deque<QString> openNames;
    // Each entry is one OK on that path; nothing means Cancel, and so does
    // running out of entries.
    std::deque<std::optional<QString>> folders;
    QString lastInitialDir;
    QString lastProposed;
    QString lastFolderTitle;
    int saveDialogs = 0;
    int openDialogs = 0;
    int folderDialogs = 0;

    QStringList errors() const { return texts(QStringLiteral("error")); }
    QStringList messages() const { return texts(QStringLiteral("message")); }
    QStringList texts(const QString &kind) const
    {
        QStringList out;
        for (const Shown &s : shown)
            if (s.kind == kind)
                out << s.text;
        return out;
    }

    void reportError(const QString &text) override
    {
        shown.push_back({QStringLiteral("error"), QString(), text, Icon::Error, false});
    }
    void withdrawError(const QString &text) override
    {
        shown.push_back({QStringLiteral("withdrawn"), QString(), text, Icon::None, false});
    }
    void message(const QString &title, const QString &text, Icon icon) override
    {
        shown.push_back({QStringLiteral("message"), title, text, icon, false});
    }
    bool confirm(const QString &title, const QString &text, Icon icon,
                 bool cancelIsDefault) override
    {
        shown.push_back({QStringLiteral("confirm"), title, text, icon, cancelIsDefault});
        return pop(confirmAnswers, false);
    }
    bool askYesNo(const QString &title, const QString &text) override
    {
        shown.push_back({QStringLiteral("yesno"), title, text, Icon::None, false});
        return pop(yesNoAnswers, false);
    }
    void beep() override { shown.push_back({QStringLiteral("beep"), {}, {}, Icon::None, false}); }
    QString saveFileName(const QString &initialDir, const QString &proposed) override
    {
        ++saveDialogs;
        lastInitialDir = initialDir;
        lastProposed = proposed;
        return pop(saveNames, QString());
    }
    QString saveAsFileName(const QString &title, const QString &) override
    {
        return saveFileName(QString(), title);
    }
    QString openFileName(const QString &initialDir, const QString &proposed) override
    {
        ++openDialogs;
        lastInitialDir = initialDir;
        lastProposed = proposed;
        return pop(openNames, QString());
    }
    std::optional<QString> chooseFolder(const QString &title, const QString &startDir,
                                        const std::function<bool()> &confirmMissing) override
    {
        ++folderDialogs;
        lastFolderTitle = title;
        lastInitialDir = startDir;
        // No to the question keeps the chooser open for the next OK.
        while (const std::optional<QString> path = pop(folders, std::optional<QString>())) {
            if (QFileInfo(*path).isDir() || confirmMissing())
                return path;
        }
        return std::nullopt;
    }

private:
    template <class T> static T pop(std::deque<T> &q, T fallback)
    {
        if (q.empty())
            return fallback;
        T v = q.front();
        q.pop_front();
        return v;
    }
};
