// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the desktop's language asks of Qt's own parts, set up once after the
// QApplication exists (GUI thread):
// - Qt's translations for the locale (the boxes' buttons, the file dialog),
//   from Qt's translations folder; none found (no translation package, an
//   English locale) leaves them English;
// - a proportional default font for boxes and dialogs: under a Japanese
//   locale fontconfig may answer "sans-serif" with a fixed-pitch Japanese
//   face, which sets whole sentences like a terminal.
class DesktopLocale
{
public:
    // True when a translation of Qt was loaded.
    static bool apply();
};
