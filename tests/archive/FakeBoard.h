#pragma once
// A scripted board on a TBoardLink, without a worker: every command handed
// to SendCommand is recorded and answered from a table, straight into the
// response queue (optionally later, or never), so archive procedures can be
// driven line by line.

#include "link/BoardLinkUnit.h"

#include <QMap>
#include <QObject>
#include <QTimer>

class TFakeBoard : public QObject {
public:
    explicit TFakeBoard(TBoardLink& link) : m_link(link) {
        connect(&link, &TBoardLink::CommandSent, this, &TFakeBoard::OnCommand);
    }

    // Answer lines of a command (without "\r\n" or the prompt).
    QMap<QByteArray, QByteArrayList> Answers;
    // Commands answered only after this many ms.
    QMap<QByteArray, int> DelayMs;
    // After this many commands the board says nothing more (-1: never).
    int SilentAfter = -1;
    // Answer "set ..." lines with the prompt and keep what they set.
    QByteArrayList Sent;

    void Say(const QByteArrayList& lines) {
        for (const QByteArray& l : lines)
            m_link.AppendResponse(l);
    }

private:
    void OnCommand(const QByteArray& line) {
        {
            TListGuard g(m_link.OutgoingQueue);
            m_link.OutgoingQueue.clear();
        }
        const QByteArray cmd = line.chopped(2);
        Sent << cmd;
        if (SilentAfter >= 0 && Sent.size() > SilentAfter)
            return;
        const QByteArrayList answer = Answers.value(cmd) + QByteArrayList{"=>"};
        if (DelayMs.contains(cmd))
            QTimer::singleShot(DelayMs.value(cmd), this, [this, answer] { Say(answer); });
        else
            Say(answer);
    }

    TBoardLink& m_link;
};
