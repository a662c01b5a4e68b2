#pragma once
// Cuts the board's byte stream into lines at "\r\n", as the worker does it:
// the terminator is looked for in the whole buffer, so "\r" and "\n" arriving
// in different reads still end a line, and a lone "\r" or "\n" stays inside
// the line as data. Unterminated input longer than the limit is passed on as
// a line of its own, so a babbling board cannot exhaust memory.

#include <QByteArray>

class TLineCutter {
public:
    explicit TLineCutter(qsizetype maxLineBytes = 64 * 1024) : m_max(maxLineBytes) {}

    // Appends `bytes` and calls `emitLine(line, terminated)` for every line
    // completed, in order; `terminated` is false for a cut at the limit.
    template <class F> void Feed(const QByteArray& bytes, F&& emitLine) {
        m_buffer += bytes;
        qsizetype from = 0;
        for (;;) {
            const qsizetype end = m_buffer.indexOf("\r\n", from);
            if (end >= 0) {
                emitLine(m_buffer.mid(from, end - from), true);
                from = end + 2;
            } else if (m_buffer.size() - from > m_max) {
                emitLine(m_buffer.mid(from, m_max), false);
                from += m_max;
            } else {
                break;
            }
        }
        m_buffer.remove(0, from);
    }

    // How many prompts "=>" the waiting text is made of, with nothing else
    // in it (0: empty, or other text too). A board that answers several
    // lines with a bare prompt each leaves them run together ("=>=>").
    int PromptRun() const {
        if (m_buffer.isEmpty() || m_buffer.size() % 2 != 0)
            return 0;
        for (qsizetype i = 0; i < m_buffer.size(); i += 2)
            if (m_buffer[i] != '=' || m_buffer[i + 1] != '>')
                return 0;
        return static_cast<int>(m_buffer.size() / 2);
    }
    const QByteArray& Pending() const { return m_buffer; }
    void Clear() { m_buffer.clear(); }

private:
    QByteArray m_buffer;
    qsizetype m_max;
};
