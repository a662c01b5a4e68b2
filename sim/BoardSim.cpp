#include "sim/BoardSim.h"

#include "link/Proc.h"

#include <QFile>
#include <QSaveFile>
#include <cmath>

namespace {
// Telemetry is dropped, not queued, while this much output waits: a board's
// transmit buffer is small, and a stream must never delay answers for long.
constexpr qint64 TelemetryBacklog = 1024;
// Log dumps and floods are produced ahead of the wire up to this backlog,
// below the telemetry limit, so streams still get their lines in.
constexpr qint64 JobBacklog = 768;
// A typed line longer than this is cut, as a board's line buffer would.
constexpr int MaxLineLength = 1024;

constexpr char AutopilotVersion[] = "3.2.7";
constexpr char ReceiverVersion[] = "1.4.0";
} // namespace

TBoardSim::TBoardSim(TSimOptions options)
    : m_options(std::move(options)), m_telemetry(m_options.Seed), m_rand(m_options.Seed),
      m_faultRand(m_options.Seed ^ 0xfa17u) {
    for (const QByteArray& s : TTelemetry::Streams())
        if (!m_options.StreamPeriodMs.contains(s))
            m_options.StreamPeriodMs.insert(s, TTelemetry::DefaultPeriodMs(s));
    for (int i = 0; i < 3; ++i)
        m_magTrueBias[i] = m_rand.Noise(120);
    LoadStateFile();
}

const TBoardSim::TGroup& TBoardSim::Group(const QByteArray& name) const {
    static const TGroup empty;
    auto it = m_state.Groups.constFind(name);
    return it == m_state.Groups.cend() ? empty : *it;
}

// --- output ------------------------------------------------------------------

void TBoardSim::Out(const QByteArray& bytes) {
    if (m_silent || m_rebooting || bytes.isEmpty())
        return;
    m_out += bytes;
    m_produced += bytes.size();
    m_atPrompt = false;
}

void TBoardSim::Emit(const QByteArray& line) {
    const bool glued =
        m_atPrompt && m_options.PromptThenTelemetry && line.startsWith('$') && !m_silent;
    if (m_midLine && !glued)
        Out("\r\n");
    m_midLine = false;
    Out(line + "\r\n");
}

void TBoardSim::Prompt() {
    // A second prompt is further output too, and ends the first one's line,
    // unless this board runs its prompts together ("=>=>").
    if (m_midLine && !(m_options.BarePrompts && m_atPrompt))
        Out("\r\n");
    Out("=>");
    m_midLine = true;
    m_atPrompt = !m_silent && !m_rebooting;
}

QByteArray TBoardSim::TakeOutput(qint64 maxBytes) {
    QByteArray chunk = m_out.left(maxBytes);
    m_out.remove(0, chunk.size());
    m_taken += chunk.size();
    const TFaults& f = m_options.Faults;
    if (f.SilenceAfterBytes >= 0 && !m_bytesSilenceFired && m_taken >= f.SilenceAfterBytes) {
        const qint64 sentBefore = m_taken - chunk.size();
        chunk.truncate(std::max<qint64>(0, f.SilenceAfterBytes - sentBefore));
        m_bytesSilenceFired = true;
        StartSilence(m_nowMs);
    }
    if (f.RebootAfterBytes >= 0 && !m_bytesRebootFired && m_taken >= f.RebootAfterBytes) {
        const qint64 sentBefore = m_taken - chunk.size();
        chunk.truncate(std::max<qint64>(0, f.RebootAfterBytes - sentBefore));
        m_bytesRebootFired = true;
        StartReboot(m_nowMs);
    }
    if (f.DropRate > 0 || f.GarbleRate > 0) {
        QByteArray faulty;
        faulty.reserve(chunk.size());
        for (char c : chunk) {
            const double r = m_faultRand.Unit();
            if (r < f.DropRate)
                continue;
            if (r < f.DropRate + f.GarbleRate)
                c = static_cast<char>(m_faultRand.Next() & 0xff);
            faulty += c;
        }
        chunk = faulty;
    }
    FireArmed(m_nowMs);
    return chunk;
}

// --- input and command execution ---------------------------------------------

