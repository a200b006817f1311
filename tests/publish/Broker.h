// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A real mosquitto broker for a test, on 127.0.0.1 at a free port, with a
// configuration file the test writes; and mosquitto_sub as a subscriber
// that writes "topic payload" lines.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <cstdio>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace publishtest
{

// Connects to 127.0.0.1:port (0 binds instead) and returns the port, 0 on failure.
inline int localSocket(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(quint16(port));
    socklen_t len = sizeof a;
    const bool ok = port == 0 ? ::bind(fd, reinterpret_cast<sockaddr *>(&a), len) == 0 &&
                                    ::getsockname(fd, reinterpret_cast<sockaddr *>(&a), &len) == 0
                              : ::connect(fd, reinterpret_cast<sockaddr *>(&a), len) == 0;
    ::close(fd);
    return ok ? ntohs(a.sin_port) : 0;
}

inline int freePort()
{
    return localSocket(0);
}

inline bool run(const QString &program, const QStringList &arguments)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(program, arguments);
    return p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// Debian installs the broker in /usr/sbin, which is not on an ordinary
// user's PATH; an empty result means it is not installed at all.
inline QString brokerProgram()
{
    const QString found = QStandardPaths::findExecutable(
        QStringLiteral("mosquitto"), {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/local/sbin"),
                                      QStringLiteral("/sbin")});
    return found.isEmpty() ? QStandardPaths::findExecutable(QStringLiteral("mosquitto")) : found;
}

class Broker
{
public:
    // `extra` goes into the listener's part of the configuration.
    Broker(const QString &folder, const QString &extra = {}) : m_folder(folder), m_port(freePort())
    {
        QDir().mkpath(folder);
        const passwd *pw = getpwuid(getuid());
        QFile conf(folder + QStringLiteral("/mosquitto.conf"));
        conf.open(QIODevice::WriteOnly);
        conf.write(QStringLiteral("per_listener_settings false\n"
                                  "user %1\n"
                                  "persistence true\n"
                                  "persistence_location %2/\n"
                                  "log_dest file %2/broker.log\n"
                                  "log_type all\n"
                                  "listener %3 127.0.0.1\n")
                       .arg(QString::fromLocal8Bit(pw ? pw->pw_name : "root"), folder)
                       .arg(m_port)
                       .toUtf8());
        conf.write(extra.isEmpty() ? QByteArray("allow_anonymous true\n") : extra.toUtf8());
    }
    ~Broker() { stop(); }

    int port() const { return m_port; }

    // Says on stderr why it failed: a missing broker, or one that never listened.
    bool start()
    {
        const QString program = brokerProgram();
        if (program.isEmpty()) {
            std::fputs("mosquitto not found in /usr/sbin, /sbin or PATH: install Debian's "
                       "\"mosquitto\" package\n",
                       stderr);
            return false;
        }
        m_process.start(program, {QStringLiteral("-c"), m_folder + QStringLiteral("/mosquitto.conf")});
        if (!m_process.waitForStarted()) {
            std::fprintf(stderr, "%s did not start: %s\n", qPrintable(program),
                         qPrintable(m_process.errorString()));
            return false;
        }
        for (int i = 0; i < 100; ++i) {
            if (localSocket(m_port) == m_port)
                return true;
            QThread::msleep(50);
        }
        std::fprintf(stderr, "%s never listened on 127.0.0.1:%d; its log:\n%s\n", qPrintable(program),
                     m_port, qPrintable(log()));
        return false;
    }
    // SIGTERM: the broker saves its persistent sessions.
    void stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        m_process.waitForFinished(5000);
    }
    // SIGSTOP / SIGCONT: a broker that holds its connections and answers nothing.
    void pause(bool paused) { ::kill(pid_t(m_process.processId()), paused ? SIGSTOP : SIGCONT); }
    QString log() const
    {
        QFile f(m_folder + QStringLiteral("/broker.log"));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

private:
    QString m_folder;
    int m_port;
    QProcess m_process;
};

// mosquitto_sub with a persistent session (QoS 1, client id "sub"), so that
// messages published while it is away are kept for it.
class Subscriber
{
public:
    explicit Subscriber(const QStringList &extra = {}) : m_extra(extra) {}
    ~Subscriber() { stop(); }

    // Returns once the broker has acknowledged the subscription, so that
    // nothing published after it is missed.
    bool start(const Broker &broker, const QString &topic = QStringLiteral("#"))
    {
        const auto subacks = [&] { return broker.log().count(QStringLiteral("Sending SUBACK to sub")); };
        const qsizetype before = subacks();
        start(broker.port(), topic);
        for (int i = 0; i < 300; ++i) {
            if (subacks() > before)
                return true;
            QThread::msleep(50);
        }
        return false;
    }
    void start(int port, const QString &topic)
    {
        m_process.start(QStringLiteral("mosquitto_sub"),
                        QStringList{QStringLiteral("-h"), QStringLiteral("127.0.0.1"),
                                    QStringLiteral("-p"), QString::number(port),
                                    QStringLiteral("-t"), topic, QStringLiteral("-q"),
                                    QStringLiteral("1"), QStringLiteral("-c"),
                                    QStringLiteral("-i"), QStringLiteral("sub"),
                                    QStringLiteral("-v")} +
                            m_extra);
        m_process.waitForStarted();
    }
    void stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        m_process.waitForFinished(3000);
        m_text += m_process.readAllStandardOutput();
    }
    // Every line received so far: "topic payload".
    QStringList lines()
    {
        m_text += m_process.readAllStandardOutput();
        return QString::fromUtf8(m_text).split(u'\n', Qt::SkipEmptyParts);
    }
    // The payloads of one topic, in the order they came.
    QStringList payloads(const QString &topic)
    {
        QStringList out;
        for (const QString &line : lines())
            if (line.startsWith(topic + u' '))
                out.append(line.mid(topic.size() + 1));
        return out;
    }

private:
    QStringList m_extra;
    QProcess m_process;
    QByteArray m_text;
};

} // namespace publishtest
