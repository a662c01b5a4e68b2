#pragma once
// A board that answers from a script: each command gets the lines set for
// it, then the prompt unless told otherwise; any other command gets only the
// prompt. An answer with a delay (or one line every PaceMs) comes from a
// thread of its own, as the serial worker would deliver it; one without
// comes at once. Commands are taken as the link queues them (written at
// once, as by an idle worker), answered in order, and recorded.

#include "link/BoardLinkUnit.h"

#include <QMap>
#include <QObject>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

class TScriptedBoard : public QObject {
public:
    explicit TScriptedBoard(TBoardLink& link);
    ~TScriptedBoard() override;

    // The answer to `command` (without "\r\n").
    void SetAnswer(const QByteArray& command, const QByteArrayList& lines, bool prompt = true,
                   int delayMs = 0, int paceMs = 0);
    // A silent board answers nothing at all.
    void SetSilent(bool silent);
    // Falls silent after the first `n` commands (-1: never).
    void SetSilentAfter(int n) { m_silentAfter = n; }
    // Lines the board sends by itself now (a stale prompt, say).
    void Inject(const QByteArrayList& lines);
    // Command lines queued since the last TakeSent (link's thread).
    QByteArrayList TakeSent();
    QByteArrayList Sent;
    // The same without their "\r\n".
    QByteArrayList Commands() const;
    // True once every command so far has been answered in full.
    bool Idle();

private:
    struct TScript {
        QByteArrayList Lines;
        bool Prompt = true;
        int DelayMs = 0;
        int PaceMs = 0;
    };
    void Respond();

    TBoardLink& m_link;
    std::mutex m_lock;
    std::condition_variable m_wake;
    std::deque<QByteArray> m_pending;
    QMap<QByteArray, TScript> m_scripts;
    bool m_silent = false;
    int m_silentAfter = -1;
    int m_commands = 0;
    bool m_busy = false;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};
