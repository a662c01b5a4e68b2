#include "archive/MemsCalibration.h"

#include "link/Proc.h"

const char* const ExtremeKeys[6] = {"x_max", "x_min", "y_max", "y_min", "z_max", "z_min"};

namespace {
// The board answers a calibration command at once; that first second of
// output is not part of the result.
constexpr int CalibrationSettleMs = 1000;

int Silence(const TRunHooks& hooks, int fallback) {
    return hooks.SilenceMs ? hooks.SilenceMs : fallback;
}

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
    const int silence = Silence(hooks, ArchiveListingSilenceMs);
    link.ClearResponses();
    link.SendCommand("cat mag\r\n");
    TArchiveResult r = ReadUntilPrompt(link, silence, hooks, ParamsTo(onParam));
    if (!r.Ok())
        return r;
    link.SendCommand("cat gyro\r\n");
    return ReadUntilPrompt(link, silence, hooks, ParamsTo(onParam));
}

TArchiveResult CalibrateGyro(TBoardLink& link, const TParamFn& onParam, const TRunHooks& hooks) {
    link.SendCommand("cal gyro\r\n");
    TArchiveResult r = PauseDroppingLines(link, CalibrationSettleMs, hooks);
    if (!r.Ok())
        return r;
    link.ClearResponses();
    return ReadUntilPrompt(link, Silence(hooks, CalibrationSilenceMs), hooks, ParamsTo(onParam));
}

TArchiveResult RunMagCalibration(TBoardLink& link, const std::function<bool()>& calibrating,
                                 const std::function<void(const TExtremes&)>& onExtremes,
                                 const TParamFn& onParam, const TRunHooks& hooks) {
    link.SendCommand("cal mag\r\n");
    TArchiveResult r = PauseDroppingLines(link, CalibrationSettleMs, hooks);
    if (!r.Ok())
        return r;
    link.ClearResponses();

    // The operator ends the calibration by clearing `calibrating`; that
    // wakes the wait like a cancel, so tell the two apart afterwards.
    TRunHooks live = hooks;
    live.Cancel = [&] { return !calibrating() || (hooks.Cancel && hooks.Cancel()); };
    r = ReadUntilPrompt(link, Silence(hooks, CalibrationSilenceMs), live,
                        [&](const QByteArray& line) {
                            onExtremes(ParseExtremes(line));
                            return true;
                        });
    if (r.Status == TArchiveStatus::Cancelled && (!hooks.Cancel || !hooks.Cancel()) &&
        !calibrating())
        r = TArchiveResult(); // ended by the operator
    if (!r.Ok())
        return r;

    link.ClearResponses();
    link.SendCommand("cal mag_save\r\n");
    return ReadUntilPrompt(link, Silence(hooks, CalibrationSilenceMs), hooks,
                           ParamsTo(onParam, true));
}
