#include "FaultRig.h"

#include "app/DlgConnectUnit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>

void TFaultTap::Write(const QByteArray& bytes) {
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

TFaultRig::TFaultRig(TSimOptions options, bool pace) {
    auto tap = std::make_unique<TFaultTap>(Wire);
    Tap = tap.get();
    Board = std::make_unique<TSimRunner>(std::move(tap), std::move(options), pace);
    Board->WithSim([this](TBoardSim& sim) { Tap->Sim = &sim; });
    Tap->Runner = Board.get();
    Board->Start();
    TMainFormOptions o;
    o.PortFactory = TMemoryPort::Factory(Wire, "sim");
    o.SettingsFile = Dir.filePath("Vantor_CP.conf");
    o.AutoConnect = false;
    o.ExecDialog = [this](QDialog& d) {
        if (auto* c = qobject_cast<TDlgConnect*>(&d)) {
            c->PortNum->setText("sim");
            c->SpeedNum->setCurrentText("115200");
            c->OpenMon->setChecked(false);
        }
        if (auto* a = qobject_cast<TAboutBox*>(&d)) {
            About = QStringList{a->AP_Ver->text(), a->STDAPP_Ver->text()};
            LastAbout = a;
        }
        return int(QDialog::Accepted);
    };
    Form = std::make_unique<TMainForm>(o);
}

TFaultRig::~TFaultRig() {
    CloseWindows();
    Form.reset();
    Board->Stop();
}

bool TFaultRig::Connect(int waitMs) {
    Form->Action("ActionConnect")->trigger();
    return QTest::qWaitFor([this] { return Form->Connected; }, waitMs);
}

bool TFaultRig::Disconnect() {
    Wire->HangUp();
    const bool idle =
        QTest::qWaitFor([this] { return !Form->Connected && !Wire->PanelOpen(); }, 5000);
    Wire->Replug();
    return idle;
}

void TFaultRig::WithBoard(const std::function<void(TBoardSim&, qint64)>& fn) {
    Board->WithSim([&](TBoardSim& sim) { fn(sim, Board->NowMs()); });
}

bool TFaultRig::CloseWindows() {
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

bool TFaultRig::Settle(int quietMs) {
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
