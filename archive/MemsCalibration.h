#pragma once
// The board's sensor calibrations: the magnetometer's extremes lines, the
// gyroscope calibration, and the magnetometer calibration with its end.

#include "archive/ArchiveRun.h"

#include <QByteArray>
#include <functional>

// The extremes keys in the order they are looked for (and the labels' names).
extern const char* const ExtremeKeys[6]; // "x_max", "x_min", ... "z_min"

struct TExtremes {
    QByteArray Values[6];
    bool Found[6] = {};
};

// Parses one extremes line: each key found removes everything up to its "=",
// and its value runs to the next blank (the last key: to the end of the
// line; a value with no blank after it reads as empty). A key that stands
// before an earlier-listed key is not seen.
TExtremes ParseExtremes(const QByteArray& line);

using TParamFn = std::function<void(const QByteArray& name, const QByteArray& value)>;

// Opening: "cat mag" then "cat gyro" (the second without clearing), every
// named line handed to `onParam`.
TArchiveResult ReadCalibrationParams(TBoardLink& link, const TParamFn& onParam,
                                     const TRunHooks& hooks);

// "cal gyro"; the first second of answer is dropped, a prompt included; then
// the new values up to the prompt go to `onParam`. A board that finishes
// within that second has its values read with "cat gyro" instead.
TArchiveResult CalibrateGyro(TBoardLink& link, const TParamFn& onParam, const TRunHooks& hooks);

// "cal mag"; the first second is dropped; extremes lines go to `onExtremes`
// while `calibrating` holds and no prompt came. Then "cal mag_save" and its
// answer, named lines to `onParam` except the extremes line itself. No
// silence ends the extremes step (the operator may turn the board for as
// long as it takes); a cancel or a lost link ends the run before
// "cal mag_save", and the board's calibration is abandoned with
// "cal mag_cancel".
TArchiveResult RunMagCalibration(TBoardLink& link, const std::function<bool()>& calibrating,
                                 const std::function<void(const TExtremes&)>& onExtremes,
                                 const TParamFn& onParam, const TRunHooks& hooks);
