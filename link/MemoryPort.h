#pragma once
// An in-memory serial line for tests and the in-process simulated board: two
// byte pipes between a panel-side port and a board-side endpoint.

#include "link/SerialPort.h"

#include <condition_variable>
#include <memory>
#include <mutex>

class TMemoryWire {
public:
    // Output the panel has not read is kept while its port is open, up to
    // this much (then the oldest is lost), as a serial driver's buffer keeps
    // it; while no port is open it is lost.
    static constexpr qint64 KeptBytes = 256 * 1024;

    // Board side -------------------------------------------------------------
    // Takes what the panel wrote, waiting up to `waitMs` for at least one byte.
    QByteArray TakeFromPanel(int waitMs);
    void SendToPanel(const QByteArray& bytes);
    // Pulls the cable: the panel's port reports the device gone.
    void HangUp();
    // Plugs a fresh cable in after a hang-up.
    void Replug();
    // Speed the panel set (0 until it configures the port).
    int BaudRate() const;
    bool PanelOpen() const;
    // Every later opening of the panel's port finds these bytes waiting.
    void SetNoiseAtOpen(const QByteArray& bytes);
    // Bytes sent to the panel and not yet read by it.
    qint64 PendingToPanel() const;

    // Panel side (used by TMemoryPort) ------------------------------------
    bool OpenPanel(int& error);
    void ClosePanel();
    void SetBaudRate(int baud);
    TPortStatus PanelWaiting(qint64& count);
    QByteArray PanelRead(qint64 max);
    qint64 PanelWrite(const QByteArray& bytes);
    // Test hooks: make the next status query fail once, transiently.
    void FailNextStatus();
    // Input that keeps arriving: while set, every status query of the panel
    // finds `chunk` newly received (empty stops it).
    void SetContinuousInput(const QByteArray& chunk);
    // A stalled line: the panel's writes take at most `bytes` more in all
    // (-1: no limit); a write that does not fit reports EAGAIN.
    void SetWriteRoom(qint64 bytes);

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_toBoardReady;
    QByteArray m_toBoard;
    QByteArray m_toPanel;
    bool m_panelOpen = false;
    bool m_hungUp = false;
    bool m_failNextStatus = false;
    QByteArray m_continuous;
    QByteArray m_noiseAtOpen;
    qint64 m_writeRoom = -1;
    int m_baud = 0;
};

// Panel-side port on a TMemoryWire. Open() succeeds only for the wire's name.
class TMemoryPort : public ISerialPort {
public:
    TMemoryPort(std::shared_ptr<TMemoryWire> wire, QByteArray name);
    ~TMemoryPort() override;
    bool Open(const QByteArray& name) override;
    bool GetParams() override;
    bool SetParams(int baudRate) override;
    TPortStatus BytesWaiting(qint64& count) override;
    QByteArray Read(qint64 max) override;
    qint64 Write(const QByteArray& bytes) override;
    void Close() override;
    int LastError() const override { return m_error; }

    // A factory that makes ports on `wire` answering to `name`.
    static TPortFactory Factory(std::shared_ptr<TMemoryWire> wire, QByteArray name);

private:
    std::shared_ptr<TMemoryWire> m_wire;
    QByteArray m_name;
    bool m_open = false;
    int m_error = 0;
};
