// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The serial ports of this machine by the short names the port list shows ("ttyUSB0",
// "gmsim0"), with a description for each, and the way back from such a name to the device
// path Trs232c::open opens.
//
// A device counts when the kernel lists it under the tty class with a hardware device behind
// it (ttyUSB, ttyACM, ttyAMA, ...), plus rfcomm ports; a ttyS port only when its UART type is
// known (the phantom ttyS ports of a PC without those UARTs have type 0).  Links placed in the
// link folders (the GM counter simulator publishes its pseudo-terminal in this user's link
// folder) are listed after the devices when they lead to a terminal device.
//
// A link folder is scanned only when it is this user's own: a folder, not a link, owned by
// this user and writable by nobody else.  Another user's links can name any device, and the
// program must not open those on a name's say-so.
//
// All functions are plain reads of the file system, callable from any thread.

#include <QList>
#include <QString>
#include <QStringList>

class SerialPortList
{
public:
    struct Port {
        QString name;        // what the list shows and the settings file stores
        QString path;        // the device file or link that open uses
        QString description; // USB maker, product and serial number; "simulator"; or empty
    };

    // This user's link folder: $XDG_RUNTIME_DIR/torvale-ports when XDG_RUNTIME_DIR names a
    // folder of this user's, else /tmp/torvale-ports-<uid>.
    static QString defaultLinkFolder();
    // Makes folder (mode 0700, its parents as needed) unless it exists.  False, with the
    // reason in why, when it cannot be made or is not this user's own.
    static bool makeOwnFolder(const QString &folder, QString *why = nullptr);
    static bool isOwnFolder(const QString &folder);

    // Devices sorted by name with numbers in numeric order (ttyS2 before ttyS10), then links
    // sorted the same way; a link whose name a device already has is left out.  The folders
    // are parameters so that tests can use their own.
    static QList<Port> available(const QStringList &linkFolders = {defaultLinkFolder()},
                                 const QString &sysClassTty = QStringLiteral("/sys/class/tty"),
                                 const QString &devFolder = QStringLiteral("/dev"));
    // The names of available(), in its order.
    static QStringList ports(const QStringList &linkFolders = {defaultLinkFolder()},
                             const QString &sysClassTty = QStringLiteral("/sys/class/tty"),
                             const QString &devFolder = QStringLiteral("/dev"));

    // The path to open for a port text.  A text with a '/' is a path and stays as it is; a
    // bare name is devFolder/NAME when that exists, else the link NAME in the first link
    // folder that has one, else the text unchanged (so that open reports it missing).
    static QString resolve(const QString &text,
                           const QStringList &linkFolders = {defaultLinkFolder()},
                           const QString &devFolder = QStringLiteral("/dev"));

    // The description available() gives the port of that name; empty for a path or an
    // unknown name.
    static QString description(const QString &name,
                               const QStringList &linkFolders = {defaultLinkFolder()},
                               const QString &sysClassTty = QStringLiteral("/sys/class/tty"),
                               const QString &devFolder = QStringLiteral("/dev"));

    // The clock the file system stamps new files with (coarse real time), in ns.
    static qint64 fileClockNs();
    // True unless the path of a port text (resolve()) leads through a symbolic link made
    // before sinceNs (a fileClockNs() reading).  A device that went away and came back has a
    // link made anew (udev's by-id links, a re-published simulator link); a link left from
    // before leads to whatever now has its target's name, another program's line perhaps.
    static bool linksMadeSince(const QString &text, qint64 sinceNs,
                               const QStringList &linkFolders = {defaultLinkFolder()},
                               const QString &devFolder = QStringLiteral("/dev"));

    // Natural order of device names: "ttyUSB2" < "ttyUSB10".
    static bool lessByName(const QString &a, const QString &b);
};
