#pragma once
// What every archive procedure shares: the hooks a caller (window or command-
// line tool) gives a run for progress, cancelling and noticing a lost link;
// the result with its operator text in Russian and its English one-liner;
// and the bounded read of a board answer up to its prompt.

#include "link/BoardLinkUnit.h"

#include <QByteArray>
#include <QString>
#include <functional>

// How long the board may stay silent before a run gives up. A listing answers
// within a fraction of a second; a flight log dump may pause while the board
// reads its flash; a gyroscope calibration keeps the board busy for seconds.
constexpr int ArchiveListingSilenceMs = 3000;
constexpr int LogDumpSilenceMs = 10000;
constexpr int CalibrationSilenceMs = 15000;
// No answer line of the board comes near this length (a dump row is about
// 150 bytes); a longer one is the worker's cut of endless text.
constexpr int MaxAnswerLineBytes = 4096;

struct TProgress {
    int Counter = 0; // the operator's counter, as the window shows it
    int Done = 0;    // steps done of Total (sections, file lines)
    int Total = 0;   // 0 when the size of the run is not known beforehand
};

struct TRunHooks {
    std::function<void(const TProgress&)> Progress;
    // Asked whenever the run wakes; true stops it (status Cancelled).
    TCancelFn Cancel;
    // True when the port has gone (status LinkLost); saves waiting out the
    // silence limit after a pulled cable.
    std::function<bool()> LinkLost;
    TWaitMode Mode = TWaitMode::ProcessEvents;
    // Overrides the procedure's own silence limit when not 0.
    int SilenceMs = 0;
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
};

struct TArchiveResult {
    TArchiveStatus Status = TArchiveStatus::Ok;
    // The file's path, the system's error text or the offending board value.
    QString Detail;
    // For runs that write a file: a file of that name existed before the run
    // (and, when the run failed, still holds its old contents).
    bool FileExisted = false;
    // How long the board was silent, for BoardSilent.
    int SilenceMs = 0;
    // Lines sent or written when the run ended.
    int Lines = 0;

    bool Ok() const { return Status == TArchiveStatus::Ok; }
    // The message box text for the operator.
    QString RussianText() const;
    // One line for the command-line tool.
    QString EnglishText() const;
};

// Reads the board's answer line by line up to the prompt "=>", each line
// trimmed and non-empty, handing every other line to `onLine`. `onLine`
// returns false to stop the read early (its caller then knows why; the result
// is Ok). Ends with BoardSilent after `silenceMs` without a line, with
// BadAnswer at a line longer than MaxAnswerLineBytes (endless text), or with
// Cancelled / LinkLost as the hooks say.
TArchiveResult ReadUntilPrompt(TBoardLink& link, int silenceMs, const TRunHooks& hooks,
                               const std::function<bool(const QByteArray&)>& onLine);

// "cat <group>\r\n" read to its prompt, the lines collected as they came.
TArchiveResult ReadListing(TBoardLink& link, const QByteArray& command, QByteArrayList& lines,
                           const TRunHooks& hooks);

// Lets `ms` pass while the run stays responsive and cancellable; board lines
// that arrive meanwhile are consumed (the caller clears the answer next).
TArchiveResult PauseDroppingLines(TBoardLink& link, int ms, const TRunHooks& hooks);

// The commands that store the board's settings in its flash, in the order
// they are sent: "save config" for the general settings, then "save controls"
// for the channels and mixers.
QByteArrayList SaveSettingsCommands(bool config, bool controls);

class QSaveFile;
// Opens the output file of a run (written beside the target, put in place
// only when committed). False with the result's status and detail set when
// no name was given or the file cannot be opened.
bool OpenOutputFile(QSaveFile& file, const QString& fileName, TArchiveResult& result);
