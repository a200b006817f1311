// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

// The language the window speaks.  The program's texts are written in
// English; the Japanese translation is compiled into the program.  The
// window chooses once at start, on the GUI thread, before it starts any
// thread that reports; the front ends without a window install nothing and
// speak English.
class UiTranslation
{
public:
    enum class Language { Japanese, English };

    // The desktop's choice from its UI languages, most wanted first:
    // Japanese for "ja", and when no language is set (C/POSIX); else English.
    static Language fromUiLanguages(const QStringList &uiLanguages);
    // Installs the program's translation and Qt's own for `language` into
    // the application.  Returns false when a translation could not be loaded
    // (Qt's own missing leaves Qt's dialogs English).
    static bool install(Language language);
};
