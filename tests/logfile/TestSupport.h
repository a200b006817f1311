// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <sys/mount.h>

// A tiny tmpfs of its own, to make writes fail for real (full or read-only)
// even for root.  ok() is false where mounting is not allowed.
class ScratchMount
{
public:
    explicit ScratchMount(const char *options)
    {
        m_ok = m_dir.isValid() && ::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(),
                                          "tmpfs", 0, options) == 0;
    }
    ~ScratchMount()
    {
        if (m_ok)
            ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
    }
    bool setReadOnly(bool readOnly)
    {
        return ::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(), "tmpfs",
                       MS_REMOUNT | (readOnly ? MS_RDONLY : 0), nullptr) == 0;
    }
    bool ok() const { return m_ok; }
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    bool m_ok = false;
};

inline QByteArray readAll(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

inline QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

// A text given as UTF-16 code units, lone surrogates and NULs included.
inline QString units(std::initializer_list<char16_t> u)
{
    return QString(reinterpret_cast<const QChar *>(u.begin()), qsizetype(u.size()));
}
