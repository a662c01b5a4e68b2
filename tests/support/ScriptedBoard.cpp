#include "ScriptedBoard.h"

#include <chrono>

TScriptedBoard::TScriptedBoard(TBoardLink& link) : m_link(link) {
    QObject::connect(&m_link, &TBoardLink::CommandSent, this, [this](const QByteArray& line) {
        Sent << line;
        m_link.PopOutgoing();
        std::lock_guard<std::mutex> g(m_lock);
        if (m_silentAfter >= 0 && ++m_commands > m_silentAfter)
            return;
        // A board that answers at once does so before the panel reads (and
        // a test clock that runs fast cannot outpace it); others answer
        // from their thread in order.
        const TScript script = m_scripts.value(line.chopped(2));
        if (m_pending.empty() && !m_busy && !m_silent && script.DelayMs == 0 &&
            script.PaceMs == 0) {
            for (const QByteArray& l : script.Lines)
                m_link.AppendResponse(l);
            if (script.Prompt)
                m_link.AppendResponse("=>");
            return;
        }
        m_pending.push_back(line);
        m_wake.notify_all();
    });
    m_thread = std::thread([this] { Respond(); });
}

TScriptedBoard::~TScriptedBoard() {
    {
        std::lock_guard<std::mutex> g(m_lock);
        m_stop = true;
        m_wake.notify_all();
    }
    m_thread.join();
}

void TScriptedBoard::SetAnswer(const QByteArray& command, const QByteArrayList& lines, bool prompt,
                               int delayMs, int paceMs) {
    std::lock_guard<std::mutex> g(m_lock);
    m_scripts.insert(command, {lines, prompt, delayMs, paceMs});
}

void TScriptedBoard::SetSilent(bool silent) {
    std::lock_guard<std::mutex> g(m_lock);
    m_silent = silent;
}

void TScriptedBoard::Inject(const QByteArrayList& lines) {
    for (const QByteArray& l : lines)
        m_link.AppendResponse(l);
}

QByteArrayList TScriptedBoard::TakeSent() {
    return std::exchange(Sent, {});
}

QByteArrayList TScriptedBoard::Commands() const {
    QByteArrayList out;
    for (const QByteArray& l : Sent)
        out << l.chopped(2);
    return out;
}

bool TScriptedBoard::Idle() {
    std::lock_guard<std::mutex> g(m_lock);
    return m_pending.empty() && !m_busy;
}

void TScriptedBoard::Respond() {
    std::unique_lock<std::mutex> g(m_lock);
    for (;;) {
        m_wake.wait(g, [this] { return m_stop || !m_pending.empty(); });
        if (m_stop)
            return;
        QByteArray command = m_pending.front();
        m_pending.pop_front();
        if (m_silent)
            continue;
        command.chop(2); // "\r\n"
        const TScript script = m_scripts.value(command);
        m_busy = true;
        g.unlock();
        // The board takes its time over the command (this is the board's
        // thread, not a wait of the panel).
        std::this_thread::sleep_for(std::chrono::milliseconds(script.DelayMs));
        for (const QByteArray& l : script.Lines) {
            if (m_stop)
                return;
            m_link.AppendResponse(l);
            std::this_thread::sleep_for(std::chrono::milliseconds(script.PaceMs));
        }
        if (script.Prompt)
            m_link.AppendResponse("=>");
        g.lock();
        m_busy = false;
    }
}
