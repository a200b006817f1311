// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/SerialPortList.h"

#include "core/SystemError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>
#include <ctime>
#include <unistd.h>

namespace
{

bool isSerialCorePortWithoutUart(const QString &ttyDir)
{
    QFile type(ttyDir + QStringLiteral("/type"));
    if (!type.open(QIODevice::ReadOnly))
        return false;
    bool ok = false;
    const int value = QString::fromLatin1(type.readAll()).trimmed().toInt(&ok);
    return ok && value == 0;
}

bool isTerminalDevice(const QString &path)
{
    const QFileInfo info(path);
    const QString target = info.canonicalFilePath();
    return !target.isEmpty() && target.startsWith(QStringLiteral("/dev/")) &&
           !QFileInfo(target).isDir();
}

QString readAttribute(const QString &dir, const QString &name)
{
    QFile f(dir + u'/' + name);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.read(256)).trimmed();
}

// The USB device a tty hangs off is the nearest folder above its device folder that carries
// idVendor (a ttyUSB's device is the converter's port, an ACM's the interface).
QString usbDescription(const QString &ttyDir)
{
    QString dir = QFileInfo(ttyDir + QStringLiteral("/device")).canonicalFilePath();
    for (int up = 0; up < 4 && !dir.isEmpty(); ++up) {
        if (QFileInfo::exists(dir + QStringLiteral("/idVendor"))) {
            const QString maker = readAttribute(dir, QStringLiteral("manufacturer"));
            const QString product = readAttribute(dir, QStringLiteral("product"));
            const QString serial = readAttribute(dir, QStringLiteral("serial"));
            QString text = product.startsWith(maker) ? product : (maker + u' ' + product).trimmed();
            if (text.isEmpty()) {
                text = QStringLiteral("USB %1:%2")
                           .arg(readAttribute(dir, QStringLiteral("idVendor")),
                                readAttribute(dir, QStringLiteral("idProduct")));
            }
            if (!serial.isEmpty())
                text += QStringLiteral(" (") + serial + u')';
            return text;
        }
        const qsizetype slash = dir.lastIndexOf(u'/');
        dir = slash > 0 ? dir.left(slash) : QString();
    }
    return {};
}

QString simulatorText()
{
    return QStringLiteral("simulator");
}

// The links of one link folder that lead to a terminal device, by name.
QStringList linkNames(const QString &folder)
{
    if (!SerialPortList::isOwnFolder(folder))
        return {};
    QStringList names;
    const QDir dir(folder);
    const QStringList found = dir.entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &name : found) {
        if (isTerminalDevice(dir.filePath(name)))
            names.append(name);
    }
    return names;
}

} // namespace

QString SerialPortList::defaultLinkFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && isOwnFolder(runtime))
        return runtime + QStringLiteral("/torvale-ports");
    return QStringLiteral("/tmp/torvale-ports-%1").arg(::geteuid());
}

bool SerialPortList::isOwnFolder(const QString &folder)
{
    struct stat st {
    };
    if (::lstat(QFile::encodeName(folder).constData(), &st) != 0)
        return false;
    return S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 022) == 0;
}

bool SerialPortList::makeOwnFolder(const QString &folder, QString *why)
{
    const QFileInfo info(folder);
    if (!QFileInfo::exists(folder) && !info.isSymLink()) {
        QDir().mkpath(info.absolutePath());
        if (::mkdir(QFile::encodeName(folder).constData(), 0700) != 0 && errno != EEXIST) {
            if (why)
                *why = folder + QStringLiteral(": ") + SystemError::text(errno);
            return false;
        }
    }
    if (!isOwnFolder(folder)) {
        if (why)
            *why = folder + QStringLiteral(": not a folder of this user's alone");
        return false;
    }
    return true;
}

