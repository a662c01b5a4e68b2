#pragma once
// The board's channel and mixer tables as the channel window sees them: the
// row descriptions its forms are built from (one per table, read by loops),
// the parser of the numbered row lines of "cat control in/out/mixers", the
// input function code <-> list item mapping and the row commands.
// No widgets here: the window builds and reads its controls from these.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// One column of a row: a choice, or a spin with its buddy edit. The control
// of row k is named Name + k (e.g. "V_Min_UpDown_" + "3"), its buddy
// Buddy + k ("V_Min_3").
struct TRowColumn {
    QByteArray Name;
    QByteArray Buddy;       // spins only
    QString Heading;        // column heading
    QStringList Items;      // choices: the items, value = index
    int LaterPageItems = 0; // choices: rows on the second sub-page offer only this many (0 = all)
    int Min = 0, Max = 0, Default = 0; // spins
    bool IsChoice() const { return !Items.isEmpty(); }
    QByteArray ControlName(int row) const { return Name + QByteArray::number(row); }
    QByteArray BuddyName(int row) const { return Buddy + QByteArray::number(row); }
};

// A table of rows: its listing, its row command and its columns.
struct TRowTable {
    QByteArray ListCommand;       // "cat control in\r\n"
    QByteArray SetCommand;        // "set ch_in  " (two blanks: the board expects them)
    QList<QByteArray> Containers; // pages searched for the controls, in order
    int Rows = 0;                 // rows 1..Rows
    int RowsPerPage = 0;          // rows per sub-page (0 = one page)
    QList<TRowColumn> Columns;    // five columns, in field order
};

const TRowTable& InputTable();
const TRowTable& OutputTable();
const TRowTable& MixerTable();

// Mixers 1..5 belong to the fixed functions; apply writes only these.
constexpr int FirstWrittenMixer = 6;

// The input function list: items 0..5 are codes 0..5, items 6..12 codes 10..16.
int InputItemFromCode(int code);
int InputCodeFromItem(int item);
// True when a listed code has an item of its own (codes 6..9 would alias
// items 2..5 through the mapping, and the board does not offer them).
bool InputCodeShown(int code);

// One parsed row line: the index text before ":" (untrimmed) and five fields.
struct TRowLine {
    QByteArray Index;
    QByteArray Fields[5];
};

// Parses one trimmed response line of a channel or mixer listing. False for
// the lines that are not rows: "name = value" lines, "#" headings, lines
// without ":" and lines with fewer than five fields after it. Fields are
// separated by runs of blanks or TABs; the fifth is the rest of the line.
bool ParseRowLine(const QByteArray& line, TRowLine& row);

// "set ch_in  3 11 5 1000 1500 2000\r\n": the board index of row k is k - 1.
QByteArray RowCommand(const QByteArray& setCommand, int index, const int values[5]);
// "set mix  7 2 -20\r\n": mixer n, column c (1..5).
QByteArray MixerCommand(int mixer, int column, int value);
