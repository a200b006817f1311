// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CommandLine.h"
#include "window/DesktopLocale.h"
#include "cli/HeadlessLogger.h"
#include "cli/HeadlessUploads.h"
#include "window/SignalClose.h"
#include "cli/SignalWatcher.h"
#include "window/TForm1.h"
#include "core/Clock.h"
#include "core/UiTranslation.h"
#include "logfile/AtomicFile.h"
#include "logfile/AutoSave.h"
#include "logfile/RecoveryCopy.h"
#include "logfile/SettingsLocation.h"
#include "cli/LogCommands.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QLocale>

#include <optional>

namespace
{

const QString AppId = QStringLiteral("io.github.torvale.Torvale");

// Half-written files of a run killed in the middle of a write (a power cut)
// in the folders this run writes; later writes into a folder clean it too.
void removeLeftovers(const QStringList &folders)
{
    for (const QString &folder : folders)
        if (!folder.isEmpty())
            AtomicFile::removeStaleTemporaries(folder);
}

void nameApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("TORVALE"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TORVALE_VERSION));
}

// The start of every run without a window: named, speaking English (no
// translation installed), its command line read.  Returns the exit code
// when that asks for no run (help, version, a mistake).
std::optional<int> startWithoutWindow(CommandLine &commandLine)
{
    nameApplication();
    const auto outcome = commandLine.parse(QCoreApplication::arguments());
    if (outcome == CommandLine::Outcome::Run)
        return std::nullopt;
    return commandLine.finish(outcome);
}

// The measurement without a window: QtCore only, so no display and no
// platform plugin.  Ends with 0 on SIGTERM or SIGINT, with 1 when the
// measurement cannot start.
int runHeadless(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    CommandLine commandLine;
    if (const auto exitCode = startWithoutWindow(commandLine))
        return *exitCode;

    // Watching before the port opens: a signal during the start must still
    // release the port and its lock.
    SignalWatcher signalWatcher;
    SystemClock clock;
    HeadlessLogger::Options options;
    options.portName = commandLine.portName();
    options.dataFolder = commandLine.dataFolder();
    options.openFile = commandLine.openFile();
    options.mqtt = commandLine.mqtt();
    options.clock = &clock;
    options.factor = commandLine.factor();
    options.alarmCpm = commandLine.alarmCpm();
    options.alarmMinutes = commandLine.alarmMinutes();
    if (!options.dataFolder.isEmpty())
        removeLeftovers({RecoveryCopy::defaultFolder(), options.dataFolder,
                         AutoSave::dayFolder(options.dataFolder, clock.now())});
    HeadlessLogger logger(options);
    QObject::connect(&signalWatcher, &SignalWatcher::quitRequested, &logger, [&logger] {
        logger.stop();
        QCoreApplication::quit();
    });
    HeadlessUploads uploads;
    if (!commandLine.uploadServices().isEmpty()) {
        HeadlessUploads::Options upload;
        upload.services = commandLine.uploadServices();
        upload.credentialsPath = commandLine.uploadCredentials();
        upload.urls = commandLine.uploadUrls();
        upload.intervalMinutes = commandLine.uploadInterval();
        upload.factor = commandLine.factor();
        if (!uploads.start(upload, logger.session()))
            return 1;
    }
    if (!logger.start())
        return 1;
    return QCoreApplication::exec();
}

// --export and --stats: read a log, print, exit; no display.
int runLogCommand(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    CommandLine commandLine;
    if (const auto exitCode = startWithoutWindow(commandLine))
        return *exitCode;
    LogCommands::Options options;
    options.logPath = commandLine.logFile();
    options.outputPath = commandLine.outputFile();
    options.factor = commandLine.factor();
    options.span = {StoredMinutes::parseMinute(commandLine.from()),
                    StoredMinutes::parseMinute(commandLine.to())};
    options.year = commandLine.year();
    return commandLine.logCommand() == CommandLine::LogCommand::Export
               ? LogCommands::runExport(options)
               : LogCommands::runStats(options);
}

} // namespace

int main(int argc, char **argv)
{
    if (CommandLine::printsOnly(argc, argv)) {
        // Help and version need no display.
        QCoreApplication app(argc, argv);
        CommandLine commandLine;
        return startWithoutWindow(commandLine).value_or(0);
    }
    if (CommandLine::wantsLogCommand(argc, argv))
        return runLogCommand(argc, argv);
    if (CommandLine::wantsHeadless(argc, argv))
        return runHeadless(argc, argv);

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
    DesktopLocale::apply(commandLine.language().value_or(
        UiTranslation::fromUiLanguages(QLocale::system().uiLanguages())));

    SystemClock clock;
    TForm1::Options options;
    options.clock = &clock;
    options.arguments = commandLine.files();
    options.settingsPath = SettingsLocation::path(QApplication::applicationFilePath());
    removeLeftovers({RecoveryCopy::defaultFolder(), QFileInfo(options.settingsPath).absolutePath()});
    TForm1 Form1(options);
    SignalWatcher signalWatcher;
    QObject::connect(&signalWatcher, &SignalWatcher::quitRequested, &Form1,
                     [&Form1] { closeOnSignal(&Form1); });
    Form1.show();
    return QApplication::exec();
}
