#include "ui/TaskWindow.h"

#include "link/JournalOrigin.h"
#include "link/Proc.h"
#include "ui/BoardAccess.h"
#include "ui/Dialogs.h"

#include <QCloseEvent>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>

TTaskWindow::TTaskWindow(QWidget* parent)
    : QMdiSubWindow(parent), m_body(new QWidget), m_boardNote(new QLabel) {
    setAttribute(Qt::WA_DeleteOnClose);
    auto* frame = new QWidget;
    // Opaque, so that a repaint inside the window (a monitor's new line, the
    // attitude view) stops here instead of drawing the title bar and frame
    // beneath it again.
    frame->setAutoFillBackground(true);
    auto* v = new QVBoxLayout(frame);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    m_boardNote->setObjectName("BoardWaitNote");
    m_boardNote->setStyleSheet("background: #fff3c4; color: maroon; padding: 4px;");
    m_boardNote->setWordWrap(true);
    m_boardNote->hide();
    v->addWidget(m_boardNote);
    v->addWidget(m_body, 1);
    setWidget(frame);
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

void TTaskWindow::ShowBoardWait(qint64 bytes) {
    if (m_boardWaits > 0 && MainForm)
        m_boardNote->setText(BoardWaitText(MainForm->Link(), bytes));
}

bool TTaskWindow::WhenBoardFree(std::function<void()> run, bool disableBody,
                                std::function<void(const TAnswer&)> failed) {
    if (!MainForm) {
        run();
        return true;
    }
    ++m_boardWaits;
    m_greyedWaits += disableBody;
    // Ends this wait, whether the turn came or never will.
    const auto done = [this, disableBody] {
        m_greyedWaits -= disableBody;
        if (--m_boardWaits > 0)
            return;
        m_boardNote->hide();
        if (m_greyedWaits == 0)
            Body()->setEnabled(true);
    };
    const bool now = MainForm->Link().WhenFree(
        this,
        [done, run] {
            done();
            run();
        },
        [this, done, failed](const TAnswer& why) {
            done();
            if (failed)
                failed(why);
            else
                Dialogs().Error(windowTitle() + ": " + BoardAnswerText(why));
        });
    if (!now && m_boardWaits > 0) {
        if (disableBody)
            Body()->setEnabled(false);
        connect(&MainForm->Link(), &TBoardLink::SettleProgress, this, &TTaskWindow::ShowBoardWait,
                Qt::UniqueConnection);
        ShowBoardWait(0);
        m_boardNote->show();
    }
    return now;
}

bool TTaskWindow::SendToBoard(const QByteArrayList& lines) {
    if (lines.isEmpty())
        return true;
    const TBoardHold hold;
    if (!hold.Held())
        return false;
    // Busy and greyed: the wait processes window messages, so a close must
    // wait for it and the buttons must not start a second exchange.
    BeginBusy();
    const bool wasEnabled = Body()->isEnabled();
    Body()->setEnabled(false);
    // The journal names the window as the origin of the changes.
    const TJournalOrigin origin(windowTitle());
    TRequest r;
    r.Commands = lines;
    r.Mode = TWaitMode::ProcessEvents;
    r.Cancel = [this] { return CancelRequested(); };
    // A flash save may keep the board busy for seconds while it erases.
    const bool flash = std::any_of(lines.begin(), lines.end(), IsFlashSave);
    if (flash)
        MainForm->ShowStatus(
            QStringLiteral("Сохранение во флеш: плата стирает и записывает память (до %1 с)…")
                .arg(FlashSaveSilenceMs / 1000));
    const TAnswer a = MainForm->Link().Request(r);
    if (flash)
        MainForm->ShowStatus(QString()); // the board's answer is not examined here
    Body()->setEnabled(wasEnabled);
    EndBusy();
    if (!a.Ok() && a.End != TAnswerEnd::Cancelled)
        Dialogs().Error(QStringLiteral("Плата не подтвердила команду \"%1\": %2")
                            .arg(QString::fromLatin1(Trim(lines.first())), BoardAnswerText(a)));
    else if (!a.Refusals.isEmpty())
        Dialogs().Error(RefusalMessage(a));
    return a.Taken();
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

namespace {
// FormCreate with a conversion error shown; false when the window declined.
bool RunFormCreate(TTaskWindow* window) {
    try {
        return window->FormCreate();
    } catch (const EConvertError& e) {
        Dialogs().Error(e.Message());
    }
    return true;
}

void Present(TTaskWindow* window) {
    if (MainForm)
        MainForm->AddChildWindow(window);
    window->show();
}
} // namespace

bool ShowNewTaskWindow(TTaskWindow* window) {
    TBoardLink* link = MainForm && window->ListsOnOpen() ? &MainForm->Link() : nullptr;
    if (link && (!link->Free() || link->Waiting() > 0)) {
        // The board is taken: the window opens now, greyed, and lists once
        // it is free; a listing that brings nothing closes it again.
        Present(window);
        const QPointer<TTaskWindow> w = window;
        window->WhenBoardFree(
            [w] {
                if (w && !RunFormCreate(w))
                    w->close();
            },
            true,
            [w](const TAnswer& why) {
                Dialogs().Error(w->windowTitle() + ": " + BoardAnswerText(why));
                w->close();
            });
        return true;
    }
    std::optional<TBoardTurn> turn;
    if (link)
        turn.emplace(*link);
    const bool keep = RunFormCreate(window);
    turn.reset();
    if (!keep) {
        delete window;
        return false;
    }
    Present(window);
    return true;
}
