// The one conversation with the board: the request routine, the turn that
// keeps a second conversation out, and the settling that puts the link back
// in step after an answer was cut short (see BoardLinkUnit.h).

#include "link/BoardLinkUnit.h"
#include "link/Proc.h"

#include <QCoreApplication>
#include <algorithm>

namespace {
const QEvent::Type GrantEventType =
    static_cast<QEvent::Type>(QEvent::User + TBoardLink::GrantEventOffset);

// Clears a flag when the scope ends, whichever way.
struct TFlagScope {
    bool& Flag;
    explicit TFlagScope(bool& flag) : Flag(flag) { Flag = true; }
    ~TFlagScope() { Flag = false; }
};
} // namespace

TBoardTurn::TBoardTurn(TBoardLink& link) : m_link(link), m_held(link.m_turns == 0) {
    if (m_held)
        ++m_link.m_turns;
}

TBoardTurn::~TBoardTurn() {
    if (!m_held)
        return;
    --m_link.m_turns;
    m_link.TurnReleased();
}

TAnswer TBoardLink::Request(const TRequest& request) {
    // A request is already reading (this call comes from a window message
    // handled during its wait): the board is taken.
    if (m_reading)
        return TAnswer{TAnswerEnd::Busy};
    if (m_turns > 0)
        return Exchange(request);
    TBoardTurn turn(*this);
    return Exchange(request);
}

