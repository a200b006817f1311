// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Tells why a TLS broker's certificate was refused, which libmosquitto
// reports only as "a TLS error": one handshake of its own with the same CA
// file (or the system's CAs) and the same host check, and OpenSSL's reason
// for the refusal ("unable to get local issuer certificate", "certificate
// has expired", "hostname mismatch" ...).
//
// Blocks up to `timeoutMs` for the connect and the handshake: call it on the
// publisher's network thread only.
class TlsProbe
{
public:
    // Empty when the certificate passes or the handshake cannot be made.
    static QString refusal(const QString &host, int port, const QString &caFile,
                           int timeoutMs = 5000);
};
