// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/WebRoutes.h"

#include "web/MetricsText.h"
#include "web/MinutesApi.h"
#include "web/WebPage.h"
#include "web/WebState.h"

#include <QUrlQuery>

WebAnswer WebAnswer::text(int status, const QByteArray &body)
{
    return {status, "text/plain; charset=utf-8", {}, body + '\n'};
}

namespace
{

WebAnswer ok(const QByteArray &type, const QByteArray &body)
{
    // Every answer changes with the next tally or the next build.
    return {200, type, {{"Cache-Control", "no-cache"}}, body};
}

WebAnswer minutes(const QByteArray &query, const WebState &state)
{
    const QUrlQuery q(QString::fromLatin1(query));
    StoredMinutes::Span span;
    for (const auto &[name, end] : {std::pair{QStringLiteral("from"), &span.from},
                                    std::pair{QStringLiteral("to"), &span.to}}) {
        if (!q.hasQueryItem(name))
            continue;
        *end = StoredMinutes::parseMinute(q.queryItemValue(name, QUrl::FullyDecoded));
        if (!*end)
            return WebAnswer::text(400, name.toLatin1() +
                                            " must be a local time like 2026-12-08T09:30");
    }
    // A span is kept to what a chart shows, so that an answer stays a few
    // MiB; the CSV gives every minute.
    QDate newest;
    for (int col = 1; col < state.table.colCount(); ++col)
        newest = qMax(newest, state.table.column(col).date);
    if (!span.from && (span.to || newest.isValid()))
        span.from = StoredMinutes::Minute{(span.to ? span.to->date : newest).addDays(-7), 0};
    const QDate last = span.to ? span.to->date : newest;
    if (span.from && last.isValid() && span.from->date.daysTo(last) > WebRoutes::MaxSpanDays)
        return WebAnswer::text(400, "at most " + QByteArray::number(WebRoutes::MaxSpanDays) +
                                        " days at a time; /api/minutes.csv gives every minute");
    return ok("application/json", MinutesApi::json(state.table, span, state.factor));
}

} // namespace

WebAnswer WebRoutes::answer(const WebRequest &request, const WebState &state, WebPage &page)
{
    if (request.method != "GET" && request.method != "HEAD") {
        WebAnswer a = WebAnswer::text(405, "read-only: GET and HEAD only");
        a.headers.append(qMakePair(QByteArray("Allow"), QByteArray("GET, HEAD")));
        return a;
    }
    const QByteArray &path = request.path;
    if (path == "/metrics")
        return ok("text/plain; version=0.0.4; charset=utf-8", MetricsText::render(state));
    if (path == "/api/status")
        return ok("application/json", MinutesApi::status(state));
    if (path == "/api/minutes")
        return minutes(request.query, state);
    if (path == "/api/minutes.csv") {
        WebAnswer a = ok("text/csv; charset=utf-8", MinutesApi::csv(state.table, state.factor));
        a.headers.append(qMakePair(QByteArray("Content-Disposition"),
                                     QByteArray("attachment; filename=\"torvale-minutes.csv\"")));
        return a;
    }
    if (auto file = page.file(path, request.acceptLanguage)) {
        WebAnswer a = ok(file->type, file->body);
        if (path == "/" || path == "/index.html")
            a.headers.append(qMakePair(QByteArray("Vary"), QByteArray("Accept-Language")));
        return a;
    }
    return WebAnswer::text(404, "not found");
}
