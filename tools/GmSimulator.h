// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A stand-in for the GM counter: a pseudo-terminal pair whose slave side a program opens like a
// serial port, and a sender that writes one byte per tube pulse into the master side.
//
// As another kind of counter (startDevice), the pulses are not sent as bytes but reported as
// that kind reports them: a GQ GMC answers "<GETVER>>" with its model and, between
// "<HEARTBEAT1>>" and "<HEARTBEAT0>>", sends the count of each second (2 bytes big-endian, 4
// from the GMC-500 on; what does not fit in 14 bits waits for the next second); a Rad Pro
// answers "GET deviceId" and "GET tubePulseCount" (its cumulative count) line by line; a
// text-line counter sends "CPS, n, CPM, m, uSv/hr, x, SLOW" every second.
//
// Pulses come Poisson-distributed at a mean count rate, at a fixed rate, in bursts, or as fast
// as the line takes (flood).  Sending stops after a number of pulses, after a duration, or on
// stop(); sent() is exactly the number of bytes the pseudo-terminal accepted.
//
// Threads: one owner thread calls everything; run() blocks on the calling thread, start() runs
// it on a thread of its own.  stop() and sent() may be called from any thread.

#include "core/UniqueFd.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

class GmSimulator
{
public:
    enum class Mode { Poisson, Rate, Burst, Flood };
    enum class Kind { Pulses, Gmc, RadPro, Lines };

    struct Device {
        Kind kind = Kind::Gmc;
        std::string model = "GMC-320Re 4.22";  // GQ GMC: the answer to <GETVER>>
        std::string deviceId = "b5706d937087f975"; // Rad Pro: the third field of deviceId
        uint32_t startCount = 0;                 // Rad Pro: the cumulative count at start
    };

    struct Options {
        Mode mode = Mode::Poisson;
        double cpm = 60.0;        // Poisson: mean pulses per minute
        double perSecond = 1.0;   // Rate: pulses per second
        int burstSize = 10;       // Burst: pulses per burst ...
        int burstPeriodMs = 1000; // ... one burst every this many ms
        int64_t limit = 0;        // stop after this many pulses; 0: no limit
        int64_t durationMs = 0;   // stop after this long; 0: no limit
        char pulseByte = '*';
        uint32_t seed = 0; // 0: seeded from the clock
    };

    GmSimulator();
    // Stops the sender, removes the published link and closes both sides.
    ~GmSimulator();
    GmSimulator(const GmSimulator &) = delete;
    GmSimulator &operator=(const GmSimulator &) = delete;

    // Opens the pair and makes the line raw (no echo, no line editing, 8 bits).  The slave
    // side stays open here too, so the line lives while no reader has it open.  False with
    // error() when the system has no pseudo-terminals left.
    bool openPty();
    const std::string &slavePath() const { return m_slavePath; }
    int masterFd() const { return m_master.get(); }
    // A symlink at linkPath to the slave (its folder is made if missing); removed again by
    // the destructor.  An existing link is replaced.
    bool publish(const std::string &linkPath);
    const std::string &error() const { return m_error; }

    // Answers as that kind of counter on a thread of its own until stopDevice() or
    // closeMaster(); a renewed pair is served too.  The pulses of run() then go to it.
    void startDevice(const Device &device);
    void stopDevice();
    // Pulses the device has put on the line (in heartbeats, lines or answered counts).
    int64_t delivered() const { return m_delivered; }
    // Commands and requests the device has read.
    int64_t requests() const { return m_requests; }

    // Sends on the calling thread until a limit is reached, stop() is called or the line is
    // gone.  Returns the number of bytes sent by this run (pulses made, with a device).
    int64_t run(const Options &options);
    // run() on a thread of its own; a running sender is stopped first.
    void start(const Options &options);
    void stop();
    // Waits for the sender thread to end by itself; false when timeoutMs passed first.
    bool waitFinished(int timeoutMs);
    bool isRunning() const { return m_running; }
    int64_t sent() const { return m_sent; }

    // Pulls the adapter: closes the master side (the slave's readers see a hang-up).  Stops
    // the sender first.
    void closeMaster();

    // For a driver that keeps its line between readers: once a reader has taken the line (set
    // its exclusive flag) and let it go again, the pair is replaced by a fresh one and the
    // published link re-pointed to it, as a re-plugged adapter would appear.  A terminal whose
    // reader was killed keeps that flag, which only root may get past.  Call it repeatedly from
    // the owner thread while no sender runs; Renewed: slavePath() is new.
    enum class Renewal { None, Renewed, Failed };
    Renewal renewWhenReleased();

private:
    bool repointLink();
    bool pulses(const char *data, int64_t count, int64_t deadlineNs);
    void serve();
    void answer(std::string &input);
    void everySecond();
    void say(const std::string &text);
    bool writeAll(const char *data, int64_t count, int64_t deadlineNs);
    bool sleepUntil(int64_t deadlineNs);

    UniqueFd m_master;
    UniqueFd m_slave;
    UniqueFd m_stopRead; // wakes the sender's waits when stop() writes into m_stopWrite
    UniqueFd m_stopWrite;
    std::string m_slavePath;
    std::string m_link;
    std::string m_error;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_running{false};
    std::atomic<int64_t> m_sent{0};
    std::atomic<int64_t> m_made{0};      // pulses made by run() for the device
    std::atomic<int64_t> m_pending{0};   // made, not yet on the line
    std::atomic<int64_t> m_delivered{0};
    std::atomic<int64_t> m_requests{0};
    Device m_device;
    std::thread m_deviceThread;
    std::atomic<bool> m_deviceStop{false};
    bool m_hasDevice = false;
    bool m_heartbeat = false; // device thread only
    uint32_t m_cumulative = 0; // device thread only
};
