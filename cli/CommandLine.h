// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/UiTranslation.h"
#include "publish/MqttConfig.h"
#include "upload/UploadService.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QMap>
#include <QStringList>
#include <QUrl>

#include <optional>

// The program's command line: --help, --version, and the log file to open
// at start; or --headless with --port, --data and --open for a measurement
// without a window.  Used by main() on the main thread, once, before any
// window.  The options of the headless measurement are refused without
// --headless, and the window's log file with it.
class CommandLine
{
    Q_DECLARE_TR_FUNCTIONS(CommandLine)

public:
    enum class Outcome {
        Run,   // start the program
        Print, // print text() to stdout and exit with 0 (help, version)
        Fail,  // print text() to stderr and exit with 1 (an unknown option, a missing value)
        Usage, // print text() with the usage to stderr and exit with 2 (options at odds)
    };

    CommandLine();

    // Whether the raw arguments ask for help or the version before any "--"
    // (--help-all excepted: Qt's options are known to a QApplication only).
    // Such a run only prints, so it needs no display: main() then makes a
    // QCoreApplication instead of a QApplication.
    static bool printsOnly(int argc, char **argv);

    // Whether the raw arguments ask for the measurement without a window
    // (--headless, or one of its options, before any "--").  main() then
    // makes a QCoreApplication, so no display and no platform plugin is
    // needed, also to refuse a wrong command line.
    static bool wantsHeadless(int argc, char **argv);

    // Whether the raw arguments ask for --export or --stats on a log file
    // (before any "--"); such a run needs no display either.
    static bool wantsLogCommand(int argc, char **argv);

    // Reads the arguments as QCoreApplication::arguments() gives them: the
    // program's path first, Qt's own options (-platform, -style ...) taken
    // out already.  Needs the application object for the help's texts.
    // --help-all, which lists Qt's options too, prints and exits from here.
    Outcome parse(const QStringList &arguments);

    QString text() const { return m_text; }

    // The arguments that are not options, as the shell split them (blanks
    // in a path stay in it).  The first one names the log file to open at
    // start; a path that starts with a dash comes after "--".
    QStringList files() const { return m_files; }

    // --headless and its values, valid after parse() returned Run.
    bool headless() const { return m_headless; }
    QString portName() const { return m_portName; }
    QString dataFolder() const { return m_dataFolder; }
    QString openFile() const { return m_openFile; }
    // --mqtt URL with --mqtt-password-file and --station: the broker to
    // publish to, the password read already.  A malformed URL, an unreadable
    // password file (or one others may read) is a Fail.
    const std::optional<MqttConfig> &mqtt() const { return m_mqtt; }
    // The maps to upload to (--upload, each once), their credentials file,
    // the addresses given by --upload-url, and the interval in minutes.
    QList<UploadService> uploadServices() const { return m_uploadServices; }
    QString uploadCredentials() const { return m_uploadCredentials; }
    QMap<UploadService, QUrl> uploadUrls() const { return m_uploadUrls; }
    int uploadInterval() const { return m_uploadInterval; }

    // --factor F (counts per minute per µSv/h), with --headless, --export
    // or --stats; a bad value fails the parse with the reason.
    std::optional<double> factor() const { return m_factor; }
    // --alarm-cpm N / --alarm-usvh X and --alarm-minutes M, with --headless:
    // the threshold in cpm (µSv/h times the factor).
    std::optional<double> alarmCpm() const { return m_alarmCpm; }
    int alarmMinutes() const { return m_alarmMinutes; }

    // --export LOG [--output OUT] or --stats LOG [--from T] [--to T].
    enum class LogCommand { None, Export, Stats };
    LogCommand logCommand() const { return m_logCommand; }
    QString logFile() const { return m_logFile; }
    QString outputFile() const { return m_outputFile; }
    QString from() const { return m_from; }
    QString to() const { return m_to; }
    // --year Y with --export or --stats: the year of the newest column.
    std::optional<int> year() const { return m_year; }

    // --lang ja|en: the window's language, when given.
    std::optional<UiTranslation::Language> language() const { return m_language; }

    // Prints text() where the outcome says and returns the exit status.
    int finish(Outcome outcome) const;

private:
    // Reads the upload options; the reason when they are wrong, else empty.
    QString parseUploads();
    // Reads --lang; the reason when it is wrong, else empty.
    QString parseLanguage();
    // Reads --mqtt and its options; the reason when they are wrong, else empty.
    QString readMqtt();

    QCommandLineParser m_parser;
    QString m_text;
    QStringList m_files;
    bool m_headless = false;
    std::optional<UiTranslation::Language> m_language;
    QString m_portName;
    QString m_dataFolder;
    QString m_openFile;
    std::optional<MqttConfig> m_mqtt;
    QList<UploadService> m_uploadServices;
    QString m_uploadCredentials;
    QMap<UploadService, QUrl> m_uploadUrls;
    int m_uploadInterval = 0;
    std::optional<double> m_factor;
    std::optional<double> m_alarmCpm;
    int m_alarmMinutes = 10;
    LogCommand m_logCommand = LogCommand::None;
    QString m_logFile;
    QString m_outputFile;
    QString m_from;
    QString m_to;
    std::optional<int> m_year;
    bool m_misuse = false; // the failure is options at odds: Usage

    // The checks of the dose, alarm and log-file options; empty when fine.
    QString checkDoseAndLogOptions();
};
