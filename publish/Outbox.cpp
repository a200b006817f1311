// SPDX-License-Identifier: GPL-3.0-or-later
#include "publish/Outbox.h"

#include "core/UniqueFd.h"
#include "logfile/AtomicFile.h"
#include "logfile/FileError.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>

#include <array>
#include <optional>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace
{

QString errnoText(const QString &path, int error)
{
    return path + QStringLiteral(": ") + FileError::text(error);
}

// Writes all of `bytes` and flushes them to the disk.
bool writeSynced(int fd, const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return ::fdatasync(fd) == 0;
}

// CRC-32C (Castagnoli), bit by bit from a table made once.
quint32 crc32c(QByteArrayView bytes)
{
    static const auto table = [] {
        std::array<quint32, 256> t{};
        for (quint32 i = 0; i < 256; ++i) {
            quint32 c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? (c >> 1) ^ 0x82F63B78U : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    quint32 crc = 0xFFFFFFFFU;
    for (const char ch : bytes)
        crc = table[(crc ^ quint8(ch)) & 0xFFU] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFU;
}

// "<seq>\t<topic>\t<payload>\t*<crc>": the checksum (8 hex digits) covers
// everything before its tab.
QByteArray recordLine(qint64 seq, const QByteArray &topic, const QByteArray &payload)
{
    const QByteArray body = QByteArray::number(seq) + '\t' + topic + '\t' + payload;
    return body + "\t*" + QByteArray::number(crc32c(body), 16).rightJustified(8, '0') + '\n';
}

// A line without its '\n', nullopt when damaged.  Lines written before
// records had a checksum (three fields) are taken when their payload is
// whole JSON, as every payload is.
std::optional<Outbox::Record> parseLine(QByteArrayView line)
{
    QByteArrayView body = line;
    const qsizetype star = line.lastIndexOf("\t*");
    const bool checked = star >= 0 && line.size() - star == 10;
    if (checked) {
        body = line.first(star);
        bool ok = false;
        const quint32 crc = line.sliced(star + 2).toUInt(&ok, 16);
        if (!ok || crc != crc32c(body))
            return std::nullopt;
    }
    const qsizetype tab1 = body.indexOf('\t');
    const qsizetype tab2 = tab1 < 0 ? -1 : body.indexOf('\t', tab1 + 1);
    bool ok = false;
    const qint64 seq = tab1 < 0 ? 0 : body.first(tab1).toLongLong(&ok);
    if (!ok || seq <= 0 || tab2 < 0)
        return std::nullopt;
    Outbox::Record r{seq, body.sliced(tab1 + 1, tab2 - tab1 - 1).toByteArray(),
                     body.sliced(tab2 + 1).toByteArray()};
    if (!checked && QJsonDocument::fromJson(r.payload).isNull())
        return std::nullopt;
    return r;
}

void syncFolder(const QString &folder)
{
    const UniqueFd fd(
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.isValid())
        ::fsync(fd.get());
}

} // namespace

Outbox::Outbox(const QString &folder, qint64 limit, int segmentRecords)
    : m_folder(folder), m_limit(limit), m_segmentRecords(segmentRecords)
{
}

Outbox::~Outbox() = default;

QString Outbox::segmentPath(qint64 first) const
{
    return m_folder + QStringLiteral("/%1.seg").arg(first, 12, 10, QLatin1Char('0'));
}

QString Outbox::open()
{
    if (!QDir().mkpath(m_folder))
        return m_folder + QStringLiteral(": cannot make the folder");
    QFile::setPermissions(m_folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                        QFileDevice::ExeOwner);
    const QByteArray lockPath = QFile::encodeName(m_folder + QStringLiteral("/lock"));
    m_lock.reset(::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (!m_lock.isValid())
        return errnoText(m_folder + QStringLiteral("/lock"), errno);
    if (::flock(m_lock.get(), LOCK_EX | LOCK_NB) != 0) {
        m_busy = true;
        char pid[32] = {};
        const ssize_t n = ::pread(m_lock.get(), pid, sizeof pid - 1, 0);
        const QByteArray owner = QByteArray(pid, qMax<ssize_t>(0, n)).trimmed();
        m_lock.reset();
        return m_folder + QStringLiteral(" is in use by another logger") +
               (owner.isEmpty() ? QString() : QStringLiteral(" (pid %1)").arg(QString::fromLatin1(owner)));
    }
    const QByteArray pid = QByteArray::number(::getpid()) + '\n';
    // Only a help for the message of a second logger: a failed write is no error.
    if (::ftruncate(m_lock.get(), 0) == 0) {
        const ssize_t written = ::pwrite(m_lock.get(), pid.constData(), size_t(pid.size()), 0);
        Q_UNUSED(written)
    }

    QFile acked(m_folder + QStringLiteral("/acked"));
    if (acked.open(QIODevice::ReadOnly))
        m_acked = qMax<qint64>(0, acked.readAll().trimmed().toLongLong());
    m_nextSeq = m_acked + 1;

    const QStringList names =
        QDir(m_folder).entryList({QStringLiteral("*.seg")}, QDir::Files, QDir::Name);
    for (const QString &name : names) {
        bool ok = false;
        const qint64 first = name.left(name.size() - 4).toLongLong(&ok);
        if (!ok || first <= 0)
            continue;
        Segment segment{first, first - 1, 0, false};
        QList<Record> records;
        if (QString error = loadSegment(segment, &records); !error.isEmpty())
            return error;
        for (const Record &r : std::as_const(records))
            if (r.seq > m_acked)
                m_newest[r.topic] = r.seq;
        m_segments.insert(first, segment);
        m_nextSeq = qMax(m_nextSeq, segment.last + 1);
    }
    removeAckedSegments();
    return {};
}

// Reads a segment's records.  A damaged line (its checksum, its number out
// of order) is skipped and counted; a torn last line (a crash during an
// append) is cut off the file, so that the next append starts on a line of
// its own.  When the cut fails the segment is sealed: appends go to a new one.
QString Outbox::loadSegment(Segment &segment, QList<Record> *records)
{
    const QString path = segmentPath(segment.first);
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return path + QStringLiteral(": ") + file.errorString();
    const QByteArray bytes = file.readAll();
    qsizetype start = 0;
    qint64 last = segment.first - 1;
    int damaged = 0;
    while (start < bytes.size()) {
        const qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            break;
        const auto record = parseLine(QByteArrayView(bytes).sliced(start, end - start));
        if (record && record->seq > last) {
            last = record->seq;
            if (records)
                records->append(*record);
        } else {
            ++damaged;
        }
        start = end + 1;
    }
    if (start < bytes.size() && !file.resize(start))
        segment.sealed = true;
    segment.last = qMax(segment.last, last);
    if (damaged > segment.damaged) {
        m_damaged.append(QStringLiteral("%1 (%2)").arg(path).arg(damaged - segment.damaged));
        segment.damaged = damaged;
    }
    return {};
}

QStringList Outbox::takeDamaged()
{
    return std::exchange(m_damaged, {});
}

QString Outbox::append(const QByteArray &topic, const QByteArray &payload)
{
    const qint64 seq = m_nextSeq;
    const bool fresh = m_segments.isEmpty() || m_segments.last().sealed ||
                       m_segments.last().last - m_segments.last().first + 1 >= m_segmentRecords;
    Segment segment = fresh ? Segment{seq, seq - 1, 0, false} : m_segments.last();
    const QString path = segmentPath(segment.first);
    UniqueFd fd(::open(QFile::encodeName(path).constData(),
                       O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600));
    if (!fd.isValid())
        return errnoText(path, errno);
    const QByteArray line = recordLine(seq, topic, payload);
    const bool ok = writeSynced(fd.get(), line);
    const int error = errno;
    fd.reset();
    if (!ok) {
        // A part of the line may be there: cut it, or the next append would
        // continue a broken line (a failed cut seals the segment).
        if (!fresh) {
            Segment &last = m_segments.last();
            if (!loadSegment(last, nullptr).isEmpty())
                last.sealed = true;
        } else {
            QFile::remove(path);
        }
        return errnoText(path, error);
    }
    if (fresh)
        syncFolder(m_folder);
    segment.last = seq;
    m_segments.insert(segment.first, segment);
    if (m_cacheFirst == segment.first)
        m_cache.append({seq, topic, payload});
    m_newest[topic] = seq;
    ++m_nextSeq;
    while (pending() > m_limit && m_segments.size() > 1)
        dropOldest();
    return {};
}

void Outbox::dropOldest()
{
    const Segment oldest = m_segments.first();
    m_dropped += oldest.last - qMax(m_acked, oldest.first - 1);
    acknowledge(oldest.last);
}

qint64 Outbox::takeDropped()
{
    return std::exchange(m_dropped, 0);
}

QList<Outbox::Record> Outbox::read(qint64 from, int max)
{
    QList<Record> out;
    from = qMax(from, m_acked + 1);
    while (out.size() < max && from < m_nextSeq) {
        auto it = m_segments.upperBound(from);
        if (it != m_segments.begin() && std::prev(it).value().last >= from)
            --it;
        if (it == m_segments.end())
            break;
        Segment &segment = it.value();
        if (m_cacheFirst != segment.first) {
            m_cache.clear();
            m_cacheFirst = segment.first;
            if (!loadSegment(segment, &m_cache).isEmpty())
                m_cache.clear();
        }
        auto r = std::lower_bound(m_cache.cbegin(), m_cache.cend(), from,
                                  [](const Record &a, qint64 seq) { return a.seq < seq; });
        for (; r != m_cache.cend() && out.size() < max; ++r)
            out.append(*r);
        from = qMax(from, segment.last + 1);
    }
    return out;
}

QString Outbox::acknowledge(qint64 seq)
{
    if (seq <= m_acked)
        return {};
    m_acked = qMin(seq, m_nextSeq - 1);
    for (auto it = m_newest.begin(); it != m_newest.end();)
        it = it.value() <= m_acked ? m_newest.erase(it) : std::next(it);
    QString error = AtomicFile::write(m_folder + QStringLiteral("/acked"),
                                            QByteArray::number(m_acked) + '\n',
                                            AtomicFile::Access::OwnerOnly);
    if (error.isEmpty())
        removeAckedSegments();
    return error;
}

// Only once "acked" says so: a crash between the two then sends a few
// records again instead of losing them.
void Outbox::removeAckedSegments()
{
    while (!m_segments.isEmpty()) {
        const Segment oldest = m_segments.first();
        const bool full = oldest.last - oldest.first + 1 >= m_segmentRecords;
        if (oldest.last > m_acked || (!full && m_segments.size() == 1))
            break;
        QFile::remove(segmentPath(oldest.first));
        m_segments.remove(oldest.first);
        if (m_cacheFirst == oldest.first) {
            m_cacheFirst = -1;
            m_cache.clear();
        }
    }
}

qint64 Outbox::newestOf(const QByteArray &topic) const
{
    return m_newest.value(topic, 0);
}
