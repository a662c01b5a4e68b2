#pragma once
// Base of every task window: a child of the main frame that frees itself when
// closed, creates its content in FormCreate (after construction, so that a
// window whose board did not answer can be dropped), and defers its closing
// while a long operation runs (the operation is asked to cancel first).
// A window reaches the board only in a turn of the one conversation: it
// waits for its turn visibly (WhenBoardFree) or, for an operator's action,
// is refused while another holds the board (SendToBoard, TBoardHold).

#include "ui/PanelContext.h"

#include <QMdiSubWindow>
#include <QPointer>
#include <functional>

class QLabel;

class TTaskWindow : public QMdiSubWindow {
    Q_OBJECT
public:
    explicit TTaskWindow(QWidget* parent = nullptr);
    ~TTaskWindow() override;

    // Runs once after construction (the listing of settings windows). Return
    // false to drop the window instead of showing it.
    virtual bool FormCreate() { return true; }
    // FormCreate talks to the board: it runs in a turn of its own, and when
    // the board is taken the window opens at once and lists once it is free.
    virtual bool ListsOnOpen() const { return false; }

    // Long operations bracket themselves with Begin/EndBusy. While busy the
    // window refuses to close: a close request sets CancelRequested() and the
    // window closes as soon as the operation ends.
    bool IsBusy() const { return m_busy > 0; }
    bool CancelRequested() const { return m_cancel; }
    void RequestCancel() { m_cancel = true; }

    // Runs `run` in a turn of the board's conversation: at once when the
    // board is free, else as soon as it is. Meanwhile the window says what
    // it waits for (with `disableBody` its content is greyed) and closing it
    // drops the request. `failed` hears why it never ran (by default the
    // operator is told). True when it ran at once.
    bool WhenBoardFree(std::function<void()> run, bool disableBody,
                       std::function<void(const TAnswer&)> failed = {});
    bool WaitingForBoard() const { return m_boardWaits > 0; }

protected:
    void BeginBusy();
    void EndBusy();
    // Sends command lines whose answers are not examined ("set" lines, "save
    // ref") and waits for the board's prompts, the window busy and greyed
    // meanwhile. Refused, with the operator told, while another conversation
    // holds the board. False when not all prompts came, the board refused a
    // line (its answer had text of refusal) or the send was refused; the
    // operator has been told why.
    bool SendToBoard(const QByteArrayList& lines);
    // Called once when the window really closes (not when the close is deferred).
    virtual void FormClose() {}
    void closeEvent(QCloseEvent* e) override;
    // The content area under the title bar.
    QWidget* Body() const { return m_body; }

private:
    void ShowBoardWait(qint64 bytes);

    QWidget* m_body;
    QLabel* m_boardNote;
    int m_busy = 0;
    int m_boardWaits = 0;
    int m_greyedWaits = 0;
    bool m_cancel = false;
    bool m_closePending = false;
    bool m_closed = false;
};

// Opens a task window: an open instance is shown normal again (a window that
// is already normal is left as it is); otherwise a new one is made, runs its
// FormCreate and joins the frame. Returns the window, or nullptr when its
// FormCreate declined. A conversion error in FormCreate is shown and the
// window still opens with what it filled.
template <class T, class... Args> T* OpenTaskWindow(QPointer<T>& instance, Args&&... args);

// Shows an existing window normal again (restores it from minimised or
// maximised) without creating anything.
void RestoreTaskWindow(QMdiSubWindow* window);
// The shared part of OpenTaskWindow: runs FormCreate, reports errors, shows.
bool ShowNewTaskWindow(TTaskWindow* window);

template <class T, class... Args> T* OpenTaskWindow(QPointer<T>& instance, Args&&... args) {
    if (instance) {
        RestoreTaskWindow(instance);
        return instance;
    }
    T* w = new T(std::forward<Args>(args)...);
    instance = w;
    if (!ShowNewTaskWindow(w))
        return nullptr; // deleted; the QPointer is already cleared
    return instance;
}
