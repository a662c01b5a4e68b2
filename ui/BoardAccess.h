#pragma once
// How windows reach the board through its one conversation (TBoardLink): an
// operator's action that cannot wait takes the board or is refused with a
// message; a command whose answer nobody reads (a stream switched off as its
// window closes) waits for its turn on its own; and the operator's texts for
// an exchange that did not end at its prompt.

#include "link/BoardLinkUnit.h"

#include <QString>
#include <optional>

// Told to the operator when an action finds the board held by another.
extern const char* const BoardBusyText;

// Holds the board for an operator's action (a long operation, a write, a
// reset) for the scope's life. When another conversation holds it, the
// operator is told to wait for its end and nothing is sent.
class TBoardHold {
public:
    TBoardHold();
    bool Held() const { return m_turn && m_turn->Held(); }

private:
    std::optional<TBoardTurn> m_turn;
};

// Sends `command` (with its "\r\n") once the board is free (at once when it
// is) and reads its answer to the prompt; nobody waits for it. For a stream
// that a closing window switches off.
void SendWhenFree(const QByteArray& command);

// The operator's text for an exchange that ended without its prompt.
QString BoardAnswerText(const TAnswer& a);
// The operator's text for the lines the board refused (its answers quoted);
// a refused flash save says the settings are not stored.
QString RefusalMessage(const TAnswer& a);
// What a window waiting for the board shows: another operation holds it,
// or the board is finishing an answer that was cut short (`bytes` so far).
QString BoardWaitText(const TBoardLink& link, qint64 bytes);
