// SPDX-License-Identifier: GPL-3.0-or-later
#include "logfile/LogFile.h"

#include "core/DayTable.h"
#include "core/UniqueFd.h"
#include "logfile/AtomicFile.h"
#include "logfile/ColumnDates.h"
#include "logfile/FileError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

// Copies the source into `copy` and returns 0, or the errno of the failure.
int copyInto(const QString &path, QTemporaryFile &copy)
{
    const UniqueFd in(
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!in.isValid())
        return errno;
    struct stat st;
    int error = 0;
    if (::fstat(in.get(), &st) != 0)
        error = errno;
    else if (S_ISDIR(st.st_mode))
        error = EISDIR;
    else if (!S_ISREG(st.st_mode))
        error = EINVAL; // a device or pipe could block or never end
    else if (st.st_size > LogFile::MaxFileBytes)
        error = EFBIG;
    if (error != 0)
        return error;
    QByteArray buffer(1 << 16, Qt::Uninitialized);
    qint64 total = 0;
    for (;;) {
        const ssize_t n = ::read(in.get(), buffer.data(), std::size_t(buffer.size()));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            break;
        }
        if (n == 0)
            break;
        total += n;
        if (total > LogFile::MaxFileBytes) {
            error = EFBIG; // grew while being copied
            break;
        }
        if (copy.write(buffer.constData(), n) != n) {
            error = EIO;
            break;
        }
    }
    if (error == 0 && !copy.flush())
        error = EIO;
    return error;
}

} // namespace

QString LogFile::save(const QString &path, const DaySnapshot &table, LogTitle title)
{
    return AtomicFile::write(path, LogFormat::encode(table, title));
}

QString LogFile::save(const QString &path, const DayTable &table, LogTitle title)
{
    return save(path, table.snapshot(), title);
}

LogFile::LoadResult LogFile::load(const QString &path, DayTable &table, const QDate &today)
{
    QTemporaryFile copy(QDir::tempPath() + QStringLiteral("/torvale-load-XXXXXX.CSV"));
    if (!copy.open())
        return {false, FileError::text(errno != 0 ? errno : EIO)};
    if (const int error = copyInto(path, copy); error != 0)
        return {false, FileError::text(error)};

    const qint64 size = copy.size();
    QByteArray read;
    QByteArrayView bytes;
    if (size > 0) {
        if (uchar *mapped = copy.map(0, size)) {
            bytes = QByteArrayView(reinterpret_cast<const char *>(mapped), size);
        } else {
            copy.seek(0);
            read = copy.readAll();
            if (read.size() != size)
                return {false, FileError::text(EIO)};
            bytes = read;
        }
    }
    LogFormat::decodeInto(table, bytes);
    ColumnDates::resolve(table, path, today);
    LoadResult result{true, {}};
    if (!bytes.isEmpty() && !bytes.endsWith('\n'))
        result.cutLine = std::count(bytes.begin(), bytes.end(), '\n') + 1;
    return result;
}

QString LogFile::forceCsvExtension(const QString &name)
{
    qsizetype sep = -1;
    for (QChar c : {u'/', u'\\', u':'})
        sep = std::max(sep, name.lastIndexOf(c));
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString stem = dot > sep ? name.left(dot) : name;
    return stem + QStringLiteral(".CSV");
}

bool LogFile::exists(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() && !info.isDir();
}

QString LogFile::existingCsvFile(const QString &forced, const QString &chosen)
{
    if (exists(forced) || !forced.endsWith(QStringLiteral(".CSV")))
        return forced;
    const QString stem = forced.chopped(4);
    QStringList candidates;
    if (chosen.size() >= 4 &&
        chosen.right(4).compare(QStringLiteral(".CSV"), Qt::CaseInsensitive) == 0)
        candidates << stem + chosen.right(4);
    // The other spellings of the extension, one per case of its three letters.
    for (int mask = 0; mask < 8; ++mask) {
        QString ext = QStringLiteral(".csv");
        for (int i = 0; i < 3; ++i)
            if (mask & (1 << i))
                ext[i + 1] = ext[i + 1].toUpper();
        candidates << stem + ext;
    }
    for (const QString &candidate : std::as_const(candidates))
        if (exists(candidate))
            return candidate;
    return forced;
}
