// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestTranslation.h"

#include <QApplication>
#include <QLocale>
#include <QTranslator>

#include <gtest/gtest.h>

namespace
{

QTranslator &japanese()
{
    static QTranslator translator;
    return translator;
}

} // namespace

bool TestTranslation::installJapanese()
{
    if (japanese().isEmpty() && !japanese().load(QStringLiteral(":/i18n/torvale_ja.qm")))
        return false;
    return QCoreApplication::installTranslator(&japanese());
}

void TestTranslation::removeJapanese()
{
    QCoreApplication::removeTranslator(&japanese());
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("TORVALE"));
    // Dates and numbers shown as the window shows them where no language is set.
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    if (!TestTranslation::installJapanese()) {
        std::fputs("the program's Japanese translation is not compiled in\n", stderr);
        return 1;
    }
    ::testing::InitGoogleTest(&argc, argv);
    const int status = RUN_ALL_TESTS();
    TestTranslation::removeJapanese();
    return status;
}
