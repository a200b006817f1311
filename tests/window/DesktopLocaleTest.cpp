// SPDX-License-Identifier: GPL-3.0-or-later
// Qt's own texts follow the locale once its translations are loaded.
#include "window/DesktopLocale.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>

#include <gtest/gtest.h>

TEST(DesktopLocale, QtsButtonsSpeakJapaneseUnderAJapaneseLocale)
{
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    const bool loaded = DesktopLocale::apply();
    QLocale::setDefault(before);
    if (!loaded)
        GTEST_SKIP() << "Qt's translations (qt6-translations-l10n) are not installed";
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"),
              QStringLiteral("キャンセル"));
    // The tests after this one expect Qt's English.
    for (QTranslator *t : qApp->findChildren<QTranslator *>())
        delete t;
}
