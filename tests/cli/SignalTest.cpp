// SPDX-License-Identifier: GPL-3.0-or-later
// Termination signals end the program through its window's close: once, without waiting for a
// person, and a second Ctrl+C ends a close that hangs.
#include "window/QtPrompts.h"
#include "window/SignalClose.h"
#include "cli/SignalWatcher.h"
#include "serial/HeldLockFiles.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QFile>
#include <QSignalSpy>
#include <QDir>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <csignal>
#include <unistd.h>

namespace
{

// A window whose close asks the question the main window asks when its settings cannot be
// written, through the real prompts.
class AskingWindow : public QWidget
{
public:
    bool settingsWritable = true;
    int questionsAnswered = 0;

protected:
    void closeEvent(QCloseEvent *event) override
    {
        if (settingsWritable)
            return event->accept();
        QtPrompts prompts(this);
        const bool endAnyway = prompts.confirm(QStringLiteral("error"), QStringLiteral("end?"),
                                               Prompts::Icon::Warning, false);
        ++questionsAnswered;
        endAnyway ? event->accept() : event->ignore();
    }
};

// Runs the main loop as the program does, ending it after five seconds if nothing else does.
int runMainLoop()
{
    QTimer::singleShot(5000, [] { QApplication::exit(99); });
    return QApplication::exec();
}

} // namespace

TEST(SignalWatcher, FirstSignalAsksOnceAndEachWatcherRestoresTheHandlers)
{
    struct sigaction before = {};
    ::sigaction(SIGTERM, nullptr, &before);
    for (int signalNumber : {SIGTERM, SIGHUP, SIGINT}) {
        SignalWatcher watcher;
        QSignalSpy spy(&watcher, &SignalWatcher::quitRequested);
        ASSERT_EQ(::raise(signalNumber), 0);
        // While the program closes, further termination signals change nothing.
        ASSERT_EQ(::raise(SIGTERM), 0);
        ASSERT_EQ(::raise(SIGHUP), 0);
        ASSERT_TRUE(spy.wait(2000)) << signalNumber;
        QCoreApplication::processEvents();
        ASSERT_EQ(spy.count(), 1) << signalNumber;
        EXPECT_EQ(spy.at(0).at(0).toInt(), signalNumber);
    }
    struct sigaction after = {};
    ::sigaction(SIGTERM, nullptr, &after);
    EXPECT_EQ(after.sa_handler, before.sa_handler);
}

// ... and takes the serial lock files with it, which the close would have removed.
TEST(SignalWatcherDeathTest, SecondInterruptWhileClosingEndsAtOnce)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // A name the re-run test body in the child process shares.
    const QString lock = qEnvironmentVariable("XDG_RUNTIME_DIR", QDir::tempPath()) +
                         QStringLiteral("/LCK..signal-test");
    ASSERT_TRUE(QFile(lock).open(QIODevice::WriteOnly));
    EXPECT_EXIT(
        {
            HeldLockFiles::add(QFile::encodeName(lock));
            SignalWatcher watcher;
            ::raise(SIGINT);
            ::raise(SIGTERM);
            ::raise(SIGINT);
            ::_exit(0);
        },
        testing::KilledBySignal(SIGINT), "");
    EXPECT_FALSE(QFile::exists(lock));
    QFile::remove(lock);
}

TEST(SignalClose, ClosesAfterCancellingTheDialogOnScreenAndNeverWaitsForAnAnswer)
{
    // A signal while a handler waits in a modal dialog: the dialog is cancelled, and the
    // window closes only after the handler is back in the main loop.
    {
        AskingWindow window;
        window.show();
        SignalWatcher watcher;
        QObject::connect(&watcher, &SignalWatcher::quitRequested, &window,
                         [&window] { closeOnSignal(&window); });
        int dialogResult = -1;
        bool closedInsideHandler = true;
        QTimer::singleShot(0, &window, [&] {
            QDialog dialog(&window);
            QTimer::singleShot(20, [] { ::raise(SIGTERM); });
            dialogResult = dialog.exec();
            closedInsideHandler = !window.isVisible();
        });
        EXPECT_EQ(runMainLoop(), 0);
        EXPECT_EQ(dialogResult, QDialog::Rejected);
        EXPECT_FALSE(closedInsideHandler);
        EXPECT_FALSE(window.isVisible());
    }
    // Settings that cannot be written: the question is answered Cancel at once, and the
    // program ends with a failure status.
    {
        AskingWindow window;
        window.settingsWritable = false;
        window.show();
        SignalWatcher watcher;
        QObject::connect(&watcher, &SignalWatcher::quitRequested, &window,
                         [&window] { closeOnSignal(&window); });
        QTimer::singleShot(0, [] { ::raise(SIGHUP); });
        EXPECT_EQ(runMainLoop(), 1);
        EXPECT_EQ(window.questionsAnswered, 1);
        EXPECT_TRUE(window.isVisible());
    }
}
