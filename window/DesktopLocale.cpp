// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/DesktopLocale.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace
{

void useProportionalFont()
{
    QFont font = QApplication::font();
    // By the glyphs: fontconfig calls the Japanese fixed-pitch faces "dual
    // width", not monospaced.
    const QFontMetrics metrics(font);
    if (metrics.horizontalAdvance(u'i') != metrics.horizontalAdvance(u'M'))
        return;
    // The proportional faces of the Japanese fonts the package depends on,
    // then whatever fontconfig makes of the generic name.
    font.setFamilies({QStringLiteral("IPAPGothic"), QStringLiteral("IPAexGothic"),
                      QStringLiteral("Noto Sans CJK JP"), QStringLiteral("DejaVu Sans")});
    QApplication::setFont(font);
}

} // namespace

bool DesktopLocale::apply()
{
    useProportionalFont();
    auto *translator = new QTranslator(qApp);
    if (!translator->load(QLocale(), QStringLiteral("qt"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    return true;
}
