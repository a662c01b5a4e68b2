#pragma once
// Reading a downloaded flight log back for the viewer: the header names the
// columns, the separator is taken from the header, decimal commas are read
// where the field count leaves no doubt, bad rows are counted and skipped, a
// damaged tail ends the reading. Also the ground track the GPS columns draw.
// Widget-free; the viewer runs it in a worker thread.

#include <QByteArray>
#include <QPair>
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
    Damaged, // damaged before its first row (see TFlightLogTable::DamagedLine)
};

// A line longer than this is damage, not a row. The board's widest row is
// under 200 bytes and a header naming every column it logs under 1 KiB, so
// any log a person or a spreadsheet makes fits many times over; and a file
// without line ends (a tail of NUL bytes after a power loss, a binary) costs
// the reader no more memory than this and a chunk.
constexpr qsizetype MaxLogLineBytes = 64 * 1024;

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
    // Reading stopped at this line (counting every line from 1, the header
    // too) because it holds NUL bytes (the tail a power loss leaves) or runs
    // past MaxLogLineBytes: what follows is not trusted. The rows before it
    // are kept. 0 when the file is whole.
    qint64 DamagedLine = 0;
    QString Damage; // what is wrong with that line, in Russian
    // For the operator: where the file is damaged and that the rows before
    // it are shown; empty when it is whole.
    QString DamageNote() const;

    int RowCount() const { return Values.isEmpty() ? 0 : int(Values.first().size()); }
    // The time axis value of a row: the first column or the row number.
    double Time(int row) const { return TimeInFirstColumn ? Values[0][row] : double(row); }
    // A time column named "...ms" counts milliseconds.
    bool TimeInMs() const;
    // Seconds per unit of Time(): a time column in milliseconds or seconds;
    // by row number, the board's row period of 100 ms.
    double SecondsPerTimeUnit() const;
    // The row whose time is nearest to `t` (rows sorted by time).
    int RowAt(double t) const;
    // Index of a column by name (case-insensitive), -1 if none.
    int Column(const QString& name) const;
};

struct TLogReadResult {
    TLogReadStatus Status = TLogReadStatus::Ok;
    QString Detail; // what made it fail (file error text, sample line, damage)
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

// Index of the latitude and longitude columns, -1 when missing.
QPair<int, int> TrackColumns(const TFlightLogTable& t);

// A fix farther from the last good one than this speed covers in the time
// between them (plus JumpSlackMetres) is a wrong fix, left out of the track.
// About three times the speed of sound: no aircraft that carries the board
// flies it, an airliner with the strongest tail wind makes a third of it,
// while a receiver that loses its fix lands kilometres away within one
// 100 ms row, tens of kilometres a second.
constexpr double MaxGroundSpeed = 1000; // m/s
// Fixes wander by metres as satellites come and go, and rows may share a
// time stamp: a step this short is never called a jump.
constexpr double JumpSlackMetres = 100;

// The ground track: north against east in metres from the first good fix,
// one metre as long on both axes. Samples without a fix (0,0, or outside the
// globe) and jumps (see MaxGroundSpeed) are left out and counted.
struct TGroundTrack {
    QVector<double> East, North;
    QVector<int> Rows; // the table row of each point, rising
    double Lat0 = 0, Lon0 = 0;
    double EastScale = 1; // metres east per metre of a degree of latitude
    qint64 NoFix = 0;
    qint64 Jumps = 0;
    double MinEast = 0, MaxEast = 0, MinNorth = 0, MaxNorth = 0;

    int Size() const { return int(Rows.size()); }
    // The last point at or before table row `row` (the first point before
    // the track starts), -1 when the track is empty.
    int PointAt(int row) const;
};
TGroundTrack GroundTrack(const TFlightLogTable& t);

// The points of the track that a view of `width` x `height` pixels over
// east [x0, x1] and north [y0, y1] needs: of each run of consecutive points
// in one pixel, or in one of the regions beside the view (where no line
// between them can cross it), the first and the last. A tangle that still
// needs more than `cap` points keeps every k-th of them, so that no track
// costs more than `cap` points to draw.
void DecimateTrack(const TGroundTrack& g, double x0, double x1, double y0, double y1, int width,
                   int height, int cap, QVector<double>& east, QVector<double>& north);
