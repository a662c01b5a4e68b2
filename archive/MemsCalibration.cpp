#include "archive/MemsCalibration.h"

#include "link/Proc.h"

const char* const ExtremeKeys[6] = {"x_max", "x_min", "y_max", "y_min", "z_max", "z_min"};

namespace {
// The board answers a calibration command at once; that first second of
// output, a prompt included, is not part of the result.
constexpr int CalibrationSettleMs = 1000;
// How long the prompt of "cal mag_cancel" is waited for.
constexpr int CancelSilenceMs = 1000;

std::function<bool(const QByteArray&)> ParamsTo(const TParamFn& onParam,
                                                bool skipExtremes = false) {
    return [onParam, skipExtremes](const QByteArray& line) {
        QByteArray name, value;
        if (SplitParamLine(line, name, value) && !(skipExtremes && name == "x_max"))
            onParam(name, value);
        return true;
    };
}

} // namespace

TExtremes ParseExtremes(const QByteArray& line) {
    TExtremes out;
    QByteArray rest = line;
    for (int i = 0; i < 6; ++i) {
        const QByteArray key = QByteArray(ExtremeKeys[i]) + "=";
        const qsizetype at = rest.indexOf(key);
        if (at < 0)
            continue;
        rest = rest.mid(at + key.size());
        out.Found[i] = true;
        if (i == 5) {
            out.Values[i] = rest;
        } else {
            const qsizetype blank = rest.indexOf(' ');
            out.Values[i] = blank < 0 ? QByteArray() : rest.left(blank);
        }
    }
    return out;
}

TArchiveResult ReadCalibrationParams(TBoardLink& link, const TParamFn& onParam,
                                     const TRunHooks& hooks) {
    for (const char* command : {"cat mag\r\n", "cat gyro\r\n"}) {
        const TArchiveResult r =
            ResultOf(link.Request(RunRequest(command, ListingSilenceMs, hooks, ParamsTo(onParam))));
        if (!r.Ok())
            return r;
    }
    return TArchiveResult();
}

TArchiveResult CalibrateGyro(TBoardLink& link, const TParamFn& onParam, const TRunHooks& hooks) {
    TRequest r = RunRequest("cal gyro\r\n", CalibrationSilenceMs, hooks, ParamsTo(onParam));
    r.HoldMs = CalibrationSettleMs;
    const TAnswer a = link.Request(r);
    if (!a.Held)
        return ResultOf(a);
    // The board finished within the first second, whose lines are dropped:
    // the new values are read from its listing instead.
    return ResultOf(
        link.Request(RunRequest("cat gyro\r\n", ListingSilenceMs, hooks, ParamsTo(onParam))));
}

TArchiveResult RunMagCalibration(TBoardLink& link, const std::function<bool()>& calibrating,
                                 const std::function<void(const TExtremes&)>& onExtremes,
                                 const TParamFn& onParam, const TRunHooks& hooks) {
    // "cal mag" has no prompt of its own: its extremes lines come until the
    // operator ends the calibration (or the board sends a prompt). Ending it
    // wakes the wait like a cancel, so the two are told apart afterwards.
    TRequest r =
        RunRequest("cal mag\r\n", CalibrationSilenceMs, hooks, [&](const QByteArray& line) {
            onExtremes(ParseExtremes(line));
            return true;
        });
    r.Prompts = 0;
    r.HoldMs = CalibrationSettleMs;
    // No time limit while the operator turns the board: a pause in the
    // extremes lines is the operator's (or the board's) and ends nothing.
    r.SilenceMs = NoSilenceLimit;
    r.Cancel = [&] { return !calibrating() || (hooks.Cancel && hooks.Cancel()); };
    TAnswer a = link.Request(r);
    if (!a.Sent)
        return ResultOf(a); // the board never heard of this calibration
    if (a.End == TAnswerEnd::Cancelled && (!hooks.Cancel || !hooks.Cancel()) && !calibrating())
        a = TAnswer(); // ended by the operator
    if (!a.Ok()) {
        // Stopped before "cal mag_save": the board's calibration is
        // abandoned now rather than left running (and sending extremes
        // into every answer that follows).
        // It goes even when the operator cancelled; a silent board is
        // not waited for long for its prompt.
        if (a.End != TAnswerEnd::LinkLost) {
            TRequest cancel = RunRequest("cal mag_cancel\r\n", CancelSilenceMs, hooks);
            cancel.SilenceMs = CancelSilenceMs;
            cancel.Cancel = {};
            link.Request(cancel);
        }
        return ResultOf(a);
    }
    return ResultOf(link.Request(
        RunRequest("cal mag_save\r\n", CalibrationSilenceMs, hooks, ParamsTo(onParam, true))));
}