void TBoardSim::Receive(const QByteArray& bytes, qint64 nowMs) {
    m_nowMs = nowMs;
    if (m_rebooting || m_flooding)
        return; // nobody is listening
    for (char c : bytes) {
        if (c == '\r') {
            // A command ends at CR; the LF that follows is ignored.
            if (m_echo) {
                Out("\r\n");
                m_midLine = false;
            }
            m_pending.append({m_lineBuffer, nowMs + m_options.Faults.LatencyMs});
            m_lineBuffer.clear();
        } else if (c == '\n') {
            continue;
        } else if (c == '\b' || c == 0x7f) {
            if (!m_lineBuffer.isEmpty()) {
                m_lineBuffer.chop(1);
                if (m_echo)
                    Out("\b \b");
            }
        } else if (m_lineBuffer.size() < MaxLineLength) {
            if (m_echo) {
                Out(QByteArray(1, c));
                m_midLine = true;
            }
            m_lineBuffer += c;
        }
    }
    RunPending(nowMs);
}

void TBoardSim::RunPending(qint64 nowMs) {
    while (!m_pending.isEmpty() && m_job == TJob::None && !m_rebooting && !m_flooding &&
           m_pending.front().DueMs <= nowMs) {
        const QByteArray line = m_pending.takeFirst().Line;
        ExecuteLine(line, nowMs);
    }
}

const QList<TBoardSim::TCommand>& TBoardSim::Commands() {
    static const QList<TCommand> table = {
        {"cat", &TBoardSim::CmdCat},     {"set", &TBoardSim::CmdSet},
        {"reset", &TBoardSim::CmdReset}, {"save", &TBoardSim::CmdSave},
        {"ver", &TBoardSim::CmdVer},     {"log", &TBoardSim::CmdLog},
        {"cal", &TBoardSim::CmdCal},     {"mon", &TBoardSim::CmdMon},
        {"echo", &TBoardSim::CmdEcho},   {"start", &TBoardSim::CmdStart},
    };
    return table;
}

void TBoardSim::ExecuteLine(const QByteArray& raw, qint64 nowMs) {
    m_history.append(raw);
    const QByteArray line = Trim(raw);
    const QByteArrayList words = line.simplified().split(' ');
    TAnswer answer = TAnswer::Prompt;
    if (!line.isEmpty()) {
        // The empty line only asks for the prompt.
        answer = TAnswer::Later;
        bool found = false;
        for (const TCommand& c : Commands())
            if (words[0] == c.Word) {
                answer = (this->*c.Handler)(words, line, nowMs);
                found = true;
                break;
            }
        if (!found)
            answer = Unknown(line);
    }
    if (answer == TAnswer::Prompt) {
        Prompt();
        Answered(line, nowMs);
    }
}

TBoardSim::TAnswer TBoardSim::Unknown(const QByteArray& line) {
    Emit("Unknown command: " + line);
    return TAnswer::Prompt;
}

// --- listings ----------------------------------------------------------------

void TBoardSim::ListGroup(const QByteArray& name) {
    // The IMU filter settings are listed without blanks around "=": the
    // filter window matches a name only when "=" follows it directly.
    const QByteArray sep = name == "imu" ? "=" : " = ";
    for (const auto& p : m_state.Groups.value(name))
        Emit(p.first + sep + p.second);
}

void TBoardSim::ListWaypoints() {
    Emit("Waypoints: " + QByteArray::number(m_state.Waypoints.size()));
    Emit("N: latitude, longitude, altitude");
    for (auto it = m_state.Waypoints.cbegin(); it != m_state.Waypoints.cend(); ++it)
        Emit(QByteArray::number(it.key()) + ": " + it->Lat + ", " + it->Lon + ", " + it->Alt);
}

void TBoardSim::ListChannels(const QList<TChannelRow>& rows) {
    Emit("# N: type ch min neutral max");
    for (int i = 0; i < rows.size(); ++i) {
        const TChannelRow& r = rows[i];
        Emit(QByteArray::number(i) + ": " + QByteArray::number(r.Code) + " " +
             QByteArray::number(r.Channel) + " " + QByteArray::number(r.Min) + " " +
             QByteArray::number(r.Neutral) + " " + QByteArray::number(r.Max));
    }
}

