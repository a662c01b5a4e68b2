#pragma once
// The simulated board's command interpreter and state, free of any transport:
// bytes from the panel go in through Receive(), the board's output comes out
// of TakeOutput() as whole lines (telemetry is interleaved line by line, never
// inside a line), and Tick() advances time-driven output such as telemetry.
// Deterministic: the same input at the same times gives the same output.

#include <QByteArray>
#include <QByteArrayList>
#include <QList>
#include <QMap>
#include <QPair>
#include <functional>

struct TSimOptions {
    quint32 Seed = 1;
    // Telemetry period per stream name in ms (default set in the constructor).
    QMap<QByteArray, int> StreamPeriodMs;
};

class TBoardSim {
public:
    explicit TBoardSim(TSimOptions options = {});

    // Bytes typed by the panel, at board time `nowMs`.
    void Receive(const QByteArray& bytes, qint64 nowMs);
    // Advances board time: telemetry and other timed output.
    void Tick(qint64 nowMs);
    // Up to `maxBytes` of pending output (the runner paces it on the wire).
    QByteArray TakeOutput(qint64 maxBytes);
    qint64 PendingOutput() const { return m_out.size(); }

    // A parameter group: ordered name/value pairs, names as the board lists them.
    using TGroup = QList<QPair<QByteArray, QByteArray>>;
    const TGroup& Group(const QByteArray& name) const;
    bool Echo() const { return m_echo; }
    // Every command line the board has executed, in order, without "\r\n".
    const QByteArrayList& History() const { return m_history; }
    void ClearHistory() { m_history.clear(); }
    bool StreamOn(const QByteArray& stream) const { return m_streams.contains(stream); }

private:
    void ExecuteLine(const QByteArray& line, qint64 nowMs);
    // One whole line with "\r\n". Output always starts on a fresh line: when
    // the prompt stands unterminated and the board has more to say (an answer
    // or a telemetry line), the prompt's line is ended first, so the panel
    // sees the prompt as a line of its own and no line is ever merged with it.
    void Emit(const QByteArray& line);
    void Prompt();
    void ListGroup(const QByteArray& name);
    bool SetParam(const QByteArray& name, const QByteArray& value);
    QByteArray TelemetryLine(const QByteArray& stream, qint64 nowMs);

    TSimOptions m_options;
    bool m_echo = true;
    bool m_promptStanding = false;
    QByteArray m_lineBuffer;
    QByteArrayList m_history;
    QByteArray m_out;
    QMap<QByteArray, TGroup> m_groups;
    QMap<QByteArray, qint64> m_streams; // stream -> next due time
    quint32 m_rand;
};
