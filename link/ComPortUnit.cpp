#include "link/ComPortUnit.h"

#include "link/LineCutter.h"
#include "link/PortMessages.h"
#include "link/Proc.h"

#include <QCoreApplication>

TComPort::TComPort(bool CreateSuspended, QObject* OwnerForm, TBoardLink* Link, QByteArray PortName,
                   int BaudRate, TPortFactory Factory, IClock* Clock)
    : OwnerForm(OwnerForm), Link(Link), PortName(std::move(PortName)), BaudRate(BaudRate),
      m_factory(Factory ? std::move(Factory) : TPortFactory(&CreateSystemPort)),
      m_clock(Clock ? Clock : TSteadyClock::Instance()) {
    if (!CreateSuspended)
        start();
}

TComPort::~TComPort() {
    // Releasing a worker waits for its thread to end.
    StopFlag = -1;
    wait();
}

void TComPort::Post(int msg, int wParam) {
    if (OwnerForm)
        QCoreApplication::postEvent(OwnerForm, new TPortMessage(msg, wParam));
}

void TComPort::DispatchLine(const QByteArray& line) {
    ::DispatchLine(*Link, line);
}

void TComPort::AddError(const QByteArray& text) {
    Link->AddError(text);
}

void TComPort::AddLog(const QByteArray& text) {
    Link->AddLog(text);
}

QByteArray TComPort::PopOutgoing() {
    return Link->PopOutgoing();
}

void TComPort::PassLine(const QByteArray& line) {
    DispatchLine(line);
    AddLog(line);
    Post(WM_PORT_LINE);
    Post(WM_PORT_LOG);
}

void TComPort::Execute() {
    StopFlag = 0;
    try {
        std::unique_ptr<ISerialPort> port = m_factory();
        if (!port->Open(PortName)) {
            AddError("Cannot open " + PortName +
                     " port, error: " + QByteArray::number(port->LastError()));
            Post(WM_PORT_ERROR, 1);
        } else if (!port->GetParams()) {
            port->Close();
            AddError("Connot read " + PortName + " params");
            Post(WM_PORT_ERROR, 1);
        } else if (!port->SetParams(BaudRate)) {
            port->Close();
            AddError("Connot set " + PortName + " params");
            Post(WM_PORT_ERROR, 1);
        } else {
            Post(WM_PORT_OPENED);
            RunPasses(*port);
            port->Close();
        }
    } catch (...) {
        // Nothing may escape the thread body; the close message still follows.
    }
    Post(WM_PORT_CLOSED);
}

void TComPort::RunPasses(ISerialPort& port) {
    Link->ResetPromptAccounting();
    TLineCutter rxBuffer(MaxLineBytes);
    qint64 lastRxTime = m_clock->NowMs();
    while (StopFlag.load() == 0) {
        qint64 waiting = 0;
        const TPortStatus status = port.BytesWaiting(waiting);
        if (status == TPortStatus::Gone) {
            // The device went away (unplugged, hung up): end the run so the
            // panel returns to idle and can connect again.
            AddError("Lost " + PortName + " port, error: " + QByteArray::number(port.LastError()));
            Post(WM_PORT_ERROR, 1);
            return;
        }
        if (waiting > 0) {
            lastRxTime = m_clock->NowMs();
            rxBuffer.Feed(port.Read(waiting),
                          [this](const QByteArray& line, bool) { PassLine(line); });
        } else {
            // The prompt comes without a terminator; it counts as a line once
            // the board has been quiet for more than 100 whole ms.
            if (rxBuffer.HoldsPrompt() && m_clock->NowMs() - lastRxTime > PromptQuietMs) {
                rxBuffer.TakePrompt();
                PassLine("=>");
            }
            const QByteArray line = PopOutgoing();
            if (!line.isEmpty()) {
                port.Write(line);
                AddLog(Trim(line));
                Post(WM_PORT_LOG);
            }
        }
        if (StopFlag.load() == 0)
            QThread::msleep(PassSleepMs);
    }
}
