#pragma once
// The simulated board's command interpreter, free of any transport: bytes
// from the panel go in through Receive(), the board's output comes out of
// TakeOutput() as whole lines (telemetry is interleaved line by line, never
// inside a line), and Tick() advances time-driven output such as telemetry,
// log dumps, calibration and faults. Deterministic: the same input at the
// same times gives the same output.

#include "sim/BoardState.h"
#include "sim/FlightLog.h"
#include "sim/SimOptions.h"
#include "sim/SimRandom.h"
#include "sim/Telemetry.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QList>
#include <QMap>
#include <memory>

class TBoardSim {
public:
    using TGroup = TBoardState::TGroup;

    explicit TBoardSim(TSimOptions options = {});

    // Bytes typed by the panel, at board time `nowMs`. Complete command lines
    // run at once unless the board is busy or answers with latency.
    void Receive(const QByteArray& bytes, qint64 nowMs);
    // Advances board time: telemetry, dumps, calibration, delayed commands
    // and timed faults.
    void Tick(qint64 nowMs);
    // Up to `maxBytes` of pending output (the runner paces it on the wire);
    // byte-level faults (drop, garble, silence after N bytes) act here.
    QByteArray TakeOutput(qint64 maxBytes);
    qint64 PendingOutput() const { return m_out.size(); }

    // --- inspection and test hooks (through TSimRunner::WithSim) ---
    const TGroup& Group(const QByteArray& name) const;
    TBoardState& State() { return m_state; }
    // What "save config" / "save controls" last stored (the board's flash).
    const TBoardState& Saved() const { return m_saved; }
    TBoardState& Saved() { return m_saved; }
    bool Echo() const { return m_echo; }
    // Every command line the board has executed, in order, without "\r\n".
    const QByteArrayList& History() const { return m_history; }
    void ClearHistory() { m_history.clear(); }
    bool StreamOn(const QByteArray& stream) const { return m_streams.contains(stream); }
    // A log dump or a gyro calibration is running, or commands wait.
    bool Busy() const { return m_job != TJob::None || !m_pending.isEmpty(); }
    bool CalibratingMag() const { return m_calMag; }

    // --- faults ---
    TFaults& Faults() { return m_options.Faults; }
    TSimOptions& Options() { return m_options; }
    void StartSilence(qint64 nowMs);
    void StartFlood(qint64 nowMs);
    void StartReboot(qint64 nowMs);
    // Asks the runner to pull the cable once the output has drained.
    void RequestHangUp() { m_hangUpWanted = true; }
    bool HangUpWanted() const { return m_hangUpWanted; }
    // True once per hang-up that is due; the runner then hangs the transport
    // up and calls OnHangUp().
    bool TakeHangUp();
    // The cable was pulled: output on its way and a half-typed line are lost;
    // the board itself runs on.
    void OnHangUp();
    bool Silent() const { return m_silent; }
    bool Flooding() const { return m_flooding; }
    bool Rebooting() const { return m_rebooting; }

private:
    enum class TJob { None, Dump, CalGyro, Save };
    enum class TAnswer { Prompt, Later };
    using THandler = TAnswer (TBoardSim::*)(const QByteArrayList& words, const QByteArray& line,
                                            qint64 nowMs);
    struct TCommand {
        const char* Word;
        THandler Handler;
    };
    struct TPendingLine {
        QByteArray Line;
        qint64 DueMs;
    };
    enum class TFault { Silence, HangUp, Reboot, Flood };
    struct TArmed {
        TFault Fault;
        qint64 AfterByte; // fires once the output has gone out up to here
    };

    static const QList<TCommand>& Commands();

    // Output. Every line starts on a fresh line: when the prompt or typed
    // echo stands unterminated and the board has more to say (an answer, a
    // telemetry line or another prompt), that line is ended first, so the
    // panel sees the prompt as a line of its own and no line is ever merged
    // with it; with PromptThenTelemetry a telemetry line follows the prompt
    // directly.
    void Out(const QByteArray& bytes);
    void Emit(const QByteArray& line);
    void Prompt();

