#pragma once
// A stand-in for the main window in window tests: an MDI area, the board link,
// the real serial worker on an in-memory wire, and the simulated board on the
// other end. It is the MainForm while it lives.

#include "link/ComPortUnit.h"
#include "link/MemoryPort.h"
#include "sim/SimRunner.h"
#include "ui/PanelContext.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QObject>

class TTestPanel : public QObject, public TPanelContext {
public:
    // `pace` true sends the board's output at the wire rate.
    explicit TTestPanel(TSimOptions options = {}, bool pace = false);
    ~TTestPanel() override;

    TBoardLink& Link() override { return m_link; }
    void AddChildWindow(QMdiSubWindow* window) override;

    // Opens the port and runs the handshake (empty line, "echo off").
    bool Connect();
    // Stops the worker and waits for it to close the port.
    void Disconnect();

    // The simulated board, held still while `fn` runs.
    void WithBoard(const std::function<void(TBoardSim&)>& fn) { m_board.WithSim(fn); }
    // Command lines the board executed since the last call (or Connect).
    QByteArrayList TakeBoardLines();
    // Waits until the board has executed at least `count` lines since the
    // last TakeBoardLines, then takes them.
    QByteArrayList WaitBoardLines(int count, int timeoutMs = 5000);
    // The value the board holds for a parameter of a group (empty if none).
    QByteArray BoardValue(const QByteArray& group, const QByteArray& name);

    std::shared_ptr<TMemoryWire> Wire() const { return m_wire; }
    QMdiArea& Area() { return m_area; }
    // Lines the worker logged (both directions), drained from the log queue.
    QByteArrayList LogLines;

protected:
    bool event(QEvent* e) override;

private:
    std::shared_ptr<TMemoryWire> m_wire = std::make_shared<TMemoryWire>();
    TBoardLink m_link;
    TSimRunner m_board;
    std::unique_ptr<TComPort> m_worker;
    QMdiArea m_area;
};
