// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "upload/UploadService.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QMap>
#include <QString>
#include <QStringList>

// The accounts, keys and location the uploads send, kept as key=value
// lines in an owner-only file (SecretFile): radmon_user, radmon_password,
// gmcmap_account, gmcmap_counter, safecast_api_key, safecast_device,
// latitude, longitude.  The window's dialog writes the same form that
// --upload-credentials reads.
//
// A plain value; any thread.
class UploadCredentials
{
    Q_DECLARE_TR_FUNCTIONS(UploadCredentials)

public:
    static const QStringList &keys();

    // Lenient: blanks around keys and values are dropped; blank lines, lines
    // starting with '#' and lines without '=' are skipped; unknown keys are
    // ignored; the last of two equal keys wins.
    static UploadCredentials fromBytes(const QByteArray &bytes);
    QByteArray toBytes() const;

    struct Loaded;
    // Reads the owner-only file.  Fails, with the text to show, when it
    // cannot be read or when the group or others may read it.
    static Loaded load(const QString &path);

    QString value(const QString &key) const { return m_values.value(key); }
    void setValue(const QString &key, const QString &value);

    // What keeps `service` from uploading: its missing keys, and a latitude
    // or longitude that is no number in range.  Empty when complete.
    QStringList problems(UploadService service) const;

    // The values that must never be shown: the password, the API key and
    // the account id that stands in for a password at GMCmap.
    QStringList secrets() const;

    bool operator==(const UploadCredentials &) const = default;

private:
    QMap<QString, QString> m_values;
};

struct UploadCredentials::Loaded {
    UploadCredentials credentials;
    QString error; // empty when read
};
