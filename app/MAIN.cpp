#include "app/MAIN.h"

#include "app/DlgConnectUnit.h"
#include "app/MainActions.h"
#include "archive/AutoBackupUnit.h"
#include "link/PortMessages.h"
#include "link/Proc.h"
#include "parameters/JournalRecorder.h"
#include "shell/WinDebugMonUnit.h"
#include "shell/about.h"
#include "ui/BoardAccess.h"
#include "ui/Dialogs.h"
#include "ui/TaskRegistry.h"
#include "ui/TaskWindow.h"
#include "ui/UnsavedChanges.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <map>

// Each window layer defines the one that registers its windows.
void RegisterShellWindows();
void RegisterSettingsWindows();
void RegisterArchiveWindows();
void RegisterViewerWindows();
void RegisterParametersWindows();
void RegisterMonitorWindows();

namespace {
const char* const Caption = "Контрольная панель";

void RegisterAllWindows() {
    static bool done = false;
    if (done)
        return;
    done = true;
    RegisterShellWindows();
    RegisterSettingsWindows();
    RegisterArchiveWindows();
    RegisterViewerWindows();
    RegisterParametersWindows();
    RegisterMonitorWindows();
}

QList<QMdiSubWindow*> OpenWindows(QMdiArea* area, bool withMinimized) {
    QList<QMdiSubWindow*> out;
    for (QMdiSubWindow* w : area->subWindowList())
        if (w->isVisible() && (withMinimized || !w->isMinimized()))
            out << w;
    return out;
}

// Side by side (vertical) or one above another (horizontal), each window
// getting an equal strip of the whole area.
void TileStrips(QMdiArea* area, Qt::Orientation strips) {
    const QList<QMdiSubWindow*> windows = OpenWindows(area, false);
    if (windows.isEmpty())
        return;
    const QRect r = area->viewport()->rect();
    const int n = static_cast<int>(windows.size());
    for (int i = 0; i < n; ++i) {
        QMdiSubWindow* w = windows[i];
        if (w->isMaximized())
            w->showNormal();
        if (strips == Qt::Vertical)
            w->setGeometry(r.width() * i / n, 0, r.width() * (i + 1) / n - r.width() * i / n,
                           r.height());
        else
            w->setGeometry(0, r.height() * i / n, r.width(),
                           r.height() * (i + 1) / n - r.height() * i / n);
    }
}

// Lines the minimised windows up along the bottom of the area.
void ArrangeIcons(QMdiArea* area) {
    const QRect r = area->viewport()->rect();
    int x = 0;
    int y = r.height();
    for (QMdiSubWindow* w : area->subWindowList()) {
        if (!w->isMinimized())
            continue;
        const QSize s = w->size();
        if (x > 0 && x + s.width() > r.width()) {
            x = 0;
            y -= s.height();
        }
        w->move(x, y - s.height());
        x += s.width();
    }
}
} // namespace

