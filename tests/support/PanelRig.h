#pragma once
// The real main window on a memory wire named "sim", with the simulated
// board behind a tap that can misbehave on purpose: strike a fault at a
// chosen byte of the board's output (so it lands in the middle of an answer),
// greet before its first answer, or fall silent from "echo off" on. The
// connect dialog and the About box are answered by the rig.

#include "ScriptedDialogs.h"
#include "app/MAIN.h"
#include "link/Clock.h"
#include "link/MemoryPort.h"
#include "shell/about.h"
#include "sim/SimRunner.h"

#include <QPointer>
#include <QStringList>
#include <QTemporaryDir>
#include <atomic>
#include <functional>
#include <memory>

class TBoardTap : public ISimTransport {
public:
    explicit TBoardTap(std::shared_ptr<TMemoryWire> wire) : m_inner(std::move(wire)) {}

    // Bytes the board has put on the wire so far.
    std::atomic<qint64> Written{0};
    // When the output reaches byte FireAt, Strike runs once on the board's
    // thread with the board held still (the runner holds its lock while it
    // writes); it returns true when the rest of that write is lost.
    std::atomic<qint64> FireAt{-1};
    std::function<bool(TBoardSim&, qint64 nowMs)> Strike;
    TBoardSim* Sim = nullptr;
    const TSimRunner* Runner = nullptr;
    // Sent once in front of the board's first answer.
    QByteArray Greeting;
    // From "echo off" on (before its prompt) the board's output is lost,
    // and ClockToRun, if set, starts running so the panel's limit passes.
    std::atomic<bool> SilentAfterEchoOff{false};
    std::atomic<bool> Silent{false};
    TManualClock* ClockToRun = nullptr;

    // The cable is pulled at once (called from Strike).
    void PullCable() { m_inner.HangUp(); }

    QByteArray Read(int waitMs) override;
    void Write(const QByteArray& bytes) override;
    int BaudRate() override { return m_inner.BaudRate(); }
    void HangUp() override { m_inner.HangUp(); }
    bool Drained() override { return m_inner.Drained(); }
    void SetNoiseAtOpen(const QByteArray& bytes) override { m_inner.SetNoiseAtOpen(bytes); }

private:
    TMemoryTransport m_inner;
    std::atomic<bool> m_greeted{false};
};

class TPanelRig {
public:
    explicit TPanelRig(TSimOptions options = {}, bool pace = false);
    ~TPanelRig();

    QTemporaryDir Dir;
    std::shared_ptr<TMemoryWire> Wire = std::make_shared<TMemoryWire>();
    TBoardTap* Tap;
    std::unique_ptr<TSimRunner> Board;
    TManualClock Clock;
    TScriptedDialogs Dialogs;
    std::unique_ptr<TMainForm> Form;

    // The operator's answer to the connect dialog.
    bool Accept = true;
    QString Port = "sim";
    QString Speed = "115200";
    bool OpenMon = true;
    // What the connect dialog showed when it opened: port, speed, monitor box.
    QStringList DialogFields;
    // What the About box showed: own version, autopilot, receiver; the box
    // itself stays (hidden) until the rig goes, to be read again later.
    QStringList About;
    QPointer<TAboutBox> LastAbout;

    QString SettingsFile() const { return Dir.filePath("Vantor_CP.conf"); }
    // Starts the board and creates the main window.
    TMainForm& Start(bool autoConnect = false, bool manualClock = false, TPortFactory factory = {});
    // Triggers the connect action and waits for the connected state.
    bool Connect(int waitMs = 12000);
    // Pulls the cable and plugs a fresh one in once the panel has let go.
    bool Disconnect();
    void WithBoard(const std::function<void(TBoardSim&, qint64 nowMs)>& fn);
    // Command lines the board executed since the last call.
    QByteArrayList BoardLines();
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
    // Names of the enabled main actions, sorted.
    QStringList EnabledActions() const;
    // The port monitor's lines.
    QStringList MonitorLines() const;
};
