// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The language of the program's own messages.  The window speaks Japanese,
// the logger without a window English, so that one front end never mixes
// the two.  The front end chooses once at start, before it starts any
// thread that reports; any thread may read it.
enum class Language { Japanese, English };

class MessageLanguage
{
public:
    static Language current();
    static void set(Language chosen);
    static bool english() { return current() == Language::English; }
};
