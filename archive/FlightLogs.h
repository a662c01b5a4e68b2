#pragma once
// Flight logs: the flight range from "log dir", the flight list, and the dump
// of one flight into a text file.

#include "archive/ArchiveRun.h"

#include <QList>
#include <QString>
#include <functional>

struct TFlightRange {
    int Min = 0;
    int Max = 0;
};

// Takes one "log dir" line: "flight_id_min" / "flight_id_max" set the range
// (the later value wins), other lines are ignored. A value that is not a
// whole number is reported: false, with the value in `bad`.
bool ApplyLogDirLine(const QByteArray& line, TFlightRange& range, QByteArray& bad);
// Flight numbers from the highest down to the lowest; empty when Min > Max.
QList<int> FlightNumbers(const TFlightRange& range);
// "log dump N\r\n"
QByteArray LogDumpCommand(int flight);
// One trimmed dump line as the file holds it, with "\r\n"; with
// `decimalComma` every "." becomes ",".
QByteArray LogFileLine(const QByteArray& line, bool decimalComma);

// "log dir" read to its prompt, waiting as long as a dump may pause (a board
// busy with its log memory answers late). A bad flight number ends with
// BadAnswer.
TArchiveResult ReadFlightRange(TBoardLink& link, TFlightRange& range, const TRunHooks& hooks);

// Dumps one flight into `fileName` (written beside it and put in place only
// when complete). `decimalComma` is asked for every line. Progress: the
// counter starts at 1 and each written line adds 1.
TArchiveResult ExportFlightLog(TBoardLink& link, int flight, const QString& fileName,
                               const std::function<bool()>& decimalComma, const TRunHooks& hooks);
