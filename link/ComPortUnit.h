#pragma once
// The serial worker: the only code that touches the port. It polls the port
// in passes 20 ms apart, cuts the input into lines at "\r\n", routes every
// line (DispatchLine) and logs it, recognises the bare prompt "=>", and
// writes queued command lines, one per pass. It never calls a window: it
// fills the link's queues and posts messages to its owner.

#include "link/BoardLinkUnit.h"
#include "link/Clock.h"
#include "link/SerialPort.h"

#include <QByteArray>
#include <QPointer>
#include <QThread>
#include <atomic>

class TComPort : public QThread {
    Q_OBJECT
public:
    // Longest unterminated input passed on as one line; a babbling board
    // cannot exhaust memory, and nothing it sends is dropped. Twice the
    // longest answer line, so that a request sees a flood as one within
    // a second at 115200 bit/s, well inside its silence limit.
    static constexpr qsizetype MaxLineBytes = 2 * MaxAnswerLineBytes;
    static constexpr int PassSleepMs = 20;
    // The prompt is taken as a line after more than this many ms of quiet.
    static constexpr qint64 PromptQuietMs = 100;
    // Unterminated text other than prompts and telemetry that has been quiet
    // this long is stale (noise in the line, a line whose end was lost): it
    // is passed on as a line and no longer holds the writes back. Longer
    // than the prompt's spell, so that a board pausing part-way through a
    // line for a moment does not have it cut in two.
    static constexpr qint64 StaleQuietMs = 300;
    // Longest a command line waits for a pass without input while the board
    // sends nothing but telemetry; then it is written in a pass with input.
    static constexpr qint64 MaxWriteDelayMs = 100;

    TComPort(bool CreateSuspended, QObject* OwnerForm, TBoardLink* Link, QByteArray PortName,
             int BaudRate, TPortFactory Factory = {}, IClock* Clock = nullptr);
    ~TComPort() override;

    QObject* const OwnerForm;
    TBoardLink* const Link;
    const QByteArray PortName;
    const int BaudRate;
    // 0 while the worker should run; any other value asks it to stop.
    std::atomic<int> StopFlag{0};

    void DispatchLine(const QByteArray& line);
    void AddError(const QByteArray& text);
    void AddLog(const QByteArray& text);
    QByteArray PopOutgoing();

protected:
    void run() override { Execute(); }
    virtual void Execute();

private:
    void Post(int msg, int wParam = 0);
    void PassLine(const QByteArray& line);
    void RunPasses(ISerialPort& port);
    // Pops one outgoing line, writes it whole and logs what went out. False
    // when the port took only part of it: the run ends, as after a pulled
    // cable, with the port's error.
    bool WriteOutgoing(ISerialPort& port);

    TPortFactory m_factory;
    IClock* m_clock;
};
