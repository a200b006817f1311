// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "upload/UploadService.h"

#include <QByteArray>
#include <QString>

// How a map answered one upload.  Each service tells a refusal its own way:
// radmon.org and GMCmap answer "200 OK" with a page that says OK or names
// the error; Safecast answers 201 with the stored measurement as JSON, or a
// 4xx status.  Any answer, garbage or huge, is judged without trust: only
// its first printable words are kept, for the message.
//
// A plain value; any thread.
struct UploadAnswer {
    enum class Kind { Accepted, Refused, HttpError, NoAnswer };
    Kind kind = Kind::NoAnswer;
    // The service's answer or the network's reason, one short line (not yet
    // cleared of secrets: the uploader does that).
    QString text;

    // "accepted", "refused", "http_error", "no_answer": for machines.
    static QString kindKey(Kind kind);

    // An answer that came with an HTTP status.
    static UploadAnswer judge(UploadService service, int status, const QByteArray &reason,
                              const QByteArray &body);
    // No HTTP answer: refused connection, unknown host, time-out, TLS failure.
    static UploadAnswer failed(const QString &reason);

    // At most this many characters of an answer are shown.
    static constexpr int MaxTextLength = 160;
    // The printable text of an answer: tags and control characters dropped,
    // blanks collapsed, cut at MaxTextLength.
    static QString readable(const QByteArray &body);
};
