// SPDX-License-Identifier: GPL-3.0-or-later
#include "logfile/TableWriter.h"

#include "core/QtPostUnseen.h"
#include "logfile/AtomicFile.h"
#include "logfile/AutoSave.h"

#include <QPointer>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <sys/resource.h>
#include <unistd.h>

namespace
{

constexpr int WriterNice = 10;

} // namespace

// Shared with the thread, so that a thread left hanging at the end never
// touches a destroyed writer.
struct TableWriter::State {
    enum class Kind { AutoSave, Recovery, Settle, File };

    struct Request {
        Kind kind;
        QString dataFolder; // AutoSave: the folder; File: the path
        QDateTime t;
        DaySnapshot table;
        QByteArray bytes; // File
        Done done;        // File
    };

    enum class Outcome {
        AutoSaved,
        AutoSaveFailed,
        RecoveryWritten,
        RecoveryFailed,
        Dropped,
        FileWritten
    };

    struct Report {
        Outcome outcome;
        QString path;
        QString failure;
        Done done;
    };

    explicit State(const QString &folder) : recovery(folder) {}

    RecoveryCopy recovery;
    std::mutex mutex;
    std::condition_variable wake; // a request came, or the end
    std::condition_variable idle; // a request was carried out
    std::deque<Request> queue;
    std::deque<Report> reports;
    bool busy = false;
    bool ending = false;
    bool deliveryPosted = false;
    std::function<void()> postDelivery; // called under the mutex

    void run();
    std::deque<Report> carryOut(const Request &r);
    void enqueue(Request r);
    void postReports(); // under the mutex
    bool waitIdle(std::unique_lock<std::mutex> &lock, int ms);
};

auto TableWriter::State::carryOut(const Request &r) -> std::deque<Report>
{
    std::deque<Report> out;
    const auto writeCopy = [&] {
        const QString failure = recovery.write(r.table);
        out.push_back({failure.isEmpty() ? Outcome::RecoveryWritten : Outcome::RecoveryFailed,
                       recovery.path(), failure, {}});
    };
    switch (r.kind) {
    case Kind::AutoSave: {
        QString path;
        const QString failure = AutoSave::save(r.dataFolder, r.t, r.table, &path);
        out.push_back({failure.isEmpty() ? Outcome::AutoSaved : Outcome::AutoSaveFailed, path,
                       failure, {}});
        if (failure.isEmpty())
            recovery.settle();
        else
            writeCopy();
        break;
    }
    case Kind::Recovery:
        writeCopy();
        break;
    case Kind::Settle:
        recovery.settle();
        break;
    case Kind::File:
        out.push_back(
            {Outcome::FileWritten, r.dataFolder, AtomicFile::write(r.dataFolder, r.bytes), r.done});
        break;
    }
    return out;
}

void TableWriter::State::run()
{
    // Files may wait a moment; the window may not.  On a busy machine the
    // GUI thread of this process goes first.
    const auto self = id_t(::gettid());
    ::setpriority(PRIO_PROCESS, self, std::min(::getpriority(PRIO_PROCESS, self) + WriterNice, 19));
    std::unique_lock lock(mutex);
    for (;;) {
        wake.wait(lock, [this] { return ending || !queue.empty(); });
        if (queue.empty())
            return;
        const Request r = std::move(queue.front());
        queue.pop_front();
        busy = true;
        lock.unlock();
        std::deque<Report> done = carryOut(r);
        lock.lock();
        busy = false;
        for (Report &report : done)
            reports.push_back(std::move(report));
        postReports();
        idle.notify_all();
    }
}

void TableWriter::State::postReports()
{
    if (!reports.empty() && !deliveryPosted && postDelivery) {
        deliveryPosted = true;
        postDelivery();
    }
}

bool TableWriter::State::waitIdle(std::unique_lock<std::mutex> &lock, int ms)
{
    return idle.wait_for(lock, std::chrono::milliseconds(ms),
                         [this] { return queue.empty() && !busy; });
}

