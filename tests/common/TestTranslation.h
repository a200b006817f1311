// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Every test program speaks as the window does where the desktop sets no
// language: main() installs the program's Japanese translation (and the
// Japanese locale for dates shown).  Tests of
// the front ends without a window take it away and put it back after.
namespace TestTranslation
{
bool installJapanese();
void removeJapanese();
} // namespace TestTranslation
