#pragma once
// Comparing a configuration file with the board's current configuration (as
// the export reads it): which body lines of the file would change a value on
// the board, section by section, so that the operator sees what a load would
// do and can send only those lines.

#include <QByteArray>
#include <QByteArrayList>
#include <QList>
#include <functional>

// What a "set" line sets: the parameter name ("set roll_kp"), with the row
// for waypoint and channel lines ("set wp 3", "set ch_out 2") and the row and
// column for mixer lines ("set mix 7 2"); lower case, blanks collapsed. Empty
// for a line that is not a "set" line.
QByteArray SettingKey(const QByteArray& line);
// The rest of the line after its key, blanks collapsed.
QByteArray SettingValue(const QByteArray& line);
// Two values are the same setting: word by word, ignoring ASCII case, and
// numbers by value ("0.5" and "0.50", as a board may list what it was sent).
bool SameSettingValue(const QByteArray& a, const QByteArray& b);

struct TLineChange {
    int Section;     // index into LoadSections
    QByteArray Line; // the file's line, trimmed, as the load sends it
    QByteArray Old;  // the board's line for the same setting; empty: none
};

struct TConfigDiff {
    QList<TLineChange> Changes; // in file order
    int Lines[11] = {};         // body lines of the file per checked section
    int Changed[11] = {};
    bool Contains(int section, const QByteArray& line) const;
};

// Compares the body lines of the checked sections of `fileLines` with
// `boardLines` (an export of the board). A line changes a value unless the
// board's export holds the same setting with the same value; lines that are
// not "set" lines always count, as sending them does something.
TConfigDiff CompareConfig(const QByteArrayList& fileLines, const QByteArrayList& boardLines,
                          const std::function<bool(int section)>& checked);
