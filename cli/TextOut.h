// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <cstdio>

// The windowless front end's text output: UTF-8 to a stream, flushed at once,
// so that a journal or a pipe gets each line when it happens, not when a
// buffer fills.  A failed write is dropped: there is nowhere left to tell it.
//
// Plain functions, any thread (stdio locks the stream).
class TextOut
{
public:
    static void write(std::FILE *to, const QString &text);
    static void writeLine(std::FILE *to, const QString &line) { write(to, line + u'\n'); }
};