TMainForm::TMainForm(TMainFormOptions options)
    : m_options(std::move(options)), m_link(m_options.Clock) {
    // Start-up: not connected, no worker, no monitor; the link's queues exist.
    MainForm = this;
    RegisterAllWindows();
    setObjectName("MainForm");
    AppVersion = GetFileVersionText(QCoreApplication::applicationFilePath(), "%d.%d.%d.%d");
    setWindowTitle(QString(Caption) + " :: " + AppVersion);
    // Every window of the program, task windows too, carries its icon.
    QApplication::setWindowIcon(ProgramIcon());
    IniFile = std::make_unique<TPanelSettings>(
        m_options.SettingsFile.isEmpty() ? DefaultSettingsFilePath() : m_options.SettingsFile);
    SetPanelPrefs(IniFile.get());
    // A backup of the board's configuration before every "reset ..." line.
    TAutoBackup::Instance().Attach(m_link);

    m_area = new QMdiArea;
    m_area->setObjectName("MdiArea");
    m_area->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_area->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_area);

    m_status = new QLabel;
    m_status->setObjectName("StatusText");
    statusBar()->setObjectName("StatusBar");
    statusBar()->addWidget(m_status, 1);
    // A permanent widget of its own, so the link state texts stay as they are.
    m_unsaved = new TUnsavedChanges(m_link, this);
    m_unsavedNote = new QLabel;
    m_unsavedNote->setObjectName("UnsavedNote");
    m_unsavedNote->setStyleSheet("color: maroon;");
    m_unsavedNote->hide();
    statusBar()->addPermanentWidget(m_unsavedNote);
    connect(m_unsaved, &TUnsavedChanges::CountChanged, this, [this](int count) {
        m_unsavedNote->setText(::UnsavedNote(count));
        m_unsavedNote->setVisible(count > 0);
    });
    // Told in the status bar, not a box: a restart is often noticed in the
    // middle of an operation, which then reports it itself.
    // Every change to a board goes to the change journal; values the board
    // was found to hold against the journal's knowledge are told once.
    m_journal = new TJournalRecorder(m_link, TJournal::Instance(), this);
    connect(m_journal, &TJournalRecorder::OutsideChanges, this, [this] {
        SetStatus(QStringLiteral("Плата изменена вне панели: значения отличаются от известных "
                                 "журналу изменений (записаны в журнал)"));
    });
    connect(&TAutoBackup::Instance(), &TAutoBackup::BackupWritten, m_journal,
            &TJournalRecorder::NoteBackup);
    // A journal that could not be opened (or was found damaged and set
    // aside) is said once, when the window is up; the panel works without it.
    QTimer::singleShot(0, this, [this] {
        if (const QString problem = TJournal::Instance().TakeProblemText(); !problem.isEmpty())
            SetStatus(problem);
    });
    connect(m_unsaved, &TUnsavedChanges::LostWithRestart, this, [this](int count) {
        SetStatus(count > 0
                      ? QStringLiteral("Плата перезапустилась: изменения настроек, не сохранённые "
                                       "во флеш (%1), потеряны")
                            .arg(count)
                      : QStringLiteral("Плата перезапустилась"));
    });

    CreateActions();
    CreateMenus();
    CreateToolBar();
    resize(1024, 720);

    EnableActions(false);
    if (m_options.AutoConnect)
        QCoreApplication::postEvent(this, new TPortMessage(WM_AUTO_CONNECT));
}

TMainForm::~TMainForm() {
    // Task windows go while the link still exists: closing them may still
    // queue a command (a monitor switching its stream off).
    m_area->closeAllSubWindows();
    delete m_area;
    m_area = nullptr;
    if (ComPort)
        ComPort->StopFlag = -1;
    ComPort.reset();
    if (PanelPrefs() == IniFile.get())
        SetPanelPrefs(nullptr);
    if (MainForm == this)
        MainForm = nullptr;
}

// --- frame ------------------------------------------------------------------

void TMainForm::CreateActions() {
    for (int i = 0; i < MainActionCount; ++i) {
        const TActionDef& def = MainActions[i];
        auto* a = new QAction(ActionIcon(def.Icon), QString::fromUtf8(def.Caption), this);
        a->setObjectName(def.Name);
        if (def.Hint) {
            a->setToolTip(QString::fromUtf8(def.Hint));
            a->setStatusTip(QString::fromUtf8(def.Hint));
        }
        const QString name = def.Name;
        connect(a, &QAction::triggered, this, [this, name] { ExecuteAction(name); });
        if (def.Menu == TMenuId::Windows)
            m_arrangeActions << a;
    }
}

void TMainForm::CreateMenus() {
    menuBar()->setObjectName("MainMenu1");
    std::map<TMenuId, QMenu*> menus;
    for (TMenuId id : {TMenuId::Actions, TMenuId::Setup, TMenuId::Calibrations, TMenuId::Monitoring,
                       TMenuId::Windows, TMenuId::Help})
        menus[id] = menuBar()->addMenu(QString::fromUtf8(MenuCaptions[static_cast<int>(id)]));
    for (int i = 0; i < MainActionCount; ++i) {
        const TActionDef& def = MainActions[i];
        QMenu* menu = menus[def.Menu];
        menu->addAction(Action(def.Name));
        if (def.SeparatorAfter)
            menu->addSeparator();
    }
    // The window menu also lists the open child windows.
    m_windowMenu = menus[TMenuId::Windows];
    connect(m_windowMenu, &QMenu::aboutToShow, this, &TMainForm::FillWindowMenu);
}

void TMainForm::CreateToolBar() {
    QToolBar* bar = addToolBar("ToolBar2");
    bar->setObjectName("ToolBar2");
    bar->setMovable(false);
    std::map<int, const TActionDef*> placed;
    for (int i = 0; i < MainActionCount; ++i)
        if (MainActions[i].ToolBarPos > 0)
            placed[MainActions[i].ToolBarPos] = &MainActions[i];
    int group = -1;
    for (const auto& [pos, def] : placed) {
        if (group >= 0 && pos / 10 != group)
            bar->addSeparator();
        group = pos / 10;
        bar->addAction(Action(def->Name));
    }
}

