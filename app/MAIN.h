#pragma once
// The frame window: menu, tool bar and status bar around the area where every
// task window opens. It owns the board link (queues, telemetry, the serial
// worker of the current connection) and the settings file, runs the
// connection sequence, and turns the worker's messages into status texts and
// action states. `MainForm` points to it while it lives.

#include "app/PanelSettings.h"
#include "link/BoardLinkUnit.h"
#include "link/ComPortUnit.h"
#include "ui/PanelContext.h"

#include <QList>
#include <QMainWindow>
#include <QPair>
#include <QPointer>
#include <functional>
#include <memory>

class QAction;
class QDialog;
class QLabel;
class QMdiArea;
class QMenu;
class TDlgConnect;
class TJournalRecorder;
class TUnsavedChanges;
class TWinDebugMon;

// What a TMainForm is built with; the defaults are the real program. Tests
// swap the port, the clock, the settings file and the way dialogs are run.
struct TMainFormOptions {
    TPortFactory PortFactory; // empty: the system's serial port
    IClock* Clock = nullptr;  // clock of the connection's prompt waits
    QString SettingsFile;     // empty: Vantor_CP.conf where it belongs
    bool AutoConnect = true;  // post WM_AUTO_CONNECT at creation
    // Runs a modal dialog of the main window (the connect dialog, the About
    // box) and returns its result. Empty: QDialog::exec() (the About box:
    // QDialog::open()). The About box frees itself when closed.
    std::function<int(QDialog&)> ExecDialog;
    // Shown in the connect dialog instead of the stored port (demo mode).
    QString PresetPort;
};

class TMainForm : public QMainWindow, public TPanelContext {
    Q_OBJECT
public:
    // How long each prompt of the connection handshake may take.
    static constexpr int ConnectPromptLimitMs = 10000;
    // Quiet asked for after the handshake's last prompt.
    static constexpr int HandshakeQuietMs = 200;
    // Bound of the wait for the worker's end when the window closes (the
    // worker ends within one pass; this only guards against a hung port).
    static constexpr int CloseWaitLimitMs = 5000;

    explicit TMainForm(TMainFormOptions options = {});
    ~TMainForm() override;

    TBoardLink& Link() override { return m_link; }
    void AddChildWindow(QMdiSubWindow* window) override;
    void ShowStatus(const QString& text) override { SetStatus(text); }

private:
    TMainFormOptions m_options;
    TBoardLink m_link; // declared before the worker, which uses it

public:
    // The worker of the last connection attempt; none at start.
    std::unique_ptr<TComPort> ComPort;
    // The open port monitor, or none (cleared when it is destroyed).
    QPointer<TWinDebugMon> DebugMon;
    QString AppVersion;
    std::unique_ptr<TPanelSettings> IniFile;

    // true: the device actions enabled and Connect disabled; false: the reverse.
    void EnableActions(bool state);
    QAction* Action(const QString& name) const;
    QString StatusText() const;
    QMdiArea* MdiArea() const { return m_area; }
    // The "set"/"reset" lines not yet stored in flash, and the status bar's
    // permanent note about them (hidden while there are none).
    TUnsavedChanges& Unsaved() const { return *m_unsaved; }
    QLabel* UnsavedNote() const { return m_unsavedNote; }

    void ActionConnectExecute();
    void ActionDebugWinExecute();
    void HelpAbout1Execute();

signals:
    // The worker's closing message has been handled.
    void PortClosed();

protected:
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    enum class TPromptWait { Prompt, NoAnswer, PortError, Abandoned, Busy };

    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void FillWindowMenu();
    void ExecuteAction(const QString& name);
    void SetStatus(const QString& text);

    void ConnectionSequence();
    // Sends one line of the handshake and waits for its prompt (the last
    // one also for quiet after it).
    // `answer` (when given) gets the answer's lines.
    TPromptWait HandshakeStep(const QByteArray& command, bool last,
                              QByteArrayList* answer = nullptr);
    void HoldPortMessages();
    void ReleasePortMessages();
    void HandlePortMessage(int msg, int wParam);
    void DrainLog();
    QString TakeErrorText();

    // The unsaved-changes question before closing; false: stay open.
    bool ConfirmClose();
    void StopWorker();
    void RetryClose();
    int ExecDialog(QDialog& dialog);

    QMdiArea* m_area;
    QLabel* m_status;
    TUnsavedChanges* m_unsaved;
    TJournalRecorder* m_journal;
    QLabel* m_unsavedNote;
    // The operator has answered the unsaved-changes question for this close
    // (a close deferred behind a busy window does not ask again).
    bool m_closeConfirmed = false;
    bool m_saveOnClose = false;
    QMenu* m_windowMenu = nullptr;
    QList<QAction*> m_arrangeActions;
    bool m_connecting = false;
    bool m_closeRequested = false;
    // While the handshake judges the prompts, the worker's messages are kept
    // here in order and acted on afterwards.
    bool m_holding = false;
    QList<QPair<int, int>> m_held;
};
