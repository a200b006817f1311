#include "app/CommandLine.h"

#include "logfile/SecretFile.h"
#include "publish/MqttUrl.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstring>
#include <initializer_list>

namespace
{

// Whether a raw argument before any "--" is one of `options`, or with
// `withValue` also one of them followed by "=value".
bool givenBeforeDashes(int argc, char **argv, std::initializer_list<const char *> options,
                       bool withValue)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0)
            return false;
        for (const char *option : options) {
            const std::size_t n = std::strlen(option);
            if (std::strncmp(argv[i], option, n) == 0 &&
                (argv[i][n] == '\0' || (withValue && argv[i][n] == '=')))
                return true;
        }
    }
    return false;
}

QString tryHelp(const QString &program)
{
    return QStringLiteral("Try '") + program + QStringLiteral(" --help' for the options.\n");
}

} // namespace

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
    m_parser.addOption({QStringLiteral("headless"),
                        QStringLiteral("Measure without a window until SIGTERM or SIGINT, "
                                       "auto-saving every minute; needs --port and --data.")});
    m_parser.addOption({QStringLiteral("port"),
                        QStringLiteral("With --headless: the counter's serial port."),
                        QStringLiteral("device")});
    m_parser.addOption({QStringLiteral("data"),
                        QStringLiteral("With --headless: the data folder of the auto-saved logs."),
                        QStringLiteral("folder")});
    m_parser.addOption({QStringLiteral("open"),
                        QStringLiteral("With --headless: a log file (CSV) to continue."),
                        QStringLiteral("log-file")});
    m_parser.addOption({QStringLiteral("mqtt"),
                        QStringLiteral("With --headless: publish every minute to this MQTT broker, "
                                       "mqtt://[user@]host[:port][/prefix] or mqtts://..."),
                        QStringLiteral("url")});
    m_parser.addOption({QStringLiteral("mqtt-password-file"),
                        QStringLiteral("With --mqtt: a file readable by its owner alone holding "
                                       "the broker password."),
                        QStringLiteral("file")});
    m_parser.addOption({QStringLiteral("station"),
                        QStringLiteral("With --mqtt: the station's name (default: the host name; "
                                       "the topics default to torvale/<station>)."),
                        QStringLiteral("name")});
}

bool CommandLine::printsOnly(int argc, char **argv)
{
    return givenBeforeDashes(argc, argv, {"-h", "--help", "-?", "-v", "--version"}, false);
}

bool CommandLine::wantsHeadless(int argc, char **argv)
{
    // Its options alone also need no display: they are refused without it.
    return givenBeforeDashes(argc, argv, {"--headless", "--port", "--data", "--open", "--mqtt",
                                          "--mqtt-password-file", "--station"}, true);
}

CommandLine::Outcome CommandLine::parse(const QStringList &arguments)
{
    if (!m_parser.parse(arguments)) {
        m_text = m_parser.errorText() + u'\n' + tryHelp(arguments.value(0));
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
    m_headless = m_parser.isSet(QStringLiteral("headless"));
    m_portName = m_parser.value(QStringLiteral("port"));
    m_dataFolder = m_parser.value(QStringLiteral("data"));
    m_openFile = m_parser.value(QStringLiteral("open"));
    QString wrong;
    if (m_headless && (m_portName.isEmpty() || m_dataFolder.isEmpty()))
        wrong = QStringLiteral("--headless needs --port and --data.");
    else if (m_headless && !m_files.isEmpty())
        wrong = QStringLiteral("--headless opens no log file of the window; use --open FILE.");
    else if (!m_headless &&
             (m_parser.isSet(QStringLiteral("port")) || m_parser.isSet(QStringLiteral("data")) ||
              m_parser.isSet(QStringLiteral("open")) || m_parser.isSet(QStringLiteral("mqtt"))))
        wrong = QStringLiteral("--port, --data, --open and --mqtt go with --headless.");
    else if (!m_parser.isSet(QStringLiteral("mqtt")) &&
             (m_parser.isSet(QStringLiteral("mqtt-password-file")) ||
              m_parser.isSet(QStringLiteral("station"))))
        wrong = QStringLiteral("--mqtt-password-file and --station go with --mqtt.");
    else if (m_headless && m_parser.isSet(QStringLiteral("mqtt")))
        wrong = readMqtt();
    if (!wrong.isEmpty()) {
        m_text = wrong + u'\n' + tryHelp(arguments.value(0));
        return Outcome::Fail;
    }
    return Outcome::Run;
}

QString CommandLine::readMqtt()
{
    MqttUrl::Parsed parsed = MqttUrl::parse(m_parser.value(QStringLiteral("mqtt")));
    if (!parsed.error.isEmpty())
        return parsed.error + u'.';
    MqttConfig config = parsed.config;
    config.station = m_parser.value(QStringLiteral("station")).trimmed();
    if (m_parser.isSet(QStringLiteral("station")) && config.station.isEmpty())
        return QStringLiteral("--station needs a name.");
    if (m_parser.isSet(QStringLiteral("mqtt-password-file"))) {
        const QString path = m_parser.value(QStringLiteral("mqtt-password-file"));
        const SecretFile::Read read = SecretFile::read(path);
        if (read.shared)
            return QStringLiteral("the password file ") + path +
                   QStringLiteral(" may be read by others; make it readable by its owner alone "
                                  "(chmod 600).");
        if (!read.ok())
            return QStringLiteral("cannot read the password file ") + path + QStringLiteral(": ") +
                   QString::fromLocal8Bit(std::strerror(read.error)) + u'.';
        // One line; its line end is not part of the password.
        config.password = read.bytes.left(read.bytes.indexOf('\n'));
        if (config.password.endsWith('\r'))
            config.password.chop(1);
        if (config.user.isEmpty())
            return QStringLiteral("--mqtt-password-file needs a user name in the URL "
                                  "(mqtt://user@host).");
    }
    m_mqtt = config;
    return {};
}

int CommandLine::finish(Outcome outcome) const
{
    std::FILE *out = outcome == Outcome::Fail ? stderr : stdout;
    std::fputs(m_text.toLocal8Bit().constData(), out);
    std::fflush(out);
    return outcome == Outcome::Fail ? 1 : 0;
}
