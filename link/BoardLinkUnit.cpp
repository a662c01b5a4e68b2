#include "link/BoardLinkUnit.h"

#include "link/Proc.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <chrono>

namespace {
// Posted to the link itself to wake a GUI thread that sleeps in an event-
// processing wait; carries no data.
const QEvent::Type WakeEventType = static_cast<QEvent::Type>(QEvent::User + 900);
// A sleeping wait re-reads the clock at least this often, so that an injected
// clock that jumps ahead is noticed.
constexpr qint64 MaxSleepSliceMs = 100;
} // namespace

const TTelemetryTag TelemetryTags[9] = {
    {"$GPS:", TTelemetrySlot::Gps, "gps"},       {"$ADC:", TTelemetrySlot::Adc, "adc_values"},
    {"$PPM:", TTelemetrySlot::Ppm, "ppm_input"}, {"$MAG:", TTelemetrySlot::Mag, "mag"},
    {"$EKF:", TTelemetrySlot::Ekf, "ekf"},       {"$GYRO:", TTelemetrySlot::Gyro, "gyro"},
    {"$ACCEL:", TTelemetrySlot::Accel, "accel"}, {"$BARO:", TTelemetrySlot::Baro, "baro"},
    {"$STAB:", TTelemetrySlot::Stab, "stab"},
};

IClock* TSteadyClock::Instance() {
    static TSteadyClock clock;
    return &clock;
}

TBoardLink::TBoardLink(IClock* clock, QObject* parent)
    : QObject(parent), m_clock(clock ? clock : TSteadyClock::Instance()) {}

void TBoardLink::SendCommand(const QByteArray& line) {
    if (m_gate && !m_inGate) {
        m_inGate = true;
        const bool pass = m_gate(line);
        m_inGate = false;
        if (!pass)
            return;
    }
    {
        TListGuard g(OutgoingQueue);
        OutgoingQueue.append(line);
    }
    emit CommandSent(line);
}

void TBoardLink::ClearResponses() {
    SettleOwedPrompts();
    TListGuard g(ResponseQueue);
    ResponseQueue.clear();
}

void TBoardLink::ResetPromptAccounting() {
    m_promptsOwed = 0;
}

void TBoardLink::SettleOwedPrompts() {
    auto outgoingEmpty = [this] {
        TListGuard g(OutgoingQueue);
        return OutgoingQueue.isEmpty();
    };
    if (m_promptsOwed.load() <= 0 && outgoingEmpty())
        return;
    // Bounded on the link's clock and on real time alike, so that a test's
    // clock that stands still cannot hold the GUI.
    QElapsedTimer real;
    real.start();
    const qint64 start = m_clock->NowMs();
    for (;;) {
        const bool drained = outgoingEmpty();
        if (drained && m_promptsOwed.load() <= 0)
            return;
        const qint64 now = m_clock->NowMs();
        if (drained && now - m_lastWriteMs.load() >= SettleAfterWriteMs)
            return;
        if (now - start >= SettleLimitMs || real.elapsed() >= SettleLimitMs)
            return;
        std::unique_lock<std::mutex> lock(m_wakeMutex);
        const quint64 seq = m_responseSeq.load();
        m_wake.wait_for(lock, std::chrono::milliseconds(20),
                        [&] { return m_responseSeq.load() != seq; });
    }
}

QByteArray TBoardLink::ReadResponseLine() {
    QByteArray line;
    TListGuard g(ResponseQueue);
    while (!ResponseQueue.isEmpty()) {
        line = Trim(ResponseQueue.takeFirst());
        if (!line.isEmpty())
            break;
    }
    return line;
}

bool TBoardLink::WaitForPrompt(int limitMs) {
    const qint64 start = m_clock->NowMs();
    for (;;) {
        const qint64 elapsed = m_clock->NowMs() - start;
        if (elapsed > limitMs)
            return false;
        QCoreApplication::processEvents();
        const quint64 seq = m_responseSeq.load();
        const QByteArray line = ReadResponseLine();
        if (line == "=>")
            return true;
        if (line.isEmpty())
            SleepForLine(seq, limitMs + 1 - elapsed, TWaitMode::ProcessEvents);
    }
}

