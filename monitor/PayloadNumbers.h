#pragma once
// Reading numbers out of telemetry payloads. The board writes numbers with a
// decimal point whatever the operator's regional settings are, so nothing
// here consults a locale.

#include <QByteArray>
#include <QVector>

// One number found in a payload, with the key written right before it
// ("r" for "r=10.5"); the key is empty for a bare number.
struct TPayloadNumber {
    QByteArray Key;
    double Value = 0;
};

// Every number of a payload in order of position: optional sign, digits,
// optional fraction, optional exponent ("-0.25", "12", "1.5e-3", ".5").
// Digits that belong to a word ("BAT1", "x2") are not numbers. Used by the
// sensor plots and the PPM bars.
QVector<TPayloadNumber> PayloadNumbers(const QByteArray& payload);

// A whole token as a decimal number with a point (the same grammar, nothing
// else in the token). False for an empty or malformed token.
bool ReadDecimal(const QByteArray& token, double& value);

// Roll, pitch and yaw of an "$EKF:" payload: trimmed, split at every blank
// (two blanks make an empty token), token 2 "r=" roll, token 3 "p=" pitch,
// token 4 "y=" yaw, every occurrence of the key removed before reading. False
// when a token is missing or not a number; the outputs are then unchanged.
bool ParseEkfAttitude(const QByteArray& payload, double& roll, double& pitch, double& yaw);
