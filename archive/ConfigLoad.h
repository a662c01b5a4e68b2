#pragma once
// Reading a configuration export file back: the section keywords with their
// check boxes, the cutting of the file into lines, the tracking of the
// current section, and the load run that sends the chosen sections' lines.

#include "archive/ArchiveRun.h"
#include "archive/ConfigCompare.h"

#include <QByteArrayList>
#include <QString>
#include <functional>

struct TLoadSection {
    const char* Keyword; // searched in a BEGIN line; ends with a blank
    const char* Box;     // the check box's object name
    const char* Caption; // the check box's caption
};

// In the order the keywords are tested (the last one found wins).
extern const TLoadSection LoadSections[11];

// Index into LoadSections of a check box name (case-insensitive), or -1.
int LoadSectionByBox(const QString& box);

// The file's lines; a line ends at CR LF, a lone CR or a lone LF.
QByteArrayList SplitFileLines(const QByteArray& data);

// Follows the markers through the file, one line at a time.
class TLoadTracker {
public:
    enum class TKind { Blank, Marker, Body };
    struct TStep {
        TKind Kind = TKind::Blank;
        int Section = -1; // current section for a body line, -1 outside all
        QByteArray Line;  // trimmed
    };
    TStep Feed(const QByteArray& rawLine);
    int Current() const { return m_current; }

private:
    int m_current = -1;
};

// Reads a load file whole into its lines. NoFile when there is no regular
// file of that name, FileReadFailed (with the system's reason) when it cannot
// be opened or read. A load checks its file so before anything reaches the
// board, its automatic backup included.
TArchiveResult ReadLoadFile(const QString& fileName, QByteArrayList& lines);

// What the board made of a load's lines.
struct TLoadCheck {
    bool Verify = true;        // read the loaded sections back afterwards
    QList<TRefusal> Refused;   // lines answered with text of refusal, in order
    bool Verified = false;     // the read-back ran to its end
    int Compared = 0;          // file lines compared with the read-back
    QList<TLineChange> Differ; // lines the board does not hold as the file does
    // Lines to send again for "Повторить": the refused and the differing.
    QByteArrayList RetryLines() const;
};

// Reads back the listings that show what the "set" `lines` wrote (each only
// while a setting it may show is still to be found) and compares: `check`
// learns how many settings were compared and which the board does not hold
// as sent (Old: what it holds; empty when it does not list the setting).
TArchiveResult ReadBack(TBoardLink& link, const QByteArrayList& lines, TLoadCheck& check,
                        const TRunHooks& hooks);

// How long a line of the load waits for its prompt before the next goes.
constexpr int LoadPromptWaitMs = 1000;

// Sends the body lines of the checked sections, in file order, each followed
// by "\r\n", waiting up to LoadPromptWaitMs for the prompt after each; a
// later prompt is counted when it comes, and the run ends once every line's
// prompt has come (result.NoPromptInTime: lines whose prompt was late).
// After the silence limit (hooks.SilenceMs, else ListingSilenceMs) without
// any prompt the run ends with BoardSilent. `checked` is asked for every line as it comes up.
// Progress: the counter starts at 1 and each sent line adds 1; Done/Total count file lines. `only`,
// when given, is asked too and may hold a line back (a load of the lines that change a value);
// lines held back are neither sent nor counted.
//
// `check`, when given, learns what the board made of the lines: those it
// refused (their answers had text of refusal), and, with Verify, what a
// read-back of the loaded sections found. The run then ends Differs when the
// board does not hold every line as the file has it.
TArchiveResult LoadConfig(TBoardLink& link, const QString& fileName,
                          const std::function<bool(int section)>& checked, const TRunHooks& hooks,
                          const std::function<bool(int section, const QByteArray& line)>& only = {},
                          TLoadCheck* check = nullptr);
