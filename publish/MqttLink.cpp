// SPDX-License-Identifier: GPL-3.0-or-later
#include "publish/MqttLink.h"

#include "core/SystemError.h"
#include "publish/Discovery.h"
#include "publish/TlsProbe.h"

#include <QCoreApplication>
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

// The links stopping on their own threads, and a wake-up for each that ends.
struct Retired {
    std::mutex mutex;
    std::condition_variable ended;
    std::vector<std::unique_ptr<MqttLink>> links;
};

Retired &retired()
{
    static Retired r;
    return r;
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
    stop(Clock::now());
}

QString MqttLink::open()
{
    QString error = m_outbox.open();
    m_outboxOpen = error.isEmpty();
    return error;
}

void MqttLink::start()
{
    if (!m_thread.joinable())
        m_thread = std::thread([this] { run(); });
}

void MqttLink::requestStop(Clock::time_point deadline)
{
    {
        std::lock_guard lock(m_mutex);
        if (!m_stopping)
            m_deadline = deadline;
        m_stopping = true;
    }
    m_wake.notify_all();
}

void MqttLink::stop(Clock::time_point deadline)
{
    requestStop(deadline);
    if (m_thread.joinable())
        m_thread.join();
}

void MqttLink::retire(std::unique_ptr<MqttLink> link, Clock::time_point deadline)
{
    if (!link)
        return;
    link->requestStop(deadline);
    if (!link->m_thread.joinable())
        return;
    Retired &r = retired();
    std::lock_guard lock(r.mutex);
    r.links.push_back(std::move(link));
}