void TBoardSim::ListMixers() {
    Emit("# MIXERS N: Type G RE LE ELE RUD");
    for (int i = 0; i < m_state.Mixers.size(); ++i) {
        QByteArray row = QByteArray::number(i + 1) + ":";
        for (int v : m_state.Mixers[i].V)
            row += " " + QByteArray::number(v);
        Emit(row);
    }
}

TBoardSim::TAnswer TBoardSim::CmdCat(const QByteArrayList& w, const QByteArray& line, qint64) {
    const QByteArray what = w.value(1);
    if (w.size() == 2 && m_state.Groups.contains(what))
        ListGroup(what);
    else if (w.size() == 2 && what == "wp")
        ListWaypoints();
    else if (w.size() == 3 && what == "control" && w[2] == "in")
        ListChannels(m_state.Inputs);
    else if (w.size() == 3 && what == "control" && w[2] == "out")
        ListChannels(m_state.Outputs);
    else if (w.size() == 3 && what == "control" && w[2] == "mixers")
        ListMixers();
    else
        return Unknown(line);
    return TAnswer::Prompt;
}

TBoardSim::TAnswer TBoardSim::CmdVer(const QByteArrayList&, const QByteArray&, qint64) {
    Emit("Vantor-Navigator autopilot");
    Emit(QByteArray("Autopilot software version: ") + AutopilotVersion);
    Emit(QByteArray("Receiver software version: ") + ReceiverVersion);
    return TAnswer::Prompt;
}

// --- writes ------------------------------------------------------------------

bool TBoardSim::SetRow(const QByteArrayList& w) {
    // w: "set", kind, then numbers; the panel puts two blanks after the
    // kind, a restored export one: both arrive here split alike.
    const QByteArray& kind = w[1];
    QList<int> v;
    for (int i = 2; i < w.size(); ++i) {
        int x = 0;
        if (!TryStrToInt(w[i], x))
            return false;
        v << x;
    }
    if (kind == "mix") {
        if (v.size() != 3 || v[0] < 1 || v[0] > TBoardState::MixerCount || v[1] < 1 || v[1] > 5)
            return false;
        m_state.Mixers[v[0] - 1].V[v[1] - 1] = v[2];
        return true;
    }
    if (v.size() != 6 || v[0] < 0 || v[0] >= TBoardState::ChannelCount)
        return false;
    (kind == "ch_in" ? m_state.Inputs : m_state.Outputs)[v[0]] = {v[1], v[2], v[3], v[4], v[5]};
    return true;
}

namespace {
// Parameters the board keeps within a range of its own: the throttle levels
// are 10-bit (0..1023, the range of the stabiliser window's spins). A number
// outside is held at the nearest bound, silently, as the board does.
struct TParamRange {
    const char* Name;
    int Min, Max;
};
const TParamRange ParamRanges[] = {
    {"gaz_minimum", 0, 1023}, {"gaz_cruise", 0, 1023}, {"gaz_maximum", 0, 1023}};

void ClampToRange(const QByteArray& name, QByteArray& value) {
    int v = 0;
    for (const TParamRange& r : ParamRanges)
        if (name == r.Name && TryStrToInt(value, v))
            value = QByteArray::number(qBound(r.Min, v, r.Max));
}
} // namespace

TBoardSim::TAnswer TBoardSim::CmdSet(const QByteArrayList& w, const QByteArray& line, qint64) {
    if (w.size() < 2)
        return Unknown(line);
    const QByteArray name = LowerAscii(w[1]);
    if (name == "ch_in" || name == "ch_out" || name == "mix") {
        if (!SetRow(w))
            Emit("Invalid arguments: " + line);
        return TAnswer::Prompt;
    }
    if (name == "wp") {
        int n = 0;
        if (w.size() < 6 || !TryStrToInt(w[2], n) || n < 1 || n > TBoardState::MaxWaypoints)
            Emit("Invalid arguments: " + line);
        else
            m_state.Waypoints.insert(n, {w[3], w[4], w.mid(5).join(' ')});
        return TAnswer::Prompt;
    }
    QByteArray* value = m_state.FindParam(name);
    if (!value) {
        Emit("Unknown parameter " + w[1]);
        return TAnswer::Prompt;
    }
    if (w.size() < 3) {
        Emit("Missing value for " + w[1]);
        return TAnswer::Prompt;
    }
    // A position pair comes as two numbers ("set rssi_xy 10 25") and is kept
    // as the board lists it, "10,25"; every other value is kept as typed.
    if (name.contains("_xy") && w.size() == 4)
        *value = w[2] + "," + w[3];
    else
        *value = Trim(line.mid(line.indexOf(w[1], 3) + w[1].size())); // after "set"
    ClampToRange(name, *value);
    return TAnswer::Prompt;
}

