#pragma once
// What every task window needs of the main window: the board link with its
// conversation, the connected state, and a place in the frame. The main window
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
    // A line in the frame's status bar (a long wait said out loud).
    virtual void ShowStatus(const QString& text) { (void)text; }

    // True from the port's opening to its closing.
    bool Connected = false;

    // The one conversation with the board (see TBoardLink::Request).
    TAnswer Request(const TRequest& request) { return Link().Request(request); }
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
