// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "counter/CounterKind.h"
#include "publish/MqttConfig.h"
#include "core/RecentMinutes.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <cstdio>
#include <deque>

class Alarm;
class Clock;
class DayTable;
class MeasurementSession;
class MqttPublisher;
class TickDriver;

// The measurement without a window: one session on one port, auto-saving
// every minute into a data folder, exactly the files the window writes.
// Needs QtCore only, so it runs under a QCoreApplication with no display.
//
// Reports as text lines, each flushed at once:
// - `out`: one line per minute tally, "yyyy-MM-ddTHH:mm+hh:mm<TAB>count<TAB>file"
//   (the minute the count is stored under with its offset from UTC, the
//   tally's own count, the file written; "-" for the file when the auto-save
//   failed); with a conversion factor two more fields: the mean of the last
//   10 minutes in cpm and that mean in µSv/h, so scripts that read the first
//   three keep working.  A minute met twice (the clocks went back) gets a
//   line for each pass with its own count and offset, while its cell in the
//   file holds the sum; the line is written once the file is;
// - `err`: the session's progress lines (port opened, lost, back, closed,
//   long gaps) and errors, why start() failed, and the alarm's crossings
//   ("alarm: ..." lines) when a threshold is given.
//
// Main thread only.  The clock must outlive the logger.
class HeadlessLogger : public QObject
{
    Q_OBJECT
public:
    struct Options {
        QString portName;   // a device path or a name of the port list, as the window takes
        QString dataFolder; // made with its parents when missing
        QString openFile;   // a log to continue; empty starts with an empty table
        CounterKind counterKind = CounterKind::Pulses;
        int baud = 0; // the line speed; 0 keeps the port's own (9600)
        const Clock *clock = nullptr;
        std::optional<MqttConfig> mqtt; // publish to this broker
        QString mqttOutbox;             // empty: the station's default outbox folder
        std::optional<double> factor;   // counts per minute per µSv/h
        std::optional<double> alarmCpm; // threshold of the running mean
        int alarmMinutes = 10;
        std::FILE *out = stdout;
        std::FILE *err = stderr;
    };

    explicit HeadlessLogger(const Options &options, QObject *parent = nullptr);
    ~HeadlessLogger() override;

    // Loads the log to continue, opens the port, then makes the data folder
    // (so that a port that fails leaves no folder behind) and starts
    // ticking.  False, with the reason written to `err` and nothing left
    // open, when the log cannot be read, the port cannot be opened, or the
    // folder cannot be made or written, or the MQTT outbox cannot be
    // opened (another logger of the station holds it).
    bool start();

    // Stops ticking and ends the measurement: the port and its lock are
    // released, then the files of the tallies made and the MQTT drain are
    // waited for, both within one StopDeadline.  As in the window, the pulses of
    // the running minute are not tallied (a part of a minute is no minute
    // count); their number is written to `err`.  Does nothing when not
    // measuring.
    void stop();

    MeasurementSession *session() const { return m_session; }
    const DayTable *table() const { return m_table; }
    MqttPublisher *publisher() const { return m_publisher; }

private:
    bool startPublisher();
    void writeTallyLine(const QString &file);
    void writeLine(std::FILE *to, const QString &line) const;
    QString doseFields() const;

    Options m_options;
    DayTable *m_table;
    MeasurementSession *m_session;
    TickDriver *m_ticks;
    MqttPublisher *m_publisher = nullptr;
    Alarm *m_alarm;
    RecentMinutes m_recent;
    struct Tally {
        QDateTime t;
        qint64 count = 0;
        QString doseFields; // as they were at the tally
    };
    std::deque<Tally> m_tallies; // tallied, their files not yet written
};
