#pragma once
// The pieces of the fault matrix: the board end of the memory wire that can
// strike a fault at a chosen byte of the board's output (so a fault lands in
// the middle of an answer, not between answers), and the real main window
// connected through it to the simulated board.

#include "ScriptedDialogs.h"
#include "app/MAIN.h"
#include "link/MemoryPort.h"
#include "shell/about.h"
#include "sim/SimRunner.h"

#include <QPointer>
#include <QStringList>
#include <QTemporaryDir>
#include <atomic>
#include <functional>
#include <memory>

class TFaultTap : public ISimTransport {
public:
    explicit TFaultTap(std::shared_ptr<TMemoryWire> wire) : m_inner(std::move(wire)) {}

    // Bytes the board has put on the wire so far.
    std::atomic<qint64> Written{0};
    // When the output reaches byte FireAt, Strike runs once on the board's
    // thread with the board held still (the runner holds its lock while it
    // writes); it returns true when the rest of that write is lost.
    std::atomic<qint64> FireAt{-1};
    std::function<bool(TBoardSim&, qint64 nowMs)> Strike;
    TBoardSim* Sim = nullptr;
    const TSimRunner* Runner = nullptr;

    // The cable is pulled at once (called from Strike).
    void PullCable() { m_inner.HangUp(); }

    QByteArray Read(int waitMs) override { return m_inner.Read(waitMs); }
    void Write(const QByteArray& bytes) override;
    int BaudRate() override { return m_inner.BaudRate(); }
    void HangUp() override { m_inner.HangUp(); }
    bool Drained() override { return m_inner.Drained(); }

private:
    TMemoryTransport m_inner;
};

// The real TMainForm on a memory wire named "sim", with the simulated board
// behind a TFaultTap. The connect dialog is answered with "sim" at 115200.
class TFaultRig {
public:
    TFaultRig(TSimOptions options, bool pace);
    ~TFaultRig();

    QTemporaryDir Dir;
    std::shared_ptr<TMemoryWire> Wire = std::make_shared<TMemoryWire>();
    TFaultTap* Tap;
    std::unique_ptr<TSimRunner> Board;
    TScriptedDialogs Dialogs;
    std::unique_ptr<TMainForm> Form;
    // What the About box showed: autopilot and receiver versions; the box
    // itself stays (hidden) until the rig goes, to be read again later.
    QStringList About;
    QPointer<TAboutBox> LastAbout;

    // Triggers the connect action and waits for the connected state.
    bool Connect(int waitMs = 12000);
    // Pulls the cable and plugs a fresh one in once the panel has let go.
    bool Disconnect();
    void WithBoard(const std::function<void(TBoardSim&, qint64 nowMs)>& fn);
    // Messages and error boxes shown so far.
    QStringList Shown() const { return Dialogs.Messages + Dialogs.Errors; }
    void ClearShown() {
        Dialogs.Messages.clear();
        Dialogs.Errors.clear();
    }
    // Closes every task window and waits until they are gone.
    bool CloseWindows();
    // Waits until the board has been quiet (no byte written) for `quietMs`.
    bool Settle(int quietMs = 300);
};
