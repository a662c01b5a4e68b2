#include "sim/SimRunner.h"

#include <algorithm>

namespace {
constexpr int DefaultBaud = 115200;
// Output credit never banks more than this, so a quiet spell is not followed
// by a burst faster than the wire.
constexpr double MaxBurstBytes = 512;
constexpr int IdleWaitMs = 5;
constexpr int UnpacedRounds = 64;
constexpr qint64 HangUpQuietMs = 200;
constexpr qint64 HangUpDrainMs = 1000;
} // namespace

QByteArray TMemoryTransport::Read(int waitMs) {
    if (m_awaitingReplug && !m_wire->PanelOpen()) {
        m_wire->Replug();
        m_awaitingReplug = false;
    }
    return m_wire->TakeFromPanel(waitMs);
}

void TMemoryTransport::HangUp() {
    m_wire->HangUp();
    m_awaitingReplug = true;
}

TSimRunner::TSimRunner(std::unique_ptr<ISimTransport> transport, TSimOptions options, bool pace)
    : m_transport(std::move(transport)), m_sim(std::move(options)), m_pace(pace) {}

TSimRunner::~TSimRunner() {
    Stop();
}

void TSimRunner::Start() {
    m_transport->SetNoiseAtOpen(m_sim.Options().Faults.NoiseAtOpen);
    m_clock.start();
    m_stop = false;
    m_thread = std::thread([this] { Loop(); });
}

void TSimRunner::Stop() {
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
}

void TSimRunner::WithSim(const std::function<void(TBoardSim&)>& fn) {
    std::lock_guard<std::mutex> lock(m_simLock);
    fn(m_sim);
}

void TSimRunner::Loop() {
    double credit = 0;
    qint64 last = NowMs();
    qint64 hangUpSince = -1, drainedSince = -1;
    while (!m_stop) {
        bool busy;
        {
            std::lock_guard<std::mutex> lock(m_simLock);
            busy = m_sim.PendingOutput() > 0;
        }
        const QByteArray in = m_transport->Read(busy ? 1 : IdleWaitMs);
        const qint64 now = NowMs();
        std::lock_guard<std::mutex> lock(m_simLock);
        if (!in.isEmpty())
            m_sim.Receive(in, now);
        m_sim.Tick(now);
        if (m_sim.HangUpWanted()) {
            // Let the answer reach the panel and its prompt settle there (the
            // panel takes a prompt after 100 ms of quiet), but not for ever:
            // with nobody reading, the cable is pulled all the same.
            if (hangUpSince < 0)
                hangUpSince = now;
            if (!m_transport->Drained())
                drainedSince = -1;
            else if (drainedSince < 0)
                drainedSince = now;
            if ((drainedSince >= 0 && now - drainedSince >= HangUpQuietMs) ||
                now - hangUpSince > HangUpDrainMs) {
                m_sim.TakeHangUp();
                m_transport->HangUp();
                m_sim.OnHangUp();
                hangUpSince = drainedSince = -1;
            }
        }
        if (m_sim.PendingOutput() == 0) {
            credit = 0;
            last = now;
            continue;
        }
        if (!m_pace) {
            // Long answers (dumps) are made a little ahead of the wire; keep
            // taking while the board keeps making.
            for (int i = 0; i < UnpacedRounds && m_sim.PendingOutput() > 0; ++i) {
                m_transport->Write(m_sim.TakeOutput(m_sim.PendingOutput()));
                m_sim.Tick(now);
            }
            continue;
        }
        const int baud = m_transport->BaudRate() > 0 ? m_transport->BaudRate() : DefaultBaud;
        credit = std::min(credit + (now - last) * baud / 10000.0, MaxBurstBytes);
        last = now;
        const qint64 n = static_cast<qint64>(credit);
        if (n > 0) {
            m_transport->Write(m_sim.TakeOutput(n));
            credit -= n;
        }
    }
}
