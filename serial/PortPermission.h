// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>

#include <optional>

// Why this user may not open a device, and what would let them: worked out
// from the device's owner, group and mode and the user's groups, so that the
// advice given is one that can work (joining a group helps only when that
// group may read and write the device).
//
// Any thread.  The wording is the front end's.
class PortPermission
{
public:
    enum class Remedy {
        JoinGroup,  // the device's group may read and write it; the user is not in it
        LogInAgain, // ... the user is in it, but this login started before
        ChangeMode, // the user owns the device, but its mode denies the owner
        GiveGroup,  // only its owner may (root root 0600): no group helps until a rule gives one
        Unknown,    // its mode lets this user in: something else refuses (an ACL, a security module)
    };

    struct Device {
        uint owner = 0;
        uint group = 0;
        uint mode = 0; // permission bits
        QString ownerName;
        QString groupName;
    };
    struct User {
        uint uid = 0;
        QString name;
        QList<uint> loginGroups;  // of this process
        QList<uint> memberGroups; // of a new login (the group database)
    };
    struct Diagnosis {
        Remedy remedy = Remedy::Unknown;
        QString user;
        QString owner;
        QString group;
        QString mode; // four octal digits, "0600"
    };

    static Diagnosis diagnose(const Device &device, const User &user);
    // The device at `path` (links followed) and the user of this process;
    // nothing when the device cannot be looked at.
    static std::optional<Diagnosis> check(const QString &path);
};
