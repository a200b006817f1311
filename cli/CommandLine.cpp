// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CommandLine.h"

#include "core/SystemError.h"
#include "logfile/SecretFile.h"
#include "publish/MqttUrl.h"
#include "dose/DoseFactor.h"
#include "stats/Alarm.h"
#include "stats/StoredMinutes.h"
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
        tr("Counts the pulses of a Geiger–Müller counter on a serial port and logs "
           "them minute by minute."));
    m_parser.addHelpOption();
    m_parser.addVersionOption();
    m_parser.addPositionalArgument(QStringLiteral("log-file"),
                                   tr("A log file (CSV) to open at start."),
                                   QStringLiteral("[log-file]"));
    m_parser.addOption(
        {QStringLiteral("headless"), tr("Measure without a window until SIGTERM or SIGINT, "
                                        "auto-saving every minute; needs --port and --data.")});
    m_parser.addOption({QStringLiteral("port"), tr("With --headless: the counter's serial port."),
                        QStringLiteral("device")});
    m_parser.addOption({QStringLiteral("data"),
                        tr("With --headless: the data folder of the auto-saved logs."),
                        QStringLiteral("folder")});
    m_parser.addOption({QStringLiteral("open"),
                        tr("With --headless: a log file (CSV) to continue."),
                        QStringLiteral("log-file")});
    m_parser.addOption({QStringLiteral("mqtt"),
                        tr("With --headless: publish every minute to this MQTT broker, "
                           "mqtt://[user@]host[:port][/prefix] or mqtts://..."),
                        QStringLiteral("url")});
    m_parser.addOption({QStringLiteral("mqtt-password-file"),
                        tr("With --mqtt: a file readable by its owner alone holding "
                           "the broker password."),
                        QStringLiteral("file")});
    m_parser.addOption({QStringLiteral("station"),
                        tr("With --mqtt: the station's name (default: the host name; "
                           "the topics default to torvale/<station>)."),
                        QStringLiteral("name")});
    m_parser.addOption({QStringLiteral("factor"),
                        tr("With --headless, --export or --stats: the conversion factor "
                           "in counts per minute per µSv/h."),
                        QStringLiteral("F")});
    m_parser.addOption({QStringLiteral("alarm-cpm"),
                        tr("With --headless: report on stderr when the running mean "
                           "crosses this many counts per minute."),
                        QStringLiteral("N")});
    m_parser.addOption({QStringLiteral("alarm-usvh"),
                        tr("With --headless and --factor: the alarm threshold in µSv/h."),
                        QStringLiteral("X")});
    m_parser.addOption({QStringLiteral("alarm-minutes"),
                        tr("With an alarm: minutes of the running mean (1-60, "
                           "default 10)."),
                        QStringLiteral("M")});
    m_parser.addOption({QStringLiteral("export"),
                        tr("Write the log as tidy CSV (time,cpm[,usv_h]) to stdout or "
                           "--output, and exit."),
                        QStringLiteral("log-file")});
    m_parser.addOption({QStringLiteral("output"), tr("With --export: the CSV file to write."),
                        QStringLiteral("file")});
    m_parser.addOption({QStringLiteral("stats"),
                        tr("Print the statistics of the log's minutes as key=value "
                           "lines, and exit."),
                        QStringLiteral("log-file")});
    m_parser.addOption({QStringLiteral("from"),
                        tr("With --stats: the first minute, YYYY-MM-DDTHH:MM."),
                        QStringLiteral("time")});
    m_parser.addOption({QStringLiteral("to"),
                        tr("With --stats: the last minute, YYYY-MM-DDTHH:MM."),
                        QStringLiteral("time")});
    m_parser.addOption({QStringLiteral("year"),
                        tr("With --export or --stats: the year of the log's newest column, "
                           "for a file whose name carries no date."),
                        QStringLiteral("year")});
    m_parser.addOption({QStringLiteral("upload"),
                        tr("With --headless: upload the mean cpm to a map: radmon, "
                           "gmcmap or safecast; may be given more than once."),
                        QStringLiteral("service")});
    m_parser.addOption({QStringLiteral("upload-credentials"),
                        tr("With --upload: the file of key=value lines with the "
                           "accounts, keys and location; readable by its owner alone."),
                        QStringLiteral("file")});
    m_parser.addOption({QStringLiteral("upload-url"),
                        tr("With --upload: another address for a map (a mirror, a "
                           "test server)."),
                        QStringLiteral("service=url")});
    m_parser.addOption({QStringLiteral("lang"),
                        tr("The window's language: ja or en (default: the desktop's; "
                           "Japanese when none is set)."),
                        QStringLiteral("language")});
    m_parser.addOption({QStringLiteral("upload-interval"),
                        tr("With --upload: minutes between uploads (default 5)."),
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
                              "--alarm-cpm", "--alarm-usvh", "--alarm-minutes", "--factor",
                              "--mqtt", "--mqtt-password-file", "--station"},
                             true);
}

bool CommandLine::wantsLogCommand(int argc, char **argv)
{
    return givenBeforeDashes(argc, argv,
                             {"--export", "--stats", "--output", "--from", "--to", "--year"}, true);
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
        wrong = parseLanguage();
    if (wrong.isEmpty())
        wrong = parseUploads();
    if (wrong.isEmpty())
        wrong = checkDoseAndLogOptions();
    if (!wrong.isEmpty()) {
        m_text = wrong + u'\n' +
                 (m_misuse ? m_parser.helpText().section(u'\n', 0, 0) + u'\n' : QString()) +
                 tryHelp(arguments.value(0));
        return m_misuse ? Outcome::Usage : Outcome::Fail;
    }
    return Outcome::Run;
}