void TMainForm::FillWindowMenu() {
    m_windowMenu->clear();
    m_windowMenu->addActions(m_arrangeActions);
    const QList<QMdiSubWindow*> windows = m_area->subWindowList();
    if (!windows.isEmpty())
        m_windowMenu->addSeparator();
    int n = 0;
    for (QMdiSubWindow* w : windows) {
        ++n;
        QAction* a = m_windowMenu->addAction(
            (n < 10 ? QString("&%1 ").arg(n) : QString("%1 ").arg(n)) + w->windowTitle());
        a->setCheckable(true);
        a->setChecked(w == m_area->activeSubWindow());
        QPointer<QMdiSubWindow> target = w;
        connect(a, &QAction::triggered, this, [this, target] {
            if (!target)
                return;
            if (target->isMinimized())
                target->showNormal();
            m_area->setActiveSubWindow(target);
        });
    }
}

QAction* TMainForm::Action(const QString& name) const {
    return findChild<QAction*>(name, Qt::FindDirectChildrenOnly);
}

void TMainForm::AddChildWindow(QMdiSubWindow* window) {
    m_area->addSubWindow(window);
}

QString TMainForm::StatusText() const {
    return m_status->text();
}

void TMainForm::SetStatus(const QString& text) {
    m_status->setText(text);
}

void TMainForm::EnableActions(bool state) {
    for (int i = 0; i < MainActionCount; ++i) {
        const TActionDef& def = MainActions[i];
        if (def.Kind == TActionKind::Connect)
            Action(def.Name)->setEnabled(!state);
        else if (def.Kind == TActionKind::Device)
            Action(def.Name)->setEnabled(state);
    }
}

void TMainForm::ExecuteAction(const QString& name) {
    if (name == "ActionConnect")
        ActionConnectExecute();
    else if (name == "ActionDebugWin")
        ActionDebugWinExecute();
    else if (name == "HelpAbout1")
        HelpAbout1Execute();
    else if (name == "FileExitItem")
        close();
    else if (name == "WindowCascade1")
        m_area->cascadeSubWindows();
    else if (name == "WindowTileHorizontal1")
        TileStrips(m_area, Qt::Horizontal);
    else if (name == "WindowTileVertical1")
        TileStrips(m_area, Qt::Vertical);
    else if (name == "WindowMinimizeAll1") {
        for (QMdiSubWindow* w : OpenWindows(m_area, false))
            w->showMinimized();
        ArrangeIcons(m_area);
    } else if (name == "WindowArrangeAll1")
        ArrangeIcons(m_area);
    else if (const TOpenWindowFn open = TaskWindowFor(name))
        open();
}

void TMainForm::ActionDebugWinExecute() {
    OpenTaskWindow(DebugMon);
}

void TMainForm::HelpAbout1Execute() {
    // Modal to the frame but without a loop of its own: an operation that
    // holds the board goes on underneath, and the box fills in the board's
    // versions when its turn comes. It frees itself when closed.
    auto* box = new TAboutBox(this, AppVersion, ProgramIcon());
    box->setAttribute(Qt::WA_DeleteOnClose);
    if (m_options.ExecDialog)
        m_options.ExecDialog(*box);
    else
        box->open();
}

int TMainForm::ExecDialog(QDialog& dialog) {
    return m_options.ExecDialog ? m_options.ExecDialog(dialog) : dialog.exec();
}

// --- connection -------------------------------------------------------------

void TMainForm::ActionConnectExecute() {
    if (Connected || m_connecting)
        return;
    m_connecting = true;
    try {
        ConnectionSequence();
    } catch (const EConvertError& e) {
        // Caught here rather than left to the application's handler: it must
        // not unwind through the menu and signal code that triggered us.
        Dialogs().Error(e.Message());
    }
    m_connecting = false;
    if (m_closeRequested)
        QTimer::singleShot(0, this, &QWidget::close);
}

