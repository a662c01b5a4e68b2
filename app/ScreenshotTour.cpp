#include "app/ScreenshotTour.h"

#include "app/MAIN.h"
#include "app/MainActions.h"
#include "ui/TaskWindow.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPixmap>
#include <QPointer>
#include <QTimer>
#include <cstdio>

namespace {
// Time a window is given after its answers are in: the monitors fill their
// lists and plots, the attitude view turns.
constexpr int SettleMs = 2500;
// Bound of the wait for a window's answers or for the connection.
constexpr int WaitLimitMs = 20000;
constexpr int PollMs = 100;

bool AnyWaiting(TMainForm& form) {
    for (QMdiSubWindow* w : form.MdiArea()->subWindowList())
        if (auto* t = qobject_cast<TTaskWindow*>(w); t && t->WaitingForBoard())
            return true;
    return false;
}

// Calls `then` once `ready` holds or the limit has passed, checking every PollMs.
void WhenReady(QObject* owner, std::function<bool()> ready, std::function<void()> then,
               int leftMs = WaitLimitMs) {
    if (ready() || leftMs <= 0) {
        then();
        return;
    }
    QTimer::singleShot(PollMs, owner, [=] { WhenReady(owner, ready, then, leftMs - PollMs); });
}
} // namespace

TScreenshotTour::TScreenshotTour(QString dir) : m_dir(std::move(dir)) {
    QDir().mkpath(m_dir);
}

void TScreenshotTour::Install(TMainFormOptions& options) {
    options.ExecDialog = [this](QDialog& d) {
        d.show();
        QApplication::processEvents();
        if (d.objectName() == "DlgConnect") { // its fields are read when it returns
            Save(d, d.objectName());
            d.hide();
        } else { // the About box fills in from the board; it closes itself later
            QPointer<QDialog> box = &d;
            QTimer::singleShot(SettleMs, this, [this, box] {
                if (box) {
                    Save(*box, box->objectName());
                    box->close();
                }
            });
        }
        return int(QDialog::Accepted);
    };
}

void TScreenshotTour::Start(TMainForm& form) {
    m_form = &form;
    for (int i = 0; i < MainActionCount; ++i)
        if (MainActions[i].Kind == TActionKind::Device)
            m_todo << MainActions[i].Name;
    m_todo << "ActionJournal"
           << "HelpAbout1";
    WhenReady(
        this, [&form] { return form.Connected; },
        [this] {
            if (!m_form->Connected) {
                std::fprintf(stderr, "vantor-cp: screenshots: no connection to the board\n");
                QApplication::exit(1);
                return;
            }
            Next();
        });
}

void TScreenshotTour::Next() {
    for (QMdiSubWindow* w : m_form->MdiArea()->subWindowList())
        w->close();
    if (m_todo.isEmpty()) { // the About box is pictured by its own timer first
        QTimer::singleShot(SettleMs, this, [this] { QApplication::exit(m_failed ? 1 : 0); });
        return;
    }
    // The closed windows are deleted once the event loop runs: opened before
    // that, a window still on its way out would be restored instead.
    QTimer::singleShot(PollMs, this, [this] { Open(m_todo.takeFirst()); });
}

void TScreenshotTour::Open(const QString& action) {
    m_form->Action(qPrintable(action))->trigger();
    WhenReady(
        this, [this] { return !AnyWaiting(*m_form); },
        [this, action] {
            // A monitor is pictured with its stream running.
            if (action.startsWith("ActionMon"))
                for (QMdiSubWindow* w : m_form->MdiArea()->subWindowList())
                    if (auto* start = w->findChild<QAbstractButton*>("SpeedButton2"))
                        start->click();
            QTimer::singleShot(SettleMs, this, [this, action] {
                if (action != "HelpAbout1") // a box of its own, pictured by itself
                    Save(*m_form, action);
                Next();
            });
        });
}

bool TScreenshotTour::Save(QWidget& w, const QString& name) {
    const QString path = QDir(m_dir).filePath(name + ".png");
    const bool ok = w.grab().save(path);
    if (!ok) {
        ++m_failed;
        std::fprintf(stderr, "vantor-cp: screenshots: cannot write %s\n", qPrintable(path));
    }
    return ok;
}