bool SerialPortList::lessByName(const QString &a, const QString &b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            qsizetype ie = i;
            qsizetype je = j;
            while (ie < a.size() && a[ie].isDigit())
                ++ie;
            while (je < b.size() && b[je].isDigit())
                ++je;
            const qulonglong na = a.mid(i, ie - i).toULongLong();
            const qulonglong nb = b.mid(j, je - j).toULongLong();
            if (na != nb)
                return na < nb;
            i = ie;
            j = je;
            continue;
        }
        if (a[i] != b[j])
            return a[i] < b[j];
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}

QList<SerialPortList::Port> SerialPortList::available(const QStringList &linkFolders,
                                                      const QString &sysClassTty,
                                                      const QString &devFolder)
{
    QStringList names;
    const QDir sys(sysClassTty);
    const QStringList entries = sys.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System);
    for (const QString &name : entries) {
        const QString ttyDir = sys.filePath(name);
        const bool hasDevice = QFileInfo::exists(ttyDir + QStringLiteral("/device"));
        const bool isRfcomm = name.startsWith(QStringLiteral("rfcomm"));
        if (!hasDevice && !isRfcomm)
            continue;
        if (isSerialCorePortWithoutUart(ttyDir))
            continue;
        if (!QFileInfo::exists(QDir(devFolder).filePath(name)))
            continue;
        names.append(name);
    }
    std::sort(names.begin(), names.end(), lessByName);

    QList<Port> result;
    for (const QString &name : std::as_const(names))
        result.append({name, QDir(devFolder).filePath(name), usbDescription(sys.filePath(name))});

    QList<Port> links;
    for (const QString &folder : linkFolders) {
        const QStringList found = linkNames(folder);
        for (const QString &name : found) {
            const bool taken =
                names.contains(name) || std::any_of(links.cbegin(), links.cend(),
                                                    [&](const Port &p) { return p.name == name; });
            if (!taken)
                links.append({name, QDir(folder).filePath(name), simulatorText()});
        }
    }
    std::sort(links.begin(), links.end(),
              [](const Port &a, const Port &b) { return lessByName(a.name, b.name); });
    result.append(links);
    return result;
}

QStringList SerialPortList::ports(const QStringList &linkFolders, const QString &sysClassTty,
                                  const QString &devFolder)
{
    QStringList names;
    const QList<Port> all = available(linkFolders, sysClassTty, devFolder);
    for (const Port &p : all)
        names.append(p.name);
    return names;
}

QString SerialPortList::resolve(const QString &text, const QStringList &linkFolders,
                                const QString &devFolder)
{
    if (text.isEmpty() || text.contains(u'/') || text == u"." || text == u"..")
        return text;
    QString device = QDir(devFolder).filePath(text);
    if (QFileInfo::exists(device))
        return device;
    for (const QString &folder : linkFolders) {
        QString link = QDir(folder).filePath(text);
        if (isOwnFolder(folder) && QFileInfo(link).isSymLink())
            return link;
    }
    return text;
}

qint64 SerialPortList::fileClockNs()
{
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME_COARSE, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

bool SerialPortList::linksMadeSince(const QString &text, qint64 sinceNs,
                                    const QStringList &linkFolders, const QString &devFolder)
{
    QString path = resolve(text, linkFolders, devFolder);
    // As many hops as the kernel follows.
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st;
        if (::lstat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISLNK(st.st_mode))
            return true;
        if (qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec < sinceNs)
            return false;
        const QString target = QFile::symLinkTarget(path);
        if (target.isEmpty())
            return true;
        path = target;
    }
    return true;
}

QString SerialPortList::description(const QString &name, const QStringList &linkFolders,
                                    const QString &sysClassTty, const QString &devFolder)
{
    if (name.isEmpty() || name.contains(u'/') || name == u"." || name == u"..")
        return {};
    const QString path = resolve(name, linkFolders, devFolder);
    if (path == QDir(devFolder).filePath(name))
        return usbDescription(QDir(sysClassTty).filePath(name));
    if (path != name)
        return simulatorText();
    return {};
}
