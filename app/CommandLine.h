#pragma once

#include <QCommandLineParser>
#include <QStringList>

// The program's command line: --help, --version, and the log file to open
// at start.  Used by main() on the main thread, once, before any window.
class CommandLine
{
public:
    enum class Outcome {
        Run,   // start the program
        Print, // print text() to stdout and exit with 0 (help, version)
        Fail,  // print text() to stderr and exit with 1 (an unknown option, a missing value)
    };

    CommandLine();

    // Whether the raw arguments ask for help or the version before any "--"
    // (--help-all excepted: Qt's options are known to a QApplication only).
    // Such a run only prints, so it needs no display: main() then makes a
    // QCoreApplication instead of a QApplication.
    static bool printsOnly(int argc, char **argv);

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

    // Prints text() where the outcome says and returns the exit status.
    int finish(Outcome outcome) const;

private:
    QCommandLineParser m_parser;
    QString m_text;
    QStringList m_files;
};
