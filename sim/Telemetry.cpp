#include "sim/Telemetry.h"

#include <QMap>
#include <cmath>

namespace {
constexpr double Pi = 3.14159265358979323846;

QByteArray Num(double v, int decimals) {
    // Never "-0.00": a board prints the sign only for negative numbers.
    QByteArray s = QByteArray::number(v, 'f', decimals);
    if (s.startsWith('-') && s.count('0') == s.size() - 1 - (decimals > 0 ? 1 : 0))
        s.remove(0, 1);
    return s;
}

double Wave(double t, double period, double phase = 0) {
    return std::sin(2 * Pi * t / period + phase);
}
} // namespace

const QByteArrayList& TTelemetry::Streams() {
    static const QByteArrayList names = {"gyro", "accel", "baro",      "mag",       "stab",
                                         "gps",  "ekf",   "ppm_input", "adc_values"};
    return names;
}

QByteArray TTelemetry::Tag(const QByteArray& stream) {
    if (stream == "adc_values")
        return "$ADC:";
    if (stream == "ppm_input")
        return "$PPM:";
    return "$" + stream.toUpper() + ":";
}

int TTelemetry::DefaultPeriodMs(const QByteArray& stream) {
    // The panel's monitors poll every 100 ms (EKF 50 ms, PPM 200 ms, ADC
    // 250 ms); the board sends about as often, GPS at its receiver's 5 Hz.
    static const QMap<QByteArray, int> periods = {
        {"gyro", 100}, {"accel", 100}, {"baro", 200},      {"mag", 100},       {"stab", 100},
        {"gps", 200},  {"ekf", 50},    {"ppm_input", 100}, {"adc_values", 250}};
    return periods.value(stream, 100);
}

TTelemetry::TAttitude TTelemetry::Attitude(qint64 ms) {
    const double t = ms / 1000.0;
    // A gentle figure of eight: banked turns with a little pitch, the heading
    // turning slowly round.
    TAttitude a;
    a.Roll = 25 * Wave(t, 20) + 3 * Wave(t, 3.1, 0.5);
    a.Pitch = 8 * Wave(t, 13, 1.0) + 1.5 * Wave(t, 2.3);
    a.Yaw = std::fmod(t * 6 + 40 * Wave(t, 20, Pi / 2) + 720, 360.0);
    return a;
}

QList<int> TTelemetry::Sticks(qint64 ms) {
    const double t = ms / 1000.0;
    QList<int> ch(PpmChannels, 1500);
    ch[0] = 1500 + static_cast<int>(std::lround(350 * Wave(t, 6)));        // ailerons
    ch[1] = 1500 + static_cast<int>(std::lround(250 * Wave(t, 9, 1.2)));   // elevator
    ch[2] = 1100 + static_cast<int>(std::lround(400 * (1 + Wave(t, 30)))); // throttle
    ch[3] = 1500 + static_cast<int>(std::lround(200 * Wave(t, 11, 2.0)));  // rudder
    ch[4] = (static_cast<qint64>(t) / 15) % 2 ? 1900 : 1100;               // mode switch
    ch[5] = 1100;                                                          // return switch
    for (int i = 6; i < PpmChannels; ++i)
        ch[i] = 1500;
    return ch;
}

void TTelemetry::SaveReference(qint64 ms) {
    const TAttitude a = Attitude(ms);
    m_refRoll = a.Roll;
    m_refPitch = a.Pitch;
}

void TTelemetry::StartCurrentIntegrator(qint64 ms) {
    m_integFrom = ms;
}

double TTelemetry::CurrentAmps(qint64 ms) const {
    return 4.0 + 3.0 * (1 + Wave(ms / 1000.0, 30));
}

