// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "web/WebAnswer.h"

class WebPage;
struct WebState;

// What the server answers, apart from sockets: GET and HEAD only (405 with
// "Allow" otherwise); the page's files, /api/minutes(?from=&to=),
// /api/minutes.csv, /api/status and /metrics; 404 for anything else; 400
// for a malformed from/to or a span longer than MaxSpanDays.  Without
// `from`, /api/minutes starts 7 days before `to` (or the newest day).
// Thread: the server's.
namespace WebRoutes
{

constexpr int MaxSpanDays = 92;

WebAnswer answer(const WebRequest &request, const WebState &state, WebPage &page);

} // namespace WebRoutes
