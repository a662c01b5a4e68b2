#pragma once
// A stand-in main window for settings-window tests whose board is a script:
// each command gets the lines the test set for it, then the prompt, from a
// thread of its own (as the serial worker would deliver them), in the order
// the commands were sent. Every command line is recorded as sent.

#include "ui/PanelContext.h"

#include <QMap>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QObject>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

class TScriptedPanel : public QObject, public TPanelContext {
public:
    explicit TScriptedPanel(IClock* clock = nullptr);
    ~TScriptedPanel() override;

    TBoardLink& Link() override { return m_link; }
    void AddChildWindow(QMdiSubWindow* window) override { m_area.addSubWindow(window); }
    QMdiArea& Area() { return m_area; }

    // The answer to `command` (without "\r\n"): `lines`, then the prompt
    // unless `prompt` is false, after `delayMs`. Other commands get only
    // the prompt.
    void SetAnswer(const QByteArray& command, const QByteArrayList& lines, bool prompt = true,
                   int delayMs = 0);
    // A silent board answers nothing at all.
    void SetSilent(bool silent);
    // Lines the board sends by itself now (a stale prompt, say).
    void Inject(const QByteArrayList& lines);

    // Command lines handed to SendCommand since the last TakeSent.
    QByteArrayList TakeSent();
    QByteArrayList Sent;

private:
    struct TAnswer {
        QByteArrayList Lines;
        bool Prompt = true;
        int DelayMs = 0;
    };
    void Respond();

    TBoardLink m_link;
    QMdiArea m_area;
    std::mutex m_lock;
    std::condition_variable m_wake;
    std::deque<QByteArray> m_pending;
    QMap<QByteArray, TAnswer> m_answers;
    bool m_silent = false;
    bool m_stop = false;
    std::thread m_thread;
};