TBoardSim::TAnswer TBoardSim::CmdReset(const QByteArrayList& w, const QByteArray& line, qint64) {
    const QByteArray what = w.mid(1).join(' ');
    if (m_state.Groups.contains(what)) {
        m_state.Groups[what] = TBoardState::DefaultGroup(what);
    } else if (what == "control in") {
        m_state.Inputs = TBoardState::DefaultInputs();
    } else if (what == "control out") {
        m_state.Outputs = TBoardState::DefaultOutputs();
    } else if (what == "control mixers") {
        // The output channels and the mixers are one block on the board.
        m_state.Outputs = TBoardState::DefaultOutputs();
        m_state.Mixers = TBoardState::DefaultMixers();
    } else {
        return Unknown(line);
    }
    Emit("Defaults restored");
    return TAnswer::Prompt;
}

TBoardSim::TAnswer TBoardSim::CmdSave(const QByteArrayList& w, const QByteArray& line,
                                      qint64 nowMs) {
    const QByteArray what = w.value(1);
    if (w.size() != 2)
        return Unknown(line);
    if (what == "config") {
        m_saved.Groups = m_state.Groups;
        m_saved.Waypoints = m_state.Waypoints;
    } else if (what == "controls") {
        m_saved.Inputs = m_state.Inputs;
        m_saved.Outputs = m_state.Outputs;
        m_saved.Mixers = m_state.Mixers;
    } else if (what == "ref") {
        m_telemetry.SaveReference(nowMs);
        Emit("Horizon reference saved");
        return TAnswer::Prompt;
    } else {
        return Unknown(line);
    }
    const QByteArray answer = WriteStateFile() ? "Saved" : "Save failed";
    if (m_options.Faults.SaveDelayMs > 0) {
        // The flash is erased first: the answer comes when it is done.
        m_job = TJob::Save;
        m_dumpLine = line;
        m_saveAnswer = answer;
        m_jobDueMs = nowMs + m_options.Faults.SaveDelayMs;
        return TAnswer::Later;
    }
    Emit(answer);
    return TAnswer::Prompt;
}

bool TBoardSim::WriteStateFile() {
    if (m_options.StatePath.isEmpty())
        return true; // this board's flash lives as long as the process
    // Written whole or not at all: a crash mid-save keeps the last state.
    QSaveFile f(m_options.StatePath);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    QByteArray text = "# vantor-board-sim saved settings\n";
    for (const QByteArray& l : m_saved.ConfigLines() + m_saved.ControlLines())
        text += l + "\n";
    f.write(text);
    return f.commit();
}

void TBoardSim::LoadStateFile() {
    if (m_options.StatePath.isEmpty())
        return;
    QFile f(m_options.StatePath);
    if (!f.open(QIODevice::ReadOnly))
        return; // first start: factory defaults
    QByteArrayList lines;
    for (const QByteArray& l : f.readAll().split('\n'))
        if (!l.startsWith('#'))
            lines << Trim(l);
    m_saved.ApplyLines(lines);
    m_state = m_saved;
}

// --- streams, logs, calibration, misc ------------------------------------------

TBoardSim::TAnswer TBoardSim::CmdMon(const QByteArrayList& w, const QByteArray& line,
                                     qint64 nowMs) {
    if (w.size() != 3 || (w[1] != "on" && w[1] != "off"))
        return Unknown(line);
    if (!TTelemetry::IsStream(w[2])) {
        Emit("Unknown stream " + w[2]);
    } else if (w[1] == "on") {
        if (!m_streams.contains(w[2])) {
            // Samples fall on the stream's period grid, so streams of one rate
            // come in bursts and leave the line quiet in between.
            const qint64 period = std::max(1, m_options.StreamPeriodMs.value(w[2]));
            m_streams.insert(w[2], (nowMs + period - 1) / period * period);
        }
    } else {
        m_streams.remove(w[2]);
    }
    return TAnswer::Prompt;
}

