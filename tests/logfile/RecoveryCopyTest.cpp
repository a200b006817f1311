// SPDX-License-Identifier: GPL-3.0-or-later
#include "logfile/RecoveryCopy.h"
#include "core/DayTable.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace
{

// Sets an environment variable for one scope.
class ScopedEnv
{
public:
    ScopedEnv(const char *name, const QByteArray &value)
        : m_name(name), m_had(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name))
    {
        qputenv(name, value);
    }
    ~ScopedEnv()
    {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char *m_name;
    bool m_had;
    QByteArray m_old;
};

TEST(RecoveryCopy, LivesInTheStateFolder)
{
    {
        ScopedEnv state("XDG_STATE_HOME", "/srv/state");
        EXPECT_EQ(RecoveryCopy::defaultFolder(), QStringLiteral("/srv/state/torvale"));
        EXPECT_EQ(RecoveryCopy().path(), QStringLiteral("/srv/state/torvale/recovery.CSV"));
    }
    const QString fallback = QDir::homePath() + QStringLiteral("/.local/state/torvale");
    for (const QByteArray &unusable : {QByteArray(), QByteArray("relative/state")}) {
        ScopedEnv state("XDG_STATE_HOME", unusable);
        EXPECT_EQ(RecoveryCopy::defaultFolder(), fallback) << unusable.constData();
    }
}

// Written, offered, loaded back with its days, settled; a folder that cannot
// be made is a failure told in words, not a silent loss.
TEST(RecoveryCopy, WriteLoadSettle)
{
    QTemporaryDir dir;
    RecoveryCopy copy(dir.filePath(QStringLiteral("state/torvale")));
    EXPECT_FALSE(copy.holdsUnsaved());
    EXPECT_FALSE(copy.writtenAt().isValid());

    DayTable table;
    table.fillTimeColumn();
    table.setCell(1, 0, QStringLiteral("12/07"));
    table.setCell(1, 622, QStringLiteral("31"));
    table.setCell(2, 0, QStringLiteral("12/06"));
    table.setCell(2, 1440, QStringLiteral("4"));
    ASSERT_EQ(copy.write(table), QString());
    EXPECT_TRUE(copy.holdsUnsaved());
    struct stat folder {
    };
    ASSERT_EQ(::stat(QFile::encodeName(copy.folder()).constData(), &folder), 0);
    EXPECT_EQ(folder.st_mode & 0777, 0700u) << "measurement data of one user";

    DayTable back;
    back.fillTimeColumn();
    ASSERT_TRUE(copy.load(back, QDate(2027, 1, 3)).ok);
    EXPECT_EQ(back.cell(1, 622), QStringLiteral("31"));
    EXPECT_EQ(back.cell(2, 1440), QStringLiteral("4"));
    EXPECT_EQ(back.columnDate(1), QDate(2026, 12, 7));
    EXPECT_EQ(back.columnDate(2), QDate(2026, 12, 6));
    EXPECT_LE(qAbs(copy.writtenAt().secsTo(QDateTime::currentDateTime())), 60);

    EXPECT_EQ(copy.settle(), QString());
    EXPECT_FALSE(copy.holdsUnsaved());
    EXPECT_FALSE(copy.load(back, QDate(2027, 1, 3)).ok);
    EXPECT_EQ(copy.settle(), QString()) << "nothing to remove is no failure";
    ASSERT_TRUE(QDir().mkpath(copy.path() + QStringLiteral("/in-the-way")));
    EXPECT_NE(copy.settle(), QString()) << "a remove that fails is told";

    const QString blocked = dir.filePath(QStringLiteral("file"));
    QFile f(blocked);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    RecoveryCopy nowhere(blocked + QStringLiteral("/torvale"));
    EXPECT_NE(nowhere.write(table), QString());
    EXPECT_FALSE(nowhere.holdsUnsaved());
}

} // namespace
