#pragma once
// A generated flight log as the board prints it for "log dump N": a CSV
// header, then one row every 100 ms of flight. Each flight number gives its
// own, repeatable flight.

#include "sim/SimRandom.h"

#include <QByteArray>

class TFlightLog {
public:
    TFlightLog(int flight, quint32 seed);
    static QByteArray Header();
    // The next row; rows continue for as long as they are asked for.
    QByteArray NextRow();

private:
    int m_flight;
    qint64 m_row = 0;
    TSimRandom m_rand;
    double m_alt = 0, m_lat, m_lon, m_course, m_bat = 12.6, m_used = 0;
};
