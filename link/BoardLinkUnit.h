#pragma once
// The link's shared state between the serial worker and the windows: the four
// line queues, the nine telemetry slots, and the one conversation with the
// board. The main window owns one instance.
//
// The board's protocol has no request numbers: an answer belongs to a command
// only because it follows it and ends at the next prompt. So every exchange
// goes through Request(), the only reader of the response queue, and only one
// holder at a time talks to the board (TBoardTurn). An answer cut short
// (stop, limit, flood) leaves the link out of step: before anything else is
// sent, the rest of that answer is discarded until its prompt has come and
// the line has been quiet ("settling"), inside the next request or, when
// nobody holds the board, in the background.

#include "link/BoardRequest.h"
#include "link/Clock.h"
#include "link/SafeListsUnit.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>

// The nine telemetry streams, in the order DispatchLine tests their tags.
enum class TTelemetrySlot { Gps, Adc, Ppm, Mag, Ekf, Gyro, Accel, Baro, Stab, Count };

class TBoardLink : public QObject {
    Q_OBJECT
public:
    explicit TBoardLink(IClock* clock = nullptr, QObject* parent = nullptr);
    ~TBoardLink() override;

    TSafeStringList ResponseQueue;
    TSafeStringList LogQueue;
    TSafeStringList OutgoingQueue;
    TSafeStringList ErrorQueue;

    // --- the conversation (the link's own thread) ---
    // Sends the request's commands and reads their answer up to its prompt.
    // Runs in the caller's turn (TBoardTurn); with none held and the board
    // free it takes one for itself. First lets an interrupted answer finish
    // (ProcessEvents requests only; a NoEvents request then ends Unsettled
    // at once), then drops unsolicited lines, then sends and reads.
    TAnswer Request(const TRequest& request);
    // Nobody holds the board and it is in step: a request may start now.
    bool Free() const { return m_turns == 0 && InStep(); }
    bool Held() const { return m_turns > 0; }
    // No prompt is owed and no answer was cut short.
    bool InStep() const { return m_owed == 0 && !m_unsettled; }
    // Runs `run` in a turn of its own: at once when the board is free and
    // nobody waits before it, else as soon as it is (in order of asking).
    // Dropped when `context` is destroyed first. `failed` hears why it never
    // ran (link lost, a board that would not stop talking). True when it ran
    // at once.
    bool WhenFree(QObject* context, std::function<void()> run,
                  std::function<void(const TAnswer&)> failed = {});
    // Requests waiting for the board.
    int Waiting() const { return static_cast<int>(m_waiting.size()); }
    // A new connection starts in step with nothing owed or waiting.
    void ResetConversation();
    // How long the rest of an interrupted answer may run on: the longest
    // answer the board gives is a flight log of about 2 MB (three minutes at
    // 115200 bit/s); more than that is a board that will not stop.
    static constexpr qint64 SettleLimitBytes = 3 * 1024 * 1024;
    // Quiet after the owed prompt before the link counts as in step again:
    // a straggling line of the interrupted answer comes within this.
    static constexpr int SettleQuietMs = 250;
    // A board that keeps sending lines but not the prompt it owes for as
    // long as the interrupted answer could pause (its own silence limit), or
    // not the quiet after it for ProbeAfterMs, is asked for its prompt with
    // an empty line, which every board answers with one once it has finished
    // what it was doing; when a prompt has come after that line went and no
    // other for ProbeQuietMs, the board is at its prompt with nothing
    // pending (the lines it still sends are its own, as a calibration's are).
    static constexpr int ProbeAfterMs = 1000;
    static constexpr int ProbeQuietMs = 500;
    // A probe whose prompt never comes (lost on a noisy line, or a board
    // that answers an empty line with nothing) does not hold the link for
    // ever: once it has been out this long and the line has been quiet for
    // ProbeQuietMs, the link counts as in step again.
    static constexpr int ProbeGiveUpMs = 3000;
    // After an answer's last prompt, when the board went on sending straight
    // after it, the line must stay this quiet before the answer counts as
    // complete: a further prompt (the board answering a stray empty line)
    // comes within it, one passed on after the worker's quiet spell too.
    static constexpr int AfterPromptQuietMs = 250;
    // Sooner than that when the worker has looked at the line again since
    // and holds nothing that may still become a prompt or an answer line
    // (what followed was telemetry); looked at this often.
    static constexpr int AfterPromptLookMs = 5;

    // Asked by Request about every command line before it is sent; false
    // holds the request back (Refused). The panel's automatic backup before
    // a "reset" uses it; requests made while it runs pass unasked.
    using TSendGate = std::function<bool(const QByteArray& line)>;
    void SetSendGate(TSendGate gate) { m_gate = std::move(gate); }

    // The next non-blank response line, trimmed; empty when none waits.
    // Blank lines met on the way are consumed. Never waits. Request's own
    // primitive.
    QByteArray ReadResponseLine();

