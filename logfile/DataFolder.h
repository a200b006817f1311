// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The folder auto-save writes its day folders into, and the one rule for it
// that the window and the headless logger share: a measurement with
// auto-save starts only when the folder is there (made with its parents when
// missing) and takes new files.  The window asks before a missing folder is
// made; the headless logger makes it.
//
// Any thread; each call looks at the disk anew.
class DataFolder
{
public:
    enum class Status {
        Ready,       // a folder that takes new files
        CannotMake,  // no name, or it (or a parent) cannot be made, or a file has its name
        NotWritable, // a folder, but new files cannot be made in it
    };

    // True when a folder (not a file) of that name exists.
    static bool exists(const QString &folder);
    // Makes the folder with its parents when missing, then checks it.
    static Status prepare(const QString &folder);
};
