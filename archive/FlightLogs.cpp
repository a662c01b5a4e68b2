#include "archive/FlightLogs.h"

#include "link/OutputFile.h"
#include "link/Proc.h"

bool ApplyLogDirLine(const QByteArray& line, TFlightRange& range, QByteArray& bad) {
    QByteArray name, value;
    if (!SplitParamLine(line, name, value))
        return true;
    int* target = name == "flight_id_min"   ? &range.Min
                  : name == "flight_id_max" ? &range.Max
                                            : nullptr;
    if (!target)
        return true;
    if (!TryStrToInt(value, *target)) {
        bad = value;
        return false;
    }
    return true;
}

QList<int> FlightNumbers(const TFlightRange& range) {
    QList<int> out;
    for (qint64 n = range.Max; n >= range.Min; --n)
        out << static_cast<int>(n);
    return out;
}

QByteArray LogDumpCommand(int flight) {
    return "log dump " + QByteArray::number(flight) + "\r\n";
}

QByteArray LogFileLine(const QByteArray& line, bool decimalComma) {
    QByteArray out = line;
    if (decimalComma)
        out.replace('.', ',');
    return out + "\r\n";
}

TArchiveResult ReadFlightRange(TBoardLink& link, TFlightRange& range, const TRunHooks& hooks) {
    range = TFlightRange();
    QByteArray bad;
    bool ok = true;
    TArchiveResult r = ResultOf(link.Request(
        RunRequest("log dir\r\n", LogDumpSilenceMs, hooks, [&](const QByteArray& line) {
            if (!ApplyLogDirLine(line, range, bad))
                ok = false;
            return true; // read the answer to its end either way
        })));
    if (r.Ok() && !ok) {
        r.Status = TArchiveStatus::BadAnswer;
        r.Detail = QString::fromLatin1(bad);
    }
    return r;
}

TArchiveResult ExportFlightLog(TBoardLink& link, int flight, const QString& fileName,
                               const std::function<bool()>& decimalComma, const TRunHooks& hooks) {
    TArchiveResult result;
    TOutputFile file(fileName);
    if (!OpenOutputFile(file, fileName, hooks, result))
        return result;
    ShowFileOpen(hooks, 0);
    TProgress progress{1, 0, 0};
    bool writeFailed = false;
    TArchiveResult read = ResultOf(link.Request(
        RunRequest(LogDumpCommand(flight), LogDumpSilenceMs, hooks, [&](const QByteArray& line) {
            ++progress.Counter;
            ++progress.Done;
            if (hooks.Line)
                hooks.Line(line);
            const QByteArray out = LogFileLine(line, decimalComma && decimalComma());
            if (hooks.Progress)
                hooks.Progress(progress);
            writeFailed = !file.Write(out);
            return !writeFailed;
        })));
    if (read.Ok() && writeFailed)
        read.Status = TArchiveStatus::FileWriteFailed;
    FinishOutputFile(file, fileName, read);
    read.Lines = progress.Counter - 1;
    return read;
}
