#pragma once
// The configuration export file: its eleven sections, the rules that turn a
// board listing line into ready-to-send "set" lines, and the export run that
// lists every group and writes the file.

#include "archive/ArchiveRun.h"

#include <QByteArrayList>
#include <QString>
#include <functional>

// How a section's listing lines become body lines.
enum class TSectionKind {
    Params,    // name = value  ->  set name value
    OsdParams, // the same, commas of the value turned into blanks
    Waypoints, // N: a, b, rest  ->  set wp N a b rest
    ChannelsIn,
    ChannelsOut,
    Mixers, // one listing row -> five "set mix" lines; mixers 1 to 5 skipped
};

struct TExportSection {
    const char* Name;    // as in the markers, upper case
    const char* Command; // listing command with its "\r\n"
    TSectionKind Kind;
};

// The sections in the order the file holds them.
extern const TExportSection ExportSections[11];

QByteArray SectionBeginLine(const TExportSection& s); // "##### BEGIN STAB #####\r\n"
QByteArray SectionEndLine(const TExportSection& s);

// One trimmed listing line of a section: whether it counts for the progress
// counter, and the body lines it gives (each without "\r\n").
struct TSectionLine {
    bool Counted = false;
    QByteArrayList Lines;
};
TSectionLine ConvertSectionLine(TSectionKind kind, const QByteArray& line);

// Cuts one field from `rest` at the first `delimiter`: the text before it,
// trimmed; `rest` becomes the text after it, trimmed. Without a delimiter the
// field is empty and `rest` stays as it is.
QByteArray CutField(QByteArray& rest, char delimiter);

// Lists every section and writes the file. The file is written beside the
// target and put in its place only when complete: a run that fails or is
// cancelled leaves an existing file as it was. Progress: the counter starts
// at 1 and each counted line adds 1; Done/Total count sections.
TArchiveResult ExportConfig(TBoardLink& link, const QString& fileName, const TRunHooks& hooks);

// The same run into memory: the file's lines as the export would write them,
// each without its "\r\n" (the board's current configuration, for comparing);
// `wanted`, when given, picks the sections read.
TArchiveResult ExportConfigLines(TBoardLink& link, QByteArrayList& lines, const TRunHooks& hooks,
                                 const std::function<bool(const TExportSection&)>& wanted = {});
