// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "upload/UploadReading.h"
#include "upload/UploadService.h"

#include <QByteArray>
#include <QNetworkRequest>

class UploadCredentials;

// The HTTP request each map expects for one reading:
// - radmon.org: GET radmon.php?function=submit&user=&password=&value=<mean>&unit=CPM
// - GMCmap: GET log2.asp?AID=<account>&GID=<counter>&CPM=<latest>&ACPM=<mean>,
//   and &uSV=<mean / factor> only when a conversion factor is set;
// - Safecast: POST measurements.json?api_key=<key> with a JSON object of
//   value (the mean), unit "cpm", latitude, longitude, device_id and
//   captured_at (UTC).
// A plain function of its inputs, so the form can be checked byte for byte.
struct UploadRequest {
    QNetworkRequest request;
    QByteArray verb; // "GET" or "POST"
    QByteArray body;

    // `url` is the address to send to (UploadServices::endpoint), its own
    // query items kept.  The credentials must be complete for the service.
    static UploadRequest build(UploadService service, const QUrl &url,
                               const UploadCredentials &credentials,
                               const UploadReading &reading);
};