TBoardSim::TAnswer TBoardSim::CmdEcho(const QByteArrayList& w, const QByteArray& line, qint64) {
    if (w.size() != 2 || (w[1] != "on" && w[1] != "off"))
        return Unknown(line);
    m_echo = w[1] == "on";
    return TAnswer::Prompt;
}

TBoardSim::TAnswer TBoardSim::CmdStart(const QByteArrayList& w, const QByteArray& line,
                                       qint64 nowMs) {
    if (w.size() != 2 || w[1] != "current_integ")
        return Unknown(line);
    m_telemetry.StartCurrentIntegrator(nowMs);
    Emit("Current integrator started");
    return TAnswer::Prompt;
}

TBoardSim::TAnswer TBoardSim::CmdLog(const QByteArrayList& w, const QByteArray& line,
                                     qint64 nowMs) {
    if (w.size() == 2 && w[1] == "dir") {
        const int count = std::max(0, m_options.FlightIdMax - m_options.FlightIdMin + 1);
        Emit("Flight logs: " + QByteArray::number(count));
        Emit("flight_id_min = " + QByteArray::number(m_options.FlightIdMin));
        Emit("flight_id_max = " + QByteArray::number(m_options.FlightIdMax));
        Emit("log_space_free_kb = " + QByteArray::number(4096 - count * 96));
        return TAnswer::Prompt;
    }
    int n = 0;
    if (w.size() != 3 || w[1] != "dump" || !TryStrToInt(w[2], n))
        return Unknown(line);
    if (n < m_options.FlightIdMin || n > m_options.FlightIdMax) {
        Emit("No such flight: " + w[2]);
        return TAnswer::Prompt;
    }
    m_job = TJob::Dump;
    m_dump = std::make_unique<TFlightLog>(n, m_options.Seed);
    m_dumpLine = line;
    m_dumpBytes = 0;
    Emit(TFlightLog::Header());
    RunJob(nowMs);
    return TAnswer::Later;
}

TBoardSim::TAnswer TBoardSim::CmdCal(const QByteArrayList& w, const QByteArray& line,
                                     qint64 nowMs) {
    const QByteArray what = w.size() == 2 ? w[1] : QByteArray();
    if (what == "gyro") {
        Emit("Gyro calibration: keep the board still");
        m_job = TJob::CalGyro;
        m_dumpLine = line;
        m_jobDueMs = nowMs + m_options.CalGyroMs;
        return TAnswer::Later;
    }
    if (what == "mag") {
        // No prompt until the calibration ends: the panel reads extremes lines
        // until "cal mag_save" or "cal mag_cancel".
        Emit("Mag calibration: rotate the board in all directions");
        m_calMag = true;
        m_magSeen = false;
        m_calMagStart = nowMs;
        m_calMagNext = nowMs + m_options.CalMagPeriodMs;
        return TAnswer::Later;
    }
    if (what == "mag_save" || what == "mag_cancel") {
        if (!m_calMag) {
            Emit("Mag calibration is not running");
            return TAnswer::Prompt;
        }
        m_calMag = false;
        if (what == "mag_cancel" || !m_magSeen) {
            Emit("Mag calibration cancelled");
            return TAnswer::Prompt;
        }
        const char* names[] = {"mag_bias_x", "mag_bias_y", "mag_bias_z"};
        for (int i = 0; i < 3; ++i)
            if (QByteArray* v = m_state.FindParam(names[i]))
                *v = QByteArray::number(std::lround((m_magMax[i] + m_magMin[i]) / 2));
        ListGroup("mag");
        return TAnswer::Prompt;
    }
    return Unknown(line);
}

