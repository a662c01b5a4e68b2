#include "sim/BoardSim.h"

#include "link/Proc.h"

#include <cmath>

namespace {
TBoardSim::TGroup DefaultStab() {
    return {
        {"roll_sensitivity", "1.20"},    {"pitch_sensitivity", "1.10"}, {"yaw_sensitivity", "0.80"},
        {"koef_omega_roll", "0.35"},     {"koef_omega_pitch", "0.30"},  {"koef_omega_yaw", "0.25"},
        {"board_reverse_pitch", "1"},    {"board_reverse_roll", "1"},   {"board_reverse_yaw", "-1"},
        {"gaz_minimum", "120"},          {"gaz_cruise", "560"},         {"gaz_maximum", "980"},
        {"flight_logs_allowed", "1"},    {"nav_test_mode", "0"},        {"home_point_alt", "120"},
        {"target_reached_radius", "30"},
    };
}
} // namespace

TBoardSim::TBoardSim(TSimOptions options) : m_options(std::move(options)), m_rand(m_options.Seed) {
    if (!m_options.StreamPeriodMs.contains("gyro"))
        m_options.StreamPeriodMs.insert("gyro", 100);
    m_groups.insert("stab", DefaultStab());
}

const TBoardSim::TGroup& TBoardSim::Group(const QByteArray& name) const {
    static const TGroup empty;
    auto it = m_groups.constFind(name);
    return it == m_groups.cend() ? empty : *it;
}

void TBoardSim::Emit(const QByteArray& line) {
    if (m_promptStanding)
        m_out += "\r\n";
    m_promptStanding = false;
    m_out += line + "\r\n";
}

void TBoardSim::Prompt() {
    m_out += "=>";
    m_promptStanding = true;
}

QByteArray TBoardSim::TakeOutput(qint64 maxBytes) {
    QByteArray chunk = m_out.left(maxBytes);
    m_out.remove(0, chunk.size());
    return chunk;
}

void TBoardSim::Receive(const QByteArray& bytes, qint64 nowMs) {
    for (char c : bytes) {
        if (c == '\r') {
            // A command ends at CR; the LF that follows is ignored.
            if (m_echo) {
                m_out += "\r\n";
                m_promptStanding = false;
            }
            const QByteArray line = m_lineBuffer;
            m_lineBuffer.clear();
            ExecuteLine(line, nowMs);
        } else if (c == '\n') {
            continue;
        } else {
            if (m_echo) {
                m_out += c;
                m_promptStanding = false;
            }
            m_lineBuffer += c;
        }
    }
}

void TBoardSim::ExecuteLine(const QByteArray& raw, qint64 nowMs) {
    m_history.append(raw);
    const QByteArray line = Trim(raw);
    const QByteArrayList words = line.simplified().split(' ');
    const QByteArray cmd = words.value(0);
    if (line.isEmpty()) {
        // The empty line only asks for the prompt.
    } else if (cmd == "echo" && (words.value(1) == "on" || words.value(1) == "off")) {
        m_echo = words.value(1) == "on";
    } else if (cmd == "cat" && words.size() >= 2 && m_groups.contains(words[1])) {
        ListGroup(words[1]);
    } else if (cmd == "set" && words.size() >= 3) {
        if (!SetParam(LowerAscii(words[1]),
                      Trim(line.mid(line.indexOf(words[1]) + words[1].size()))))
            Emit("Unknown parameter " + words[1]);
    } else if (cmd == "mon" && words.size() == 3 && (words[1] == "on" || words[1] == "off")) {
        if (!m_options.StreamPeriodMs.contains(words[2]))
            Emit("Unknown stream " + words[2]);
        else if (words[1] == "on")
            m_streams.insert(words[2], nowMs);
        else
            m_streams.remove(words[2]);
    } else {
        Emit("Unknown command: " + line);
    }
    Prompt();
}

void TBoardSim::ListGroup(const QByteArray& name) {
    for (const auto& p : m_groups[name])
        Emit(p.first + " = " + p.second);
}

bool TBoardSim::SetParam(const QByteArray& name, const QByteArray& value) {
    for (auto it = m_groups.begin(); it != m_groups.end(); ++it)
        for (auto& p : *it)
            if (p.first == name) {
                p.second = value;
                return true;
            }
    return false;
}

QByteArray TBoardSim::TelemetryLine(const QByteArray& stream, qint64 nowMs) {
    const double t = nowMs / 1000.0;
    m_rand = m_rand * 1103515245u + 12345u;
    const double noise = ((m_rand >> 16) % 200 - 100) / 1000.0;
    if (stream == "gyro")
        return "$GYRO:" + QByteArray::number(0.5 * std::sin(t) + noise, 'f', 3) + " " +
               QByteArray::number(0.3 * std::cos(t) - noise, 'f', 3) + " " +
               QByteArray::number(0.02 + noise / 2, 'f', 3);
    return QByteArray();
}

void TBoardSim::Tick(qint64 nowMs) {
    for (auto it = m_streams.begin(); it != m_streams.end(); ++it) {
        const int period = m_options.StreamPeriodMs.value(it.key(), 100);
        while (it.value() <= nowMs) {
            // A real board drops samples when its transmit buffer is full
            // rather than queueing without end.
            if (m_out.size() < 4096)
                Emit(TelemetryLine(it.key(), it.value()));
            it.value() += period;
        }
    }
}
