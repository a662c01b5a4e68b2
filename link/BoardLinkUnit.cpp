#include "link/BoardLinkUnit.h"

#include "link/Proc.h"

#include <QCoreApplication>
#include <QThread>
#include <chrono>

namespace {
const QEvent::Type WakeEventType =
    static_cast<QEvent::Type>(QEvent::User + TBoardLink::WakeEventOffset);
const QEvent::Type GrantEventType =
    static_cast<QEvent::Type>(QEvent::User + TBoardLink::GrantEventOffset);
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
    : QObject(parent), m_clock(clock ? clock : TSteadyClock::Instance()) {
    m_settleTimer.setSingleShot(true);
    connect(&m_settleTimer, &QTimer::timeout, this, &TBoardLink::SettleInBackground);
}

TBoardLink::~TBoardLink() = default;

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

TBoardLink::TWaitEnd TBoardLink::WaitLine(QByteArray& line, qint64 deadline, TWaitMode mode,
                                          const TCancelFn& cancel) {
    for (;;) {
        if (mode == TWaitMode::ProcessEvents)
            QCoreApplication::processEvents();
        if (m_gone)
            return TWaitEnd::Gone;
        if (cancel && cancel())
            return TWaitEnd::Cancelled;
        const quint64 seq = m_responseSeq.load();
        line = ReadResponseLine();
        // Lines that came while the thread was held elsewhere (a modal box)
        // are read before the time is judged.
        if (!line.isEmpty())
            return TWaitEnd::Line;
        const qint64 left = deadline - m_clock->NowMs();
        if (left <= 0)
            return TWaitEnd::Timeout;
        SleepForLine(seq, left, mode);
    }
}

void TBoardLink::SleepForLine(quint64 seenSeq, qint64 remainingMs, TWaitMode mode) {
    const qint64 slice = qBound<qint64>(1, remainingMs, MaxSleepSliceMs);
    if (mode == TWaitMode::NoEvents || QThread::currentThread() != thread()) {
        std::unique_lock<std::mutex> lock(m_wakeMutex);
        m_wake.wait_for(lock, std::chrono::milliseconds(slice),
                        [&] { return m_responseSeq.load() != seenSeq || m_gone.load(); });
        return;
    }
    // Sleep in the event loop: any window message, a line (the worker's
    // append posts a wake event to us) or the slice timer ends the sleep.
    m_guiWaiters.fetch_add(1);
    if (m_responseSeq.load() == seenSeq && !m_gone.load()) {
        QTimer slicer;
        slicer.setSingleShot(true);
        slicer.start(static_cast<int>(slice));
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    m_guiWaiters.fetch_sub(1);
}

bool TBoardLink::event(QEvent* e) {
    if (e->type() == GrantEventType) {
        Grant();
        return true;
    }
    if (e->type() != WakeEventType)
        return QObject::event(e);
    m_wakePosted = false;
    if (m_gone) {
        m_wakeOnLine = false;
        m_settleTimer.stop();
        FailWaiting(TAnswer{TAnswerEnd::LinkLost});
    } else if (m_wakeOnLine) {
        SettleInBackground();
    }
    return true;
}

void TBoardLink::PostWake() {
    if (!m_wakePosted.exchange(true))
        QCoreApplication::postEvent(this, new QEvent(WakeEventType));
}

void TBoardLink::AppendResponse(const QByteArray& line) {
    {
        TListGuard g(ResponseQueue);
        ResponseQueue.append(line);
    }
    m_lastResponseMs = m_clock->NowMs();
    {
        std::lock_guard<std::mutex> lock(m_wakeMutex);
        m_responseSeq.fetch_add(1);
        m_wake.notify_all();
    }
    // At most one wake event in flight, and only while someone waits for it.
    if (m_guiWaiters.load() > 0 || m_wakeOnLine.load())
        PostWake();
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
    return line;
}

void TBoardLink::PortOpened() {
    m_gone = false;
}

void TBoardLink::PortGone() {
    {
        std::lock_guard<std::mutex> lock(m_wakeMutex);
        m_gone = true;
        m_wake.notify_all();
    }
    PostWake();
}

void TBoardLink::StoreTelemetry(TTelemetrySlot slot, const QByteArray& payload) {
    std::lock_guard<std::mutex> lock(m_telemetryLock);
    m_slots[static_cast<int>(slot)] = payload;
}

QByteArray TBoardLink::Telemetry(TTelemetrySlot slot) const {
    std::lock_guard<std::mutex> lock(m_telemetryLock);
    return m_slots[static_cast<int>(slot)];
}

bool IsTelemetryLine(const QByteArray& line) {
    if (!line.startsWith('$'))
        return false;
    for (const TTelemetryTag& t : TelemetryTags)
        if (line.startsWith(t.Tag))
            return true;
    return false;
}

int LeadingPrompts(const QByteArray& line, QByteArray* rest) {
    int n = 0;
    while (line.mid(n * 2, 2) == "=>")
        ++n;
    if (rest)
        *rest = n > 0 ? Trim(line.mid(n * 2)) : line;
    return n;
}

bool IsStartupLine(const QByteArray& line) {
    return line.contains("Autopilot software version:");
}

bool IsFlashSave(const QByteArray& command) {
    const QByteArray c = Trim(command);
    return c == "save config" || c == "save controls";
}

bool IsWriteCommand(const QByteArray& command) {
    const QByteArray word = LowerAscii(Trim(command)).split(' ').value(0);
    return word == "set" || word == "reset" || word == "save";
}

bool IsAcknowledgement(const QByteArray& line) {
    const QByteArray l = Trim(line);
    return l == "Saved" || l == "Defaults restored" || l == "Horizon reference saved";
}

bool IsUnknownCommandAnswer(const QByteArray& line) {
    return Trim(line).startsWith("Unknown command");
}

QString TAnswer::RefusalText() const {
    QStringList out;
    for (const TRefusal& r : Refusals)
        out << QString::fromLatin1(r.Command + ": " + r.Text);
    return out.join('\n');
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
