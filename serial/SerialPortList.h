#pragma once
// The serial devices of this machine as paths Trs232c::open accepts, for the port list.
//
// A device counts when the kernel lists it under the tty class with a hardware device behind
// it (ttyUSB, ttyACM, ttyAMA, ...), plus rfcomm ports; a ttyS port only when its UART type is
// known (the phantom ttyS ports of a PC without those UARTs have type 0).  Links placed in the
// link folders (the GM counter simulator publishes its pseudo-terminal in /tmp/torvale-ports)
// are listed after the devices when they lead to a terminal device.

#include <QString>
#include <QStringList>

class SerialPortList
{
public:
    static QString defaultLinkFolder() { return QStringLiteral("/tmp/torvale-ports"); }

    // Devices sorted by name with numbers in numeric order (ttyS2 before ttyS10), then links
    // sorted the same way.  The folders are parameters so that tests can use their own.
    static QStringList ports(const QStringList &linkFolders = {defaultLinkFolder()},
                             const QString &sysClassTty = QStringLiteral("/sys/class/tty"),
                             const QString &devFolder = QStringLiteral("/dev"));

    // Natural order of device names: "ttyUSB2" < "ttyUSB10".
    static bool lessByName(const QString &a, const QString &b);
};