bool MqttLink::waitRetired(Clock::time_point deadline)
{
    Retired &r = retired();
    std::unique_lock lock(r.mutex);
    const auto allDone = [&] {
        return std::all_of(r.links.begin(), r.links.end(),
                           [](const auto &link) { return link->m_done.load(); });
    };
    const bool done = r.ended.wait_until(lock, deadline, allDone);
    for (auto &link : r.links) {
        if (link->m_done) {
            link->m_thread.join();
        } else {
            // Still in a name lookup or a write: it ends with the process.
            link->m_thread.detach();
            (void)link.release();
        }
    }
    r.links.clear();
    return done;
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

// A link of the same station still draining in this process (the dialog's
// OK restarts the publisher) holds the outbox for a moment: wait for it.
bool MqttLink::openOutbox()
{
    if (m_outboxOpen)
        return true;
    for (;;) {
        // Asked before the attempt: a link that ends meanwhile has let go.
        bool draining = false;
        {
            Retired &r = retired();
            std::lock_guard lock(r.mutex);
            draining = std::any_of(r.links.begin(), r.links.end(), [&](const auto &link) {
                return !link->m_done && link->m_outbox.folder() == m_outbox.folder();
            });
        }
        const QString error = open();
        if (m_outboxOpen)
            return true;
        std::unique_lock lock(m_mutex);
        if (!m_outbox.busy() || !draining || m_stopping) {
            lock.unlock();
            m_report(Event::Failed, error);
            return false;
        }
        m_wake.wait_for(lock, std::chrono::milliseconds(100));
    }
}

void MqttLink::run()
{
    if (openOutbox())
        work();
    m_outbox.close();
    {
        // Under the registry's lock, so that waitRetired() cannot miss it.
        Retired &r = retired();
        std::lock_guard lock(r.mutex);
        m_done = true;
    }
    retired().ended.notify_all();
}

void MqttLink::work()
{
    reportOutbox();
    m_nextToSend = m_outbox.acked() + 1;
    m_nextAttempt = Clock::now();
    while (!m_stopNow) {
        {
            std::unique_lock lock(m_mutex);
            if (!m_mosq && !m_stopping && m_items.empty())
                m_wake.wait_until(lock, m_nextAttempt);
            m_stopNow = m_stopping;
        }
        takeMailbox();
        if (m_stopNow)
            break;
        m_pending.store(m_outbox.pending());
        m_connected.store(m_session);
        if (!m_mosq) {
            if (Clock::now() >= m_nextAttempt)
                connectClient();
            continue;
        }
        const int rc = mosquitto_loop(m_mosq, LoopTimeoutMs, 1);
        if (rc != MOSQ_ERR_SUCCESS && m_failure.isEmpty())
            m_failure = lostText(rc);
        if (!m_session && m_failure.isEmpty() && Clock::now() - m_attempt > ConnackTimeout)
            m_failure = QCoreApplication::translate("MqttLink", "%1 does not answer")
                            .arg(m_config.describe());
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
    if (items.empty())
        return;
    m_held.insert(m_held.end(), items.begin(), items.end());
    flushHeld();
    reportOutbox();
}

// Moves the held messages not in flight to the outbox, oldest first, while
// it takes them; past HeldLimit the oldest not in flight are dropped.
void MqttLink::flushHeld()
{
    QString error;
    while (!m_held.empty() && m_held.front().mid < 0) {
        error = m_outbox.append(m_held.front().topic, m_held.front().payload);
        if (!error.isEmpty())
            break;
        m_held.pop_front();
    }
    if (!error.isEmpty() && !m_heldTold)
        m_report(Event::Note, QCoreApplication::translate(
                                  "MqttLink", "MQTT outbox cannot keep messages (%1); up to %2 "
                                              "wait in memory and are sent live meanwhile")
                                  .arg(error)
                                  .arg(HeldLimit));
    if (m_held.empty() && m_heldTold)
        m_report(Event::Note,
                 QCoreApplication::translate("MqttLink", "MQTT outbox keeps messages again"));
    m_heldTold = !m_held.empty();
    qint64 dropped = 0;
    for (auto it = m_held.begin(); qsizetype(m_held.size()) > HeldLimit && it != m_held.end();) {
        if (it->mid >= 0) {
            ++it;
            continue;
        }
        it = m_held.erase(it);
        ++dropped;
    }
    if (dropped > 0)
        m_report(Event::Note,
                 QCoreApplication::translate("MqttLink", "MQTT: %1 messages dropped from memory")
                     .arg(dropped));
}

void MqttLink::reportOutbox()
{
    if (const qint64 dropped = m_outbox.takeDropped(); dropped > 0) {
        m_report(Event::Note,
                 QCoreApplication::translate(
                     "MqttLink", "MQTT outbox full: the oldest %1 messages were dropped")
                     .arg(dropped));
        m_nextToSend = qMax(m_nextToSend, m_outbox.acked() + 1);
    }
    for (const QString &file : m_outbox.takeDamaged())
        m_report(Event::Note,
                 QCoreApplication::translate("MqttLink",
                                             "MQTT outbox: damaged records skipped, never sent: ") +
                     file);
}

void MqttLink::connectClient()
{
    const QByteArray clientId = (QStringLiteral("torvale-") + m_config.stationName()).toUtf8();
    m_mosq = mosquitto_new(clientId.constData(), true, this);
    if (!m_mosq) {
        problem(QCoreApplication::translate("MqttLink", "MQTT client cannot be made"));
        m_nextAttempt = Clock::now() + std::chrono::milliseconds(LastBackoffMs);
        return;
    }
    mosquitto_int_option(m_mosq, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    mosquitto_connect_callback_set(m_mosq, &MqttLink::onConnect);
    mosquitto_disconnect_callback_set(m_mosq, &MqttLink::onDisconnect);
    mosquitto_publish_callback_set(m_mosq, &MqttLink::onPublish);
    mosquitto_message_callback_set(m_mosq, &MqttLink::onMessage);
    const QByteArray status = topic("status");
    int rc = mosquitto_will_set(m_mosq, status.constData(), 7, "offline", 1, true);
    if (rc == MOSQ_ERR_SUCCESS && !m_config.user.isEmpty())
        rc = mosquitto_username_pw_set(m_mosq, m_config.user.toUtf8().constData(),
                                       m_config.password.isEmpty() ? nullptr
                                                                   : m_config.password.constData());
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
        const QString why = rc == MOSQ_ERR_EAI
                                ? QCoreApplication::translate("MqttLink", "unknown host")
                                : reason(rc);
        closeClient(QCoreApplication::translate("MqttLink", "cannot connect to %1: %2")
                        .arg(m_config.describe(), why));
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
    m_stateInflight.clear();
    for (Item &item : m_held)
        item.mid = -1;
    m_heldInflight = 0;
    m_nextToSend = m_outbox.acked() + 1;
    problem(
        why,
        QCoreApplication::translate("MqttLink", "; trying again in %1 s").arg(m_backoffMs / 1000));
    m_nextAttempt = Clock::now() + std::chrono::milliseconds(m_backoffMs);
    m_backoffMs = qMin(m_backoffMs * 2, LastBackoffMs);
}

// A connection that ends before the broker's answer was never there, so
// it is not "lost"; a plain one ended so is most often a TLS port.
QString MqttLink::lostText(int rc)
{
    if (m_session)
        return QCoreApplication::translate("MqttLink", "connection to %1 lost: %2")
            .arg(m_config.describe(), errorText(rc));
    const QString why = rc == MOSQ_ERR_CONN_LOST
                            ? QCoreApplication::translate("MqttLink", "the connection ended")
                            : reason(rc);
    QString text =
        QCoreApplication::translate("MqttLink", "%1 closed the connection before answering: %2")
            .arg(m_config.describe(), why);
    if (!m_config.tls && rc != MOSQ_ERR_TLS)
        text += QCoreApplication::translate(
            "MqttLink", " (if that port speaks TLS, use mqtts:// or the TLS option)");
    return text;
}

// libmosquitto's text, or for a refused certificate which check refused it.
QString MqttLink::reason(int rc)
{
    if (rc != MOSQ_ERR_TLS || !m_config.tls)
        return errorText(rc);
    // One handshake of its own per failure told, not one per attempt.
    if (!m_tlsRefusal)
        m_tlsRefusal = TlsProbe::refusal(m_config.host, m_config.port, m_config.caFile);
    if (m_tlsRefusal->isEmpty())
        return errorText(rc);
    return QCoreApplication::translate("MqttLink", "the broker's certificate was refused: %1")
        .arg(*m_tlsRefusal);
}

void MqttLink::problem(const QString &why, const QString &retry)
{
    // The cause is reported once, whether it struck while connecting or in
    // the handshake after it.
    const QString kind = why.section(QStringLiteral(": "), -1);
    if (kind == m_reported)
        return;
    m_reported = kind;
    m_report(Event::Problem, why + retry);
}

bool MqttLink::publish(const QByteArray &topic, const QByteArray &payload, bool retain, int *mid)
{
    const int rc = mosquitto_publish(m_mosq, mid, topic.constData(), int(payload.size()),
                                     payload.constData(), 1, retain);
    if (rc != MOSQ_ERR_SUCCESS && m_failure.isEmpty())
        m_failure = QCoreApplication::translate("MqttLink", "publishing to %1 failed: %2")
                        .arg(m_config.describe(), errorText(rc));
    return rc == MOSQ_ERR_SUCCESS;
}

void MqttLink::publishState()
{
    if (!m_stateDirty)
        return;
    m_stateDirty = false;
    int mid = 0;
    if (publish(topic("counter"), m_counter ? "connected" : "disconnected", true, &mid))
        m_stateInflight.insert(mid);
    if (!m_config.discovery)
        return;
    for (const Discovery::Message &m : Discovery::messages(m_config, m_version, m_factor))
        if (publish(m.topic, m.payload, true, &mid))
            m_stateInflight.insert(mid);
}

void MqttLink::pump()
{
    const auto room = [this] { return Window - int(m_inflight.size()) - m_heldInflight; };
    const bool heldMinute = std::any_of(m_held.begin(), m_held.end(),
                                        [](const Item &i) { return i.topic == "minute"; });
    while (m_failure.isEmpty() && room() > 0) {
        const QList<Outbox::Record> records = m_outbox.read(m_nextToSend, room());
        reportOutbox();
        if (records.isEmpty())
            break;
        const qint64 newestMinute = heldMinute ? 0 : m_outbox.newestOf("minute");
        for (const Outbox::Record &r : records) {
            int mid = 0;
            const bool retain = r.topic == "minute" && r.seq == newestMinute;
            if (!publish(topic(r.topic), r.payload, retain, &mid))
                return;
            m_inflight.insert(mid, r.seq);
            m_nextToSend = r.seq + 1;
        }
    }
    // The held messages are newer than all the outbox holds.
    for (auto it = m_held.begin(); it != m_held.end() && m_failure.isEmpty() && room() > 0; ++it) {
        if (it->mid >= 0)
            continue;
        const bool retain = it->topic == "minute" &&
                            std::none_of(std::next(it), m_held.end(),
                                         [](const Item &i) { return i.topic == "minute"; });
        if (!publish(topic(it->topic), it->payload, retain, &it->mid))
            return;
        ++m_heldInflight;
    }
}

bool MqttLink::drained() const
{
    return m_inflight.isEmpty() && m_stateInflight.isEmpty() && m_heldInflight == 0 &&
           !m_stateDirty && m_nextToSend > m_outbox.lastSeq() &&
           std::all_of(m_held.begin(), m_held.end(), [](const Item &i) { return i.mid >= 0; });
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
        m_report(Event::Note, QCoreApplication::translate(
                                  "MqttLink", "MQTT outbox cannot note what was sent: ") +
                                  error);
}

// What was handed over before stop() is in the outbox now; while the
// deadline allows, it and the counter's state go out, then "offline".
void MqttLink::finish()
{
    Clock::time_point deadline;
    {
        std::lock_guard lock(m_mutex);
        deadline = m_deadline;
    }
    // A last chance for what waits in memory: the disk may take it now.
    flushHeld();
    const auto loop = [&] {
        return m_session && m_failure.isEmpty() && Clock::now() < deadline &&
               mosquitto_loop(m_mosq, 100, 1) == MOSQ_ERR_SUCCESS;
    };
    if (m_mosq && m_session) {
        do {
            publishState();
            pump();
        } while (!drained() && loop());
        int mid = 0;
        if (publish(topic("status"), "offline", true, &mid))
            m_stateInflight.insert(mid);
        while (m_stateInflight.contains(mid) && loop()) {
        }
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
        link->m_failure =
            QCoreApplication::translate("MqttLink", "%1 refused the connection: %2")
                .arg(link->m_config.describe(), QString::fromUtf8(mosquitto_connack_string(rc)));
        return;
    }
    link->m_session = true;
    link->m_stateDirty = true;
    link->m_report(Event::Connected, QCoreApplication::translate("MqttLink", "connected to ") +
                                         link->m_config.describe());
    link->publish(link->topic("status"), "online", true, nullptr);
    if (link->m_config.discovery)
        mosquitto_subscribe(mosq, nullptr, Discovery::StatusTopic, 1);
}

void MqttLink::onDisconnect(mosquitto *, void *self, int rc)
{
    auto *link = static_cast<MqttLink *>(self);
    if (link->m_failure.isEmpty())
        link->m_failure = link->lostText(rc);
}

void MqttLink::onPublish(mosquitto *, void *self, int mid)
{
    auto *link = static_cast<MqttLink *>(self);
    if (!link->m_inflight.remove(mid) && !link->m_stateInflight.remove(mid)) {
        const auto held = std::find_if(link->m_held.begin(), link->m_held.end(),
                                       [mid](const Item &i) { return i.mid == mid; });
        if (held == link->m_held.end())
            return;
        link->m_held.erase(held);
        --link->m_heldInflight;
    }
    // The broker took a message and the station's state: the connection
    // works, so a later failure starts the back-off and its report anew.
    if (link->m_stateInflight.isEmpty() && !link->m_stateDirty) {
        link->m_backoffMs = FirstBackoffMs;
        link->m_reported.clear();
        link->m_tlsRefusal.reset();
    }
}

void MqttLink::onMessage(mosquitto *, void *self, const mosquitto_message *message)
{
    auto *link = static_cast<MqttLink *>(self);
    if (!message || !message->topic || std::strcmp(message->topic, Discovery::StatusTopic) != 0)
        return;
    if (QByteArrayView(static_cast<const char *>(message->payload), message->payloadlen) ==
        "online")
        link->m_stateDirty = true;
}
