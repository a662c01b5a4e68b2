#pragma once
// Reading a downloaded flight log back for the viewer: the header names the
// columns, the separator is taken from the header, decimal commas are read
// where the field count leaves no doubt, bad rows are counted and skipped.
// Widget-free; the viewer runs it in a worker thread.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>

class QIODevice;

enum class TLogReadStatus {
    Ok,
    Cancelled,
    FileError,
    Empty,   // no header, or a header without a single row
    NotALog, // the first line is not a header of numeric columns
    // A comma separates the columns and also the fractions: with some columns
    // whole and some fractional, the fields cannot be told apart.
    AmbiguousComma,
};

// The log's numbers, one vector per column.
struct TFlightLogTable {
    QStringList Columns;
    QVector<QVector<double>> Values; // [column][row]
    char Separator = ',';
    bool DecimalComma = false;
    // The first column rises (never falls) and serves as the time axis;
    // otherwise the row number does.
    bool TimeInFirstColumn = false;
    qint64 BadRows = 0;
    // The file ended in the middle of a line (that line counts as bad).
    bool TruncatedLastLine = false;

    int RowCount() const { return Values.isEmpty() ? 0 : int(Values.first().size()); }
    // The time axis value of a row: the first column or the row number.
    double Time(int row) const { return TimeInFirstColumn ? Values[0][row] : double(row); }
    // The row whose time is nearest to `t` (rows sorted by time).
    int RowAt(double t) const;
    // Index of a column by name (case-insensitive), -1 if none.
    int Column(const QString& name) const;
};

struct TLogReadResult {
    TLogReadStatus Status = TLogReadStatus::Ok;
    QString Detail; // what made it fail (file error text, sample line)
    bool Ok() const { return Status == TLogReadStatus::Ok; }
    // The message for the operator, in Russian.
    QString RussianText() const;
};

// Which columns of a row as the board printed it (points, commas between
// columns) carry a fraction. The logs window keeps it from the download: a
// file written with decimal commas has lost it.
QVector<bool> FractionColumns(const QByteArray& pointRow);

// Reads the log line by line. `progress` hears the bytes read so far and
// returns false to stop (status Cancelled); it is called every few hundred
// kilobytes. `fractions` (FractionColumns of the board's rows), when given,
// splits comma rows written with decimal commas that the field count alone
// cannot.
TLogReadResult ReadFlightLog(QIODevice& in, TFlightLogTable& out,
                             const std::function<bool(qint64)>& progress = {},
                             const QVector<bool>& fractions = {});
TLogReadResult ReadFlightLogFile(const QString& path, TFlightLogTable& out,
                                 const std::function<bool(qint64)>& progress = {},
                                 const QVector<bool>& fractions = {});

// The points of one column that a plot `pixels` wide needs to show the time
// span [lo, hi] exactly as all rows would: every row when there are few,
// otherwise the first, the lowest, the highest and the last row of each
// pixel column, in time order; plus the row just outside each end so the
// line reaches the border.
void DecimateColumn(const TFlightLogTable& t, int column, double lo, double hi, int pixels,
                    QVector<double>& keys, QVector<double>& values);
