// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/UniqueFd.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

// The messages not yet acknowledged by the broker, kept on disk so that an
// absent broker, a crash or a restart loses none of them.
//
// Records are numbered in the order they were added and stored as lines in
// segment files of the folder (one file per SegmentRecords records, named
// after the number of its first record); each append is flushed to the disk
// before append() returns.  A line is "<number> TAB <topic> TAB <payload> TAB
// *<checksum>", the checksum the CRC-32C of what comes before its tab in
// eight hex digits.  A damaged line is skipped (takeDamaged() names its
// file), never sent; lines without a checksum, as older versions wrote them,
// are read as they stand.  The number of the newest acknowledged record
// lives in the file "acked", replaced atomically; a segment whose records
// are all acknowledged is deleted.  After a crash a torn last line is cut
// off, and records acknowledged since the last "acked" write are sent again
// (at least once, never lost).
//
// Past `limit` unacknowledged records the oldest segments are dropped, and
// dropped() tells how many records went.
//
// One thread only (the publisher's network thread); the folder belongs to
// one instance: open() takes a lock on it (the file "lock", holding the
// owner's pid) and fails when another instance holds it.
class Outbox
{
public:
    static constexpr int SegmentRecords = 1440;
    // A little more than a year of minutes.
    static constexpr qint64 DefaultLimit = 400LL * 1440;

    struct Record {
        qint64 seq = 0;
        QByteArray topic;   // relative to the station's prefix ("minute", "event")
        QByteArray payload;
    };

    explicit Outbox(const QString &folder, qint64 limit = DefaultLimit,
                    int segmentRecords = SegmentRecords);
    ~Outbox();
    Outbox(const Outbox &) = delete;
    Outbox &operator=(const Outbox &) = delete;

    // Makes the folder (owner-only) and reads what an earlier run left.
    // Empty text on success, else why the outbox cannot be used.
    QString open();
    // Lets the folder go (another instance may open it); the records stay.
    void close() { m_lock.reset(); }
    QString folder() const { return m_folder; }

    // Adds a record; empty text once it is on the disk, else the error (the
    // record is then lost, and the caller tells so).
    QString append(const QByteArray &topic, const QByteArray &payload);

    // Up to `max` records from number `from` on, oldest first.
    QList<Record> read(qint64 from, int max);

    // Everything up to `seq` was acknowledged.  Empty text, else the error
    // of writing "acked" (the records are then sent again after a restart).
    QString acknowledge(qint64 seq);

    qint64 acked() const { return m_acked; }
    qint64 lastSeq() const { return m_nextSeq - 1; }
    qint64 pending() const { return m_nextSeq - 1 - m_acked; }
    // The newest record with this topic, 0 when none is pending.
    qint64 newestOf(const QByteArray &topic) const;

    // Records dropped for the limit since the last call.
    qint64 takeDropped();
    // "file (n)" for each segment where damaged lines were found since the
    // last call; each damage is named once.
    QStringList takeDamaged();
    // open() failed because another logger holds the folder.
    bool busy() const { return m_busy; }

private:
    struct Segment {
        qint64 first = 0;
        qint64 last = 0;  // first - 1 while empty
        int damaged = 0;  // damaged lines found so far
        bool sealed = false; // a torn line could not be cut: no more appends
    };
    QString segmentPath(qint64 first) const;
    QString loadSegment(Segment &segment, QList<Record> *records);
    void dropOldest();
    void removeAckedSegments();

    QString m_folder;
    qint64 m_limit;
    int m_segmentRecords;
    UniqueFd m_lock; // flock()ed while open: one logger per folder
    qint64 m_acked = 0;
    qint64 m_nextSeq = 1;
    qint64 m_dropped = 0;
    QStringList m_damaged;
    bool m_busy = false;
    QMap<qint64, Segment> m_segments; // by first record
    QMap<QByteArray, qint64> m_newest;
    // The records of one segment, read once for sending it.
    qint64 m_cacheFirst = -1;
    QList<Record> m_cache;
};
