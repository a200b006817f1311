#include "serial/SerialPortList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

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

} // namespace

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

QStringList SerialPortList::ports(const QStringList &linkFolders, const QString &sysClassTty,
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

    QStringList result;
    for (const QString &name : std::as_const(names))
        result.append(QDir(devFolder).filePath(name));

    QStringList links;
    for (const QString &folder : linkFolders) {
        const QDir dir(folder);
        const QStringList found = dir.entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot);
        for (const QString &name : found) {
            const QString path = dir.filePath(name);
            if (isTerminalDevice(path))
                links.append(path);
        }
    }
    std::sort(links.begin(), links.end(), [](const QString &a, const QString &b) {
        return SerialPortList::lessByName(QFileInfo(a).fileName(), QFileInfo(b).fileName());
    });
    result.append(links);
    return result;
}
