// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>
#include <QString>

// Replaces a file's contents all at once: the bytes go to a new file in the
// target's folder, are flushed to the disk, and only then renamed over the
// target.  A write that fails anywhere on the way (no space, an I/O error,
// no permission, a missing folder) leaves the target exactly as it was and
// removes the half-written file.  The bytes reach the disk before the rename,
// so after a crash the target holds either the old or the whole new
// contents, never a part (the folder itself is not synced: the rename may be
// lost, which costs one minute's auto-save or one close's settings but not
// the old file).  A new file gets the usual permissions
// (0666 less the umask), a replaced one keeps its own.
//
// An existing target that may not be replaced (see mayReplace) is refused
// with EACCES before anything is written, although the rename itself would
// go through: a read-only file stays as it is.
//
// The half-written file is named .torvale-<random>.tmp and is held under an
// exclusive flock until it has been renamed, so that a writer killed in the
// middle (a power cut, SIGKILL) leaves one that nobody holds: each write
// first removes such leftovers from its folder (removeStaleTemporaries).
//
// Returns empty text on success, else the FileError text of the failure.
// Any thread; calls for the same target must not overlap.
class AtomicFile
{
public:
    enum class Access {
        Usual,     // as described above
        OwnerOnly, // mode 0600 from the first byte, new or replaced (secrets)
    };
    static QString write(const QString &path, QByteArrayView bytes, Access access = Access::Usual);

    // False when a file (not a folder) exists at `path` that this user may
    // not write, or that nobody may write by its mode (so that root, whom
    // the permissions do not stop, keeps off read-only files too).  True
    // for a path where nothing exists.
    static bool mayReplace(const QString &path);

    // Removes from `folder` the half-written files of writers that are gone:
    // names of our pattern only, and only those whose lock can be taken at
    // once (a live writer, in this process or another, holds its own).
    // Returns how many were removed; a folder that cannot be read gives 0.
    static int removeStaleTemporaries(const QString &folder);
};
