#pragma once
// Runs a TBoardSim against a transport on a thread of its own, and paces the
// board's output at the wire rate: 10 bits a byte at the speed the panel set.

#include "link/MemoryPort.h"
#include "sim/BoardSim.h"

#include <QElapsedTimer>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

// One side of the line as the board sees it.
class ISimTransport {
public:
    virtual ~ISimTransport() = default;
    // Bytes from the panel, waiting up to `waitMs` for the first one.
    virtual QByteArray Read(int waitMs) = 0;
    virtual void Write(const QByteArray& bytes) = 0;
    // Line speed in bit/s as the panel set it; 0 when unknown.
    virtual int BaudRate() = 0;
    // Pulls the cable: the panel's port sees the device gone. The board end
    // is ready again at once for the panel to reconnect.
    virtual void HangUp() = 0;
    // True when everything written has reached the panel's side, so a
    // hang-up "after an answer" does not swallow the answer.
    virtual bool Drained() { return true; }
    // Bytes that whoever opens the port next finds waiting (noise in the
    // line before the board has said anything); empty: none.
    virtual void SetNoiseAtOpen(const QByteArray& bytes) { (void)bytes; }
};

// The board end of an in-memory wire.
class TMemoryTransport : public ISimTransport {
public:
    explicit TMemoryTransport(std::shared_ptr<TMemoryWire> wire) : m_wire(std::move(wire)) {}
    QByteArray Read(int waitMs) override;
    void Write(const QByteArray& bytes) override { m_wire->SendToPanel(bytes); }
    int BaudRate() override { return m_wire->BaudRate(); }
    // The wire reports the device gone until the panel has closed its port;
    // then a fresh cable is plugged in, as a new pty appears behind --link.
    void HangUp() override;
    bool Drained() override { return m_wire->PendingToPanel() == 0; }
    void SetNoiseAtOpen(const QByteArray& bytes) override { m_wire->SetNoiseAtOpen(bytes); }

private:
    std::shared_ptr<TMemoryWire> m_wire;
    bool m_awaitingReplug = false;
};

class TSimRunner {
public:
    // `pace` false sends output as fast as it is made (unit tests).
    TSimRunner(std::unique_ptr<ISimTransport> transport, TSimOptions options, bool pace = true);
    ~TSimRunner();
    void Start();
    void Stop();
    // Board time in ms since Start().
    qint64 NowMs() const { return m_clock.elapsed(); }
    // Runs `fn` on the board's state while the board is held still (tests
    // read and change the simulated board through this).
    void WithSim(const std::function<void(TBoardSim&)>& fn);

private:
    void Loop();

    std::unique_ptr<ISimTransport> m_transport;
    std::mutex m_simLock;
    TBoardSim m_sim;
    bool m_pace;
    QElapsedTimer m_clock;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};