void TMainForm::ConnectionSequence() {
    TDlgConnect dlg(this);
    dlg.PortNum->setText(m_options.PresetPort.isEmpty() ? IniFile->Port() : m_options.PresetPort);
    dlg.SpeedNum->setCurrentText(IniFile->PortSpeed());
    dlg.OpenMon->setChecked(IniFile->OpenDebugMon() == 1);
    if (ExecDialog(dlg) != QDialog::Accepted)
        return;
    if (dlg.OpenMon->isChecked())
        ActionDebugWinExecute();

    for (TSafeStringList* q :
         {&m_link.ResponseQueue, &m_link.LogQueue, &m_link.ErrorQueue, &m_link.OutgoingQueue}) {
        TListGuard g(*q);
        q->clear();
    }
    const QByteArray device = DevicePortName(dlg.PortNum->text());
    const int baud = StrToInt(dlg.SpeedNum->currentText()); // throws on a non-number

    // A worker left from an attempt that ended (failed open, lost cable).
    ComPort.reset();
    // Nothing of an earlier connection's conversation carries over.
    m_link.ResetConversation();
    HoldPortMessages();
    // Whatever way the sequence ends, the held messages are acted on.
    struct TRelease {
        TMainForm* Form;
        ~TRelease() { Form->ReleasePortMessages(); }
    } release{this};
    ComPort = std::make_unique<TComPort>(false, this, &m_link, device, baud, m_options.PortFactory);

    // The handshake, then "ver", which names the board in the change journal:
    // a board that does not answer it is connected all the same, unnamed.
    const QByteArray steps[] = {"\r\n", "echo off\r\n", "ver\r\n"};
    QByteArrayList version;
    for (const QByteArray& command : steps) {
        const bool ver = command == steps[2];
        const TPromptWait end =
            HandshakeStep(command, command == steps[1], ver ? &version : nullptr);
        switch (end) {
        case TPromptWait::Prompt:
            continue;
        case TPromptWait::PortError: {
            QString text;
            {
                TListGuard g(m_link.ErrorQueue);
                text = QString::fromLocal8Bit(m_link.ErrorQueue.join("\r\n") + "\r\n");
                if (!m_link.ErrorQueue.isEmpty())
                    if (const QString hint = PortAccessHint(device, m_link.ErrorQueue.first());
                        !hint.isEmpty())
                        text += hint;
            }
            ReleasePortMessages();
            Dialogs().Message("Ошибка соединения: " + text);
            return;
        }
        case TPromptWait::NoAnswer:
            if (ver)
                continue;
            ReleasePortMessages();
            Dialogs().Message("Ошибка соединения: ответ устройства не распознан");
            return;
        case TPromptWait::Abandoned:
            return;
        case TPromptWait::Busy:
            if (ver)
                continue;
            ReleasePortMessages();
            Dialogs().Message(QString::fromUtf8(BoardBusyText));
            return;
        }
    }
    m_journal->SetBoard(BoardIdentity(version, dlg.PortNum->text()));
    IniFile->SetPort(dlg.PortNum->text());
    IniFile->SetPortSpeed(dlg.SpeedNum->currentText());
    IniFile->SetOpenDebugMon(dlg.OpenMon->isChecked() ? 1 : 0);
}

TMainForm::TPromptWait TMainForm::HandshakeStep(const QByteArray& command, bool last,
                                                QByteArrayList* answer) {
    bool portFailed = false;
    TRequest r;
    r.Commands = {command};
    if (answer)
        r.OnLine = [answer](const QByteArray& line) {
            *answer << line;
            return true;
        };
    // Greetings, echoes and blank lines before the prompt are dropped; the
    // limit is on the whole wait, however much the board says meanwhile.
    r.LimitMs = r.SilenceMs = ConnectPromptLimitMs;
    // The panel knows nothing of what the board was doing before (an
    // answer still running for an earlier session): a prompt it owed from
    // then may have been taken for the first one. What follows the last
    // prompt is taken in too, so that no late prompt ends a listing.
    if (last)
        r.QuietAfterMs = HandshakeQuietMs;
    r.Mode = TWaitMode::NoEvents;
    // Checked each time the wait wakes (on a line, at least every 100 ms):
    // paint the windows (no input is taken and the worker's messages are
    // held), and give up on a port error or when the operator closes the frame.
    r.Cancel = [&] {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        TListGuard g(m_link.ErrorQueue);
        portFailed = !m_link.ErrorQueue.isEmpty();
        return portFailed || m_closeRequested;
    };
    const TAnswer a = m_link.Request(r);
    if (a.Ok())
        return TPromptWait::Prompt;
    {
        TListGuard g(m_link.ErrorQueue);
        portFailed = portFailed || !m_link.ErrorQueue.isEmpty();
    }
    if (portFailed)
        return TPromptWait::PortError;
    switch (a.End) {
    case TAnswerEnd::Cancelled:
        return TPromptWait::Abandoned;
    case TAnswerEnd::Busy:
        return TPromptWait::Busy;
    default:
        return TPromptWait::NoAnswer;
    }
}

void TMainForm::HoldPortMessages() {
    m_holding = true;
}

void TMainForm::ReleasePortMessages() {
    // Acted on in the order the worker posted them; later ones are still in
    // the event queue behind these.
    m_holding = false;
    const QList<QPair<int, int>> held = std::exchange(m_held, {});
    for (const auto& [msg, wParam] : held)
        HandlePortMessage(msg, wParam);
}

