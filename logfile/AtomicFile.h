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
// Returns empty text on success, else the FileError text of the failure.
// Any thread; calls for the same target must not overlap.
class AtomicFile
{
public:
    static QString write(const QString &path, QByteArrayView bytes);
};
