// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

// The radiation maps a measurement can be uploaded to, and what each needs.
enum class UploadService { Radmon, Gmcmap, Safecast };

namespace UploadServices
{

const QList<UploadService> &all();

// The name on the command line and in the credentials keys: "radmon",
// "gmcmap", "safecast".
QString key(UploadService s);
// The name users know: "radmon.org", "GMCmap", "Safecast".
QString title(UploadService s);
std::optional<UploadService> fromKey(const QString &key);

// The service's own submission address (https).
QUrl defaultUrl(UploadService s);
// `url` as the address to send to: a URL without a path (a mirror's or a
// test server's base URL) gets the path of the service's own address.
QUrl endpoint(UploadService s, const QUrl &url);
// An address the uploads accept: http or https with a host.
bool isUsableUrl(const QUrl &url);
// Plain http to a host other than this machine's loopback: the password or
// key would cross the network in clear.
bool sendsInClear(const QUrl &url);
// The warning for such an address, empty for any other.
QString clearTextWarning(UploadService s, const QUrl &url);

// The credentials keys the service cannot do without.
QStringList neededKeys(UploadService s);

} // namespace UploadServices