    // --- worker side ---
    // Appends a non-telemetry line to the response queue and wakes waiters.
    void AppendResponse(const QByteArray& line);
    void AddLog(const QByteArray& line);
    void AddError(const QByteArray& text);
    // Line 0 of the outgoing queue, removed; empty when none waits.
    QByteArray PopOutgoing();
    // Counts the fresh starts of requests; the worker drops its stale
    // unterminated line when the count has moved since its last look.
    quint64 ClearCount() const { return m_clearCount.load(); }
    // The worker has the port open (a new connection).
    void PortOpened();
    // The worker has lost or closed the port: every wait ends at once.
    void PortGone();
    bool LinkGone() const { return m_gone.load(); }
    // The worker passes a prompt on: `followed` when more output came
    // straight after it (its line was terminated, or telemetry was run into
    // it), false when it was taken after the line went quiet.
    void NotePrompt(bool followed) { m_promptFollowed = followed; }
    // The worker ends a pass; `pending` when its buffer holds what may still
    // become a prompt or an answer line.
    void NotePass(bool pending) {
        m_rxPending = pending;
        ++m_passes;
    }
    // The board's echo is off (an "echo off" was answered with its prompt)
    // and no restart has been seen since.
    bool EchoOff() const { return m_echoOff; }

    // --- telemetry ---
    void StoreTelemetry(TTelemetrySlot slot, const QByteArray& payload);
    // A copy of the newest payload of a stream; reading does not consume it.
    QByteArray Telemetry(TTelemetrySlot slot) const;
    QByteArray GpsData() const { return Telemetry(TTelemetrySlot::Gps); }
    QByteArray AdcData() const { return Telemetry(TTelemetrySlot::Adc); }
    QByteArray PpmData() const { return Telemetry(TTelemetrySlot::Ppm); }
    QByteArray MagData() const { return Telemetry(TTelemetrySlot::Mag); }
    QByteArray EkfData() const { return Telemetry(TTelemetrySlot::Ekf); }
    QByteArray GyroData() const { return Telemetry(TTelemetrySlot::Gyro); }
    QByteArray AccelData() const { return Telemetry(TTelemetrySlot::Accel); }
    QByteArray BaroData() const { return Telemetry(TTelemetrySlot::Baro); }
    QByteArray StabData() const { return Telemetry(TTelemetrySlot::Stab); }

    IClock* Clock() const { return m_clock; }

    // Events the link posts to itself (QEvent::User + offset): a line arrived
    // for a sleeping wait or the background settling, or the port went
    // (Wake); the board may be free for the next waiting request (Grant).
    static constexpr int WakeEventOffset = 900;
    static constexpr int GrantEventOffset = 901;

signals:
    // Every command line the link queues, as queued (for observers such as
    // the unsaved-changes counter): the requests' commands and the empty
    // line that asks a board for the prompt it owes.
    void CommandSent(const QByteArray& line);
    // The rest of an interrupted answer is being discarded: bytes so far;
    // -1 when the link is in step again.
    void SettleProgress(qint64 bytes);
    // A line of a request's answer (prompts aside), with the command it
    // answers: for observers that learn from listings what the board holds.
    void AnswerLine(const QByteArray& command, const QByteArray& line);
    // A command's prompt came: the board took it (`refusal` empty) or
    // answered with the text of its refusal (write commands only).
    void CommandAnswered(const QByteArray& command, const QByteArray& refusal);
    // A command's exchange ended before its prompt came (silence, a lost
    // link, the operator's cancel): whether the board took it is unknown.
    // A pipelined line whose prompt may still come later is not reported
    // until its turn's last exchange ends.
    void CommandUnconfirmed(const QByteArray& command);
    // No request waits for the board any more (the last one has started,
    // or all were failed or dropped).
    void WaitingDrained();
    // The board started afresh (its start-up lines, or its echo back on)
    // after the link had set it up: whatever it held unsaved is gone, and
    // the link turns its echo off again before the next command.
    void BoardRestarted();

protected:
    bool event(QEvent* e) override;

private:
    friend class TBoardTurn;
    enum class TWaitEnd { Line, Timeout, Cancelled, Gone };
    enum class TSettle { Done, Wait, Flood, TooLong };
    struct TWaiter {
        QPointer<QObject> Context;
        bool HasContext;
        std::function<void()> Run;
        std::function<void(const TAnswer&)> Failed;
    };