void TBoardSim::RunJob(qint64 nowMs) {
    if (m_job == TJob::Dump) {
        // Every stream at its highest rate keeps the backlog above JobBacklog;
        // the dump still gets a row a tick (the backlog stays bounded at twice
        // the telemetry limit), or it would never end.
        bool first = true;
        while ((m_out.size() < JobBacklog || (first && m_out.size() < 2 * TelemetryBacklog)) &&
               m_dumpBytes < m_options.LogDumpBytes && !m_silent && !m_rebooting) {
            first = false;
            const QByteArray row = m_dump->NextRow();
            m_dumpBytes += row.size() + 2;
            Emit(row);
        }
        if (m_dumpBytes >= m_options.LogDumpBytes || m_silent || m_rebooting) {
            m_job = TJob::None;
            m_dump.reset();
            Prompt();
            Answered(m_dumpLine, nowMs);
        }
    } else if (m_job == TJob::Save && nowMs >= m_jobDueMs) {
        m_job = TJob::None;
        Emit(m_saveAnswer);
        Prompt();
        Answered(m_dumpLine, nowMs);
    } else if (m_job == TJob::CalGyro && nowMs >= m_jobDueMs) {
        m_job = TJob::None;
        const char* names[] = {"gyro_bias_x", "gyro_bias_y", "gyro_bias_z"};
        for (const char* n : names)
            if (QByteArray* v = m_state.FindParam(n))
                *v = QByteArray::number(m_rand.Below(41) - 20);
        ListGroup("gyro");
        Prompt();
        Answered(m_dumpLine, nowMs);
    }
}

QByteArray TBoardSim::ExtremesLine() const {
    const char* axes[] = {"x", "y", "z"};
    QByteArrayList items;
    for (int i = 0; i < 3; ++i) {
        items << QByteArray(axes[i]) + "_max=" + QByteArray::number(std::lround(m_magMax[i]));
        items << QByteArray(axes[i]) + "_min=" + QByteArray::number(std::lround(m_magMin[i]));
    }
    return items.join(' ');
}

void TBoardSim::RunCalMag(qint64 nowMs) {
    if (!m_calMag)
        return;
    constexpr double Pi = 3.14159265358979323846;
    while (m_calMagNext <= nowMs) {
        // The operator tumbles the board: the field sweeps over the sphere,
        // and the extremes grow towards field strength +- the hard-iron bias.
        const int steps = 5;
        for (int s = 0; s < steps; ++s) {
            const double t = (m_calMagNext - m_calMagStart -
                              m_options.CalMagPeriodMs * (steps - s - 1) / steps) /
                             1000.0;
            const double th = t * 1.7, ph = std::sin(t * 0.61) * Pi / 2;
            const double v[3] = {450 * std::cos(th) * std::cos(ph),
                                 450 * std::sin(th) * std::cos(ph), 450 * std::sin(ph)};
            for (int i = 0; i < 3; ++i) {
                const double m = v[i] + m_magTrueBias[i] + m_rand.Noise(3);
                m_magMax[i] = m_magSeen ? std::max(m_magMax[i], m) : m;
                m_magMin[i] = m_magSeen ? std::min(m_magMin[i], m) : m;
            }
            m_magSeen = true;
        }
        Emit(ExtremesLine());
        m_calMagNext += m_options.CalMagPeriodMs;
    }
}

void TBoardSim::RunTelemetry(qint64 nowMs) {
    for (auto it = m_streams.begin(); it != m_streams.end(); ++it) {
        const int period = std::max(1, m_options.StreamPeriodMs.value(it.key()));
        if (nowMs - it.value() > 100LL * period)
            it.value() = nowMs / period * period; // long gap: skip, don't catch up
        while (it.value() <= nowMs) {
            // A real board drops samples when its transmit buffer is full
            // rather than queueing without end.
            if (m_out.size() < TelemetryBacklog)
                Emit(m_telemetry.Line(it.key(), it.value()));
            it.value() += period;
        }
    }
}

void TBoardSim::Tick(qint64 nowMs) {
    m_nowMs = nowMs;
    RunTimedFaults(nowMs);
    FireArmed(nowMs);
    if (m_rebooting) {
        if (nowMs >= m_rebootUntil)
            FinishReboot();
        else
            return;
    }
    if (m_silent && m_silentUntil >= 0 && nowMs >= m_silentUntil)
        m_silent = false;
    if (m_flooding) {
        RunFlood(nowMs);
        return;
    }
    RunJob(nowMs);
    RunPending(nowMs);
    RunCalMag(nowMs);
    RunTelemetry(nowMs);
}

// --- faults --------------------------------------------------------------------

bool TBoardSim::Matches(const QByteArray& trigger, const QByteArray& line) {
    return trigger == "*" || (!trigger.isEmpty() && line.startsWith(trigger));
}

