// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Trs232c owns one serial port: it keeps every line setting as a property, opens the port with
// them, reads received bytes under a time limit, switches DTR and reports line events through
// its event properties.  Line events are watched by a tcommthread that open starts when at least
// one line-event handler is assigned; every handler runs on the GUI thread.
//
// Threads: construct, set properties, assign handlers and call every operation on the GUI
// thread (the thread that owns this object).  The comm thread only waits on the port and
// reads the receive-queue size; it hands each completed wait to the GUI thread and blocks
// until the dispatch has run there.
//
// Failures are results, never messages: open, close, read, readchar and setdtr return false;
// lastError() says why the last open failed.
//
// POSIX notes:
// - portname is a device path ("/dev/ttyUSB0", a link to one), opened as given, or a name of
//   the port list ("ttyUSB0", "gmsim0"): /dev/NAME when that exists, else the simulator's
//   link of that name (SerialPortList::resolve).  The open is exclusive until close:
//   TIOCEXCL (released again at close), a non-blocking flock (which also holds against root
//   and against a second component of this program) and the lock file LCK..name in
//   lockDirectory(), the one other serial programs take.  A lock file whose process has
//   ended is taken over.
// - stopbit "1.5" sets two stop bits in termios terms; a UART sends those as 1.5 stop bits
//   with 5 data bits.  charbit's low byte must be 5 to 8, else open fails.
// - flowflag: bit 1 checks parity on input (a byte with a parity error reads as 0), bit 2 or
//   RTS control 2 is CTS/RTS flow control, bits 8 and 9 are XON/XOFF on output and input with
//   XonChar/XoffChar, DTR control (bits 4-5) and RTS control (bits 12-13) 0 hold the line low,
//   1 and 2 raise it (RTS toggle, 3, holds it low: nothing is sent).  The other bits have no
//   termios counterpart and are ignored.  With flowflag 1 DTR and RTS are low right after open
//   (the kernel raises them for a moment while the device opens).
// - rxbuffsize, txbuffsize, txtimeout, XonLim, XoffLim, ErrorChar, EofChar and EvtChar have no
//   termios counterpart; they are kept and stored but change nothing.  OnRXFLAG and OnTXEMPTY
//   never fire (the kernel reports neither), OnBREAK/OnERR only where the driver counts breaks
//   and line errors (a real UART; not a pseudo-terminal), OnCTS/OnDSR/OnRING/OnRLSD only where
//   the device has modem lines; both are sampled every 100 ms while such a handler is assigned.

#include "serial/SerialPosix.h"
#include "serial/rsflowset.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>

class tcommthread;

using TNotifyEvent = std::function<void(QObject *sender)>;
using THandlerErrorEvent = std::function<void(QObject *sender, const QString &text)>;

class Trs232c : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int charbit READ charbit WRITE setCharbit)
    Q_PROPERTY(QString stopbit READ stopbit WRITE setStopbit)
    Q_PROPERTY(int bps READ bps WRITE setBps)
    Q_PROPERTY(QString portname READ portname WRITE setPortname)
    Q_PROPERTY(int rxbuffsize READ rxbuffsize WRITE setRxbuffsize)
    Q_PROPERTY(int txbuffsize READ txbuffsize WRITE setTxbuffsize)
    Q_PROPERTY(int readinterval READ readinterval WRITE setReadinterval)
    Q_PROPERTY(int txtimeout READ txtimeout WRITE setTxtimeout)
    Q_PROPERTY(int rxtimeout READ rxtimeout WRITE setRxtimeout)
    Q_PROPERTY(QString paritymode READ paritymode WRITE setParitymode)
    Q_PROPERTY(int flowflag READ flowflag WRITE setFlowflag)
    Q_PROPERTY(int packetsize READ packetsize WRITE setPacketsize)
    Q_PROPERTY(rsflowset flow READ flow WRITE setFlow)
    Q_PROPERTY(int XonLim READ XonLim WRITE setXonLim)
    Q_PROPERTY(int XoffLim READ XoffLim WRITE setXoffLim)
    Q_PROPERTY(char XonChar READ XonChar WRITE setXonChar)
    Q_PROPERTY(char XoffChar READ XoffChar WRITE setXoffChar)
    Q_PROPERTY(char ErrorChar READ ErrorChar WRITE setErrorChar)
    Q_PROPERTY(char EofChar READ EofChar WRITE setEofChar)
    Q_PROPERTY(char EvtChar READ EvtChar WRITE setEvtChar)