    void RunPending(qint64 nowMs);
    void ExecuteLine(const QByteArray& line, qint64 nowMs);
    // The answer of `line` is complete: arms the faults it triggers.
    void Answered(const QByteArray& line, qint64 nowMs);
    static bool Matches(const QByteArray& trigger, const QByteArray& line);
    void Arm(TFault fault);
    void FireArmed(qint64 nowMs);
    void Fire(TFault fault, qint64 nowMs);
    void FinishReboot();

    TAnswer CmdCat(const QByteArrayList& w, const QByteArray& line, qint64 nowMs);
    TAnswer CmdSet(const QByteArrayList& w, const QByteArray& line, qint64 nowMs);
    TAnswer CmdReset(const QByteArrayList& w, const QByteArray& line, qint64 nowMs);
    TAnswer CmdSave(const QByteArrayList& w, const QByteArray& line, qint64 nowMs);
    TAnswer CmdVer(const QByteArrayList& w, const QByteArray& line, qint64 nowMs);
    TAnswer CmdLog(const QByteArrayList& w, const QByteArray& line, qint64 nowMs);
    TAnswer CmdCal(const QByteArrayList& w, const QByteArray& line, qint64 nowMs);
    TAnswer CmdMon(const QByteArrayList& w, const QByteArray& line, qint64 nowMs);
    TAnswer CmdEcho(const QByteArrayList& w, const QByteArray& line, qint64 nowMs);
    TAnswer CmdStart(const QByteArrayList& w, const QByteArray& line, qint64 nowMs);
    TAnswer Unknown(const QByteArray& line);

    void ListGroup(const QByteArray& name);
    void ListWaypoints();
    void ListChannels(const QList<TChannelRow>& rows);
    void ListMixers();
    bool SetRow(const QByteArrayList& w);
    bool WriteStateFile();
    void LoadStateFile();

    void RunJob(qint64 nowMs);
    void RunTelemetry(qint64 nowMs);
    void RunCalMag(qint64 nowMs);
    QByteArray ExtremesLine() const;
    void RunTimedFaults(qint64 nowMs);
    void RunFlood(qint64 nowMs);

    TSimOptions m_options;
    TBoardState m_state;
    TBoardState m_saved;
    TTelemetry m_telemetry;
    TSimRandom m_rand;      // board behaviour (calibration results)
    TSimRandom m_faultRand; // byte faults, drawn per outgoing byte

    bool m_echo = true;
    bool m_midLine = false;
    bool m_atPrompt = false; // the last output was the prompt
    QByteArray m_lineBuffer;
    QList<TPendingLine> m_pending;
    QByteArrayList m_history;
    QByteArray m_out;
    qint64 m_produced = 0;              // bytes ever appended to the output
    qint64 m_taken = 0;                 // bytes ever taken from it
    QMap<QByteArray, qint64> m_streams; // stream -> next due time

    TJob m_job = TJob::None;
    std::unique_ptr<TFlightLog> m_dump;
    QByteArray m_dumpLine; // the command that started the job
    qint64 m_dumpBytes = 0;
    qint64 m_jobDueMs = 0;

    bool m_calMag = false;
    qint64 m_calMagNext = 0;
    qint64 m_calMagStart = 0;
    double m_magMax[3] = {0, 0, 0}, m_magMin[3] = {0, 0, 0};
    bool m_magSeen = false;
    double m_magTrueBias[3] = {0, 0, 0};

    QList<TArmed> m_armed;
    bool m_silent = false;
    qint64 m_silentUntil = -1;
    bool m_flooding = false;
    qint64 m_floodUntil = -1;
    bool m_rebooting = false;
    qint64 m_rebootUntil = 0;
    bool m_hangUpWanted = false;
    bool m_bytesSilenceFired = false;
    bool m_bytesRebootFired = false;
    QByteArray m_saveAnswer; // what a delayed save says when it is done
    qint64 m_nowMs = 0;      // board time of the last Receive or Tick
    bool m_floodAtFired = false, m_hangUpAtFired = false, m_rebootAtFired = false;
};
