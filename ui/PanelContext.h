#pragma once
// What every task window needs of the main window: the board link with its
// exchange, the connected state, and a place in the frame. The main window
// implements it; tests supply a small stand-in. `MainForm` is the one instance.

#include "link/BoardLinkUnit.h"

#include <QPointer>

class QMdiSubWindow;

class TPanelContext {
public:
    virtual ~TPanelContext() = default;

    virtual TBoardLink& Link() = 0;
    // Shows a new task window as a child of the frame.
    virtual void AddChildWindow(QMdiSubWindow* window) = 0;

    // True from the port's opening to its closing.
    bool Connected = false;

    // The exchange every window uses (see TBoardLink).
    void SendCommand(const QByteArray& line) { Link().SendCommand(line); }
    void ClearResponses() { Link().ClearResponses(); }
    QByteArray ReadResponseLine() { return Link().ReadResponseLine(); }
    bool WaitForPrompt() { return Link().WaitForPrompt(); }
    TWaitResult WaitResponseLine(QByteArray& line, int silenceMs, TWaitMode mode,
                                 const TCancelFn& cancel = {}) {
        return Link().WaitResponseLine(line, silenceMs, mode, cancel);
    }
    QByteArray GpsData() { return Link().GpsData(); }
    QByteArray AdcData() { return Link().AdcData(); }
    QByteArray PpmData() { return Link().PpmData(); }
    QByteArray MagData() { return Link().MagData(); }
    QByteArray EkfData() { return Link().EkfData(); }
    QByteArray GyroData() { return Link().GyroData(); }
    QByteArray AccelData() { return Link().AccelData(); }
    QByteArray BaroData() { return Link().BaroData(); }
    QByteArray StabData() { return Link().StabData(); }
};

extern TPanelContext* MainForm;

// How long a listing may wait for the board's next line before the window
// gives up and tells the operator (the board is silent or gone).
constexpr int ListingSilenceMs = 3000;
