#pragma once
// Monotonic millisecond clock, injectable so that the link's time rules (the
// 100 ms prompt rule, the prompt waits) can be tested without real waiting.

#include <QElapsedTimer>
#include <atomic>

class IClock {
public:
    virtual ~IClock() = default;
    virtual qint64 NowMs() = 0;
};

class TSteadyClock : public IClock {
public:
    TSteadyClock() { m_timer.start(); }
    qint64 NowMs() override { return m_timer.elapsed(); }
    static IClock* Instance();

private:
    QElapsedTimer m_timer;
};

// A clock the test moves by hand; optionally it also advances by `autoStep`
// every time it is read, so that a wait with a limit ends after a few reads.
class TManualClock : public IClock {
public:
    qint64 NowMs() override { return m_now.fetch_add(m_autoStep.load()); }
    void Set(qint64 ms) { m_now = ms; }
    void Advance(qint64 ms) { m_now += ms; }
    void SetAutoStep(qint64 ms) { m_autoStep = ms; }

private:
    std::atomic<qint64> m_now{0};
    std::atomic<qint64> m_autoStep{0};
};
