// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/PortPermission.h"

#include <QFile>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace
{

// The reentrant lookups: the check may run on any thread.  A buffer of
// sysconf's suggested size holds any ordinary entry; an entry too large for
// it is looked at no further, like one that does not exist.
std::vector<char> entryBuffer(int which)
{
    const long size = ::sysconf(which);
    return std::vector<char>(std::size_t(size > 0 ? size : 16384));
}

std::optional<passwd> userEntry(uid_t uid, std::vector<char> &buffer)
{
    passwd pw{};
    passwd *found = nullptr;
    if (::getpwuid_r(uid, &pw, buffer.data(), buffer.size(), &found) != 0 || !found)
        return std::nullopt;
    return pw;
}

QString userName(uid_t uid)
{
    std::vector<char> buffer = entryBuffer(_SC_GETPW_R_SIZE_MAX);
    const std::optional<passwd> pw = userEntry(uid, buffer);
    return pw ? QString::fromLocal8Bit(pw->pw_name) : QString::number(uid);
}

QString groupName(gid_t gid)
{
    std::vector<char> buffer = entryBuffer(_SC_GETGR_R_SIZE_MAX);
    group gr{};
    group *found = nullptr;
    if (::getgrgid_r(gid, &gr, buffer.data(), buffer.size(), &found) != 0 || !found)
        return QString::number(gid);
    return QString::fromLocal8Bit(gr.gr_name);
}

QList<uint> loginGroups()
{
    QList<uint> groups{uint(::getegid())};
    const int n = ::getgroups(0, nullptr);
    std::vector<gid_t> list(std::size_t(n > 0 ? n : 0));
    if (n > 0 && ::getgroups(n, list.data()) == n)
        groups.append(QList<uint>(list.begin(), list.end()));
    return groups;
}

QList<uint> memberGroups(uid_t uid)
{
    std::vector<char> buffer = entryBuffer(_SC_GETPW_R_SIZE_MAX);
    const std::optional<passwd> pw = userEntry(uid, buffer);
    if (!pw)
        return {};
    const QByteArray name(pw->pw_name);
    const gid_t primary = pw->pw_gid;
    int n = 64;
    std::vector<gid_t> list(static_cast<std::size_t>(n));
    if (::getgrouplist(name.constData(), primary, list.data(), &n) < 0) {
        list.resize(std::size_t(n));
        if (::getgrouplist(name.constData(), primary, list.data(), &n) < 0)
            return {primary};
    }
    return QList<uint>(list.begin(), list.begin() + n);
}

} // namespace

PortPermission::Diagnosis PortPermission::diagnose(const Device &device, const User &user)
{
    Diagnosis d;
    d.user = user.name;
    d.owner = device.ownerName;
    d.group = device.groupName;
    d.mode = QStringLiteral("%1").arg(device.mode & 07777, 4, 8, QLatin1Char('0'));
    const bool ownerMay = (device.mode & 0600) == 0600;
    const bool groupMay = (device.mode & 0060) == 0060;
    const bool othersMay = (device.mode & 0006) == 0006;
    if (user.uid == device.owner && user.uid != 0)
        d.remedy = ownerMay ? Remedy::Unknown : Remedy::ChangeMode;
    else if (user.uid == 0 || othersMay || (groupMay && user.loginGroups.contains(device.group)))
        d.remedy = Remedy::Unknown;
    // Joining root's group would be advice nobody should take.
    else if (groupMay && device.group != 0)
        d.remedy = user.memberGroups.contains(device.group) ? Remedy::LogInAgain
                                                             : Remedy::JoinGroup;
    else
        d.remedy = Remedy::GiveGroup;
    return d;
}

std::optional<PortPermission::Diagnosis> PortPermission::check(const QString &path)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return std::nullopt;
    Device device{st.st_uid, st.st_gid, st.st_mode & 07777, userName(st.st_uid),
                  groupName(st.st_gid)};
    const uid_t uid = ::geteuid();
    const User user{uid, userName(uid), loginGroups(), memberGroups(uid)};
    return diagnose(device, user);
}
