#include "app/CommandLine.h"

#include "logfile/SecretFile.h"
#include "publish/MqttUrl.h"
#include "upload/Uploader.h"

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
    m_parser.addOption({QStringLiteral("upload"),
                        QStringLiteral("With --headless: upload the mean cpm to a map: radmon, "
                                       "gmcmap or safecast; may be given more than once."),
                        QStringLiteral("service")});
    m_parser.addOption({QStringLiteral("upload-credentials"),
                        QStringLiteral("With --upload: the file of key=value lines with the "
                                       "accounts, keys and location; readable by its owner alone."),
                        QStringLiteral("file")});
    m_parser.addOption({QStringLiteral("upload-url"),
                        QStringLiteral("With --upload: another address for a map (a mirror, a "
                                       "test server)."),
                        QStringLiteral("service=url")});
    m_parser.addOption({QStringLiteral("upload-interval"),
                        QStringLiteral("With --upload: minutes between uploads (default 5)."),
                        QStringLiteral("minutes")});
}

bool CommandLine::printsOnly(int argc, char **argv)
{
    return givenBeforeDashes(argc, argv, {"-h", "--help", "-?", "-v", "--version"}, false);
}

bool CommandLine::wantsHeadless(int argc, char **argv)
{
    // Its options alone also need no display: they are refused without it.
    return givenBeforeDashes(argc, argv,
                             {"--headless", "--port", "--data", "--open", "--upload",
                              "--upload-credentials", "--upload-url", "--upload-interval",
                              "--mqtt", "--mqtt-password-file", "--station"},
                             true);
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
    if (wrong.isEmpty())
        wrong = parseUploads();
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

QString CommandLine::parseUploads()
{
    const auto isSet = [this](const char *name) { return m_parser.isSet(QString::fromLatin1(name)); };
    const bool any = isSet("upload") || isSet("upload-credentials") || isSet("upload-url") ||
                     isSet("upload-interval");
    if (!any)
        return {};
    if (!m_headless)
        return QStringLiteral("--upload and its options go with --headless.");
    if (!isSet("upload"))
        return QStringLiteral("--upload-credentials, --upload-url and --upload-interval go with "
                              "--upload.");
    for (const QString &name : m_parser.values(QStringLiteral("upload"))) {
        const std::optional<UploadService> s = UploadServices::fromKey(name);
        if (!s)
            return QStringLiteral("--upload: unknown map '") + name +
                   QStringLiteral("'; use radmon, gmcmap or safecast.");
        if (!m_uploadServices.contains(*s))
            m_uploadServices.append(*s);
    }
    m_uploadCredentials = m_parser.value(QStringLiteral("upload-credentials"));
    if (m_uploadCredentials.isEmpty())
        return QStringLiteral("--upload needs --upload-credentials FILE.");
    for (const QString &pair : m_parser.values(QStringLiteral("upload-url"))) {
        const std::optional<UploadService> s = UploadServices::fromKey(pair.section(u'=', 0, 0));
        const QUrl url(pair.section(u'=', 1), QUrl::StrictMode);
        if (!s || !UploadServices::isUsableUrl(url))
            return QStringLiteral("--upload-url wants SERVICE=URL with radmon, gmcmap or "
                                  "safecast and an http or https URL.");
        m_uploadUrls.insert(*s, url);
    }
    m_uploadInterval = Uploader::DefaultIntervalMinutes;
    if (isSet("upload-interval")) {
        bool ok = false;
        m_uploadInterval = m_parser.value(QStringLiteral("upload-interval")).toInt(&ok);
        if (!ok || m_uploadInterval < Uploader::MinIntervalMinutes ||
            m_uploadInterval > Uploader::MaxIntervalMinutes)
            return QStringLiteral("--upload-interval wants whole minutes from 1 to 1440.");
    }
    return {};
}

int CommandLine::finish(Outcome outcome) const
{
    std::FILE *out = outcome == Outcome::Fail ? stderr : stdout;
    std::fputs(m_text.toLocal8Bit().constData(), out);
    std::fflush(out);
    return outcome == Outcome::Fail ? 1 : 0;
}
