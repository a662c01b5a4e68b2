#pragma once
// One exchange with the board as a caller describes it (the command lines,
// how long the board may stay silent, what becomes of each answer line) and
// how it ended. TBoardLink::Request runs it; nothing else reads the board's
// answers.

#include <QByteArrayList>
#include <QList>
#include <QString>
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
// A flash save ("save config", "save controls") erases flash sectors before
// it writes them: a second or two a sector on the microcontrollers such
// boards use, several seconds at the worst with two stores in one go. Its
// prompt is waited for this long.
constexpr int FlashSaveSilenceMs = 15000;
// True for a command line that writes the board's flash.
bool IsFlashSave(const QByteArray& command);
// True for a command line that changes what the board holds ("set", "reset",
// "save"): the board answers it with its prompt alone, or with one line of
// acknowledgement; any other text before the prompt is its refusal.
bool IsWriteCommand(const QByteArray& command);
// True for an answer line of a write command that reports it done ("Saved",
// "Defaults restored", "Horizon reference saved").
bool IsAcknowledgement(const QByteArray& line);
// True for the board's answer to a command it does not know ("Unknown
// command: cat foo").
bool IsUnknownCommandAnswer(const QByteArray& line);

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
    Restarted, // the board started afresh during the exchange (its start-up
               // lines, or the echo it turns back on, came in the answer)
    OutOfStep, // the answer's prompt ran straight into more answer text: the
               // lines read may belong to another command
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
    // A line whose prompt has not come in time need not hold the next one
    // back (the configuration load moves on after a second, as the board's
    // interface allows): prompts the holder's earlier pipelined requests in
    // this turn still owe are not waited for before this one is sent, but
    // counted as they come (TAnswer::Late) along with this request's own.
    bool Pipelined = false;
};

// A write command the board answered with text of refusal, and that text
// (its lines joined by "; ").
struct TRefusal {
    QByteArray Command; // trimmed
    QByteArray Text;
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
    int Late = 0;         // Pipelined: prompts owed from before that came in this exchange
    // The prompt came within HoldMs: the answer was complete, but its lines
    // were dropped with the hold.
    bool Held = false;
    // Write commands of this exchange (and, pipelined, of the earlier lines
    // whose late prompts came in it) that the board refused, in order. An
    // answer that ends with its prompt may still carry refusals: Ok() says
    // the conversation is in step, Taken() that the board did what was asked.
    QList<TRefusal> Refusals;
    bool Ok() const { return End == TAnswerEnd::Prompt; }
    bool Taken() const { return Ok() && Refusals.isEmpty(); }
    // The refusals as the operator reads them: "command: text" a line each.
    QString RefusalText() const;
};
