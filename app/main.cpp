#include "app/CommandLine.h"
#include "app/SignalClose.h"
#include "app/SignalWatcher.h"
#include "app/TForm1.h"
#include "core/Clock.h"
#include "logfile/SettingsLocation.h"

#include <QApplication>
#include <QIcon>

namespace
{

const QString AppId = QStringLiteral("io.github.torvale.Torvale");

void nameApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("TORVALE"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TORVALE_VERSION));
}

} // namespace

int main(int argc, char **argv)
{
    if (CommandLine::printsOnly(argc, argv)) {
        // Help and version need no display.
        QCoreApplication app(argc, argv);
        nameApplication();
        CommandLine commandLine;
        return commandLine.finish(commandLine.parse(QCoreApplication::arguments()));
    }

    // Sizes are pixels at 96 dpi; the window does not rescale for the screen.
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    QApplication app(argc, argv);
    nameApplication();
    QGuiApplication::setDesktopFileName(AppId);
    QApplication::setWindowIcon(QIcon::fromTheme(AppId));
    CommandLine commandLine;
    if (const auto outcome = commandLine.parse(QApplication::arguments());
        outcome != CommandLine::Outcome::Run)
        return commandLine.finish(outcome);

    SystemClock clock;
    TForm1::Options options;
    options.clock = &clock;
    options.arguments = commandLine.files();
    options.settingsPath = SettingsLocation::path(QApplication::applicationFilePath());
    TForm1 Form1(options);
    SignalWatcher signalWatcher;
    QObject::connect(&signalWatcher, &SignalWatcher::quitRequested, &Form1,
                     [&Form1] { closeOnSignal(&Form1); });
    Form1.show();
    return QApplication::exec();
}
