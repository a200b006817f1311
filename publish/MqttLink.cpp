// SPDX-License-Identifier: GPL-3.0-or-later
#include "publish/MqttLink.h"

#include "core/SystemError.h"
#include "publish/Discovery.h"

#include <QFile>

#include <mosquitto.h>

namespace
{

constexpr int KeepAliveSeconds = 60;
constexpr int LoopTimeoutMs = 250;
constexpr auto ConnackTimeout = std::chrono::seconds(30);
constexpr auto AckSaveInterval = std::chrono::seconds(1);

void initLibrary()
{
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

QString errorText(int rc)
{
    if (rc == MOSQ_ERR_ERRNO)
        return SystemError::text(errno);
    return QString::fromUtf8(mosquitto_strerror(rc));
}

} // namespace

MqttLink::MqttLink(const MqttConfig &config, const QString &outboxFolder, const QString &version,
                   Report report)
    : m_config(config), m_version(version), m_report(std::move(report)), m_outbox(outboxFolder)
{
    initLibrary();
}

MqttLink::~MqttLink()
{
    stop();
}

void MqttLink::start()
{
    if (!m_thread.joinable())
        m_thread = std::thread([this] { run(); });
}

void MqttLink::stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void MqttLink::enqueue(const QByteArray &topic, const QByteArray &payload)
{
    {
        std::lock_guard lock(m_mutex);
        m_items.push_back({topic, payload});
    }
    m_wake.notify_all();
}

void MqttLink::setCounterConnected(bool connected)
{
    {
        std::lock_guard lock(m_mutex);
        m_newCounter = connected;
    }
    m_wake.notify_all();
}

void MqttLink::setFactor(std::optional<double> factor)
{
    {
        std::lock_guard lock(m_mutex);
        m_newFactor = factor;
    }
    m_wake.notify_all();
}

QByteArray MqttLink::topic(const QByteArray &relative) const
{
    return m_config.topicPrefix().toUtf8() + '/' + relative;
}

void MqttLink::run()
{
    if (const QString error = m_outbox.open(); !error.isEmpty())
        m_report(Event::Note, QStringLiteral("MQTT outbox unusable, nothing is kept for the broker: ") + error);
    else
        m_outboxOpen = true;
    m_nextToSend = m_outbox.acked() + 1;
    m_nextAttempt = Clock::now();
    for (;;) {
        {
            std::unique_lock lock(m_mutex);
            if (!m_mosq && !m_stopping && m_items.empty())
                m_wake.wait_until(lock, m_nextAttempt);
            if (m_stopping)
                break;
        }
        takeMailbox();
        m_pending.store(m_outbox.pending());
        m_connected.store(m_session);
        if (!m_mosq) {
            if (Clock::now() >= m_nextAttempt)
                connectClient();
            continue;
        }
        const int rc = mosquitto_loop(m_mosq, LoopTimeoutMs, 1);
        if (rc != MOSQ_ERR_SUCCESS && m_failure.isEmpty())
            m_failure = QStringLiteral("connection to %1 lost: %2")
                            .arg(m_config.describe(), errorText(rc));
        if (!m_session && m_failure.isEmpty() && Clock::now() - m_attempt > ConnackTimeout)
            m_failure = QStringLiteral("%1 does not answer").arg(m_config.describe());
        if (!m_failure.isEmpty()) {
            closeClient(std::exchange(m_failure, QString()));
            continue;
        }
        if (m_session) {
            publishState();
            pump();
            saveAck(false);
        }
    }
    finish();
}

void MqttLink::takeMailbox()
{
    std::deque<Item> items;
    {
        std::lock_guard lock(m_mutex);
        items.swap(m_items);
        if (m_newCounter) {
            m_counter = *std::exchange(m_newCounter, std::nullopt);
            m_stateDirty = true;
        }
        if (m_newFactor) {
            m_factor = *std::exchange(m_newFactor, std::nullopt);
            m_stateDirty = true;
        }
    }
    for (const Item &item : items) {
        if (!m_outboxOpen)
            continue;
        if (const QString error = m_outbox.append(item.topic, item.payload); !error.isEmpty())
            m_report(Event::Note, QStringLiteral("MQTT outbox cannot keep a message: ") + error);
    }
    if (const qint64 dropped = m_outbox.takeDropped(); dropped > 0) {
        m_report(Event::Note, QStringLiteral("MQTT outbox full: the oldest %1 messages were dropped")
                                  .arg(dropped));
        m_nextToSend = qMax(m_nextToSend, m_outbox.acked() + 1);
    }
}

void MqttLink::connectClient()
{
    const QByteArray clientId = (QStringLiteral("torvale-") + m_config.stationName()).toUtf8();
    m_mosq = mosquitto_new(clientId.constData(), true, this);
    if (!m_mosq) {
        problem(QStringLiteral("MQTT client cannot be made"));
        m_nextAttempt = Clock::now() + std::chrono::milliseconds(LastBackoffMs);
        return;
    }
    mosquitto_int_option(m_mosq, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    mosquitto_connect_callback_set(m_mosq, &MqttLink::onConnect);
    mosquitto_disconnect_callback_set(m_mosq, &MqttLink::onDisconnect);
    mosquitto_publish_callback_set(m_mosq, &MqttLink::onPublish);
    mosquitto_message_callback_set(m_mosq, &MqttLink::onMessage);
    const QByteArray status = topic("status");
    mosquitto_will_set(m_mosq, status.constData(), 7, "offline", 1, true);
    int rc = MOSQ_ERR_SUCCESS;
    if (!m_config.user.isEmpty())
        rc = mosquitto_username_pw_set(
            m_mosq, m_config.user.toUtf8().constData(),
            m_config.password.isEmpty() ? nullptr : m_config.password.constData());
    if (rc == MOSQ_ERR_SUCCESS && m_config.tls) {
        const QByteArray ca = QFile::encodeName(m_config.caFile);
        if (ca.isEmpty())
            mosquitto_int_option(m_mosq, MOSQ_OPT_TLS_USE_OS_CERTS, 1);
        else
            rc = mosquitto_tls_set(m_mosq, ca.constData(), nullptr, nullptr, nullptr, nullptr);
    }
    if (rc == MOSQ_ERR_SUCCESS) {
        m_attempt = Clock::now();
        // The name lookup blocks this thread, never the caller's.
        rc = mosquitto_connect_async(m_mosq, m_config.host.toUtf8().constData(), m_config.port,
                                     KeepAliveSeconds);
    }
    if (rc != MOSQ_ERR_SUCCESS) {
        const QString why = rc == MOSQ_ERR_EAI ? QStringLiteral("unknown host") : errorText(rc);
        closeClient(QStringLiteral("cannot connect to %1: %2").arg(m_config.describe(), why));
    }
}

void MqttLink::closeClient(const QString &why)
{
    saveAck(true);
    if (m_mosq)
        mosquitto_destroy(m_mosq);
    m_mosq = nullptr;
    m_session = false;
    m_inflight.clear();
    m_nextToSend = m_outbox.acked() + 1;
    problem(why + QStringLiteral("; trying again in %1 s").arg(m_backoffMs / 1000));
    m_nextAttempt = Clock::now() + std::chrono::milliseconds(m_backoffMs);
    m_backoffMs = qMin(m_backoffMs * 2, LastBackoffMs);
}

void MqttLink::problem(const QString &text)
{
    // The cause is reported once, whether it struck while connecting or in
    // the handshake after it.
    const QString kind = text.section(QStringLiteral("; trying again"), 0, 0).section(QStringLiteral(": "), -1);
    if (kind == m_reported)
        return;
    m_reported = kind;
    m_report(Event::Problem, text);
}

bool MqttLink::publish(const QByteArray &topic, const QByteArray &payload, bool retain, int *mid)
{
    const int rc = mosquitto_publish(m_mosq, mid, topic.constData(), int(payload.size()),
                                     payload.constData(), 1, retain);
    if (rc != MOSQ_ERR_SUCCESS && m_failure.isEmpty())
        m_failure = QStringLiteral("publishing to %1 failed: %2").arg(m_config.describe(), errorText(rc));
    return rc == MOSQ_ERR_SUCCESS;
}

void MqttLink::publishState()
{
    if (!m_stateDirty)
        return;
    m_stateDirty = false;
    publish(topic("counter"), m_counter ? "connected" : "disconnected", true, nullptr);
    if (!m_config.discovery)
        return;
    for (const Discovery::Message &m : Discovery::messages(m_config, m_version, m_factor))
        publish(m.topic, m.payload, true, nullptr);
}

void MqttLink::pump()
{
    while (m_failure.isEmpty() && m_inflight.size() < Window) {
        const QList<Outbox::Record> records = m_outbox.read(m_nextToSend, Window - int(m_inflight.size()));
        if (records.isEmpty())
            break;
        const qint64 newestMinute = m_outbox.newestOf("minute");
        for (const Outbox::Record &r : records) {
            int mid = 0;
            const bool retain = r.topic == "minute" && r.seq == newestMinute;
            if (!publish(topic(r.topic), r.payload, retain, &mid))
                return;
            m_inflight.insert(mid, r.seq);
            m_nextToSend = r.seq + 1;
        }
    }
}

// Everything below the oldest message in flight is acknowledged.  The file
// is written at most once a second while a backlog drains, and at once when
// nothing is left in flight.
void MqttLink::saveAck(bool now)
{
    qint64 target = m_nextToSend - 1;
    for (const qint64 seq : std::as_const(m_inflight))
        target = qMin(target, seq - 1);
    if (target <= m_outbox.acked())
        return;
    if (!now && !m_inflight.isEmpty() && Clock::now() - m_ackSaved < AckSaveInterval)
        return;
    m_ackSaved = Clock::now();
    if (const QString error = m_outbox.acknowledge(target); !error.isEmpty())
        m_report(Event::Note, QStringLiteral("MQTT outbox cannot note what was sent: ") + error);
}

void MqttLink::finish()
{
    if (m_mosq && m_session) {
        int mid = 0;
        publish(topic("status"), "offline", true, &mid);
        m_inflight.insert(mid, 0);
        const auto end = Clock::now() + std::chrono::seconds(1);
        while (m_session && m_inflight.contains(mid) && Clock::now() < end &&
               mosquitto_loop(m_mosq, 100, 1) == MOSQ_ERR_SUCCESS) {
        }
        m_inflight.remove(mid);
        mosquitto_disconnect(m_mosq);
        mosquitto_loop(m_mosq, 100, 1);
    }
    saveAck(true);
    if (m_mosq)
        mosquitto_destroy(m_mosq);
    m_mosq = nullptr;
}

void MqttLink::onConnect(mosquitto *mosq, void *self, int rc)
{
    auto *link = static_cast<MqttLink *>(self);
    if (rc != 0) {
        link->m_failure = QStringLiteral("%1 refused the connection: %2")
                              .arg(link->m_config.describe(),
                                   QString::fromUtf8(mosquitto_connack_string(rc)));
        return;
    }
    link->m_session = true;
    link->m_backoffMs = FirstBackoffMs;
    link->m_stateDirty = true;
    link->m_reported.clear();
    link->m_report(Event::Connected, QStringLiteral("connected to ") + link->m_config.describe());
    link->publish(link->topic("status"), "online", true, nullptr);
    if (link->m_config.discovery)
        mosquitto_subscribe(mosq, nullptr, Discovery::StatusTopic, 1);
}

void MqttLink::onDisconnect(mosquitto *, void *self, int rc)
{
    auto *link = static_cast<MqttLink *>(self);
    if (link->m_failure.isEmpty())
        link->m_failure = QStringLiteral("connection to %1 lost: %2")
                              .arg(link->m_config.describe(), errorText(rc));
}

void MqttLink::onPublish(mosquitto *, void *self, int mid)
{
    auto *link = static_cast<MqttLink *>(self);
    link->m_inflight.remove(mid);
}

void MqttLink::onMessage(mosquitto *, void *self, const mosquitto_message *message)
{
    auto *link = static_cast<MqttLink *>(self);
    if (!message || !message->topic || std::strcmp(message->topic, Discovery::StatusTopic) != 0)
        return;
    if (QByteArrayView(static_cast<const char *>(message->payload), message->payloadlen) == "online")
        link->m_stateDirty = true;
}