void TBoardSim::Answered(const QByteArray& line, qint64 nowMs) {
    const TFaults& f = m_options.Faults;
    if (Matches(f.SilenceAfterCommand, line))
        Arm(TFault::Silence);
    if (Matches(f.HangUpAfterCommand, line))
        Arm(TFault::HangUp);
    if (Matches(f.RebootAfterCommand, line))
        Arm(TFault::Reboot);
    if (Matches(f.FloodAfterCommand, line))
        Arm(TFault::Flood);
    if (Matches(f.ExtraPromptAfterCommand, line))
        Prompt();
    FireArmed(nowMs);
}

void TBoardSim::Arm(TFault fault) {
    m_armed.append({fault, m_produced});
}

void TBoardSim::FireArmed(qint64 nowMs) {
    // A fault "after a command" strikes once its answer has left the board.
    for (int i = 0; i < m_armed.size();) {
        if (m_taken >= m_armed[i].AfterByte) {
            const TFault f = m_armed.takeAt(i).Fault;
            Fire(f, nowMs);
        } else {
            ++i;
        }
    }
}

void TBoardSim::Fire(TFault fault, qint64 nowMs) {
    switch (fault) {
    case TFault::Silence:
        StartSilence(nowMs);
        break;
    case TFault::HangUp:
        RequestHangUp();
        break;
    case TFault::Reboot:
        StartReboot(nowMs);
        break;
    case TFault::Flood:
        StartFlood(nowMs);
        break;
    }
}

void TBoardSim::RunTimedFaults(qint64 nowMs) {
    const TFaults& f = m_options.Faults;
    if (f.FloodAtMs >= 0 && nowMs >= f.FloodAtMs && !m_floodAtFired) {
        m_floodAtFired = true;
        StartFlood(nowMs);
    }
    if (f.HangUpAtMs >= 0 && nowMs >= f.HangUpAtMs && !m_hangUpAtFired) {
        m_hangUpAtFired = true;
        RequestHangUp();
    }
    if (f.RebootAtMs >= 0 && nowMs >= f.RebootAtMs && !m_rebootAtFired) {
        m_rebootAtFired = true;
        StartReboot(nowMs);
    }
}

void TBoardSim::StartSilence(qint64 nowMs) {
    m_silent = true;
    m_out.clear();
    m_silentUntil = m_options.Faults.SilenceMs > 0 ? nowMs + m_options.Faults.SilenceMs : -1;
}

void TBoardSim::StartFlood(qint64 nowMs) {
    m_flooding = true;
    m_floodUntil = m_options.Faults.FloodMs > 0 ? nowMs + m_options.Faults.FloodMs : -1;
    RunFlood(nowMs);
}

void TBoardSim::RunFlood(qint64 nowMs) {
    if (m_floodUntil >= 0 && nowMs >= m_floodUntil) {
        m_flooding = false;
        m_midLine = true; // whatever comes next starts on a fresh line
        return;
    }
    if (m_silent)
        return; // a silent transmitter sends no flood either
    // Printable noise without a line end: a board stuck in a loop.
    while (m_out.size() < JobBacklog) {
        QByteArray chunk(256, ' ');
        for (char& c : chunk)
            c = static_cast<char>(33 + m_faultRand.Below(94));
        Out(chunk);
    }
}

void TBoardSim::StartReboot(qint64 nowMs) {
    m_out.clear();
    m_rebooting = true;
    m_rebootUntil = nowMs + m_options.Faults.RebootMs;
}

void TBoardSim::FinishReboot() {
    // A fresh start: the settings last saved, nothing running, echo on.
    m_rebooting = false;
    m_silent = false;
    m_flooding = false;
    m_state = m_saved;
    m_streams.clear();
    m_pending.clear();
    m_lineBuffer.clear();
    m_job = TJob::None;
    m_dump.reset();
    m_calMag = false;
    m_echo = true;
    m_midLine = false;
    Emit("");
    Emit("Vantor-Navigator autopilot");
    Emit(QByteArray("Autopilot software version: ") + AutopilotVersion);
    Emit(QByteArray("Receiver software version: ") + ReceiverVersion);
    Prompt();
}

bool TBoardSim::TakeHangUp() {
    if (!m_hangUpWanted)
        return false;
    m_hangUpWanted = false;
    return true;
}

void TBoardSim::OnHangUp() {
    m_out.clear();
    m_lineBuffer.clear();
    m_pending.clear();
    m_midLine = false;
}
