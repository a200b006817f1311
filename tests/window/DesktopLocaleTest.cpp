// SPDX-License-Identifier: GPL-3.0-or-later
// The window's language from the desktop's, and Qt's own texts with it.
#include "window/DesktopLocale.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>

#include <gtest/gtest.h>

TEST(DesktopLocale, JapaneseForJaAndForNoLanguageEnglishForTheRest)
{
    using L = UiTranslation::Language;
    const struct {
        QStringList uiLanguages;
        L expected;
    } cases[] = {
        {{QStringLiteral("ja-JP"), QStringLiteral("ja")}, L::Japanese},
        {{QStringLiteral("ja")}, L::Japanese},
        {{QStringLiteral("C")}, L::Japanese},
        {{}, L::Japanese},
        {{QStringLiteral("en-US"), QStringLiteral("en")}, L::English},
        {{QStringLiteral("en-GB")}, L::English},
        {{QStringLiteral("de-DE"), QStringLiteral("ja-JP")}, L::English},
        {{QStringLiteral("jv-ID")}, L::English},
    };
    for (const auto &c : cases)
        EXPECT_EQ(UiTranslation::fromUiLanguages(c.uiLanguages), c.expected)
            << c.uiLanguages.join(u',').toStdString();
}

TEST(DesktopLocale, QtsButtonsSpeakJapaneseUnderJapanese)
{
    const bool loaded = DesktopLocale::apply(UiTranslation::Language::Japanese);
    const QString cancel = QCoreApplication::translate("QPlatformTheme", "Cancel");
    // The tests after this one expect Qt's English (the test program's own
    // translation is no child of the application and stays).
    for (QTranslator *t : qApp->findChildren<QTranslator *>())
        delete t;
    if (!loaded)
        GTEST_SKIP() << "Qt's translations (qt6-translations-l10n) are not installed";
    EXPECT_EQ(cancel, QStringLiteral("キャンセル"));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));
}

TEST(DesktopLocale, EnglishInstallsNothing)
{
    EXPECT_TRUE(DesktopLocale::apply(UiTranslation::Language::English));
    EXPECT_TRUE(qApp->findChildren<QTranslator *>().isEmpty());
    // Dates shown in English, whatever the desktop's language (here none).
    EXPECT_EQ(QLocale().language(), QLocale::English);
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan)); // as the tests after expect
}
