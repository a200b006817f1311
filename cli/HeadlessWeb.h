// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "web/WebAddress.h"

#include <QObject>

#include <cstdio>
#include <optional>

class Clock;
class HeadlessLogger;
class Uploader;
class WebFeed;
class WebServer;

// The web page and metrics of the measurement without a window (--http):
// listens before the port opens, so that an address in use fails the start
// with nothing opened, then follows the logger's tallies, its port and its
// MQTT outbox, and the uploads' answers.
//
// Main thread only.
class HeadlessWeb : public QObject
{
    Q_OBJECT
public:
    explicit HeadlessWeb(std::FILE *err = stderr, QObject *parent = nullptr);
    ~HeadlessWeb() override;

    // Binds `address`; the address served, or the reason it failed, goes
    // to `err` (with a warning when it is not this machine's loopback).
    bool listen(const WebAddress &address, const HeadlessLogger &logger, const Clock *clock,
                std::optional<double> factor);
    // Once the logger has started: its port, its publisher, the uploads.
    void attach(const HeadlessLogger &logger, const QString &portName, const Uploader *uploader);

    WebServer *server() const { return m_server; }

private:
    void writeLine(const QString &line) const;

    std::FILE *m_err;
    WebServer *m_server = nullptr;
    WebFeed *m_feed = nullptr;
};
