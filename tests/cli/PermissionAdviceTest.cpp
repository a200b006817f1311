// SPDX-License-Identifier: GPL-3.0-or-later
// The advice for a port refused for lack of permission fits the device: a
// group is suggested only when that group may read and write it.
#include "measure/PermissionAdvice.h"
#include "common/TestTranslation.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using Remedy = PortPermission::Remedy;

TEST(PermissionAdvice, TheRemedyFollowsOwnerGroupAndMode)
{
    const PortPermission::Device dialout{0, 20, 0660, QStringLiteral("root"),
                                         QStringLiteral("dialout")};
    const PortPermission::User pi{1000, QStringLiteral("pi"), {1000}, {1000}};
    PortPermission::User joined = pi;
    joined.memberGroups << 20;

    const struct {
        PortPermission::Device device;
        PortPermission::User user;
        Remedy remedy;
    } cases[] = {
        {dialout, pi, Remedy::JoinGroup},
        {dialout, joined, Remedy::LogInAgain},
        {{0, 0, 0600, QStringLiteral("root"), QStringLiteral("root")}, pi, Remedy::GiveGroup},
        {{0, 0, 0660, QStringLiteral("root"), QStringLiteral("root")}, pi, Remedy::GiveGroup},
        {{0, 20, 0640, QStringLiteral("root"), QStringLiteral("dialout")}, pi, Remedy::GiveGroup},
        {{1000, 1000, 0400, QStringLiteral("pi"), QStringLiteral("pi")}, pi, Remedy::ChangeMode},
        {{0, 0, 0666, QStringLiteral("root"), QStringLiteral("root")}, pi, Remedy::Unknown},
        {dialout, {1000, QStringLiteral("pi"), {1000, 20}, {1000, 20}}, Remedy::Unknown},
    };
    for (const auto &c : cases)
        EXPECT_EQ(PortPermission::diagnose(c.device, c.user).remedy, c.remedy)
            << c.device.groupName.toStdString() << ' ' << std::oct << c.device.mode;

    const QString ttyS0 = QStringLiteral("/dev/ttyS0");
    const auto rootOnly = PortPermission::diagnose(
        {0, 0, 0600, QStringLiteral("root"), QStringLiteral("root")}, pi);
    const QString ja = PermissionAdvice::text(ttyS0, rootOnly);
    EXPECT_TRUE(ja.contains(QStringLiteral("(root:root 0600)")));
    EXPECT_FALSE(ja.contains(QStringLiteral("adduser pi root")));
    EXPECT_TRUE(ja.contains(QStringLiteral("KERNEL==\"ttyS0\", GROUP=\"dialout\", MODE=\"0660\"")));
    TestTranslation::removeJapanese(); // as the logger without a window speaks
    const QString en = PermissionAdvice::text(ttyS0, rootOnly);
    EXPECT_TRUE(en.startsWith(QStringLiteral("  no permission to open /dev/ttyS0 (root:root 0600). ")));
    EXPECT_EQ(en.toLatin1(), en.toUtf8()) << "one language on standard error";
    EXPECT_TRUE(PermissionAdvice::text(QStringLiteral("/dev/ttyUSB0"),
                                       PortPermission::diagnose(dialout, pi))
                    .contains(QStringLiteral("adduser pi dialout")));
    TestTranslation::installJapanese();
}

TEST(PermissionAdvice, ReadsTheRealDevice)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ttyX"));
    QFile(path).open(QIODevice::WriteOnly);
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0640), 0);
    const auto d = PortPermission::check(path);
    ASSERT_TRUE(d.has_value());
    EXPECT_EQ(d->mode, QStringLiteral("0640"));
    EXPECT_EQ(d->owner, d->user);
    EXPECT_FALSE(d->group.isEmpty());
    EXPECT_FALSE(PortPermission::check(dir.filePath(QStringLiteral("none"))).has_value());
}
