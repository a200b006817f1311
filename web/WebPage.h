// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <optional>

// The files of the page: its HTML, CSS and script from the program's
// resources, and the two files of Debian's dygraphs it loads.  Nothing else
// can be named: a path is looked up in a fixed list, never joined to a
// folder, so `..` and its encoded forms find nothing.
//
// The HTML is in English, or in Japanese where the browser's
// Accept-Language puts `ja` first among the languages the page has.
//
// Thread: the server's; files outside the resources are read once and kept.
class WebPage
{
public:
    // `dygraphsFolder`: where libjs-dygraphs installs its files.
    explicit WebPage(QString dygraphsFolder);

    struct File {
        QByteArray type;
        QByteArray body;
    };
    // The file at `path` (as sent, percent-encoded), or nothing.
    std::optional<File> file(const QByteArray &path, const QByteArray &acceptLanguage);

    // "ja" or "en", from an Accept-Language header.
    static QString language(const QByteArray &acceptLanguage);
    // The HTML with its texts in `language`.
    static QByteArray html(const QString &language);

private:
    QString m_dygraphs;
    QHash<QByteArray, QByteArray> m_cache; // files read from m_dygraphs
};
