// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

// A file that holds secrets (a broker password, upload credentials): written
// with mode 0600 from its first byte, and read only when no other user may
// read it, so a secret never sits in a file others can open.
//
// Any thread; calls for the same path must not overlap.
class SecretFile
{
public:
    // Replaces the file at once (AtomicFile, owner-only).  Empty text on
    // success, else the FileError text.
    static QString write(const QString &path, const QByteArray &bytes);

    struct Read {
        QByteArray bytes;
        int error = 0;       // errno of a failed open or read; 0 when read
        bool shared = false; // read, but group or others may read it too: refused
        bool ok() const { return error == 0 && !shared; }
    };
    // The whole file, refused (shared) when its mode lets the group or others
    // read it, or when it is not a regular file (error EINVAL).
    static Read read(const QString &path);
    // The first line of a secret file without its line end, "\n" or
    // "\r\n": a password file from any editor holds the same password.
    static QByteArray firstLine(const QByteArray &bytes);
};
