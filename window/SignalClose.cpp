// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/SignalClose.h"

#include "window/QtPrompts.h"

#include <QApplication>
#include <QDialog>
#include <QThread>
#include <QTimer>

void closeOnSignal(QWidget *window)
{
    QtPrompts::setUnattended();
    if (QThread::currentThread()->loopLevel() > 1) {
        const auto windows = QApplication::topLevelWidgets();
        for (QWidget *w : windows)
            if (auto *dialog = qobject_cast<QDialog *>(w);
                dialog && dialog->isVisible() && dialog->isModal())
                dialog->reject();
        QTimer::singleShot(10, window, [window] { closeOnSignal(window); });
        return;
    }
    QApplication::exit(window->close() ? 0 : 1);
}
