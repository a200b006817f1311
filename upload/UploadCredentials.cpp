// SPDX-License-Identifier: GPL-3.0-or-later
#include "upload/UploadCredentials.h"

#include "core/SystemError.h"
#include "logfile/SecretFile.h"

#include <QList>


namespace
{

// A coordinate in degrees within [-limit, limit], or nothing.
bool isCoordinate(const QString &text, double limit)
{
    bool ok = false;
    const double v = text.toDouble(&ok);
    return ok && v >= -limit && v <= limit;
}

} // namespace

const QStringList &UploadCredentials::keys()
{
    static const QStringList all{QStringLiteral("radmon_user"),    QStringLiteral("radmon_password"),
                                 QStringLiteral("gmcmap_account"), QStringLiteral("gmcmap_counter"),
                                 QStringLiteral("safecast_api_key"),
                                 QStringLiteral("safecast_device"), QStringLiteral("latitude"),
                                 QStringLiteral("longitude")};
    return all;
}

UploadCredentials UploadCredentials::fromBytes(const QByteArray &bytes)
{
    UploadCredentials out;
    for (const QByteArray &raw : bytes.split('\n')) {
        const QByteArray line = raw.trimmed();
        const qsizetype eq = line.indexOf('=');
        if (line.isEmpty() || line.startsWith('#') || eq < 0)
            continue;
        const QString key = QString::fromUtf8(line.left(eq).trimmed()).toLower();
        if (keys().contains(key))
            out.m_values.insert(key, QString::fromUtf8(line.mid(eq + 1).trimmed()));
    }
    return out;
}

QByteArray UploadCredentials::toBytes() const
{
    QByteArray out;
    for (const QString &key : keys())
        if (!value(key).isEmpty())
            out += key.toUtf8() + '=' + value(key).toUtf8() + '\n';
    return out;
}

UploadCredentials::Loaded UploadCredentials::load(const QString &path)
{
    Loaded out;
    const SecretFile::Read read = SecretFile::read(path);
    if (read.shared)
        out.error = tr("%1: other users may read this file; make it readable by its owner alone "
                       "(chmod 600).")
                        .arg(path);
    else if (read.error != 0)
        out.error = tr("%1: cannot be read: %2.").arg(path, SystemError::text(read.error));
    else
        out.credentials = fromBytes(read.bytes);
    return out;
}

void UploadCredentials::setValue(const QString &key, const QString &value)
{
    // A value is one line of the file.
    const QString v = value.section(u'\n', 0, 0).section(u'\r', 0, 0).trimmed();
    if (v.isEmpty())
        m_values.remove(key);
    else
        m_values.insert(key, v);
}

QStringList UploadCredentials::problems(UploadService service) const
{
    QStringList out;
    for (const QString &key : UploadServices::neededKeys(service)) {
        if (value(key).isEmpty())
            out << tr("%1 is missing").arg(key);
        else if (key == QStringLiteral("latitude") && !isCoordinate(value(key), 90))
            out << tr("latitude is no number from -90 to 90");
        else if (key == QStringLiteral("longitude") && !isCoordinate(value(key), 180))
            out << tr("longitude is no number from -180 to 180");
    }
    return out;
}

QStringList UploadCredentials::secrets() const
{
    QStringList out;
    for (const QString &key : {QStringLiteral("radmon_password"), QStringLiteral("gmcmap_account"),
                               QStringLiteral("safecast_api_key")})
        if (!value(key).isEmpty())
            out << value(key);
    return out;
}