TAnswer TBoardLink::Exchange(const TRequest& r) {
    TAnswer a;
    if (m_gone)
        return TAnswer{TAnswerEnd::LinkLost};
    // The gate first: it may hold conversations of its own (a backup) in
    // this turn before the command goes.
    if (m_gate && !m_inGate) {
        for (const QByteArray& command : r.Commands) {
            m_inGate = true;
            const bool pass = m_gate(command);
            m_inGate = false;
            if (!pass)
                return TAnswer{TAnswerEnd::Refused};
        }
    }
    if (m_gone)
        return TAnswer{TAnswerEnd::LinkLost};
    // A pipelined request takes over the prompts its turn's earlier lines
    // still owe: they are counted as they come, and nothing is dropped
    // before the send (a late prompt may be waiting already).
    int late = 0;
    // The commands whose prompts this exchange counts, in order, each with
    // the refusal text its answer has had.
    QList<TRefusal> order;
    if (r.Pipelined && m_owed > 0 && m_owed == m_pipelineOwed) {
        late = m_owed;
        order = m_pipelineCommands.mid(std::max<qsizetype>(0, m_pipelineCommands.size() - late));
        while (order.size() < late)
            order.prepend(TRefusal());
        m_pipelineCommands.clear();
        m_owed = 0;
        m_pipelineOwed = 0;
        m_unsettled = false;
        m_settleSilenceMs = 0;
        m_probeQueuedMs = -1;
    }
    if (!r.Raw && late == 0) {
        if (!InStep()) {
            a = SettleInline(r);
            if (!a.Ok())
                return a;
        }
        FreshStart();
        if (m_needEchoOff) {
            a = RestoreEchoOff(r);
            if (!a.Ok())
                return a;
            a = TAnswer();
        }
    }
    const bool debtBefore = !InStep();
    int silenceMs = r.SilenceMs;
    for (const QByteArray& command : r.Commands)
        if (IsFlashSave(command))
            silenceMs = std::max(silenceMs, FlashSaveSilenceMs);
    const int need = (r.Prompts < 0 ? static_cast<int>(r.Commands.size()) : r.Prompts) + late;
    {
        TListGuard g(OutgoingQueue);
        OutgoingQueue.append(r.Commands);
    }
    a.Sent = true;
    for (const QByteArray& command : r.Commands) {
        order << TRefusal{Trim(command), {}};
        emit CommandSent(command);
    }

    TFlagScope reading(m_reading);
    const qint64 start = m_clock->NowMs();
    qint64 lastLine = start;
    int seen = 0;
    int held = 0;     // prompts that came within the hold
    int reported = 0; // of `order`: those whose outcome has been reported
    const auto reportPrompts = [&](int upTo) {
        for (; reported < std::min<int>(upTo, order.size()); ++reported) {
            const TRefusal& c = order[reported];
            if (!c.Text.isEmpty())
                a.Refusals << c;
            emit CommandAnswered(c.Command, c.Text);
        }
    };
    const auto reportUnconfirmed = [&] {
        for (; reported < order.size(); ++reported)
            emit CommandUnconfirmed(order[reported].Command);
    };
    const auto endEarly = [&](TAnswerEnd end) {
        a.End = end;
        a.Late = std::min(seen, late);
        // An answer that opens without a prompt of its own ("cal mag") owes
        // none; the caller ends it with its next command.
        if (need > 0) {
            LeaveOutOfStep(need - seen, std::max(silenceMs, r.LimitMs));
            // Only this turn's own lines owe prompts now: the next pipelined
            // one need not wait for them.
            if (r.Pipelined && end == TAnswerEnd::Silent) {
                m_pipelineOwed = m_owed;
                m_pipelineCommands = order.mid(seen);
                reported = order.size(); // reported when their prompts come
            }
        } else {
            RemoveUnsent();
        }
        reportUnconfirmed();
        return a;
    };
    const auto restarted = [&] {
        // Nothing the board owed before its start still comes; the rest of
        // its start-up lines may, and are let pass before the next command.
        a.End = TAnswerEnd::Restarted;
        a.Late = std::min(seen, late);
        m_owed = 0;
        LeaveOutOfStep(0, ListingSilenceMs);
        m_pipelineOwed = 0;
        m_pipelineCommands.clear();
        reported = order.size(); // the restart undid them all
        NoteRestart();
        return a;
    };
    const auto outOfStep = [&] {
        a.End = TAnswerEnd::OutOfStep;
        LeaveOutOfStep(0, silenceMs);
        reportUnconfirmed();
        return a;
    };
    try {
        for (;;) {
            if (need > 0 && held >= need && m_clock->NowMs() - start >= r.HoldMs) {
                // The board finished within the hold: its answer is complete,
                // though what it said then was dropped with the hold. (An
                // answer without a prompt of its own, "cal mag", is not
                // ended by one there: that is an older prompt.)
                a.Held = true;
                a.Late = std::min(held, late);
                reportPrompts(held);
                return a;
            }
            qint64 deadline = lastLine + silenceMs;
            if (r.LimitMs > 0)
                deadline = std::min(deadline, start + r.LimitMs);
            if (need > 0 && held >= need)
                deadline = std::min(deadline, start + r.HoldMs);
            QByteArray line;
            switch (WaitLine(line, deadline, r.Mode, r.Cancel)) {
            case TWaitEnd::Gone:
                return endEarly(TAnswerEnd::LinkLost);
            case TWaitEnd::Cancelled:
                return endEarly(TAnswerEnd::Cancelled);
            case TWaitEnd::Timeout:
                if (need > 0 && held >= need && deadline == start + r.HoldMs)
                    continue;
                a.SilenceMs =
                    r.LimitMs > 0 && deadline == start + r.LimitMs ? r.LimitMs : silenceMs;
                return endEarly(TAnswerEnd::Silent);
            case TWaitEnd::Line:
                break;
            }
            lastLine = m_clock->NowMs();
            QByteArray rest;
            const int prompts = LeadingPrompts(line, &rest);
            if (lastLine - start < r.HoldMs) {
                if (!r.Raw && RestartSign(rest, &r))
                    return restarted();
                held += prompts;
                continue;
            }
            if (line.size() > MaxAnswerLineBytes) {
                // Text without line ends, cut into lines by the worker: a
                // board stuck babbling, whose pieces would keep any silence
                // limit from ever passing. No answer is that long, whatever
                // it starts with (a prompt, say).
                a.Sample = line.left(40);
                return endEarly(TAnswerEnd::Flood);
            }
            if (prompts > 0) {
                seen += prompts;
                if (seen >= std::max(need, 1)) {
                    a.Late = std::min(seen, late);
                    if (r.QuietAfterMs > 0) {
                        DropUntilQuiet(r, start);
                    } else if (!r.Raw && !r.Pipelined) {
                        // The answer is complete when the line then goes
                        // quiet; a prompt run straight into more answer text
                        // may have been another command's. (A pipelined
                        // line's answer is not examined: its prompts are
                        // only counted.)
                        const TAnswerEnd after =
                            !rest.isEmpty() ? (RestartSign(rest, &r) ? TAnswerEnd::Restarted
                                                                     : TAnswerEnd::OutOfStep)
                                            : CheckAfterPrompt(r, silenceMs);
                        if (after == TAnswerEnd::Restarted)
                            return restarted();
                        if (after == TAnswerEnd::OutOfStep)
                            return outOfStep();
                        if (after == TAnswerEnd::LinkLost) {
                            a.End = after;
                            reportUnconfirmed();
                            return a;
                        }
                    }
                    reportPrompts(seen);
                    // The operator's own line ends at the first prompt it
                    // sees, whatever was owed before: the board is at its
                    // prompt. Quiet is still asked for before anyone else
                    // talks, in case that prompt was an older one.
                    if (r.Raw && debtBefore) {
                        m_owed = 0;
                        m_unsettled = true;
                        m_settleSilenceMs = std::max(m_settleSilenceMs, silenceMs);
                    } else if (r.Raw) {
                        m_owed = 0;
                    }
                    for (const QByteArray& command : r.Commands) {
                        const QByteArray c = command.trimmed();
                        if (c == "echo off" || c == "echo on") {
                            m_echoOff = c == "echo off";
                            m_needEchoOff = false;
                        }
                    }
                    return a;
                }
                reportPrompts(seen);
                if (rest.isEmpty())
                    continue;
                line = rest; // the echo of the next line, run into the prompt
            }
            if (!r.Raw && RestartSign(line, &r))
                return restarted();
            ++a.Lines;
            if (!order.isEmpty()) {
                TRefusal& c = order[std::min<qsizetype>(seen, order.size() - 1)];
                if (seen < order.size() && IsWriteCommand(c.Command) && !IsAcknowledgement(line))
                    c.Text += (c.Text.isEmpty() ? "" : "; ") + line;
                emit AnswerLine(c.Command, line);
            }
            if (r.OnLine && !r.OnLine(line))
                return endEarly(TAnswerEnd::Stopped);
        }
    } catch (...) {
        // A conversion error of the caller's: the rest of this answer is
        // still to come, and is discarded before the next command.
        if (need > 0)
            LeaveOutOfStep(need - seen, std::max(silenceMs, r.LimitMs));
        reportUnconfirmed();
        throw;
    }
}

