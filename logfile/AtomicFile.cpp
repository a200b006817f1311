// SPDX-License-Identifier: GPL-3.0-or-later
#include "logfile/AtomicFile.h"

#include "core/UniqueFd.h"
#include "logfile/FileError.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

bool writeAll(int fd, const char *data, qsizetype size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, std::size_t(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

constexpr char TempPrefix[] = ".torvale-";
constexpr char TempSuffix[] = ".tmp";

// ".torvale-" + base-36 digits + ".tmp", as write() names them.
bool isTemporaryName(const char *name)
{
    const std::size_t prefix = sizeof TempPrefix - 1;
    const std::size_t suffix = sizeof TempSuffix - 1;
    const std::size_t length = std::strlen(name);
    if (length <= prefix + suffix || std::strncmp(name, TempPrefix, prefix) != 0 ||
        std::strcmp(name + length - suffix, TempSuffix) != 0)
        return false;
    for (const char *c = name + prefix; c != name + length - suffix; ++c)
        if (!((*c >= '0' && *c <= '9') || (*c >= 'a' && *c <= 'z')))
            return false;
    return true;
}

bool sameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Creates a new temporary beside the target and locks it.  The lock is taken
// after the create, so a cleaner may have removed the name in between: then
// the file is given up and another name tried.  Holds nothing, with errno
// set, on failure.
UniqueFd createLockedTemporary(const QByteArray &folder, mode_t mode, QByteArray &temp)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = folder + TempPrefix +
               QByteArray::number(QRandomGenerator::global()->generate64(), 36) + TempSuffix;
        UniqueFd fd(::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
        if (!fd.isValid()) {
            if (errno == EEXIST)
                continue;
            return fd;
        }
        struct stat held, named;
        if (::flock(fd.get(), LOCK_EX) == 0 && ::fstat(fd.get(), &held) == 0 &&
            ::stat(temp.constData(), &named) == 0 && sameFile(held, named))
            return fd;
    }
    errno = EEXIST;
    return {};
}

} // namespace

int AtomicFile::removeStaleTemporaries(const QString &folder)
{
    const QByteArray name = QFile::encodeName(folder.isEmpty() ? QStringLiteral(".") : folder);
    DIR *dir = ::opendir(name.constData());
    if (!dir)
        return 0;
    const int dirFd = ::dirfd(dir);
    int removed = 0;
    // NOLINTNEXTLINE(concurrency-mt-unsafe): the stream is this call's own; glibc locks each stream
    while (const dirent *entry = ::readdir(dir)) {
        if (!isTemporaryName(entry->d_name))
            continue;
        const UniqueFd fd(::openat(dirFd, entry->d_name,
                                   O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        if (!fd.isValid())
            continue;
        // A writer holds its lock until the rename; a lock we get at once
        // means the writer is gone.  The name must still be that file.
        struct stat held, named;
        if (::flock(fd.get(), LOCK_EX | LOCK_NB) == 0 && ::fstat(fd.get(), &held) == 0 &&
            S_ISREG(held.st_mode) &&
            ::fstatat(dirFd, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            sameFile(held, named) && ::unlinkat(dirFd, entry->d_name, 0) == 0)
            ++removed;
    }
    ::closedir(dir);
    return removed;
}

bool AtomicFile::mayReplace(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat st;
    if (::stat(name.constData(), &st) != 0 || S_ISDIR(st.st_mode))
        return true;
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        return false;
    return ::access(name.constData(), W_OK) == 0 || (errno != EACCES && errno != EROFS);
}

QString AtomicFile::write(const QString &path, QByteArrayView bytes, Access access)
{
    if (!mayReplace(path))
        return FileError::text(EACCES);
    // A symbolic link (a settings file kept elsewhere) stays a link: the file
    // it points to is the one replaced.
    const QFileInfo info(path);
    const QByteArray target = QFile::encodeName(info.isSymLink() ? info.symLinkTarget() : path);
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray() : target.left(slash + 1);
    removeStaleTemporaries(folder.isEmpty() ? QStringLiteral(".") : QFile::decodeName(folder));
    // A name of our own beside the target; the kernel applies the umask to a
    // new file's 0666, and a replaced file keeps the permissions it had.
    QByteArray temp;
    UniqueFd fd = createLockedTemporary(folder, access == Access::OwnerOnly ? 0600 : 0666, temp);
    if (!fd.isValid())
        return FileError::text(errno);

    struct stat old;
    const bool replacing = access == Access::Usual && ::stat(target.constData(), &old) == 0 &&
                           S_ISREG(old.st_mode);

    int error = 0;
    if (!writeAll(fd.get(), bytes.data(), bytes.size()) ||
        (replacing && ::fchmod(fd.get(), old.st_mode & 07777) != 0) || ::fsync(fd.get()) != 0)
        error = errno;
    // Renamed while still locked, so no cleaner takes it for a leftover.
    if (error == 0 && ::rename(temp.constData(), target.constData()) != 0)
        error = errno;
    if (error != 0)
        ::unlink(temp.constData());
    // The bytes are on the disk already: a failing close loses nothing.
    fd.reset();
    if (error != 0)
        return FileError::text(error);
    return {};
}
