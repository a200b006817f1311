// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "publish/MqttConfig.h"
#include "publish/Outbox.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

struct mosquitto;
struct mosquitto_message;

// The publisher's network thread: owns the libmosquitto client and the
// outbox, and does every name lookup, connect, TLS handshake, write and
// disk write of publishing, so that the thread that hands it messages never
// waits on a network or a disk.
//
// Hand-over: the enqueue and set calls (any thread) put an item into a
// mailbox under a mutex; the thread takes it within a quarter second.  It
// tells what happens through `Report`, called on the network thread.
//
// Every message is first appended to the outbox and leaves it when the
// broker acknowledged it (QoS 1): oldest first, up to Window in flight, the
// newest minute retained.  A failed connect, a refused log-in, a refused
// certificate or a lost connection closes the client and tries again after
// a back-off of 1 s doubling to 60 s; each different failure is reported
// once.  Messages the broker sends are read only for Home Assistant's
// status: nothing else is acted on.
class MqttLink
{
public:
    enum class Event {
        Connected, // the broker accepted the connection
        Problem,   // a failure to connect or a lost connection (once per kind)
        Note,      // the outbox dropped its oldest records, or cannot write
    };
    using Report = std::function<void(Event, const QString &)>;

    static constexpr int Window = 20;
    static constexpr int FirstBackoffMs = 1000;
    static constexpr int LastBackoffMs = 60000;

    MqttLink(const MqttConfig &config, const QString &outboxFolder, const QString &version,
             Report report);
    // Stops the thread as stop() does.
    ~MqttLink();
    MqttLink(const MqttLink &) = delete;
    MqttLink &operator=(const MqttLink &) = delete;

    void start();
    // Marks the station offline at the broker (when connected, within about
    // a second), closes the client and joins the thread.  A name lookup under
    // way finishes first.
    void stop();

    void enqueue(const QByteArray &topic, const QByteArray &payload);
    void setCounterConnected(bool connected);
    void setFactor(std::optional<double> factor);

    // Any thread; as the network thread saw them at most a loop ago.
    // Records in the outbox the broker has not acknowledged yet.
    qint64 pending() const { return m_pending.load(); }
    // Whether the broker accepted the connection.
    bool connected() const { return m_connected.load(); }

private:
    using Clock = std::chrono::steady_clock;

    void run();
    void takeMailbox();
    void connectClient();
    void closeClient(const QString &why);
    void pump();
    void saveAck(bool now);
    void publishState();
    void finish();
    QByteArray topic(const QByteArray &relative) const;
    bool publish(const QByteArray &topic, const QByteArray &payload, bool retain, int *mid);
    void problem(const QString &text);

    static void onConnect(mosquitto *, void *self, int rc);
    static void onDisconnect(mosquitto *, void *self, int rc);
    static void onPublish(mosquitto *, void *self, int mid);
    static void onMessage(mosquitto *, void *self, const mosquitto_message *message);

    const MqttConfig m_config;
    const QString m_version;
    const Report m_report;
    Outbox m_outbox;

    // Mailbox, under m_mutex.
    std::mutex m_mutex;
    std::condition_variable m_wake;
    struct Item {
        QByteArray topic;
        QByteArray payload;
    };
    std::deque<Item> m_items;
    std::optional<std::optional<double>> m_newFactor;
    std::optional<bool> m_newCounter;
    bool m_stopping = false;

    // Written by the network thread only.
    std::atomic<qint64> m_pending{0};
    std::atomic<bool> m_connected{false};

    // The network thread's own state (the small members last, to pack them).
    std::thread m_thread;
    mosquitto *m_mosq = nullptr;
    QString m_failure;             // set by a callback, acted on after the loop returns
    QString m_reported;            // the last failure reported
    Clock::time_point m_attempt;   // when the client was connected last
    Clock::time_point m_nextAttempt;
    QMap<int, qint64> m_inflight;  // message id -> outbox record
    qint64 m_nextToSend = 1;
    qint64 m_ackTarget = 0;
    Clock::time_point m_ackSaved;
    std::optional<double> m_factor;
    int m_backoffMs = FirstBackoffMs;
    bool m_outboxOpen = false;
    bool m_session = false;        // CONNACK accepted
    bool m_counter = false;
    bool m_stateDirty = true;      // counter state and discovery to (re)publish
};
