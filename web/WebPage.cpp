// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/WebPage.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace
{

// Debian's dygraphs files are at most a few hundred KiB.
constexpr qint64 MaxFileBytes = qint64(4) * 1024 * 1024;

QByteArray resource(const QString &name)
{
    QFile f(QStringLiteral(":/web/") + name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray escaped(const QString &text)
{
    return text.toHtmlEscaped().toUtf8();
}

// A language tag's primary subtag and its weight, e.g. "ja-JP;q=0.8".
QPair<QString, double> weighted(const QByteArray &item)
{
    const QList<QByteArray> parts = item.trimmed().split(';');
    double q = 1.0;
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const QByteArray p = parts[i].trimmed();
        if (p.startsWith("q=")) {
            bool ok = false;
            q = p.mid(2).toDouble(&ok);
            if (!ok)
                q = 0;
        }
    }
    return {QString::fromLatin1(parts.value(0).trimmed().split('-').value(0)).toLower(), q};
}

} // namespace

WebPage::WebPage(QString dygraphsFolder) : m_dygraphs(std::move(dygraphsFolder)) {}

QString WebPage::language(const QByteArray &acceptLanguage)
{
    QString best = QStringLiteral("en");
    double bestQ = 0;
    for (const QByteArray &item : acceptLanguage.split(',')) {
        const auto [tag, q] = weighted(item);
        if ((tag == u"ja" || tag == u"en") && q > bestQ) {
            best = tag;
            bestQ = q;
        }
    }
    return best;
}

QByteArray WebPage::html(const QString &language)
{
    static const QRegularExpression placeholder(QStringLiteral("\\{\\{([^{}]+)\\}\\}"));
    const QJsonObject texts = language == u"ja"
                                  ? QJsonDocument::fromJson(resource(QStringLiteral("texts-ja.json"))).object()
                                  : QJsonObject();
    const QString page = QString::fromUtf8(resource(QStringLiteral("index.html")));
    QByteArray out;
    qsizetype at = 0;
    for (auto it = placeholder.globalMatch(page); it.hasNext();) {
        const auto m = it.next();
        out += page.mid(at, m.capturedStart() - at).toUtf8();
        const QString source = m.captured(1);
        out += source == u"lang" ? language.toUtf8()
                                 : escaped(texts.value(source).toString(source));
        at = m.capturedEnd();
    }
    out += page.mid(at).toUtf8();
    return out;
}

std::optional<WebPage::File> WebPage::file(const QByteArray &path, const QByteArray &acceptLanguage)
{
    if (path == "/" || path == "/index.html")
        return File{"text/html; charset=utf-8", html(language(acceptLanguage))};
    if (path == "/page.js")
        return File{"text/javascript; charset=utf-8", resource(QStringLiteral("page.js"))};
    if (path == "/page.css")
        return File{"text/css; charset=utf-8", resource(QStringLiteral("page.css"))};
    static const QHash<QByteArray, QByteArray> dygraphs{
        {"/dygraphs/dygraph.min.js", "text/javascript; charset=utf-8"},
        {"/dygraphs/dygraph.min.css", "text/css; charset=utf-8"},
    };
    const auto type = dygraphs.constFind(path);
    if (type == dygraphs.cend())
        return std::nullopt;
    auto cached = m_cache.constFind(path);
    if (cached == m_cache.cend()) {
        QFile f(m_dygraphs + QString::fromLatin1(path.mid(qsizetype(sizeof("/dygraphs") - 1))));
        if (!f.open(QIODevice::ReadOnly) || f.size() > MaxFileBytes)
            return std::nullopt;
        cached = m_cache.insert(path, f.readAll());
    }
    return File{*type, *cached};
}