QByteArray TTelemetry::Line(const QByteArray& stream, qint64 ms) {
    const double t = ms / 1000.0;
    const TAttitude a = Attitude(ms);
    QByteArray p;
    if (stream == "gyro") {
        // Angular rates in deg/s, the derivative of the attitude plus noise.
        const TAttitude b = Attitude(ms + 10);
        const double dyaw = std::remainder(b.Yaw - a.Yaw, 360.0);
        p = Num((b.Roll - a.Roll) * 100 + m_rand.Noise(0.4), 2) + " " +
            Num((b.Pitch - a.Pitch) * 100 + m_rand.Noise(0.4), 2) + " " +
            Num(dyaw * 100 + m_rand.Noise(0.4), 2);
    } else if (stream == "accel") {
        const double r = a.Roll * Pi / 180, q = a.Pitch * Pi / 180;
        p = Num(-std::sin(q) + m_rand.Noise(0.01), 3) + " " +
            Num(std::sin(r) * std::cos(q) + m_rand.Noise(0.01), 3) + " " +
            Num(std::cos(r) * std::cos(q) + m_rand.Noise(0.01), 3);
    } else if (stream == "baro") {
        const double alt = 120 + 15 * Wave(t, 40);
        const double vspd = 15 * 2 * Pi / 40 * std::cos(2 * Pi * t / 40);
        p = "alt=" + Num(alt + m_rand.Noise(0.2), 2) + " vspd=" + Num(vspd + m_rand.Noise(0.1), 2) +
            " press=" + Num(1013.25 - alt * 0.12, 2) + " temp=" + Num(21.5 - alt * 0.0065, 1);
    } else if (stream == "mag") {
        const double h = a.Yaw * Pi / 180;
        p = QByteArray::number(std::lround(380 * std::cos(h) + m_rand.Noise(4))) + " " +
            QByteArray::number(std::lround(-380 * std::sin(h) + m_rand.Noise(4))) + " " +
            QByteArray::number(std::lround(-420 + m_rand.Noise(4)));
    } else if (stream == "stab") {
        const QList<int> s = Sticks(ms);
        p = "mode=" + QByteArray(s[4] > 1500 ? "2" : "1") + " roll=" + Num(a.Roll, 1) +
            " pitch=" + Num(a.Pitch, 1) + " ail=" + QByteArray::number(3000 - s[0]) +
            " ele=" + QByteArray::number(s[1]) + " thr=" + QByteArray::number(s[2]) +
            " rud=" + QByteArray::number(s[3]);
    } else if (stream == "gps") {
        const double lat = 55.751244 + 0.004 * Wave(t, 120);
        const double lon = 37.618423 + 0.007 * Wave(t, 120, Pi / 2);
        p = "fix=3 sats=" + QByteArray::number(9 + static_cast<int>(t / 30) % 3) +
            " lat=" + Num(lat, 6) + " lon=" + Num(lon, 6) +
            " alt=" + Num(152 + 15 * Wave(t, 40), 1) +
            " spd=" + Num(54 + 6 * Wave(t, 25) + m_rand.Noise(0.3), 1) + " crs=" + Num(a.Yaw, 1);
    } else if (stream == "ekf") {
        // First token: the board's time stamp; the panel reads tokens 2 to 4.
        p = QByteArray::number(ms) + " r=" + Num(a.Roll - m_refRoll, 2) +
            " p=" + Num(a.Pitch - m_refPitch, 2) + " y=" + Num(a.Yaw, 2) +
            " alt=" + Num(120 + 15 * Wave(t, 40), 1) +
            " vz=" + Num(15 * 2 * Pi / 40 * std::cos(2 * Pi * t / 40), 2);
    } else if (stream == "ppm_input") {
        QByteArrayList v;
        for (int w : Sticks(ms))
            v << QByteArray::number(w);
        p = v.join(' ');
    } else if (stream == "adc_values") {
        const double amps = CurrentAmps(ms);
        const double usedMah = (ms - m_integFrom) / 3600.0 * 5.5; // mean current
        p = "BAT1=" + Num(12.1 - t / 3600 + m_rand.Noise(0.02), 2) +
            " BAT2=" + Num(8.2 + m_rand.Noise(0.02), 2) +
            " BAT3=" + Num(4.1 + m_rand.Noise(0.01), 2) +
            " RSSI=" + Num(2.6 + m_rand.Noise(0.05), 2) +
            " AIR=" + Num(0.51 + 0.3 * (1 + Wave(t, 25)), 2) +
            " CurV=" + Num(amps / 18.3 + 0.25, 2) + " CurI=" + Num(amps, 1) +
            " Cur_Used=" + QByteArray::number(std::lround(usedMah)) +
            " AIR_Speed=" + Num(15 + 2 * Wave(t, 25), 1);
    } else {
        return QByteArray();
    }
    return Tag(stream) + p;
}
