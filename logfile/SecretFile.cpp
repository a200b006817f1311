// SPDX-License-Identifier: GPL-3.0-or-later
#include "logfile/SecretFile.h"

#include "core/UniqueFd.h"
#include "logfile/AtomicFile.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

QString SecretFile::write(const QString &path, const QByteArray &bytes)
{
    return AtomicFile::write(path, bytes, AtomicFile::Access::OwnerOnly);
}

SecretFile::Read SecretFile::read(const QString &path)
{
    Read out;
    // The mode is read from the open descriptor, so a file swapped between
    // the check and the read cannot slip through.
    const UniqueFd fd(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
    if (!fd.isValid()) {
        out.error = errno;
        return out;
    }
    struct stat st;
    if (::fstat(fd.get(), &st) != 0) {
        out.error = errno;
    } else if (!S_ISREG(st.st_mode)) {
        out.error = EINVAL;
    } else if ((st.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        out.shared = true;
    } else {
        char buffer[4096];
        for (;;) {
            const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                out.error = errno;
            if (n <= 0)
                break;
            out.bytes.append(buffer, n);
        }
    }
    if (!out.ok())
        out.bytes.clear();
    return out;
}

QByteArray SecretFile::firstLine(const QByteArray &bytes)
{
    QByteArray line = bytes.left(bytes.indexOf('\n'));
    if (line.endsWith('\r'))
        line.chop(1);
    return line;
}
