#include "app/SignalClose.h"
#include "app/SignalWatcher.h"
#include "app/TForm1.h"
#include "core/Clock.h"
#include "logfile/SettingsLocation.h"

#include <QApplication>

int main(int argc, char **argv)
{
    // Sizes are pixels at 96 dpi; the window does not rescale for the screen.
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("TORVALE"));

    SystemClock clock;
    TForm1::Options options;
    options.clock = &clock;
    options.arguments = QApplication::arguments().mid(1);
    options.settingsPath = SettingsLocation::path(QApplication::applicationFilePath());
    TForm1 Form1(options);
    SignalWatcher signalWatcher;
    QObject::connect(&signalWatcher, &SignalWatcher::quitRequested, &Form1,
                     [&Form1] { closeOnSignal(&Form1); });
    Form1.show();
    return QApplication::exec();
}
