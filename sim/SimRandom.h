#pragma once
// A small deterministic generator (xorshift32): the simulator's noise and
// faults must repeat exactly under the same seed on every platform, which the
// standard library's distributions do not promise.

#include <QtGlobal>

class TSimRandom {
public:
    explicit TSimRandom(quint32 seed = 1) { Reseed(seed); }
    void Reseed(quint32 seed) {
        // Spread small seeds so that neighbouring seeds differ at once.
        m_state = seed * 2654435761u ^ 0x9E3779B9u;
        if (m_state == 0)
            m_state = 0x6D2B79F5u;
        Next();
    }
    quint32 Next() {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 17;
        m_state ^= m_state << 5;
        return m_state;
    }
    // Uniform in [0, 1).
    double Unit() { return (Next() >> 8) * (1.0 / 16777216.0); }
    // Uniform in [-amp, amp).
    double Noise(double amp) { return (Unit() * 2 - 1) * amp; }
    int Below(int n) { return n > 0 ? static_cast<int>(Next() % static_cast<quint32>(n)) : 0; }

private:
    quint32 m_state = 1;
};
