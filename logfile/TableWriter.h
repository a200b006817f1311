// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/DaySnapshot.h"
#include "core/StopDeadline.h"
#include "logfile/RecoveryCopy.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QThread;

// Writes the measurement's files on a thread of its own, so that no disk,
// however slow, holds up the minute tally: the auto-save file of each tally
// and the recovery copy (see AutoSave and RecoveryCopy for names and bytes).
// Each request carries a snapshot of the table taken at its tally; requests
// are carried out one at a time in the order they were made, and this
// thread is the only one writing these files while the writer lives.
//
// - autoSave(): writes the auto-save file; when it was written, the
//   recovery copy is settled (the file holds the whole table), else the
//   copy is written from the same snapshot, so that no minute rests only
//   in memory.
// - keepRecoveryCopy(): writes the recovery copy.
// - settleRecoveryCopy(): removes it, after the writes queued before.
// - writeFile(): a file the user asked for (an export, a picture of the
//   chart), written whole or not at all (AtomicFile).
//
// At most MaxQueued requests wait.  A request beyond that drops the oldest
// waiting table request and tells so (dropped): no data is lost with it,
// since every later request holds the whole table, but that minute gets no
// file.  A writeFile() request is never dropped.
//
// Outcomes come back as signals on the thread that owns the writer, from
// its event loop or from finish(), one per outcome, in the order of the
// requests.  The owner's thread never waits for a disk except in finish().
// The thread runs at a lower priority (nice 10 above the process's) so
// that on a busy machine it never takes the processor from the window.
class TableWriter : public QObject
{
    Q_OBJECT
public:
    static constexpr int MaxQueued = 32;
    explicit TableWriter(const QString &recoveryFolder, QObject *parent = nullptr);
    // Waits for the queued writes as finish() does, until the process's
    // StopDeadline: a stop waits once, not once here and once in finish().
    // A write still hanging after that (a dead network folder) is left to
    // end with the process.
    ~TableWriter() override;

    void autoSave(const QString &dataFolder, const QDateTime &t, const DaySnapshot &table);
    void keepRecoveryCopy(const DaySnapshot &table);
    void settleRecoveryCopy();
    // `done` gets an empty text or the failure, as an outcome; not called
    // when the writer is destroyed first.
    using Done = std::function<void(const QString &failure)>;
    void writeFile(const QString &path, const QByteArray &bytes, Done done);

    // Waits until every request made so far is carried out or `ms` passed,
    // then delivers the outcomes not yet delivered.  True when nothing is
    // left to write.
    bool finish(int ms = StopDeadline::remainingMs());
    // Requests made and not yet carried out.
    int pending() const;

signals:
    void autoSaved(const QString &path);
    void autoSaveFailed(const QString &path, const QString &failure);
    void recoveryCopyWritten();
    void recoveryCopyFailed(const QString &path, const QString &failure);
    // A waiting request was given up for a newer one; `path` is the file
    // it would have written.
    void dropped(const QString &path);

private:
    struct State;
    void deliver();

    std::shared_ptr<State> m_state;
    QThread *m_thread;
};