TAnswerEnd TBoardLink::CheckAfterPrompt(const TRequest& r, int limitMs) {
    const auto waiting = [this] {
        TListGuard g(ResponseQueue);
        return !ResponseQueue.isEmpty();
    };
    // A prompt the worker took after the line had gone quiet, with nothing
    // behind it: the usual end, and no time is spent on it.
    if (!m_promptFollowed.load() && !waiting())
        return TAnswerEnd::Prompt;
    // A board that never stops giving prompts is out of step too.
    const qint64 giveUp = m_clock->NowMs() + limitMs;
    qint64 quietUntil = m_clock->NowMs() + AfterPromptQuietMs;
    quint64 passes = m_passes.load();
    for (;;) {
        const qint64 now = m_clock->NowMs();
        if (now >= giveUp)
            return TAnswerEnd::OutOfStep;
        // The worker has ended the pass that brought the prompt (and found
        // only telemetry after it), or looked at the line once more since,
        // and holds nothing that may still become a prompt or an answer.
        const quint64 looked = m_passes.load() - passes;
        if (now >= quietUntil || (!waiting() && !m_rxPending.load() &&
                                  (looked >= 2 || (looked >= 1 && !m_promptFollowed.load()))))
            return TAnswerEnd::Prompt;
        QByteArray line;
        switch (WaitLine(line, std::min({giveUp, quietUntil, now + AfterPromptLookMs}), r.Mode,
                         r.Cancel)) {
        case TWaitEnd::Timeout:
            continue;
        case TWaitEnd::Cancelled:
            return TAnswerEnd::Prompt;
        case TWaitEnd::Gone:
            return TAnswerEnd::LinkLost;
        case TWaitEnd::Line:
            break;
        }
        QByteArray rest;
        LeadingPrompts(line, &rest);
        if (!rest.isEmpty())
            return RestartSign(rest, &r) ? TAnswerEnd::Restarted : TAnswerEnd::OutOfStep;
        // A further prompt (the board answered an empty line): the line must
        // be quiet after it in turn.
        quietUntil = m_clock->NowMs() + AfterPromptQuietMs;
        passes = m_passes.load();
    }
}

