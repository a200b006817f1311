// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "publish/MqttConfig.h"
#include "publish/Outbox.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QSet>
#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
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
// newest minute retained.  While the outbox cannot take a message (a full
// disk) up to HeldLimit messages wait in memory, are sent live, and go to
// the outbox with the next message once it takes them again.  A failed
// connect, a refused log-in, a refused certificate or a lost connection
// closes the client and tries again after a back-off of 1 s doubling to
// 60 s; each different failure is reported once.  The back-off and that
// memory are reset only once the broker acknowledged a message and the
// station's state, not by a mere CONNACK.  Messages the broker sends are
// read only for Home Assistant's status: nothing else is acted on.
//
// Stopping drains the mailbox into the outbox, publishes the counter's
// state and what is pending while the deadline allows, then "offline".
// A link that is retired stops on its own thread: nobody waits for it
// until waitRetired() at the end of the process.
class MqttLink
{
public:
    using Clock = std::chrono::steady_clock;

    enum class Event {
        Connected, // the broker accepted the connection
        Problem,   // a failure to connect or a lost connection (once per kind)
        Note,      // the outbox dropped its oldest records, or cannot write
        Failed,    // the outbox cannot be opened: the link ended and publishes nothing
    };
    using Report = std::function<void(Event, const QString &)>;

    static constexpr int Window = 20;
    static constexpr int FirstBackoffMs = 1000;
    static constexpr int LastBackoffMs = 60000;
    static constexpr int HeldLimit = 2 * 1440;

    MqttLink(const MqttConfig &config, const QString &outboxFolder, const QString &version,
             Report report);
    // Stops the thread as stop() does, with no time to drain.
    ~MqttLink();
    MqttLink(const MqttLink &) = delete;
    MqttLink &operator=(const MqttLink &) = delete;

    // Opens the outbox now (it reads what the outbox holds): empty text,
    // else why it cannot be used, e.g. another logger of the station holds
    // it (with its pid).  Optional: start() opens it on the link's thread
    // otherwise, and reports Failed.
    QString open();
    void start();
    // Drains and stops as the class says, within `deadline`, and joins the
    // thread; a name lookup under way finishes first.
    void stop(Clock::time_point deadline);
    // Stops `link` on its own thread; the caller does not wait.
    static void retire(std::unique_ptr<MqttLink> link, Clock::time_point deadline);
    // Joins the retired links until `deadline`; false when one was still
    // busy (it is then left to end with the process).
    static bool waitRetired(Clock::time_point deadline);

    void enqueue(const QByteArray &topic, const QByteArray &payload);
    void setCounterConnected(bool connected);
    void setFactor(std::optional<double> factor);

    // Any thread; as the network thread saw them at most a loop ago.
    // Records in the outbox the broker has not acknowledged yet.
    qint64 pending() const { return m_pending.load(); }
    // Whether the broker accepted the connection.
    bool connected() const { return m_connected.load(); }

private:
    struct Item {
        QByteArray topic;
        QByteArray payload;
        int mid = -1; // held in memory: the message id while in flight
    };

    void requestStop(Clock::time_point deadline);
    bool openOutbox();
    void run();
    void work();
    void takeMailbox();
    void flushHeld();
    void reportOutbox();
    bool drained() const;
    void connectClient();
    void closeClient(const QString &why);
    void pump();
    void saveAck(bool now);
    void publishState();
    void finish();
    QByteArray topic(const QByteArray &relative) const;
    bool publish(const QByteArray &topic, const QByteArray &payload, bool retain, int *mid);
    // Tells why, with what follows (the retry), once per kind of cause.
    void problem(const QString &why, const QString &retry = {});
    QString lostText(int rc);
    QString reason(int rc);

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
    std::deque<Item> m_items;
    std::optional<std::optional<double>> m_newFactor;
    std::optional<bool> m_newCounter;
    bool m_stopping = false;
    Clock::time_point m_deadline;
    std::atomic<bool> m_done = false; // run() returned

    // Written by the network thread only.
    std::atomic<qint64> m_pending{0};
    std::atomic<bool> m_connected{false};

    // The network thread's own state (the small members last, to pack them).
    std::thread m_thread;
    mosquitto *m_mosq = nullptr;
    QString m_failure;             // set by a callback, acted on after the loop returns
    QString m_reported;            // the last failure reported
    std::optional<QString> m_tlsRefusal; // why the certificate was refused, once asked
    Clock::time_point m_attempt;   // when the client was connected last
    Clock::time_point m_nextAttempt;
    QMap<int, qint64> m_inflight;  // message id -> outbox record
    QSet<int> m_stateInflight;     // status, counter and discovery in flight
    std::deque<Item> m_held;       // what the outbox could not take
    int m_heldInflight = 0;
    bool m_heldTold = false;
    qint64 m_nextToSend = 1;
    qint64 m_ackTarget = 0;
    Clock::time_point m_ackSaved;
    std::optional<double> m_factor;
    int m_backoffMs = FirstBackoffMs;
    bool m_outboxOpen = false;
    bool m_stopNow = false;        // the thread's copy of m_stopping
    bool m_session = false;        // CONNACK accepted
    bool m_counter = false;
    bool m_stateDirty = true;      // counter state and discovery to (re)publish
};