TWaitResult TBoardLink::WaitResponseLine(QByteArray& line, int silenceMs, TWaitMode mode,
                                         const TCancelFn& cancel) {
    const qint64 start = m_clock->NowMs();
    for (;;) {
        if (mode == TWaitMode::ProcessEvents)
            QCoreApplication::processEvents();
        if (cancel && cancel())
            return TWaitResult::Cancelled;
        const quint64 seq = m_responseSeq.load();
        line = ReadResponseLine();
        if (!line.isEmpty())
            return TWaitResult::Line;
        const qint64 elapsed = m_clock->NowMs() - start;
        if (elapsed >= silenceMs)
            return TWaitResult::Timeout;
        SleepForLine(seq, silenceMs - elapsed, mode);
    }
}

void TBoardLink::SleepForLine(quint64 seenSeq, qint64 remainingMs, TWaitMode mode) {
    const qint64 slice = qBound<qint64>(1, remainingMs, MaxSleepSliceMs);
    if (mode == TWaitMode::NoEvents || QThread::currentThread() != thread()) {
        std::unique_lock<std::mutex> lock(m_wakeMutex);
        m_wake.wait_for(lock, std::chrono::milliseconds(slice),
                        [&] { return m_responseSeq.load() != seenSeq; });
        return;
    }
    // Sleep in the event loop: any window message, a line (the worker's
    // append posts a wake event to us) or the slice timer ends the sleep.
    m_guiWaiters.fetch_add(1);
    if (m_responseSeq.load() == seenSeq) {
        QTimer slicer;
        slicer.setSingleShot(true);
        slicer.start(static_cast<int>(slice));
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    m_guiWaiters.fetch_sub(1);
}

bool TBoardLink::event(QEvent* e) {
    if (e->type() == WakeEventType) {
        m_wakePosted = false;
        return true;
    }
    return QObject::event(e);
}

void TBoardLink::AppendResponse(const QByteArray& line) {
    // A prompt may stand at the start of a line (echoed typing follows it,
    // or a board runs two prompts together): each one settles a command.
    int prompts = 0;
    while (line.mid(prompts * 2, 2) == "=>")
        ++prompts;
    if (prompts > 0) {
        int owed = m_promptsOwed.load();
        while (!m_promptsOwed.compare_exchange_weak(owed, std::max(0, owed - prompts))) {
        }
    }
    {
        TListGuard g(ResponseQueue);
        ResponseQueue.append(line);
    }
    {
        std::lock_guard<std::mutex> lock(m_wakeMutex);
        m_responseSeq.fetch_add(1);
        m_wake.notify_all();
    }
    // At most one wake event in flight, and only while the GUI sleeps in a wait.
    if (m_guiWaiters.load() > 0 && !m_wakePosted.exchange(true))
        QCoreApplication::postEvent(this, new QEvent(WakeEventType));
}

void TBoardLink::AddLog(const QByteArray& line) {
    TListGuard g(LogQueue);
    LogQueue.append(line);
}

void TBoardLink::AddError(const QByteArray& text) {
    TListGuard g(ErrorQueue);
    ErrorQueue.append(text);
}

QByteArray TBoardLink::PopOutgoing() {
    QByteArray line;
    {
        TListGuard g(OutgoingQueue);
        if (OutgoingQueue.isEmpty())
            return line;
        line = OutgoingQueue.takeFirst();
    }
    m_lastWriteMs = m_clock->NowMs();
    m_promptsOwed.fetch_add(1);
    return line;
}

void TBoardLink::StoreTelemetry(TTelemetrySlot slot, const QByteArray& payload) {
    std::lock_guard<std::mutex> lock(m_telemetryLock);
    m_slots[static_cast<int>(slot)] = payload;
}

QByteArray TBoardLink::Telemetry(TTelemetrySlot slot) const {
    std::lock_guard<std::mutex> lock(m_telemetryLock);
    return m_slots[static_cast<int>(slot)];
}

void DispatchLine(TBoardLink& link, const QByteArray& line) {
    for (const TTelemetryTag& t : TelemetryTags) {
        if (line.startsWith(t.Tag)) {
            link.StoreTelemetry(t.Slot, line.mid(qstrlen(t.Tag)));
            return;
        }
    }
    link.AppendResponse(line);
}