bool TBoardLink::RestartSign(const QByteArray& line, const TRequest* r) const {
    // Before the link has set the board up, a greeting is no news.
    if (!m_echoOff || line.isEmpty())
        return false;
    if (IsStartupLine(line)) {
        // "ver" is answered with the same lines.
        if (r)
            for (const QByteArray& command : r->Commands)
                if (command.trimmed() == "ver")
                    return false;
        return true;
    }
    // The board starts with its echo on: a command line coming back.
    if (r)
        for (const QByteArray& command : r->Commands)
            if (const QByteArray c = command.trimmed(); !c.isEmpty() && line == c)
                return true;
    return false;
}

void TBoardLink::NoteRestart() {
    if (!m_echoOff)
        return;
    m_echoOff = false;
    m_needEchoOff = true;
    emit BoardRestarted();
}

TAnswer TBoardLink::RestoreEchoOff(const TRequest& r) {
    m_needEchoOff = false;
    TRequest e;
    e.Commands = {"echo off\r\n"};
    e.Mode = r.Mode;
    e.Cancel = r.Cancel;
    e.Settling = r.Settling;
    const TAnswer a = Exchange(e);
    if (!m_echoOff)
        m_needEchoOff = true;
    return a;
}

void TBoardLink::DropUntilQuiet(const TRequest& r, qint64 start) {
    for (;;) {
        qint64 deadline = m_clock->NowMs() + r.QuietAfterMs;
        if (r.LimitMs > 0)
            deadline = std::min(deadline, start + r.LimitMs);
        QByteArray line;
        if (WaitLine(line, deadline, r.Mode, r.Cancel) != TWaitEnd::Line)
            return;
    }
}

void TBoardLink::FreshStart() {
    // In step, so whatever waits came unasked (a greeting after a reboot,
    // the tail of a stream switch): not part of the answer to come. A
    // restart among it is noted: the board's echo is back on.
    QByteArrayList dropped;
    {
        TListGuard g(ResponseQueue);
        dropped.swap(ResponseQueue);
    }
    ++m_clearCount;
    for (const QByteArray& line : dropped)
        if (RestartSign(Trim(line), nullptr)) {
            NoteRestart();
            break;
        }
}

int TBoardLink::RemoveUnsent() {
    TListGuard g(OutgoingQueue);
    const int n = static_cast<int>(OutgoingQueue.size());
    OutgoingQueue.clear();
    return n;
}

void TBoardLink::LeaveOutOfStep(int promptsOwed, int silenceMs) {
    // Commands not yet written never will be, and owe nothing.
    const int removed = RemoveUnsent();
    m_owed += std::max(0, promptsOwed - removed);
    if (!m_unsettled) {
        m_settleSinceMs = m_clock->NowMs();
        m_probeQueuedMs = -1;
    }
    m_unsettled = true;
    m_settleSilenceMs = std::max(m_settleSilenceMs, silenceMs);
    m_settleBytes = 0;
}

void TBoardLink::MarkInStep() {
    const bool was = !InStep();
    m_owed = 0;
    m_pipelineOwed = 0;
    DropPipelineCommands();
    m_unsettled = false;
    m_settleSilenceMs = 0;
    m_settleBytes = 0;
    m_probeQueuedMs = -1;
    m_wakeOnLine = false;
    m_settleTimer.stop();
    if (was)
        emit SettleProgress(-1);
}

