#include "ui/TaskWindow.h"

#include "link/Proc.h"
#include "ui/Dialogs.h"

#include <QCloseEvent>
#include <QTimer>
#include <QVBoxLayout>

TTaskWindow::TTaskWindow(QWidget* parent) : QMdiSubWindow(parent), m_body(new QWidget) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWidget(m_body);
}

TTaskWindow::~TTaskWindow() = default;

void TTaskWindow::BeginBusy() {
    if (m_busy++ == 0)
        m_cancel = false;
}

void TTaskWindow::EndBusy() {
    if (--m_busy > 0)
        return;
    m_busy = 0;
    if (m_closePending) {
        m_closePending = false;
        QTimer::singleShot(0, this, &QWidget::close);
    }
}

void TTaskWindow::closeEvent(QCloseEvent* e) {
    if (IsBusy()) {
        // Never tear the window down under a running wait: ask the operation
        // to stop and close when it has.
        m_cancel = true;
        m_closePending = true;
        e->ignore();
        return;
    }
    if (!m_closed) {
        m_closed = true;
        FormClose();
    }
    QMdiSubWindow::closeEvent(e);
}

void RestoreTaskWindow(QMdiSubWindow* window) {
    if (window->isMinimized() || window->isMaximized())
        window->showNormal();
}

bool ShowNewTaskWindow(TTaskWindow* window) {
    bool keep = true;
    try {
        keep = window->FormCreate();
    } catch (const EConvertError& e) {
        Dialogs().Error(e.Message());
    }
    if (!keep) {
        delete window;
        return false;
    }
    if (MainForm)
        MainForm->AddChildWindow(window);
    window->show();
    return true;
}
