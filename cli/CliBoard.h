#pragma once
// The command-line tool's connection to the board: a serial worker on the
// port, a small receiver for the worker's messages, and the handshake (an
// empty line, then "echo off", each answered by the prompt).

#include "link/BoardLinkUnit.h"
#include "link/ComPortUnit.h"

#include <QObject>
#include <memory>

class TCliBoard : public QObject {
public:
    TCliBoard();
    ~TCliBoard() override;

    // Opens the port and runs the handshake. On failure `error` holds one
    // English line ("cancelled" when `cancel` said so while it waited).
    bool Open(const QByteArray& port, int baud, QString& error, const TCancelFn& cancel = {});
    TBoardLink& Link() { return m_link; }

protected:
    bool event(QEvent* e) override;

private:
    QString TakeErrors();

    TBoardLink m_link;
    std::unique_ptr<TComPort> m_worker;
    bool m_opened = false;
    bool m_closed = false;
    bool m_failed = false;
};
