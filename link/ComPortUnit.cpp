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

namespace {
// After its leading prompts, the unterminated text is a telemetry line in
// progress (or nothing): the board is not in the middle of an answer.
bool TelemetryOrNothing(const QByteArray& pending) {
    QByteArray rest;
    LeadingPrompts(pending, &rest);
    return rest.isEmpty() || rest.startsWith('$');
}
} // namespace

void TComPort::PassLine(const QByteArray& line) {
    // A board may send a telemetry line straight after its prompt, without a
    // line end between them ("=>$ADC:..."): that is the prompt, then the
    // telemetry line.
    QByteArray rest;
    if (const int prompts = LeadingPrompts(line, &rest); prompts > 0 && IsTelemetryLine(rest)) {
        for (int i = 0; i < prompts; ++i)
            PassLine("=>");
        PassLine(line.mid(prompts * 2));
        return;
    }
    // Telemetry after a prompt is no further answer: the line is as good as
    // quiet for the request that prompt ended.
    if (IsTelemetryLine(line))
        Link->NotePrompt(false);
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
            Link->PortOpened();
            Post(WM_PORT_OPENED);
            RunPasses(*port);
            // Every wait on the board ends now, before the port's messages
            // are even handled.
            Link->PortGone();
            port->Close();
        }
    } catch (const std::exception& e) {
        // Nothing may escape the thread body. The operator is told, as for
        // any port failure, and the close message still follows.
        AddError("Port " + PortName + " stopped: " + QByteArray(e.what()));
        Post(WM_PORT_ERROR, 1);
    } catch (...) {
        AddError("Port " + PortName + " stopped: unexpected error");
        Post(WM_PORT_ERROR, 1);
    }
    Link->PortGone();
    Post(WM_PORT_CLOSED);
}

bool TComPort::WriteOutgoing(ISerialPort& port) {
    const QByteArray line = PopOutgoing();
    if (line.isEmpty())
        return true;
    const qint64 written = port.Write(line);
    if (written >= line.size()) {
        AddLog(Trim(line));
        Post(WM_PORT_LOG);
        return true;
    }
    // The port stalled (or failed) part-way: the board now holds the start
    // of a line the next command would be glued to. The log shows what went
    // out, and the run ends like a pulled cable.
    if (written > 0) {
        AddLog(Trim(line.left(written)));
        Post(WM_PORT_LOG);
    }
    AddError("Cannot write " + PortName + " port, error: " + QByteArray::number(port.LastError()));
    Post(WM_PORT_ERROR, 1);
    return false;
}

void TComPort::RunPasses(ISerialPort& port) {
    TLineCutter rxBuffer(MaxLineBytes);
    qint64 lastRxTime = m_clock->NowMs();
    quint64 clears = Link->ClearCount();
    qint64 waitingSince = -1; // a line has waited, with only telemetry arriving, since
    while (StopFlag.load() == 0) {
        // A request starts afresh: what waits unterminated came before it
        // (the tail of an answer cut short, noise), and a command sent after
        // the start goes out later in a pass, so it is stale (and so is a
        // prompt waiting for its quiet spell). A telemetry line in progress
        // is kept: the board finishes it, and its tail on its own would
        // reach the responses as a line of junk.
        if (const quint64 c = Link->ClearCount(); c != clears) {
            clears = c;
            if (!rxBuffer.Pending().startsWith('$'))
                rxBuffer.Clear();
        }
        qint64 waiting = 0;
        const TPortStatus status = port.BytesWaiting(waiting);
        if (status == TPortStatus::Gone) {
            // The device went away (unplugged, hung up): end the run so the
            // panel returns to idle and can connect again.
            AddError("Lost " + PortName + " port, error: " + QByteArray::number(port.LastError()));
            Post(WM_PORT_ERROR, 1);
            return;
        }
        bool pending;
        {
            TListGuard g(Link->OutgoingQueue);
            pending = !Link->OutgoingQueue.isEmpty();
        }
        if (waiting > 0) {
            lastRxTime = m_clock->NowMs();
            bool answerLine = false;
            rxBuffer.Feed(port.Read(waiting), [&](const QByteArray& line, bool) {
                QByteArray rest;
                LeadingPrompts(line, &rest);
                // A line opening with the telemetry mark is a telemetry line,
                // whole or broken on the wire (a garbled tag): no answer
                // starts with it, and under full-rate streams on a noisy
                // line counting those as answers would hold commands back
                // for as long as the noise lasts.
                answerLine |= !rest.isEmpty() && !rest.startsWith('$');
                // A prompt with a line end after it: the board went on
                // sending straight away.
                if (LeadingPrompts(line) > 0)
                    Link->NotePrompt(true);
                PassLine(line);
            });
            // A line is written in a pass without input, never while the
            // board sends an answer. But a board streaming every telemetry
            // kind at its highest rate never pauses and would hold commands
            // for ever: a line that has waited MaxWriteDelayMs with nothing
            // but telemetry (and prompts) arriving goes out all the same.
            if (!pending || answerLine || !TelemetryOrNothing(rxBuffer.Pending())) {
                waitingSince = pending ? m_clock->NowMs() : -1;
            } else if (waitingSince < 0) {
                waitingSince = m_clock->NowMs();
            } else if (m_clock->NowMs() - waitingSince >= MaxWriteDelayMs) {
                if (!WriteOutgoing(port))
                    return;
                waitingSince = m_clock->NowMs();
            }
        } else {
            waitingSince = -1;
            // The prompt comes without a terminator; it counts as a line once
            // the board has been quiet for more than 100 whole ms. Prompts
            // run together ("=>=>", a board answering each of several lines
            // with a bare prompt) are that many prompts.
            const qint64 quiet = m_clock->NowMs() - lastRxTime;
            if (const int prompts = rxBuffer.PromptRun(); prompts > 0) {
                if (quiet > PromptQuietMs) {
                    rxBuffer.Clear();
                    Link->NotePrompt(false);
                    for (int i = 0; i < prompts; ++i)
                        PassLine("=>");
                }
            } else if (!TelemetryOrNothing(rxBuffer.Pending()) && quiet > StaleQuietMs) {
                // Noise (a board booting, an adapter's glitch) or a line
                // whose end was lost: shown and routed as it is, and no
                // longer holding the writes back.
                const QByteArray stale = rxBuffer.Pending();
                rxBuffer.Clear();
                PassLine(stale);
            }
            // Not while unterminated answer text waits: the board is
            // part-way through a line (a slow line, an adapter that delivers
            // in bursts). The queue is looked at afresh: the line that follows
            // the prompt just passed on may be there already.
            if (TelemetryOrNothing(rxBuffer.Pending()) && !WriteOutgoing(port))
                return;
        }
        // What may still become a prompt or an answer line (as opposed to
        // nothing, or a telemetry line in progress) waits in the buffer.
        Link->NotePass(rxBuffer.PromptRun() > 0 || !TelemetryOrNothing(rxBuffer.Pending()));
        if (StopFlag.load() == 0)
            QThread::msleep(PassSleepMs);
    }
}
