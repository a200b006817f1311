// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/UiTranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace
{

bool load(const QString &name, const QString &folder)
{
    auto *translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(name, folder)) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    return true;
}

} // namespace

UiTranslation::Language UiTranslation::fromUiLanguages(const QStringList &uiLanguages)
{
    if (uiLanguages.isEmpty())
        return Language::Japanese;
    const QString &first = uiLanguages.first();
    // Qt names an unset locale (C, POSIX, C.UTF-8) "C".
    if (first == u"C" || first == u"POSIX" || first == u"ja" || first.startsWith(u"ja-") ||
        first.startsWith(u"ja_"))
        return Language::Japanese;
    return Language::English;
}

bool UiTranslation::install(Language language)
{
    if (language == Language::English)
        return true;
    // Qt's own first: the program's, installed last, is asked first.
    const bool qt =
        load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    const bool own = load(QStringLiteral("torvale_ja"), QStringLiteral(":/i18n"));
    return qt && own;
}
