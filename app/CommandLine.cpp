#include "app/CommandLine.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstring>

CommandLine::CommandLine()
{
    m_parser.setApplicationDescription(
        QStringLiteral("Counts the pulses of a Geiger–Müller counter on a serial port and logs "
                       "them minute by minute."));
    m_parser.addHelpOption();
    m_parser.addVersionOption();
    m_parser.addPositionalArgument(QStringLiteral("log-file"),
                                   QStringLiteral("A log file (CSV) to open at start."),
                                   QStringLiteral("[log-file]"));
}

bool CommandLine::printsOnly(int argc, char **argv)
{
    static const char *const textOnly[] = {"-h", "--help", "-?", "-v", "--version"};
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0)
            return false;
        for (const char *option : textOnly) {
            if (std::strcmp(argv[i], option) == 0)
                return true;
        }
    }
    return false;
}

CommandLine::Outcome CommandLine::parse(const QStringList &arguments)
{
    if (!m_parser.parse(arguments)) {
        m_text = m_parser.errorText() + u'\n' + QStringLiteral("Try '") + arguments.value(0) +
                 QStringLiteral(" --help' for the options.\n");
        return Outcome::Fail;
    }
    // Only the parser knows Qt's own options: it prints them and exits.
    if (m_parser.isSet(QStringLiteral("help-all")))
        m_parser.process(arguments);
    if (m_parser.isSet(QStringLiteral("help"))) {
        m_text = m_parser.helpText();
        return Outcome::Print;
    }
    if (m_parser.isSet(QStringLiteral("version"))) {
        m_text = QCoreApplication::applicationName() + u' ' +
                 QCoreApplication::applicationVersion() + u'\n';
        return Outcome::Print;
    }
    m_files = m_parser.positionalArguments();
    return Outcome::Run;
}

int CommandLine::finish(Outcome outcome) const
{
    std::FILE *out = outcome == Outcome::Fail ? stderr : stdout;
    std::fputs(m_text.toLocal8Bit().constData(), out);
    std::fflush(out);
    return outcome == Outcome::Fail ? 1 : 0;
}
