// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

// Ends the program for a termination signal (SignalWatcher::quitRequested) through the
// window's own close, as the close box does, without ever waiting for a person: from here on
// QtPrompts answers every question Cancel or No and reports on standard error instead of in
// boxes (see QtPrompts::setUnattended).
//
// A handler that waits in a dialog of its own at that moment gets the dialog cancelled, and
// the window closes once the handler is back in the main loop, never in the middle of it.
//
// The main loop then ends with status 0 when the window closed, and 1 when its close was
// refused: the settings could not be written, and the question whether to end without them
// was answered Cancel.  The program ends in either case; nobody is there to try again.
void closeOnSignal(QWidget *window);
