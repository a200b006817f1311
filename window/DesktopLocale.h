// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/UiTranslation.h"

// What the desktop's language asks of Qt's own parts, set up once after the
// QApplication exists (GUI thread):
// - the program's translation and Qt's own (the boxes' buttons, the file
//   dialog, from Qt's translations folder) for the chosen language; Qt's
//   not found (no translation package) leaves Qt's parts English;
// - the default locale for dates and numbers shown (not written to files):
//   the desktop's when it speaks the chosen language, else the language's
//   home country's;
// - a proportional default font for boxes and dialogs: under a Japanese
//   locale fontconfig may answer "sans-serif" with a fixed-pitch Japanese
//   face, which sets whole sentences like a terminal.
class DesktopLocale
{
public:
    // True when every translation the language needs was loaded.
    static bool apply(UiTranslation::Language language);
};
