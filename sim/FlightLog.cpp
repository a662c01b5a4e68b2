#include "sim/FlightLog.h"

#include <cmath>

namespace {
constexpr double Pi = 3.14159265358979323846;
QByteArray Num(double v, int decimals) {
    return QByteArray::number(v, 'f', decimals);
}
} // namespace

TFlightLog::TFlightLog(int flight, quint32 seed)
    : m_flight(flight), m_rand(seed * 31u + static_cast<quint32>(flight)) {
    m_lat = 55.751244 + m_rand.Noise(0.01);
    m_lon = 37.618423 + m_rand.Noise(0.01);
    m_course = m_rand.Unit() * 360;
}

QByteArray TFlightLog::Header() {
    return "time_ms,mode,lat,lon,alt,gps_speed,course,roll,pitch,yaw,air_speed,bat_v,current,"
           "used_mah,thr,ail,ele,rud";
}

QByteArray TFlightLog::NextRow() {
    const qint64 ms = m_row * 100;
    const double t = ms / 1000.0;
    ++m_row;
    // Climb to about 150 m, cruise in wide turns, then a slow descent that
    // repeats: a long dump stays plausible however many rows it has.
    const double phase = std::fmod(t, 600.0);
    const double target = phase < 60 ? phase * 2.5 : phase < 540 ? 150 : (600 - phase) * 2.5;
    m_alt += (target - m_alt) * 0.05 + m_rand.Noise(0.1);
    const double roll = 25 * std::sin(2 * Pi * t / 40) + m_rand.Noise(1.0);
    const double pitch = (target - m_alt) * 0.3 + m_rand.Noise(0.5);
    m_course = std::fmod(m_course + roll * 0.05 + 360, 360.0);
    const double speed = 15 + 2 * std::sin(2 * Pi * t / 25) + m_rand.Noise(0.3); // m/s
    m_lat += speed * 0.1 * std::cos(m_course * Pi / 180) / 111320.0;
    m_lon += speed * 0.1 * std::sin(m_course * Pi / 180) / (111320.0 * 0.5635);
    const double current = phase < 60 ? 12 + m_rand.Noise(0.5) : 6 + m_rand.Noise(0.5);
    m_used += current * 100.0 / 3600.0; // mAh in 100 ms
    m_bat = 12.6 - m_used / 2200.0 * 2.1 - current * 0.02;
    const int mode = phase < 60 ? 2 : (m_flight % 3 == 0 && phase > 300) ? 3 : 2;
    const int thr = static_cast<int>(std::lround(1100 + current * 50));
    const int ail = static_cast<int>(std::lround(1500 + roll * 8));
    const int ele = static_cast<int>(std::lround(1500 - pitch * 10));
    const int rud = static_cast<int>(std::lround(1500 + m_rand.Noise(20)));
    return QByteArray::number(ms) + "," + QByteArray::number(mode) + "," + Num(m_lat, 6) + "," +
           Num(m_lon, 6) + "," + Num(m_alt, 1) + "," + Num(speed * 3.6, 1) + "," +
           Num(m_course, 1) + "," + Num(roll, 1) + "," + Num(pitch, 1) + "," + Num(m_course, 1) +
           "," + Num(speed * 3.6 + m_rand.Noise(2), 1) + "," + Num(m_bat, 2) + "," +
           Num(current, 1) + "," + QByteArray::number(std::lround(m_used)) + "," +
           QByteArray::number(thr) + "," + QByteArray::number(ail) + "," + QByteArray::number(ele) +
           "," + QByteArray::number(rud);
}
