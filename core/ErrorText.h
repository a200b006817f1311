#pragma once

#include <QString>

// The text of the application's standard error report: the error's own text
// with a full stop added when its last character sorts after "." (a letter, a
// digit, a Japanese character), but not after a blank, a full stop or a
// closing parenthesis.
class ErrorText
{
public:
    static QString withFullStop(const QString &text)
    {
        if (!text.isEmpty() && text.back() > QChar(u'.'))
            return text + u'.';
        return text;
    }
};