QString CommandLine::parseLanguage()
{
    if (!m_parser.isSet(QStringLiteral("lang")))
        return {};
    if (m_headless || m_parser.isSet(QStringLiteral("export")) ||
        m_parser.isSet(QStringLiteral("stats")))
        return QStringLiteral("--lang goes with the window; the rest speaks English.");
    const QString lang = m_parser.value(QStringLiteral("lang"));
    if (lang == u"ja")
        m_language = UiTranslation::Language::Japanese;
    else if (lang == u"en")
        m_language = UiTranslation::Language::English;
    else
        return QStringLiteral("--lang ") + lang + QStringLiteral(": use ja or en.");
    return {};
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
                   SystemError::text(read.error) + u'.';
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

QString CommandLine::checkDoseAndLogOptions()
{
    const auto isSet = [this](const char *name) { return m_parser.isSet(QLatin1String(name)); };
    const auto value = [this](const char *name) { return m_parser.value(QLatin1String(name)); };
    if (isSet("export") && isSet("stats"))
        return QStringLiteral("--export and --stats go one at a time.");
    if (isSet("export") || isSet("stats")) {
        if (m_headless)
            return QStringLiteral("--export and --stats do not go with --headless.");
        if (!m_files.isEmpty())
            return QStringLiteral("--export and --stats take the log file as their value.");
        m_logCommand = isSet("export") ? LogCommand::Export : LogCommand::Stats;
        m_logFile = value(isSet("export") ? "export" : "stats");
    }
    if (isSet("output") && m_logCommand != LogCommand::Export)
        return QStringLiteral("--output goes with --export.");
    m_outputFile = value("output");
    if ((isSet("from") || isSet("to")) && m_logCommand != LogCommand::Stats)
        return QStringLiteral("--from and --to go with --stats.");
    m_from = value("from");
    m_to = value("to");
    for (const auto &[name, text] : {std::pair{"--from", m_from}, std::pair{"--to", m_to}})
        if (!text.isEmpty() && !StoredMinutes::parseMinute(text))
            return QStringLiteral("%1 %2: not a minute of the form YYYY-MM-DDTHH:MM.")
                .arg(QLatin1String(name), text);
    const auto from = StoredMinutes::parseMinute(m_from);
    const auto to = StoredMinutes::parseMinute(m_to);
    if (from && to && *to < *from) {
        m_misuse = true;
        return tr("--from %1 comes after --to %2.").arg(m_from, m_to);
    }
    if (isSet("year")) {
        if (m_logCommand == LogCommand::None)
            return tr("--year goes with --export or --stats.");
        bool ok = false;
        m_year = value("year").toInt(&ok);
        if (!ok || *m_year < 1900 || *m_year > 9999)
            return tr("--year %1: a year from 1900 to 9999.").arg(value("year"));
    }
    if (isSet("factor")) {
        if (!m_headless && m_logCommand == LogCommand::None)
            return QStringLiteral("--factor goes with --headless, --export or --stats.");
        const DoseFactor::Parsed parsed = DoseFactor::parse(value("factor"));
        if (!parsed.value)
            return QStringLiteral("--factor ") + value("factor") + QStringLiteral(": ") +
                   DoseFactor::message(parsed.error) + u'.';
        m_factor = parsed.value;
    }
    const bool alarm = isSet("alarm-cpm") || isSet("alarm-usvh");
    if (alarm && !m_headless)
        return QStringLiteral("--alarm-cpm, --alarm-usvh and --alarm-minutes go with --headless.");
    if (isSet("alarm-cpm") && isSet("alarm-usvh"))
        return QStringLiteral("--alarm-cpm and --alarm-usvh go one at a time.");
    if (isSet("alarm-usvh") && !m_factor)
        return QStringLiteral("--alarm-usvh needs --factor.");
    if (isSet("alarm-minutes") && !alarm)
        return QStringLiteral("--alarm-minutes goes with --alarm-cpm or --alarm-usvh.");
    if (alarm) {
        const QString text = value(isSet("alarm-cpm") ? "alarm-cpm" : "alarm-usvh");
        bool ok = false;
        const double v = text.toDouble(&ok);
        if (!ok || !(v > 0) || v >= 1e6)
            return QStringLiteral("alarm threshold %1: not a number above 0.").arg(text);
        m_alarmCpm = isSet("alarm-cpm") ? v : v * *m_factor;
    }
    if (isSet("alarm-minutes")) {
        bool ok = false;
        m_alarmMinutes = value("alarm-minutes").toInt(&ok);
        if (!ok || m_alarmMinutes < 1 || m_alarmMinutes > Alarm::MaxMinutes)
            return QStringLiteral("--alarm-minutes: 1 to %1.").arg(Alarm::MaxMinutes);
    }
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
    std::FILE *out = outcome == Outcome::Print ? stdout : stderr;
    std::fputs(m_text.toLocal8Bit().constData(), out);
    std::fflush(out);
    return outcome == Outcome::Print ? 0 : outcome == Outcome::Usage ? 2 : 1;
}
