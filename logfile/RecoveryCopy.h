// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "logfile/LogFile.h"

#include <QDateTime>
#include <QString>

class DaySnapshot;
class DayTable;

// A copy of the whole day table in the user's state folder, rewritten after
// each minute tally that no auto-save file holds, so that minutes never saved
// survive a crash, a power cut or a close without saving.  It is a log file (the auto-save title),
// written with AtomicFile: after a crash it holds the table of one tally or
// of the one before, never a part.
//
// The copy exists exactly while it may hold minutes that no log file holds:
// a manual save or an auto-save of the table settles it (removes it), and so
// does a user who declines to take it back.  The next tally writes it again.
//
// Any thread (the session's writer thread writes and settles it while
// measuring; the window reads it at start).  Two programs measuring at once share the
// one copy; the later write wins.
class RecoveryCopy
{
public:
    // $XDG_STATE_HOME/torvale when XDG_STATE_HOME is an absolute path, else
    // ~/.local/state/torvale.  Read when called.
    static QString defaultFolder();

    explicit RecoveryCopy(const QString &folder = defaultFolder());

    QString folder() const { return m_folder; }
    QString path() const; // <folder>/recovery.CSV

    // Creates the folder (mode 0700 from the start, its parents as usual)
    // when missing and replaces the copy.
    // Returns empty text on success, else the text to show; a failed write
    // leaves the copy before it in place.
    QString write(const DaySnapshot &table);
    QString write(const DayTable &table);
    // The table is in a log file now, or the user gave the copy up: removes
    // the copy.  Empty text when it is gone (or was not there), else the text
    // to show; the copy then stays and is offered again.
    QString settle();
    // A copy is there that no save settled.
    bool holdsUnsaved() const;
    // When the copy was last written; invalid when there is none.
    QDateTime writtenAt() const;
    // Loads the copy into the table as LogFile::load does.
    LogFile::LoadResult load(DayTable &table, const QDate &today) const;

private:
    QString m_folder;
};
