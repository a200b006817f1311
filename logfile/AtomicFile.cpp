#include "logfile/AtomicFile.h"

#include "logfile/FileError.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
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

} // namespace

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
    // A name of our own beside the target; the kernel applies the umask to a
    // new file's 0666, and a replaced file keeps the permissions it had.
    QByteArray temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = folder + ".torvale-" +
               QByteArray::number(QRandomGenerator::global()->generate64(), 36) + ".tmp";
        fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                    access == Access::OwnerOnly ? 0600 : 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0)
        return FileError::text(errno);

    struct stat old;
    const bool replacing = access == Access::Usual && ::stat(target.constData(), &old) == 0 &&
                           S_ISREG(old.st_mode);

    int error = 0;
    if (!writeAll(fd, bytes.data(), bytes.size()) ||
        (replacing && ::fchmod(fd, old.st_mode & 07777) != 0) || ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(temp.constData(), target.constData()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(temp.constData());
        return FileError::text(error);
    }
    return {};
}