void TableWriter::State::enqueue(Request r)
{
    {
        std::lock_guard lock(mutex);
        const auto oldest = std::find_if(queue.begin(), queue.end(),
                                         [](const Request &q) { return q.kind != Kind::File; });
        if (int(queue.size()) >= MaxQueued && oldest != queue.end()) {
            reports.push_back({Outcome::Dropped,
                               oldest->kind == Kind::AutoSave
                                   ? AutoSave::filePath(oldest->dataFolder, oldest->t)
                                   : recovery.path(),
                               {},
                               {}});
            queue.erase(oldest);
            postReports();
        }
        queue.push_back(std::move(r));
    }
    wake.notify_one();
}

TableWriter::TableWriter(const QString &recoveryFolder, QObject *parent)
    : QObject(parent), m_state(std::make_shared<State>(recoveryFolder))
{
    QPointer<TableWriter> self(this);
    m_state->postDelivery = [self] {
        const QtPostUnseen post;
        QMetaObject::invokeMethod(
            self.data(),
            [self] {
                if (self)
                    self->deliver();
            },
            Qt::QueuedConnection);
    };
    std::shared_ptr<State> state = m_state;
    m_thread = QThread::create([state] { state->run(); });
    m_thread->setObjectName(QStringLiteral("table writer"));
    m_thread->start();
}

TableWriter::~TableWriter()
{
    // The outcomes have no one to go to any more; the files still matter.
    std::unique_lock lock(m_state->mutex);
    const bool drained = m_state->waitIdle(lock, StopDeadline::remainingMs());
    m_state->ending = true;
    m_state->postDelivery = nullptr;
    lock.unlock();
    m_state->wake.notify_all();
    if (drained && m_thread->wait(qMax(1000, StopDeadline::remainingMs())))
        delete m_thread;
    // else: the thread holds its state alive and ends with the process.
}

void TableWriter::autoSave(const QString &dataFolder, const QDateTime &t,
                           const DaySnapshot &table)
{
    m_state->enqueue({State::Kind::AutoSave, dataFolder, t, table, {}, {}});
}

void TableWriter::keepRecoveryCopy(const DaySnapshot &table)
{
    m_state->enqueue({State::Kind::Recovery, {}, {}, table, {}, {}});
}

void TableWriter::settleRecoveryCopy()
{
    m_state->enqueue({State::Kind::Settle, {}, {}, {}, {}, {}});
}

void TableWriter::writeFile(const QString &path, const QByteArray &bytes, Done done)
{
    m_state->enqueue({State::Kind::File, path, {}, {}, bytes, std::move(done)});
}

bool TableWriter::finish(int ms)
{
    bool drained = false;
    {
        std::unique_lock lock(m_state->mutex);
        drained = m_state->waitIdle(lock, ms);
    }
    deliver();
    return drained;
}

int TableWriter::pending() const
{
    std::lock_guard lock(m_state->mutex);
    return int(m_state->queue.size()) + (m_state->busy ? 1 : 0);
}

void TableWriter::deliver()
{
    std::deque<State::Report> reports;
    {
        std::lock_guard lock(m_state->mutex);
        reports.swap(m_state->reports);
        m_state->deliveryPosted = false;
    }
    for (const State::Report &r : reports) {
        switch (r.outcome) {
        case State::Outcome::AutoSaved:
            emit autoSaved(r.path);
            break;
        case State::Outcome::AutoSaveFailed:
            emit autoSaveFailed(r.path, r.failure);
            break;
        case State::Outcome::RecoveryWritten:
            emit recoveryCopyWritten();
            break;
        case State::Outcome::RecoveryFailed:
            emit recoveryCopyFailed(r.path, r.failure);
            break;
        case State::Outcome::Dropped:
            emit dropped(r.path);
            break;
        case State::Outcome::FileWritten:
            if (r.done)
                r.done(r.failure);
            break;
        }
    }
}
