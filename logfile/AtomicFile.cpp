#include "logfile/AtomicFile.h"

#include "logfile/FileError.h"

#include <QFile>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

mode_t newFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

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

// Makes a rename inside the folder survive a crash; failure here does not
// undo a write that already took place.
void syncFolder(const QByteArray &folder)
{
    const int fd = ::open(folder.isEmpty() ? "." : folder.constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

QString AtomicFile::write(const QString &path, QByteArrayView bytes)
{
    const QByteArray target = QFile::encodeName(path);
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray() : target.left(slash + 1);
    QByteArray temp = folder + ".torvale-XXXXXX";

    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return FileError::text(errno);

    struct stat old;
    const mode_t mode = ::stat(target.constData(), &old) == 0 && S_ISREG(old.st_mode)
                            ? old.st_mode & 07777
                            : newFileMode();

    int error = 0;
    if (!writeAll(fd, bytes.data(), bytes.size()) || ::fchmod(fd, mode) != 0 || ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(temp.constData(), target.constData()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(temp.constData());
        return FileError::text(error);
    }
    syncFolder(folder);
    return {};
}
