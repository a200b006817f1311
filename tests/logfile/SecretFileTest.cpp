// SPDX-License-Identifier: GPL-3.0-or-later
#include "logfile/SecretFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>

TEST(SecretFile, IsWrittenForItsOwnerAloneAndReadBack)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("secret"));
    // A file others could read before is narrowed by the rewrite.
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.close();
    ::chmod(QFile::encodeName(path).constData(), 0644);

    ASSERT_EQ(SecretFile::write(path, "pass=word\n"), QString());
    struct stat st;
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    const SecretFile::Read read = SecretFile::read(path);
    EXPECT_TRUE(read.ok());
    EXPECT_EQ(read.bytes, QByteArray("pass=word\n"));
}

TEST(SecretFile, RefusesWhatOthersMayReadAndWhatIsNoFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("secret"));
    ASSERT_EQ(SecretFile::write(path, "x"), QString());
    ::chmod(QFile::encodeName(path).constData(), 0640);
    const SecretFile::Read shared = SecretFile::read(path);
    EXPECT_TRUE(shared.shared);
    EXPECT_TRUE(shared.bytes.isEmpty());

    EXPECT_EQ(SecretFile::read(dir.filePath(QStringLiteral("missing"))).error, ENOENT);
    EXPECT_EQ(SecretFile::read(dir.path()).error, EINVAL);
}
