#include "ScriptedPanel.h"

#include <chrono>

TScriptedPanel::TScriptedPanel(IClock* clock) : m_link(clock) {
    MainForm = this;
    Connected = true;
    m_area.resize(1024, 768);
    QObject::connect(&m_link, &TBoardLink::CommandSent, this, [this](const QByteArray& line) {
        Sent << line;
        m_link.PopOutgoing(); // written at once, as by an idle worker
        std::lock_guard<std::mutex> g(m_lock);
        m_pending.push_back(line);
        m_wake.notify_all();
    });
    m_thread = std::thread([this] { Respond(); });
}

TScriptedPanel::~TScriptedPanel() {
    m_area.closeAllSubWindows();
    {
        std::lock_guard<std::mutex> g(m_lock);
        m_stop = true;
        m_wake.notify_all();
    }
    m_thread.join();
    if (MainForm == this)
        MainForm = nullptr;
}

void TScriptedPanel::SetAnswer(const QByteArray& command, const QByteArrayList& lines, bool prompt,
                               int delayMs) {
    std::lock_guard<std::mutex> g(m_lock);
    m_answers.insert(command, {lines, prompt, delayMs});
}

void TScriptedPanel::SetSilent(bool silent) {
    std::lock_guard<std::mutex> g(m_lock);
    m_silent = silent;
}

void TScriptedPanel::Inject(const QByteArrayList& lines) {
    for (const QByteArray& l : lines)
        m_link.AppendResponse(l);
}

QByteArrayList TScriptedPanel::TakeSent() {
    QByteArrayList out = Sent;
    Sent.clear();
    return out;
}

void TScriptedPanel::Respond() {
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
        const TAnswer answer = m_answers.value(command);
        g.unlock();
        // The board takes its time over the command (this is the board's
        // thread, not a wait of the panel).
        if (answer.DelayMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(answer.DelayMs));
        for (const QByteArray& l : answer.Lines)
            m_link.AppendResponse(l);
        if (answer.Prompt)
            m_link.AppendResponse("=>");
        g.lock();
    }
}
