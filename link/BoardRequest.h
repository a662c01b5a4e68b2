#pragma once
// One exchange with the board as a caller describes it (the command lines,
// how long the board may stay silent, what becomes of each answer line) and
// how it ended. TBoardLink::Request runs it; nothing else reads the board's
// answers.

#include <QByteArrayList>
#include <functional>
#include <limits>

// How a wait for the board behaves while it sleeps.
enum class TWaitMode {
    NoEvents,     // the GUI is not serviced (listing reads at window creation)
    ProcessEvents // window messages are processed (long operations)
};

using TCancelFn = std::function<bool()>;

// How long a listing may wait for the board's next line before it gives up
// (the board is silent or gone).
constexpr int ListingSilenceMs = 3000;
// A silence limit that never passes: for a wait only the operator ends (a
// magnetometer calibration while the board is turned by hand).
constexpr int NoSilenceLimit = std::numeric_limits<int>::max();
// No answer line of the board comes near this length (a dump row is about
// 150 bytes); a longer one is the worker's cut of endless text.
constexpr int MaxAnswerLineBytes = 4096;

enum class TAnswerEnd {
    Prompt,    // the answer is complete: its prompt came
    Stopped,   // the caller stopped reading before the prompt
    Silent,    // no line for the silence limit, or the overall limit passed
    Flood,     // a line longer than any answer: the board babbles
    Cancelled, // the caller's cancel
    LinkLost,  // the port is gone
    Busy,      // another conversation holds the board; nothing was sent
    Unsettled, // the board kept sending an interrupted answer; nothing was sent
    Refused,   // the send gate held the command back; nothing was sent
};

struct TRequest {
    // Complete command lines, each ending in "\r\n", queued together (the
    // worker writes one a pass). Empty: nothing is sent.
    QByteArrayList Commands;
    // Prompts that end the answer; -1: one for each command. 0: the command
    // opens an answer without a prompt of its own ("cal mag"): it ends when
    // the caller stops it, or at a prompt if the board sends one.
    int Prompts = -1;
    // Longest the board may stay without a line.
    int SilenceMs = ListingSilenceMs;
    // Longest the whole answer may take from the send; 0: no such limit.
    int LimitMs = 0;
    // What comes this long after the send is no part of the answer: lines
    // and prompts alike are dropped (a calibration's first second). A fixed
    // span, however much the board says meanwhile.
    int HoldMs = 0;
    // After the prompt, lines that come within this long of each other are
    // read and dropped (within LimitMs): the handshake's way to take in a
    // prompt the board owed from before the panel knew it.
    int QuietAfterMs = 0;
    TWaitMode Mode = TWaitMode::NoEvents;
    // Asked whenever the wait wakes; true ends the exchange.
    TCancelFn Cancel;
    // Each answer line, trimmed and not blank, the prompt excepted; false
    // stops the read.
    std::function<bool(const QByteArray& line)> OnLine;
    // While the rest of an interrupted answer is discarded before the send:
    // the bytes discarded so far.
    std::function<void(qint64 bytes)> Settling;
    // The operator's own line in the console: sent without letting an
    // interrupted answer finish first (he may be answering it, as with
    // "cal mag_save" during "cal mag").
    bool Raw = false;
};

struct TAnswer {
    TAnswer() = default;
    explicit TAnswer(TAnswerEnd end) : End(end) {}

    TAnswerEnd End = TAnswerEnd::Prompt;
    int SilenceMs = 0;    // Silent: the limit that passed
    QByteArray Sample;    // Flood: the start of the endless text
    qint64 Discarded = 0; // Unsettled: bytes of the old answer discarded meanwhile
    int Lines = 0;        // answer lines handed to OnLine
    bool Sent = false;    // the commands were queued for the board
    bool Ok() const { return End == TAnswerEnd::Prompt; }
};
