#pragma once
// The link's shared state between the serial worker and the windows: the four
// line queues, the nine telemetry slots, and the command exchange every
// window uses to talk to the board. The main window owns one instance.

#include "link/Clock.h"
#include "link/SafeListsUnit.h"

#include <QObject>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>

// The nine telemetry streams, in the order DispatchLine tests their tags.
enum class TTelemetrySlot { Gps, Adc, Ppm, Mag, Ekf, Gyro, Accel, Baro, Stab, Count };

// How a wait for the board behaves while it sleeps.
enum class TWaitMode {
    NoEvents,     // the GUI is not serviced (listing reads at window creation)
    ProcessEvents // window messages are processed (long operations)
};

enum class TWaitResult { Line, Timeout, Cancelled };

using TCancelFn = std::function<bool()>;

class TBoardLink : public QObject {
    Q_OBJECT
public:
    explicit TBoardLink(IClock* clock = nullptr, QObject* parent = nullptr);

    TSafeStringList ResponseQueue;
    TSafeStringList LogQueue;
    TSafeStringList OutgoingQueue;
    TSafeStringList ErrorQueue;

    // --- command exchange (GUI thread) ---
    // Queues a complete command line; the caller supplies the "\r\n".
    // The send gate, when set, is asked first and may drop the line.
    void SendCommand(const QByteArray& line);
    // Asked by SendCommand about every line before it is queued; false drops
    // the line. The panel's automatic backup before a "reset" uses it. Lines
    // sent while the gate itself runs (the backup's listings) pass unasked.
    using TSendGate = std::function<bool(const QByteArray& line)>;
    void SetSendGate(TSendGate gate) { m_gate = std::move(gate); }
    // Empties the response queue so that older lines are not taken for the
    // answer to the next command. Every command the board executes ends in a
    // prompt; when commands were written whose prompts have not come yet
    // (an apply's "set" lines a moment ago), the queue is emptied only once
    // they have, so a late prompt cannot end the next listing early. That
    // wait sleeps, is skipped when nothing is owed, and ends at the latest
    // SettleAfterWriteMs after the last write (a board that answers some
    // command without a prompt) or SettleLimitMs in all.
    void ClearResponses();
    static constexpr int SettleAfterWriteMs = 300;
    static constexpr int SettleLimitMs = 3000;
    // Prompts the board still owes for lines the worker wrote.
    int PromptsOwed() const { return m_promptsOwed.load(); }
    // Forgets what was owed (a new connection starts clean).
    void ResetPromptAccounting();
    // The next non-blank response line, trimmed; empty when none waits.
    // Blank lines met on the way are consumed. Never waits.
    QByteArray ReadResponseLine();
    // Waits up to 1000 ms for the prompt, processing window messages; every
    // other line is consumed. Returns true when the prompt came.
    bool WaitForPrompt(int limitMs = 1000);
    // The waiting primitive: the next non-blank response line, sleeping until
    // one arrives. Gives up after `silenceMs` without one, or when `cancel`
    // says so (checked whenever the thread wakes).
    TWaitResult WaitResponseLine(QByteArray& line, int silenceMs, TWaitMode mode,
                                 const TCancelFn& cancel = {});

    // --- worker side ---
    // Appends a non-telemetry line to the response queue and wakes waiters.
    void AppendResponse(const QByteArray& line);
    void AddLog(const QByteArray& line);
    void AddError(const QByteArray& text);
    // Line 0 of the outgoing queue, removed; empty when none waits. The
    // worker writes what it pops, so the board owes a prompt for it.
    QByteArray PopOutgoing();

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

    // Every command line handed to SendCommand, as queued (for observers
    // such as the unsaved-changes counter). Emitted on the GUI thread.
signals:
    void CommandSent(const QByteArray& line);

protected:
    bool event(QEvent* e) override;

private:
    // Sleeps until a response line may have arrived, the deadline passes or
    // (ProcessEvents) a window message wants handling.
    void SleepForLine(quint64 seenSeq, qint64 remainingMs, TWaitMode mode);
    // Sleeps until the board has answered what was written (see ClearResponses).
    void SettleOwedPrompts();

    IClock* m_clock;
    TSendGate m_gate;
    bool m_inGate = false;
    // Standard primitives (not QMutex) so that the thread sanitizer sees them.
    mutable std::mutex m_telemetryLock;
    QByteArray m_slots[static_cast<int>(TTelemetrySlot::Count)];

    std::mutex m_wakeMutex;
    std::condition_variable m_wake;
    std::atomic<quint64> m_responseSeq{0};
    std::atomic<int> m_guiWaiters{0};
    std::atomic<bool> m_wakePosted{false};
    std::atomic<int> m_promptsOwed{0};
    std::atomic<qint64> m_lastWriteMs{0};
};

// Routes one received line: a telemetry line fills its slot and goes nowhere
// else; every other line (the prompt and empty lines too) is appended whole
// and untrimmed to the response queue. Never throws.
void DispatchLine(TBoardLink& link, const QByteArray& line);

// The telemetry tags, in dispatch order, with their slots.
struct TTelemetryTag {
    const char* Tag;
    TTelemetrySlot Slot;
    const char* Stream; // name used in "mon on <stream>"
};
extern const TTelemetryTag TelemetryTags[9];
