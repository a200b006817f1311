#pragma once

#include <QString>

// Where the settings file lives.
//
// Beside the executable, named after it with ".ini" for its extension
// (/opt/torvale/torvale -> /opt/torvale/torvale.ini, logger.bin ->
// logger.ini), when that file already exists or its folder is writable: a
// copy of the program kept in a folder of its own keeps its settings with it.
// Otherwise (a program installed system-wide) in the user's configuration
// folder, as torvale/torvale.ini, so that closing the window can always save;
// the folder is created by the write.
class SettingsLocation
{
public:
    // The configuration folder is $XDG_CONFIG_HOME when it is set to an
    // absolute path, else ~/.config.
    static QString path(const QString &executablePath);
    static QString path(const QString &executablePath, const QString &configFolder);

    // The executable's path with ".ini" for its extension.
    static QString besideExecutable(const QString &executablePath);
};
