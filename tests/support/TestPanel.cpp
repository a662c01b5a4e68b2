#include "TestPanel.h"

#include "link/PortMessages.h"

#include <QTest>

TTestPanel::TTestPanel(TSimOptions options, bool pace)
    : m_board(std::make_unique<TMemoryTransport>(m_wire), std::move(options), pace) {
    MainForm = this;
    m_board.Start();
    m_area.resize(1024, 768);
}

TTestPanel::~TTestPanel() {
    Disconnect();
    m_area.closeAllSubWindows();
    m_board.Stop();
    if (MainForm == this)
        MainForm = nullptr;
}

void TTestPanel::AddChildWindow(QMdiSubWindow* window) {
    m_area.addSubWindow(window);
}

bool TTestPanel::Connect() {
    m_worker = std::make_unique<TComPort>(false, this, &m_link, "sim", 115200,
                                          TMemoryPort::Factory(m_wire, "sim"));
    if (!QTest::qWaitFor([this] { return Connected; }, 5000))
        return false;
    m_link.ResetConversation();
    bool ok = true;
    for (const QByteArray& line : {QByteArray("\r\n"), QByteArray("echo off\r\n")}) {
        TRequest r;
        r.Commands = {line};
        r.SilenceMs = r.LimitMs = 5000;
        ok = ok && m_link.Request(r).Ok();
    }
    TakeBoardLines();
    return ok;
}

void TTestPanel::Disconnect() {
    if (!m_worker)
        return;
    m_worker->StopFlag = -1;
    (void)QTest::qWaitFor([this] { return !Connected; }, 5000);
    m_worker.reset();
}

QByteArrayList TTestPanel::TakeBoardLines() {
    QByteArrayList out;
    m_board.WithSim([&](TBoardSim& sim) {
        out = sim.History();
        sim.ClearHistory();
    });
    return out;
}

QByteArrayList TTestPanel::WaitBoardLines(int count, int timeoutMs) {
    QByteArrayList out;
    (void)QTest::qWaitFor(
        [&] {
            out += TakeBoardLines();
            return out.size() >= count;
        },
        timeoutMs);
    return out;
}

QByteArray TTestPanel::BoardValue(const QByteArray& group, const QByteArray& name) {
    QByteArray value;
    m_board.WithSim([&](TBoardSim& sim) {
        for (const auto& p : sim.Group(group))
            if (p.first == name)
                value = p.second;
    });
    return value;
}

bool TTestPanel::event(QEvent* e) {
    if (!TPortMessage::Is(e))
        return QObject::event(e);
    switch (static_cast<TPortMessage*>(e)->Msg) {
    case WM_PORT_OPENED:
        Connected = true;
        break;
    case WM_PORT_CLOSED:
        Connected = false;
        break;
    case WM_PORT_LOG: {
        TListGuard g(m_link.LogQueue);
        LogLines += m_link.LogQueue;
        m_link.LogQueue.clear();
        break;
    }
    default:
        break;
    }
    return true;
}
