// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Where the settings file lives.
//
// An installed program (its install marker, installMarker(), exists) keeps
// them in the user's configuration folder, as torvale/torvale.ini, whoever
// runs it: root can write into /usr/bin, but a file there would be shared by
// every user and left behind by the package manager.
//
// Any other copy (a build tree, an unpacked folder) keeps them beside the
// executable, named after it with ".ini" for its extension
// (/opt/torvale/torvale -> /opt/torvale/torvale.ini, logger.bin ->
// logger.ini), when that file already exists or its folder is writable: a
// copy of the program kept in a folder of its own keeps its settings with it.
// Otherwise in the user's configuration folder too, so that closing the
// window can always save.  The user's folder is created by the write.
class SettingsLocation
{
public:
    // The configuration folder is $XDG_CONFIG_HOME when it is set to an
    // absolute path, else ~/.config.
    static QString path(const QString &executablePath);
    static QString path(const QString &executablePath, const QString &configFolder);

    // The executable's path with ".ini" for its extension.
    static QString besideExecutable(const QString &executablePath);

    // The file that the install puts into the data folder of the prefix the
    // executable was installed to (../share/torvale/installed from
    // /usr/bin/torvale).  Found relative to the executable, so that a
    // package built for another prefix than the one configured is still
    // recognised.
    static QString installMarker(const QString &executablePath);
};