TBoardLink::TSettle TBoardLink::SettleStep(qint64& waitMs) {
    bool flood = false;
    for (QByteArray line = ReadResponseLine(); !line.isEmpty(); line = ReadResponseLine()) {
        m_settleBytes += line.size() + 2;
        if (RestartSign(line, nullptr))
            NoteRestart();
        if (line.size() > MaxAnswerLineBytes) {
            flood = true;
        } else if (const int prompts = LeadingPrompts(line); prompts > 0) {
            m_owed = std::max(0, m_owed - prompts);
            m_lastPromptMs = m_clock->NowMs();
        }
    }
    if (flood)
        return TSettle::Flood;
    if (m_settleBytes > SettleLimitBytes)
        return TSettle::TooLong;
    const qint64 now = m_clock->NowMs();
    if (m_probeQueuedMs >= 0) {
        // The probe went once nothing else waited to be written; a prompt
        // since then, and no further one, means the board is at its prompt.
        bool written;
        {
            TListGuard g(OutgoingQueue);
            written = OutgoingQueue.isEmpty();
        }
        const qint64 wentMs = m_lastWriteMs.load();
        if (written && wentMs >= m_probeQueuedMs && m_lastPromptMs >= wentMs) {
            if (now - m_lastPromptMs >= ProbeQuietMs) {
                MarkInStep();
                return TSettle::Done;
            }
            waitMs = ProbeQuietMs - (now - m_lastPromptMs);
            return TSettle::Wait;
        }
        // No prompt for the probe: after a while a quiet line is taken as
        // a board at its prompt all the same.
        const qint64 quiet = now - m_lastResponseMs.load();
        if (written && wentMs >= m_probeQueuedMs && now - m_probeQueuedMs >= ProbeGiveUpMs &&
            quiet >= ProbeQuietMs) {
            MarkInStep();
            return TSettle::Done;
        }
        waitMs = ProbeQuietMs;
        return TSettle::Wait;
    }
    // How long the board may go on talking before it is asked for its prompt.
    qint64 askAfter;
    if (m_owed == 0) {
        // The owed prompts came; the board has finished once the line has
        // stayed quiet a moment after them.
        const qint64 quiet = now - m_lastResponseMs.load();
        if (quiet >= SettleQuietMs) {
            MarkInStep();
            return TSettle::Done;
        }
        waitMs = SettleQuietMs - quiet;
        askAfter = ProbeAfterMs;
    } else {
        // A prompt is still owed. A board quiet for as long as the
        // interrupted answer could have paused since it last sent or was
        // written to has lost that prompt, or answers its command without
        // one: waiting longer would lock the link for ever.
        const qint64 quiet = now - std::max(m_lastResponseMs.load(), m_lastWriteMs.load());
        if (quiet >= m_settleSilenceMs) {
            MarkInStep();
            return TSettle::Done;
        }
        waitMs = m_settleSilenceMs - quiet;
        askAfter = std::max<qint64>(m_settleSilenceMs, ProbeAfterMs);
    }
    // A board that talks on that long without the prompt (or the quiet) it
    // owes, a calibration left running say: ask for its prompt.
    const qint64 talking = now - m_settleSinceMs;
    if (talking >= askAfter) {
        {
            TListGuard g(OutgoingQueue);
            OutgoingQueue.append("\r\n");
        }
        ++m_owed;
        m_probeQueuedMs = now;
        emit CommandSent("\r\n");
        waitMs = ProbeQuietMs;
        return TSettle::Wait;
    }
    waitMs = std::min(waitMs, askAfter - talking);
    return TSettle::Wait;
}

TAnswer TBoardLink::SettleInline(const TRequest& r) {
    // A wait that processes no window messages cannot show it or be
    // cancelled; the caller learns at once that the board is not ready.
    if (r.Mode == TWaitMode::NoEvents)
        return TAnswer{TAnswerEnd::Unsettled};
    TFlagScope reading(m_reading);
    m_settleTimer.stop();
    for (;;) {
        if (m_gone)
            return TAnswer{TAnswerEnd::LinkLost};
        if (r.Cancel && r.Cancel())
            return TAnswer{TAnswerEnd::Cancelled};
        const quint64 seq = m_responseSeq.load();
        qint64 waitMs = 0;
        switch (SettleStep(waitMs)) {
        case TSettle::Done:
            return TAnswer{};
        case TSettle::Flood:
            return TAnswer{TAnswerEnd::Flood};
        case TSettle::TooLong: {
            TAnswer a{TAnswerEnd::Unsettled};
            a.Discarded = m_settleBytes;
            m_settleBytes = 0; // the next attempt has a bound of its own
            return a;
        }
        case TSettle::Wait:
            break;
        }
        if (r.Settling)
            r.Settling(m_settleBytes);
        emit SettleProgress(m_settleBytes);
        SleepForLine(seq, waitMs, TWaitMode::ProcessEvents);
        QCoreApplication::processEvents();
    }
}