public:
    // Values that the main window's stored layout gives its port; every other stored value
    // equals the value after construction.
    static constexpr int StoredRxTimeout = 100;
    static constexpr int StoredTxTimeout = 3000;

    explicit Trs232c(QObject *owner = nullptr);
    // Closes an open port first, OnClose included.  Never destroy the component from inside
    // one of its own handlers.
    ~Trs232c() override;

    void applyStoredValues();

    // Properties.  Setting one changes only the stored value; it takes effect at the next open.
    int charbit() const { return m_charbit; }
    void setCharbit(int v) { m_charbit = v; }
    QString stopbit() const { return m_stopbit; }
    void setStopbit(const QString &v) { m_stopbit = v; }
    int bps() const { return m_bps; }
    void setBps(int v) { m_bps = v; }
    QString portname() const { return m_portname; }
    void setPortname(const QString &v) { m_portname = v; }
    int rxbuffsize() const { return m_rxbuffsize; }
    void setRxbuffsize(int v) { m_rxbuffsize = v; }
    int txbuffsize() const { return m_txbuffsize; }
    void setTxbuffsize(int v) { m_txbuffsize = v; }
    int readinterval() const { return m_readinterval; }
    void setReadinterval(int v) { m_readinterval = v; }
    int txtimeout() const { return m_txtimeout; }
    void setTxtimeout(int v) { m_txtimeout = v; }
    int rxtimeout() const { return m_rxtimeout; }
    void setRxtimeout(int v) { m_rxtimeout = v; }
    QString paritymode() const { return m_paritymode; }
    void setParitymode(const QString &v) { m_paritymode = v; }
    int flowflag() const { return m_flowflag; }
    void setFlowflag(int v) { m_flowflag = v; }
    int packetsize() const { return m_packetsize; }
    void setPacketsize(int v) { m_packetsize = v; }
    rsflowset flow() const { return rsflowset::fromBits(quint32(m_flowflag)); }
    // Replaces the whole flags word: bits 15 and up become 0.
    void setFlow(rsflowset v) { m_flowflag = v.bits(); }
    int XonLim() const { return m_XonLim; }
    void setXonLim(int v) { m_XonLim = v; }
    int XoffLim() const { return m_XoffLim; }
    void setXoffLim(int v) { m_XoffLim = v; }
    char XonChar() const { return m_XonChar; }
    void setXonChar(char v) { m_XonChar = v; }
    char XoffChar() const { return m_XoffChar; }
    void setXoffChar(char v) { m_XoffChar = v; }
    char ErrorChar() const { return m_ErrorChar; }
    void setErrorChar(char v) { m_ErrorChar = v; }
    char EofChar() const { return m_EofChar; }
    void setEofChar(char v) { m_EofChar = v; }
    char EvtChar() const { return m_EvtChar; }
    void setEvtChar(char v) { m_EvtChar = v; }

    // Event properties: a handler is assigned when the function is not empty.  The line
    // events (OnBREAK to OnTXEMPTY, and OnPACKET) get the comm thread as sender, the others
    // the component.  Which line events are watched is fixed at open from the handlers
    // assigned then; a handler removed after open is skipped.
    TNotifyEvent OnBREAK;
    TNotifyEvent OnCTS;
    TNotifyEvent OnDSR;
    TNotifyEvent OnERR;
    TNotifyEvent OnRING;
    TNotifyEvent OnRLSD;
    TNotifyEvent OnRXCHAR;
    TNotifyEvent OnRXFLAG;
    TNotifyEvent OnTXEMPTY;
    TNotifyEvent OnCreate;
    TNotifyEvent OnOpen;
    TNotifyEvent OnClose;
    TNotifyEvent OnPACKET;
    // The device went away while open (adapter pulled, hang-up, I/O error).  Fired once, on
    // the GUI thread, sender the component; the comm thread then stops waiting.  The port
    // stays open until close, which still works; reads fail meanwhile.
    TNotifyEvent OnLOST;
    // A handler threw during a line-event dispatch: the rest of that dispatch is skipped, the
    // comm thread goes on waiting, and this gets the exception's text (sender: the component).
    // Unassigned, the text goes to qWarning.
    THandlerErrorEvent OnHANDLERERROR;

    // True when the port is open and the comm thread (if any) runs.  False: already open, or
    // the device could not be opened, locked or set up, or the comm thread could not be
    // started (nothing stays open then).
    bool open();
    // Stops the comm thread, fires OnClose, closes the device.  False when the port was not
    // open (no OnClose then) or the device's close failed.  Hand-overs the comm thread has
    // pending are run while close waits, so their handlers see the port still open; no other
    // event (timer, input) runs inside close.  May be called from a line-event handler.
    bool close();
    // Reads exactly count bytes into buffer, waiting at most rxtimeout ms (0 or less: no
    // wait) and, with readinterval > 0, at most that long between two bytes.  False when the
    // port is closed or fewer bytes came; bytes that did come are in buffer and consumed.
    bool read(char *buffer, int count);
    // Bytes the last read delivered into its buffer, also when it returned false.
    int transferred() const { return m_transferred; }
    // Queues count bytes for sending without waiting (a counter's command).  False on a
    // closed port, a device that is gone, or an output queue too full to take them all (what
    // it took is sent).
    bool write(const char *data, int count);
    // One byte; on false byte is left as it was.
    bool readchar(char &byte);
    // Raises or lowers DTR.  False on a closed port or a device without modem lines (a
    // pseudo-terminal).
    bool setdtr(bool level);

    bool isOpen() const { return m_open; }
    // The line events watched since the last open (tcommthread::EV_ bits); a comm thread runs
    // exactly while the port is open with a mask that is not 0.
    quint32 eventmask() const { return m_eventmask; }
    // Bytes in the receive queue now, so that a receive handler can read them all without
    // waiting for the read time-out; -1 on a closed port or a device that is gone.
    int inQueue() const;
    QString lastError() const { return m_lastError; }
    // True when the last open failed because this user may not open the device (EACCES,
    // EPERM): typically not a member of the group that owns the serial devices.
    bool lastErrorWasPermission() const { return m_lastErrorWasPermission; }

    // The folder of the UUCP lock files ("/var/lock" after construction); empty skips them.
    QString lockDirectory() const { return m_lockDirectory; }
    void setLockDirectory(const QString &dir) { m_lockDirectory = dir; }

