#pragma once
// Helpers for driving TBoardSim directly, without a wire.

#include "sim/BoardSim.h"

#include <QByteArrayList>

namespace simtest {
// Everything the board has to say, with no cap.
inline QByteArray TakeAll(TBoardSim& sim) {
    return sim.TakeOutput(qint64(1) << 40);
}

// Types a command and returns what the board answered at once.
inline QByteArray Ask(TBoardSim& sim, const QByteArray& line, qint64 now = 0) {
    sim.Receive(line + "\r\n", now);
    return TakeAll(sim);
}

// A board with echo off and its output drained, as the panel leaves it after
// connecting.
inline void Quiet(TBoardSim& sim) {
    Ask(sim, "echo off");
}

// The answer split into lines at "\r\n"; the final unterminated text (the
// prompt) is the last element.
inline QByteArrayList Lines(const QByteArray& out) {
    QByteArrayList lines = out.split('\n');
    for (QByteArray& l : lines)
        if (l.endsWith('\r'))
            l.chop(1);
    return lines;
}

// The lines of a listing between the ended previous prompt and the new one.
inline QByteArrayList Listing(TBoardSim& sim, const QByteArray& cmd, qint64 now = 0) {
    QByteArrayList lines = Lines(Ask(sim, cmd, now));
    if (!lines.isEmpty() && lines.front().isEmpty())
        lines.removeFirst(); // the line end of the previous prompt
    if (!lines.isEmpty() && lines.back() == "=>")
        lines.removeLast();
    return lines;
}

// Runs board time forward in steps, draining the output, until `until`.
inline QByteArray RunUntil(TBoardSim& sim, qint64 from, qint64 until, qint64 step = 10) {
    QByteArray out;
    for (qint64 t = from; t <= until; t += step) {
        sim.Tick(t);
        out += TakeAll(sim);
    }
    return out;
}
} // namespace simtest
