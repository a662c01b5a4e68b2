#pragma once
// The simulated aircraft behind the board's telemetry streams: a slow, smooth
// flight (attitude, position, sticks, battery) sampled into the payloads the
// board sends after its tags ("$GYRO:", "$EKF:", ...).

#include "sim/SimRandom.h"

#include <QByteArray>
#include <QByteArrayList>

class TTelemetry {
public:
    explicit TTelemetry(quint32 seed) : m_rand(seed ^ 0x7e1e) {}

    // Stream names as "mon on" takes them.
    static const QByteArrayList& Streams();
    static bool IsStream(const QByteArray& name) { return Streams().contains(name); }
    // "$GYRO:" for "gyro", "$ADC:" for "adc_values", "$PPM:" for "ppm_input".
    static QByteArray Tag(const QByteArray& stream);
    // A board's usual rate for the stream.
    static int DefaultPeriodMs(const QByteArray& stream);

    // The whole telemetry line (tag and payload) of `stream` at board time `ms`.
    QByteArray Line(const QByteArray& stream, qint64 ms);

    // Attitude in degrees, smooth in time; yaw 0..360.
    struct TAttitude {
        double Roll, Pitch, Yaw;
    };
    static TAttitude Attitude(qint64 ms);
    // Pulse widths in microseconds of the receiver's channels at `ms`.
    static QList<int> Sticks(qint64 ms);
    static constexpr int PpmChannels = 12;

    // The horizon reference ("save ref"): later EKF angles are relative to it.
    void SaveReference(qint64 ms);
    // Restarts the used-capacity integrator ("start current_integ").
    void StartCurrentIntegrator(qint64 ms);

private:
    double CurrentAmps(qint64 ms) const;

    TSimRandom m_rand;
    double m_refRoll = 0, m_refPitch = 0;
    qint64 m_integFrom = 0;
};
