#pragma once
// Every name = value parameter the board lists, as one list: the groups the
// configuration export writes as parameter lines, read in the export's order;
// the values a configuration file holds for them; and how a value the board
// lists again compares with the one that was sent.

#include "archive/ArchiveRun.h"
#include "archive/ConfigExport.h"

#include <QByteArrayList>
#include <QHash>
#include <QList>
#include <QString>

// The export's sections whose bodies are parameter lines, in file order.
QList<const TExportSection*> ParamSections();

struct TParamRow {
    const TExportSection* Section; // the group that lists it
    QByteArray Name;               // lower-cased, as the board lists it
    QByteArray Value;              // lower-cased and trimmed
};

// Lists the given groups, in order, appending one row per parameter; a name
// listed twice in a group keeps its first place and its last value. Rows of
// a group are appended only when its listing came to its prompt, so a run
// that fails or is cancelled leaves only whole groups. Progress: the counter
// counts the parameters read; Done/Total count groups.
TArchiveResult ReadParamGroups(TBoardLink& link, const QList<const TExportSection*>& sections,
                               QList<TParamRow>& rows, const TRunHooks& hooks);

// Key of a parameter in a group, for lookups.
QByteArray ParamKey(const TExportSection* section, const QByteArray& name);

// The parameter values a configuration file holds, by ParamKey, in the file's
// form (an OSD pair as two blank-separated numbers). False with the result's
// status set when the file cannot be read.
bool ReadParamFile(const QString& fileName, QHash<QByteArray, QByteArray>& values,
                   TArchiveResult& result);

// The value as a "set" line carries it: a decimal comma becomes a point, as
// the settings windows send an edit; in OSD, whose pairs the board lists as
// "x,y", the comma becomes a blank, as the export writes it.
QByteArray ParamSendValue(const TExportSection* section, const QByteArray& value);
// The "set" command line (with "\r\n") of a value.
QByteArray ParamSetLine(const TExportSection* section, const QByteArray& name,
                        const QByteArray& value);
// True when the two values are the same setting once both are in the form a
// "set" line carries, ignoring ASCII case (listings are lower-cased) and runs
// of blanks.
bool SameParamValue(const TExportSection* section, const QByteArray& a, const QByteArray& b);
