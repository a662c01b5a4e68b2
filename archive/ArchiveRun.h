#pragma once
// What every archive procedure shares: the hooks a caller (window or command-
// line tool) gives a run for progress and cancelling; the result with its
// operator text in Russian and its English one-liner; and the run's requests
// through the link's one conversation.

#include "link/BoardLinkUnit.h"

#include <QByteArray>
#include <QString>
#include <functional>

// How long the board may stay silent before a run gives up. A listing answers
// within a fraction of a second (ListingSilenceMs); a flight log dump may
// pause while the board reads its flash; a gyroscope calibration keeps the
// board busy for seconds (the simulated board's takes 2.5 s; a slow board
// averaging a long sample run may take several times that, so the wait
// allows 30 s and the operator can stop it sooner).
constexpr int LogDumpSilenceMs = 10000;
constexpr int CalibrationSilenceMs = 30000;

struct TProgress {
    int Counter = 0; // the operator's counter, as the window shows it
    int Done = 0;    // steps done of Total (sections, file lines)
    int Total = 0;   // 0 when the size of the run is not known beforehand
    // Before the run can send: bytes of an interrupted answer discarded so
    // far while the board finishes it (0: not waiting for that).
    qint64 Settling = 0;
};

struct TRunHooks;
// The run's file is open (or read): the first progress report, counter at
// its start, so that the window shows its counter from now on.
void ShowFileOpen(const TRunHooks& hooks, int total);

struct TRunHooks {
    std::function<void(const TProgress&)> Progress;
    // Asked whenever the run wakes; true stops it (status Cancelled).
    TCancelFn Cancel;
    TWaitMode Mode = TWaitMode::ProcessEvents;
    // Overrides the procedure's own silence limit when not 0.
    int SilenceMs = 0;
    // Hears each answer line as the board sent it (the flight log dump).
    std::function<void(const QByteArray&)> Line;
    // An output FIFO without a reader is waited for (the command-line tool,
    // as a shell would) instead of failing at once (a window must not hang).
    bool WaitForReader = false;
};

enum class TArchiveStatus {
    Ok,
    Cancelled,
    BoardSilent,
    LinkLost,
    NoFile,
    FileOpenFailed,
    FileWriteFailed,
    FileReadFailed,
    BadAnswer,
    Busy,      // another conversation holds the board
    Unsettled, // the board kept sending an interrupted answer
    Restarted, // the board started afresh during the run
    OutOfStep, // the board's answers did not follow its commands
    Differs,   // the board refused some lines, or does not hold them as sent
};

struct TArchiveResult {
    TArchiveStatus Status = TArchiveStatus::Ok;
    // The file's path, the system's error text or the offending board value.
    QString Detail;
    // For runs that write a file: a file of that name existed before the run
    // (and, when the run failed, still holds its old contents).
    bool FileExisted = false;
    // The system's reason of a file error, as the system puts it (the Russian
    // text reads a full disk as "Нет места на диске").
    QString Reason;
    // The output was written as it is (a FIFO, a device, the standard output,
    // or a file whose folder takes no temporary file), not replaced whole.
    bool InPlace = false;
    // Of those, a regular file overwritten in place: not atomic.
    bool NotAtomic = false;
    // How long the board was silent, for BoardSilent.
    int SilenceMs = 0;
    // Lines sent or written when the run ended.
    int Lines = 0;
    // The load: lines whose prompt did not come within its second (late,
    // or never).
    int NoPromptInTime = 0;

    bool Ok() const { return Status == TArchiveStatus::Ok; }
    // The message box text for the operator.
    QString RussianText() const;
    // One line for the command-line tool.
    QString EnglishText() const;
    // After a success: what the operator should know of how the file was
    // written (overwritten in place, not atomically); empty otherwise.
    QString WrittenNoteRu() const;
};

// A request of a run: `command`, with the hooks' mode and cancel, the board
// allowed `silenceMs` without a line, the settling before it shown as
// progress.
TRequest RunRequest(const QByteArray& command, int silenceMs, const TRunHooks& hooks,
                    std::function<bool(const QByteArray&)> onLine = {});
// How a request's end reads as the result of a run (Stopped counts as done:
// the caller stopped it and knows why).
TArchiveResult ResultOf(const TAnswer& a);

// "cat <group>\r\n" read to its prompt, the lines collected as they came.
TArchiveResult ReadListing(TBoardLink& link, const QByteArray& command, QByteArrayList& lines,
                           const TRunHooks& hooks);

// The commands that store the board's settings in its flash, in the order
// they are sent: "save config" for the general settings, then "save controls"
// for the channels and mixers.
QByteArrayList SaveSettingsCommands(bool config, bool controls);

class TOutputFile;
// Opens the output file of a run (a regular file is written beside the
// target and put in place only when committed). False with the result's
// status and detail set when no name was given or the file cannot be opened.
bool OpenOutputFile(TOutputFile& file, const QString& fileName, const TRunHooks& hooks,
                    TArchiveResult& result);
// Ends a run's output file: committed (checked flush, sync, rename) when the
// run succeeded, else dropped with the old file kept. A failed commit or an
// earlier failed write turns the result into FileWriteFailed with the
// system's reason; the result then names the file and how it was written.
void FinishOutputFile(TOutputFile& file, const QString& fileName, TArchiveResult& result);