bool TMainForm::event(QEvent* e) {
    if (!TPortMessage::Is(e))
        return QMainWindow::event(e);
    const auto* m = static_cast<TPortMessage*>(e);
    if (m->Msg == WM_AUTO_CONNECT)
        ActionConnectExecute();
    else if (m_holding)
        m_held.append({m->Msg, m->WParam});
    else
        HandlePortMessage(m->Msg, m->WParam);
    return true;
}

void TMainForm::HandlePortMessage(int msg, int /*wParam*/) {
    switch (msg) {
    case WM_PORT_ERROR:
        // The status bar is one line: the error lines are joined by blanks.
        SetStatus("Ошибка соединения: " + TakeErrorText());
        EnableActions(false);
        break;
    case WM_PORT_CLOSED:
        SetStatus("Соединение разорвано");
        EnableActions(false);
        Connected = false;
        emit PortClosed();
        break;
    case WM_PORT_OPENED:
        SetStatus("Соединение установлено");
        EnableActions(true);
        Connected = true;
        break;
    case WM_PORT_LOG:
        DrainLog();
        break;
    default: // WM_PORT_LINE: nothing to do
        break;
    }
}

QString TMainForm::TakeErrorText() {
    TListGuard g(m_link.ErrorQueue);
    const QString text = QString::fromLocal8Bit(m_link.ErrorQueue.join(' '));
    m_link.ErrorQueue.clear();
    return text;
}

void TMainForm::DrainLog() {
    TListGuard g(m_link.LogQueue);
    while (!m_link.LogQueue.isEmpty()) {
        const QByteArray line = m_link.LogQueue.takeFirst();
        if (DebugMon)
            DebugMon->AddLogLine(line);
    }
}

// --- closing ----------------------------------------------------------------

void TMainForm::closeEvent(QCloseEvent* e) {
    if (m_connecting) {
        // The handshake gives up at its next wake-up; the frame closes then.
        m_closeRequested = true;
        e->ignore();
        return;
    }
    if (!m_closeConfirmed && !ConfirmClose()) {
        e->ignore();
        return;
    }
    m_closeConfirmed = true;
    m_area->closeAllSubWindows();
    const QList<QMdiSubWindow*> busy = m_area->subWindowList();
    if (!busy.isEmpty()) {
        // A window is in a long operation; it has been asked to cancel and
        // closes when the operation has ended. The frame follows it.
        for (QMdiSubWindow* w : busy)
            connect(w, &QObject::destroyed, this, &TMainForm::RetryClose, Qt::UniqueConnection);
        e->ignore();
        return;
    }
    // Commands waiting for the board (a closed monitor's "mon off") go out
    // before the port closes, within a bound.
    if (Connected && m_link.Waiting() > 0) {
        QEventLoop wait;
        connect(&m_link, &TBoardLink::WaitingDrained, &wait, &QEventLoop::quit);
        connect(this, &TMainForm::PortClosed, &wait, &QEventLoop::quit);
        QTimer::singleShot(CloseWaitLimitMs, &wait, &QEventLoop::quit);
        wait.exec(QEventLoop::ExcludeUserInputEvents);
    }
    if (std::exchange(m_saveOnClose, false) && !SaveToFlash(*this)) {
        m_closeConfirmed = false;
        Dialogs().Message("Устройство не подтвердило сохранение настроек во флеш.\n"
                          "Программа не закрыта: проверьте подключение и повторите.");
        e->ignore();
        return;
    }
    StopWorker();
    e->accept();
}

bool TMainForm::ConfirmClose() {
    if (!Connected || m_unsaved->Count() == 0)
        return true;
    switch (AskSaveBeforeClose(m_unsaved->Count())) {
    case TCloseChoice::Save:
        m_saveOnClose = true;
        return true;
    case TCloseChoice::DontSave:
        return true;
    case TCloseChoice::Stay:
        return false;
    }
    return false;
}

void TMainForm::RetryClose() {
    QTimer::singleShot(0, this, &QWidget::close);
}

void TMainForm::StopWorker() {
    if (Connected && ComPort) {
        ComPort->StopFlag = -1;
        QEventLoop loop;
        connect(this, &TMainForm::PortClosed, &loop, &QEventLoop::quit);
        QTimer::singleShot(CloseWaitLimitMs, &loop, &QEventLoop::quit);
        if (Connected)
            loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    // Releasing a worker waits for its thread to end.
    ComPort.reset();
}
