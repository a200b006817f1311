// SPDX-License-Identifier: GPL-3.0-or-later
#include "upload/UploadAnswer.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStringDecoder>

namespace
{

bool saysOk(UploadService service, const QString &text)
{
    static const QRegularExpression ok(QStringLiteral("\\bOK\\b"));
    static const QRegularExpression err(QStringLiteral("\\b(ERR\\w*|Incorrect|Error|Invalid)\\b"),
                                        QRegularExpression::CaseInsensitiveOption);
    if (service == UploadService::Safecast)
        return false;
    return text.contains(ok) && !text.contains(err);
}

bool isStoredMeasurement(const QByteArray &body)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(body, &error);
    return error.error == QJsonParseError::NoError && doc.isObject() &&
           doc.object().contains(QStringLiteral("id"));
}

QString shortened(const QString &text)
{
    if (text.size() <= UploadAnswer::MaxTextLength)
        return text;
    return text.left(UploadAnswer::MaxTextLength - 1) + u'…';
}

// Bytes that are not UTF-8 (garbage, a binary answer) as printable ASCII,
// every other byte as \xHH, instead of a row of replacement characters.
QString decoded(QByteArrayView bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    text.clear();
    for (const char c : bytes) {
        if (c >= 0x20 && c < 0x7f)
            text += QLatin1Char(c);
        else
            text += QStringLiteral("\\x%1").arg(uchar(c), 2, 16, QLatin1Char('0'));
    }
    return text;
}

} // namespace

QString UploadAnswer::readable(const QByteArray &body)
{
    static const QRegularExpression tags(QStringLiteral("<[^>]*>"));
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    QString text = decoded(body.left(qsizetype(16) * 1024));
    // GMCmap says OK or ERR inside an HTML comment: keep what it holds.
    text.replace(QStringLiteral("<!--"), QStringLiteral(" ")).replace(QStringLiteral("-->"), QStringLiteral(" "));
    text.replace(tags, QStringLiteral(" "));
    for (QChar &c : text)
        if (!c.isPrint())
            c = u' ';
    return shortened(text.replace(blanks, QStringLiteral(" ")).trimmed());
}

UploadAnswer UploadAnswer::judge(UploadService service, int status, const QByteArray &reason,
                                 const QByteArray &body)
{
    UploadAnswer out;
    out.text = readable(body);
    const bool success = status >= 200 && status < 300;
    if (!success) {
        out.kind = (status == 401 || status == 403) ? Kind::Refused : Kind::HttpError;
        const QString head = QStringLiteral("HTTP ") + QString::number(status) +
                             (reason.isEmpty() ? QString() : u' ' + readable(reason));
        out.text = shortened(out.text.isEmpty() ? head : head + QStringLiteral(": ") + out.text);
        return out;
    }
    const bool accepted = service == UploadService::Safecast ? isStoredMeasurement(body)
                                                              : saysOk(service, out.text);
    if (accepted)
        out.kind = Kind::Accepted;
    else if (out.text.isEmpty())
        out = failed(QCoreApplication::translate("UploadAnswer", "an empty answer"));
    else
        out.kind = Kind::Refused;
    return out;
}

UploadAnswer UploadAnswer::failed(const QString &reason)
{
    UploadAnswer out;
    out.kind = Kind::NoAnswer;
    out.text = reason;
    return out;
}
