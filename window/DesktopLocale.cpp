// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/DesktopLocale.h"

#include <QApplication>
#include <QFontMetrics>

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

bool DesktopLocale::apply(UiTranslation::Language language)
{
    useProportionalFont();
    return UiTranslation::install(language);
}
