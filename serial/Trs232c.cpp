// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/Trs232c.h"

#include "serial/SerialPortList.h"
#include "serial/tcommthread.h"

#include <QStringList>

#include <cerrno>
#include <exception>

namespace
{

// Parity names, tested row by row; the first exact match decides.
SerialPosix::Parity parityFromText(const QString &text)
{
    struct Row {
        SerialPosix::Parity parity;
        QStringList names;
    };
    static const Row rows[] = {
        {SerialPosix::Parity::None, {QStringLiteral("無し"), QStringLiteral("なし")}},
        {SerialPosix::Parity::Odd,
         {QStringLiteral("奇数"), QStringLiteral("きすう"), QStringLiteral("ODD"),
          QStringLiteral("odd"), QStringLiteral("ＯＤＤ"), QStringLiteral("ｏｄｄ")}},
        {SerialPosix::Parity::Even,
         {QStringLiteral("偶数"), QStringLiteral("ぐうすう"), QStringLiteral("EVEN"),
          QStringLiteral("even"), QStringLiteral("ＥＶＥＮ"), QStringLiteral("ｅｖｅｎ")}},
        {SerialPosix::Parity::Mark,
         {QStringLiteral("マーク"), QStringLiteral("まーく"), QStringLiteral("MARK"),
          QStringLiteral("mark"), QStringLiteral("ＭＡＲＫ"), QStringLiteral("ｍａｒｋ")}},
        {SerialPosix::Parity::Space,
         {QStringLiteral("スペース"), QStringLiteral("すぺーす"), QStringLiteral("SPACE"),
          QStringLiteral("space"), QStringLiteral("ＳＰＡＣＥ"), QStringLiteral("ｓｐａｃｅ")}},
    };
    for (const Row &row : rows) {
        for (const QString &name : row.names) {
            if (name == text)
                return row.parity;
        }
    }
    return SerialPosix::Parity::Keep;
}

SerialPosix::StopBits stopBitsFromText(const QString &text)
{
    if (text == u"1")
        return SerialPosix::StopBits::One;
    if (text == u"1.5")
        return SerialPosix::StopBits::OnePointFive;
    if (text == u"2")
        return SerialPosix::StopBits::Two;
    return SerialPosix::StopBits::Keep;
}

} // namespace

Trs232c::Trs232c(QObject *owner) : QObject(owner)
{
    fire(OnCreate, this);
}

Trs232c::~Trs232c()
{
    try {
        close();
    } catch (const std::exception &e) {
        reportHandlerError(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        reportHandlerError(QStringLiteral("unknown exception in OnClose"));
    }
}

void Trs232c::applyStoredValues()
{
    m_rxtimeout = StoredRxTimeout;
    m_txtimeout = StoredTxTimeout;
}

void Trs232c::fire(const TNotifyEvent &handler, QObject *sender)
{
    if (handler)
        handler(sender);
}

void Trs232c::reportHandlerError(const QString &text)
{
    if (OnHANDLERERROR) {
        try {
            OnHANDLERERROR(this, text);
            return;
        } catch (...) {
            // The report itself failed; fall through to the log so the text is not lost.
        }
    }
    qWarning("serial event handler failed: %s", qPrintable(text));
}

quint32 Trs232c::requestedEvents() const
{
    quint32 mask = 0;
    if (OnBREAK)
        mask |= tcommthread::EV_BREAK;
    if (OnCTS)
        mask |= tcommthread::EV_CTS;
    if (OnDSR)
        mask |= tcommthread::EV_DSR;
    if (OnERR)
        mask |= tcommthread::EV_ERR;
    if (OnRING)
        mask |= tcommthread::EV_RING;
    if (OnRLSD)
        mask |= tcommthread::EV_RLSD;
    if (OnRXCHAR)
        mask |= tcommthread::EV_RXCHAR;
    if (OnPACKET)
        mask |= tcommthread::EV_RXCHAR;
    if (OnRXFLAG)
        mask |= tcommthread::EV_RXFLAG;
    if (OnTXEMPTY)
        mask |= tcommthread::EV_TXEMPTY;
    return mask;
}

SerialPosix::LineSettings Trs232c::lineSettings() const
{
    SerialPosix::LineSettings s;
    s.bps = m_bps;
    s.dataBits = m_charbit & 0xff;
    s.stopBits = stopBitsFromText(m_stopbit);
    s.parity = parityFromText(m_paritymode);
    s.flags = quint32(m_flowflag);
    s.xonChar = m_XonChar;
    s.xoffChar = m_XoffChar;
    return s;
}

bool Trs232c::open()
{
    if (m_open)
        return false;
    m_lastErrorWasPermission = false;
    if (!m_port.open(SerialPortList::resolve(m_portname), m_lockDirectory)) {
        m_lastError = m_port.lastError();
        m_lastErrorWasPermission = m_port.lastErrno() == EACCES || m_port.lastErrno() == EPERM;
        return false;
    }
    // A set-up step that fails releases the device at once, so that the port is not left
    // locked until the program ends.
    if (!m_port.configure(lineSettings())) {
        m_lastError = m_port.lastError();
        m_port.close();
        return false;
    }
    m_lastError.clear();
    m_bytesRead = 0;
    m_eventmask = requestedEvents();
    if (m_eventmask != 0) {
        auto thread = std::make_unique<tcommthread>(this, &m_port, m_eventmask);
        if (const int err = thread->launch(); err != 0) {
            m_lastError = SerialPosix::errorText(QStringLiteral("comm thread"), err);
            m_port.close();
            return false;
        }
        m_thread = std::move(thread);
    }
    m_open = true;
    fire(OnOpen, this);
    return true;
}

bool Trs232c::close()
{
    if (!m_open)
        return false;
    if (m_thread) {
        // Taken out first: a hand-over that stop() runs may fire a handler that closes the
        // port itself (OnLOST of a device that went away as Stop was pressed).
        std::unique_ptr<tcommthread> thread = std::move(m_thread);
        thread->stop();
        // Closed from one of the thread's own handlers: that dispatch is still on the stack.
        if (thread->isDispatching())
            thread.release()->deleteLater();
        if (!m_open)
            return true; // closed by that handler, OnClose included
    }
    m_open = false;
    try {
        fire(OnClose, this);
    } catch (...) {
        m_port.close();
        throw;
    }
    return m_port.close();
}

bool Trs232c::read(char *buffer, int count)
{
    m_transferred = 0;
    if (!m_open)
        return false;
    if (count <= 0)
        return count == 0;
    const int got = m_port.read(buffer, count, {.totalMs = m_rxtimeout, .gapMs = m_readinterval});
    if (got > 0) {
        m_bytesRead += got;
        m_transferred = got;
    }
    return got == count;
}

bool Trs232c::write(const char *data, int count)
{
    if (!m_open)
        return false;
    return m_port.write(data, count) == count;
}

bool Trs232c::readchar(char &byte)
{
    char buffer = 0;
    if (!read(&buffer, 1))
        return false;
    byte = buffer;
    return true;
}

bool Trs232c::setdtr(bool level)
{
    if (!m_open)
        return false;
    return m_port.setDtr(level);
}

int Trs232c::inQueue() const
{
    return m_open ? m_port.inQueue() : -1;
}
