// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/DesktopLocale.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLocale>

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

// The desktop's own locale when it speaks the chosen language, else that
// language's home country.
QLocale displayLocale(UiTranslation::Language language)
{
    const bool japanese = language == UiTranslation::Language::Japanese;
    const QLocale::Language wanted = japanese ? QLocale::Japanese : QLocale::English;
    const QLocale system = QLocale::system();
    if (system.language() == wanted)
        return system;
    return {wanted, japanese ? QLocale::Japan : QLocale::UnitedStates};
}

} // namespace

bool DesktopLocale::apply(UiTranslation::Language language)
{
    useProportionalFont();
    QLocale::setDefault(displayLocale(language));
    return UiTranslation::install(language);
}
