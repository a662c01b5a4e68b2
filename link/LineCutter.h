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

    // The bare prompt: true (and the buffer emptied) when the text waiting is
    // exactly "=>".
    bool TakePrompt() {
        if (m_buffer != "=>")
            return false;
        m_buffer.clear();
        return true;
    }
    bool HoldsPrompt() const { return m_buffer == "=>"; }
    const QByteArray& Pending() const { return m_buffer; }
    void Clear() { m_buffer.clear(); }

private:
    QByteArray m_buffer;
    qsizetype m_max;
};
