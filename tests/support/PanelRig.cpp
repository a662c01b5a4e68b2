#include "PanelRig.h"

#include "app/DlgConnectUnit.h"
#include "app/MainActions.h"
#include "shell/WinDebugMonUnit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextBlock>

QByteArray TBoardTap::Read(int waitMs) {
    const QByteArray in = m_inner.Read(waitMs);
    if (in.isEmpty())
        return in;
    if (!Greeting.isEmpty() && !m_greeted.exchange(true))
        m_inner.Write(Greeting);
    if (SilentAfterEchoOff && in.contains("echo off")) {
        Silent = true;
        if (ClockToRun)
            ClockToRun->SetAutoStep(2000);
    }
    return in;
}

void TBoardTap::Write(const QByteArray& bytes) {
    if (Silent)
        return;
    const qint64 at = FireAt;
    const qint64 before = Written;
    if (at >= 0 && before + bytes.size() >= at) {
        const qint64 n = std::max<qint64>(0, at - before);
        m_inner.Write(bytes.left(n));
        Written += n;
        FireAt = -1;
        if (!Strike(*Sim, Runner->NowMs())) {
            m_inner.Write(bytes.mid(n));
            Written += bytes.size() - n;
        }
        return;
    }
    m_inner.Write(bytes);
    Written += bytes.size();
}

TPanelRig::TPanelRig(TSimOptions options, bool pace) {
    auto tap = std::make_unique<TBoardTap>(Wire);
    Tap = tap.get();
    Board = std::make_unique<TSimRunner>(std::move(tap), std::move(options), pace);
    Board->WithSim([this](TBoardSim& sim) { Tap->Sim = &sim; });
    Tap->Runner = Board.get();
}

TPanelRig::~TPanelRig() {
    CloseWindows();
    Form.reset();
    Board->Stop();
}

TMainForm& TPanelRig::Start(bool autoConnect, bool manualClock, TPortFactory factory) {
    Board->Start();
    TMainFormOptions o;
    o.PortFactory = factory ? factory : TMemoryPort::Factory(Wire, "sim");
    o.Clock = manualClock ? &Clock : nullptr;
    o.SettingsFile = SettingsFile();
    o.AutoConnect = autoConnect;
    o.ExecDialog = [this](QDialog& d) {
        if (auto* c = qobject_cast<TDlgConnect*>(&d)) {
            DialogFields = QStringList{c->PortNum->text(), c->SpeedNum->currentText(),
                                       c->OpenMon->isChecked() ? "checked" : "unchecked"};
            if (!Accept)
                return int(QDialog::Rejected);
            c->PortNum->setText(Port);
            c->SpeedNum->setCurrentText(Speed);
            c->OpenMon->setChecked(OpenMon);
        }
        if (auto* a = qobject_cast<TAboutBox*>(&d)) {
            About = QStringList{a->CP_Ver->text(), a->AP_Ver->text(), a->STDAPP_Ver->text()};
            LastAbout = a;
        }
        return int(QDialog::Accepted);
    };
    Form = std::make_unique<TMainForm>(o);
    return *Form;
}

bool TPanelRig::Connect(int waitMs) {
    Form->Action("ActionConnect")->trigger();
    return QTest::qWaitFor([this] { return Form->Connected; }, waitMs);
}

bool TPanelRig::Disconnect() {
    Wire->HangUp();
    const bool idle =
        QTest::qWaitFor([this] { return !Form->Connected && !Wire->PanelOpen(); }, 5000);
    Wire->Replug();
    return idle;
}

void TPanelRig::WithBoard(const std::function<void(TBoardSim&, qint64)>& fn) {
    Board->WithSim([&](TBoardSim& sim) { fn(sim, Board->NowMs()); });
}

QByteArrayList TPanelRig::BoardLines() {
    QByteArrayList out;
    Board->WithSim([&](TBoardSim& sim) {
        out = sim.History();
        sim.ClearHistory();
    });
    return out;
}

bool TPanelRig::CloseWindows() {
    if (!Form)
        return true;
    for (QMdiSubWindow* w : Form->MdiArea()->subWindowList())
        w->close();
    const bool closed =
        QTest::qWaitFor([this] { return Form->MdiArea()->subWindowList().isEmpty(); }, 5000);
    // Closed task windows delete themselves later; let that happen now, so
    // that the next "open" makes a fresh window rather than finding one
    // on its way out.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return closed;
}

bool TPanelRig::Settle(int quietMs) {
    qint64 last = Tap->Written;
    QElapsedTimer quiet;
    quiet.start();
    return QTest::qWaitFor(
        [&] {
            if (Tap->Written != last) {
                last = Tap->Written;
                quiet.restart();
            }
            return quiet.elapsed() >= quietMs;
        },
        10000);
}

QStringList TPanelRig::EnabledActions() const {
    QStringList out;
    for (int i = 0; i < MainActionCount; ++i)
        if (Form->Action(MainActions[i].Name)->isEnabled())
            out << MainActions[i].Name;
    out.sort();
    return out;
}

QStringList TPanelRig::MonitorLines() const {
    QStringList out;
    if (!Form->DebugMon)
        return out;
    for (QTextBlock b = Form->DebugMon->LogCtrl->document()->begin(); b.isValid(); b = b.next())
        out << b.text();
    return out;
}
