// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The text of the application's standard error report: the error's own text
// with a full stop "." added when its last character sorts after "." (a
// letter, a digit, a Japanese character), but not after a blank, a closing
// parenthesis or a full stop of its own, Japanese "。" included, so a text
// that ends its own sentence never gets a second stop.
class ErrorText
{
public:
    static QString withFullStop(const QString &text)
    {
        if (text.isEmpty())
            return text;
        const QChar last = text.back();
        if (last == u'。' || last == u'．' || last == u'！' || last == u'？')
            return text;
        if (last > QChar(u'.'))
            return text + u'.';
        return text;
    }
};