private:
    friend class tcommthread;

    quint32 requestedEvents() const;
    SerialPosix::LineSettings lineSettings() const;
    void reportHandlerError(const QString &text);
    static void fire(const TNotifyEvent &handler, QObject *sender);

    SerialPosix m_port;
    quint32 m_eventmask = 0;
    std::unique_ptr<tcommthread> m_thread;

    int m_bps = 9600;
    int m_rxbuffsize = 1024;
    int m_txbuffsize = 1024;
    QString m_portname = QStringLiteral("COM1");
    int m_charbit = 8;
    QString m_stopbit = QStringLiteral("1");
    int m_readinterval = 0;
    int m_rxtimeout = 30000;
    int m_txtimeout = 30000;
    QString m_paritymode = QStringLiteral("無し");
    int m_flowflag = 1;
    int m_XonLim = 0;
    int m_XoffLim = 0;
    char m_XonChar = 19;
    char m_XoffChar = 17;
    char m_ErrorChar = 0;
    char m_EofChar = 0;
    char m_EvtChar = 0;

    bool m_open = false;
    int m_packetsize = 0;
    int m_transferred = 0;
    // Every byte read since open; written by the GUI thread, read by the comm thread to tell
    // bytes that arrived from bytes that were left queued.
    std::atomic<qint64> m_bytesRead{0};
    QString m_lastError;
    bool m_lastErrorWasPermission = false;
    QString m_lockDirectory = QStringLiteral("/var/lock");
};
