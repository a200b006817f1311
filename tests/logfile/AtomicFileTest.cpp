// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"

#include "logfile/AtomicFile.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{

QStringList temporaries(const QString &folder, const QStringList &except = {})
{
    QStringList names = QDir(folder).entryList({QStringLiteral(".torvale-*.tmp")},
                                               QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString &name : except)
        names.removeAll(name);
    return names;
}

// A child process that starts writing `target` and stops itself once its
// half-written file reaches 1 MiB: a writer caught in the middle.
struct StoppedWriter {
    explicit StoppedWriter(const QString &target);
    ~StoppedWriter()
    {
        if (pid > 0 && ::kill(pid, SIGKILL) == 0)
            ::waitpid(pid, nullptr, 0);
    }
    pid_t pid;
};

StoppedWriter::StoppedWriter(const QString &target) : pid(::fork())
{
    if (pid == 0) {
        const rlimit limit{1 << 20, 1 << 20};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::signal(SIGXFSZ, [](int) { ::raise(SIGSTOP); });
        AtomicFile::write(target, QByteArray(4 << 20, 'x'));
        ::_exit(0);
    }
}

} // namespace

// Killed in the middle of a write, a writer leaves its hidden file behind;
// the next write into that folder removes it.  A live writer's file stays, and
// so does every name not of our pattern.
TEST(AtomicFile, AKilledWritersFileIsRemovedALiveOnesIsNot)
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("TORVALE 2026年11月1日1時0分.CSV"));
    const QStringList foreign{QStringLiteral(".torvale-Upper.tmp"), QStringLiteral(".torvale-.tmp"),
                              QStringLiteral(".torvale-abc.tmp.csv"), QStringLiteral("x.tmp")};
    for (const QString &name : foreign)
        ASSERT_TRUE(writeFile(dir.filePath(name), "someone else's"));

    StoppedWriter stopped(target);
    const pid_t writer = stopped.pid;
    ASSERT_GT(writer, 0);
    int status = 0;
    ASSERT_EQ(::waitpid(writer, &status, WUNTRACED), writer);
    ASSERT_TRUE(WIFSTOPPED(status));
    const QStringList held = temporaries(dir.path(), foreign);
    ASSERT_EQ(held.size(), 1);
    EXPECT_EQ(QFileInfo(dir.filePath(held[0])).size(), 1 << 20);

    const QString other = dir.filePath(QStringLiteral("other.CSV"));
    EXPECT_EQ(AtomicFile::write(other, "1"), QString());
    EXPECT_EQ(AtomicFile::removeStaleTemporaries(dir.path()), 0);
    EXPECT_EQ(temporaries(dir.path(), foreign), held) << "a live writer keeps its file";

    ::kill(writer, SIGKILL);
    ASSERT_EQ(::waitpid(writer, &status, 0), writer);
    ASSERT_TRUE(WIFSIGNALED(status));
    stopped.pid = 0;
    EXPECT_EQ(AtomicFile::write(other, "2"), QString());
    EXPECT_TRUE(temporaries(dir.path(), foreign).isEmpty());
    EXPECT_EQ(readAll(other), QByteArray("2"));
    EXPECT_FALSE(QFileInfo::exists(target)) << "the killed write left the target as it was";
    for (const QString &name : foreign)
        EXPECT_TRUE(QFileInfo::exists(dir.filePath(name))) << name.toStdString();

    // What a start finds: a leftover nobody holds.
    ASSERT_TRUE(writeFile(dir.filePath(QStringLiteral(".torvale-0z9.tmp")), "half"));
    EXPECT_EQ(AtomicFile::removeStaleTemporaries(dir.path()), 1);
    EXPECT_EQ(AtomicFile::removeStaleTemporaries(dir.filePath(QStringLiteral("none"))), 0);
}
