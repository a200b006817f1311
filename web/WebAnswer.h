// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>

// One answer of the web server: status, content type, extra headers and
// body.  The server leaves the body out for HEAD and adds Content-Length.
// A plain value; any thread.
struct WebAnswer {
    int status = 200;
    QByteArray type; // Content-Type
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;

    static WebAnswer text(int status, const QByteArray &body);
};

// One request as the routes see it: the method, the path as sent
// (percent-encoded), the query and the languages the browser asks for.
struct WebRequest {
    QByteArray method;
    QByteArray path;
    QByteArray query;
    QByteArray acceptLanguage;
};