    // The next response line, sleeping until one arrives, `deadline` (on the
    // link's clock) passes, `cancel` says so or the port goes.
    TWaitEnd WaitLine(QByteArray& line, qint64 deadline, TWaitMode mode, const TCancelFn& cancel);
    // Sleeps until a response line may have arrived, the deadline passes or
    // (ProcessEvents) a window message wants handling.
    void SleepForLine(quint64 seenSeq, qint64 remainingMs, TWaitMode mode);
    TAnswer Exchange(const TRequest& r);
    // Lets an interrupted answer finish within a request.
    TAnswer SettleInline(const TRequest& r);
    // One look at the response queue while out of step: discards what waits,
    // counting the owed prompts off, and sends the probe when it is due;
    // `waitMs` is how long to sleep before looking again when the result
    // is Wait.
    TSettle SettleStep(qint64& waitMs);
    void MarkInStep();
    // The turn's pipelined lines whose prompts never came: unconfirmed.
    void DropPipelineCommands();
    // The answer of the running request ended before its prompt(s).
    void LeaveOutOfStep(int promptsOwed, int silenceMs);
    // Drops the lines waiting before a fresh start, and the worker's stale
    // unterminated line with them.
    void FreshStart();
    // Reads and drops lines until none has come for the request's
    // QuietAfterMs (or its overall limit passes).
    void DropUntilQuiet(const TRequest& r, qint64 start);
    // After an answer's last prompt: reads on while the line is not quiet
    // (for at most `limitMs`). Further prompts are dropped; any other text
    // means that prompt was not this answer's end (OutOfStep), or the board
    // restarted.
    TAnswerEnd CheckAfterPrompt(const TRequest& r, int limitMs);
    // A line that shows the board has started afresh, in the answer to `r`.
    bool RestartSign(const QByteArray& line, const TRequest* r) const;
    void NoteRestart();
    // After a restart: "echo off" again before the request's own commands.
    TAnswer RestoreEchoOff(const TRequest& r);
    int RemoveUnsent();
    void TurnReleased();
    void ScheduleGrant();
    void Grant();
    void SettleInBackground();
    void FailWaiting(const TAnswer& why);
    void PostWake();

    IClock* m_clock;
    TSendGate m_gate;
    bool m_inGate = false;
    // Standard primitives (not QMutex) so that the thread sanitizer sees them.
    mutable std::mutex m_telemetryLock;
    QByteArray m_slots[static_cast<int>(TTelemetrySlot::Count)];

    // Conversation state, on the link's thread only.
    int m_turns = 0;
    bool m_reading = false;
    int m_owed = 0;           // prompts earlier exchanges still owe
    bool m_unsettled = false; // an answer was cut short: quiet is needed too
    int m_settleSilenceMs = 0;
    qint64 m_settleBytes = 0;
    qint64 m_settleSinceMs = 0;  // when the answer was cut short
    qint64 m_probeQueuedMs = -1; // the empty line sent to find the board's prompt
    qint64 m_lastPromptMs = -1;  // a prompt last seen while settling
    int m_pipelineOwed = 0;      // of m_owed: owed by this turn's pipelined requests
    // Those requests' commands, oldest first, with the refusal text each has
    // had so far: their late prompts are reported as the next one counts them.
    QList<TRefusal> m_pipelineCommands;
    bool m_echoOff = false;
    bool m_needEchoOff = false;
    QList<TWaiter> m_waiting;
    bool m_grantPosted = false;
    QTimer m_settleTimer;

    std::mutex m_wakeMutex;
    std::condition_variable m_wake;
    std::atomic<quint64> m_responseSeq{0};
    std::atomic<quint64> m_clearCount{0};
    std::atomic<int> m_guiWaiters{0};
    std::atomic<bool> m_wakeOnLine{false}; // the background settling wants every line
    std::atomic<bool> m_wakePosted{false};
    std::atomic<bool> m_gone{false};
    std::atomic<bool> m_promptFollowed{false};
    std::atomic<bool> m_rxPending{false};
    std::atomic<quint64> m_passes{0};
    std::atomic<qint64> m_lastWriteMs{0};
    std::atomic<qint64> m_lastResponseMs{0};
};

// Holds the board for one conversation (a listing, an export with its eleven
// sections, a calibration, a console line) for the scope's life. Taken only
// when nobody else holds it; releasing it lets waiting requests run.
class TBoardTurn {
public:
    explicit TBoardTurn(TBoardLink& link);
    ~TBoardTurn();
    TBoardTurn(const TBoardTurn&) = delete;
    TBoardTurn& operator=(const TBoardTurn&) = delete;
    bool Held() const { return m_held; }

private:
    TBoardLink& m_link;
    bool m_held;
};

// Routes one received line: a telemetry line fills its slot and goes nowhere
// else; every other line (the prompt and empty lines too) is appended whole
// and untrimmed to the response queue. Never throws.
void DispatchLine(TBoardLink& link, const QByteArray& line);
// True when `line` begins with one of the nine telemetry tags.
bool IsTelemetryLine(const QByteArray& line);
// The prompts "=>" at the start of a trimmed line (a board may run a prompt
// and the echo of the next command together); `rest` is what follows them,
// trimmed.
int LeadingPrompts(const QByteArray& line, QByteArray* rest = nullptr);
// A line the board prints when it starts: it names its software version, as
// its answer to "ver" does.
bool IsStartupLine(const QByteArray& line);

// The telemetry tags, in dispatch order, with their slots.
struct TTelemetryTag {
    const char* Tag;
    TTelemetrySlot Slot;
    const char* Stream; // name used in "mon on <stream>"
};
extern const TTelemetryTag TelemetryTags[9];