void TBoardLink::SettleInBackground() {
    // Inside a turn the holder's next request settles; nothing to do here.
    if (m_turns > 0 || m_reading)
        return;
    if (InStep()) {
        m_wakeOnLine = false;
        ScheduleGrant();
        return;
    }
    if (m_gone) {
        m_wakeOnLine = false;
        FailWaiting(TAnswer{TAnswerEnd::LinkLost});
        return;
    }
    m_wakeOnLine = true; // every arriving line wakes us (see AppendResponse)
    qint64 waitMs = SettleQuietMs;
    switch (SettleStep(waitMs)) {
    case TSettle::Done:
        ScheduleGrant();
        return;
    case TSettle::Flood:
        FailWaiting(TAnswer{TAnswerEnd::Flood});
        waitMs = SettleQuietMs;
        break;
    case TSettle::TooLong: {
        TAnswer a{TAnswerEnd::Unsettled};
        a.Discarded = m_settleBytes;
        FailWaiting(a);
        m_settleBytes = 0;
        waitMs = SettleQuietMs;
        break;
    }
    case TSettle::Wait:
        break;
    }
    emit SettleProgress(m_settleBytes);
    m_settleTimer.start(static_cast<int>(std::clamp<qint64>(waitMs, 1, 1000)));
}

void TBoardLink::TurnReleased() {
    // The turn's pipelined lines are no one's now: what they owe is
    // settled like any other debt.
    m_pipelineOwed = 0;
    DropPipelineCommands();
    if (InStep())
        ScheduleGrant();
    else
        SettleInBackground();
}

bool TBoardLink::WhenFree(QObject* context, std::function<void()> run,
                          std::function<void(const TAnswer&)> failed) {
    if (m_gone) {
        if (failed)
            failed(TAnswer{TAnswerEnd::LinkLost});
        return false;
    }
    if (Free() && m_waiting.isEmpty()) {
        TBoardTurn turn(*this);
        run();
        return true;
    }
    m_waiting.append(TWaiter{context, context != nullptr, std::move(run), std::move(failed)});
    if (m_turns == 0)
        TurnReleased();
    return false;
}

void TBoardLink::ScheduleGrant() {
    if (m_grantPosted || m_waiting.isEmpty())
        return;
    m_grantPosted = true;
    QCoreApplication::postEvent(this, new QEvent(GrantEventType), Qt::LowEventPriority);
}

void TBoardLink::Grant() {
    m_grantPosted = false;
    if (m_gone) {
        FailWaiting(TAnswer{TAnswerEnd::LinkLost});
        return;
    }
    if (m_turns > 0)
        return; // the holder's release asks again
    if (!InStep()) {
        SettleInBackground();
        return;
    }
    while (!m_waiting.isEmpty()) {
        const TWaiter w = m_waiting.takeFirst();
        if (w.HasContext && !w.Context)
            continue; // its window has gone
        if (m_waiting.isEmpty())
            emit WaitingDrained();
        TBoardTurn turn(*this);
        w.Run();
        return; // the release schedules the next one
    }
    emit WaitingDrained();
}

void TBoardLink::FailWaiting(const TAnswer& why) {
    const QList<TWaiter> waiting = std::exchange(m_waiting, {});
    for (const TWaiter& w : waiting)
        if ((!w.HasContext || w.Context) && w.Failed)
            w.Failed(why);
    if (!waiting.isEmpty())
        emit WaitingDrained();
}

void TBoardLink::ResetConversation() {
    MarkInStep();
    m_echoOff = false;
    m_needEchoOff = false;
    m_waiting.clear();
    m_gone = false;
}

void TBoardLink::DropPipelineCommands() {
    const QList<TRefusal> dropped = std::exchange(m_pipelineCommands, {});
    for (const TRefusal& c : dropped)
        emit CommandUnconfirmed(c.Command);
}
