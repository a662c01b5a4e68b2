#pragma once
// The six sensor monitors: one window design, parameterised by the table of
// members (gyroscope, accelerometer, barometer, magnetometer, stabiliser
// state, GPS). Each lists its stream's newest payload ten times a second and
// plots the numbers of the payloads over the last 200 seconds.

#include "monitor/WinMonitorFrame.h"

#include <QElapsedTimer>
#include <QPointer>

class TMonitorPlot;
class QSplitter;

enum class TSensorKind { Gyro, Accel, Baro, Mag, Stab, Gps, Count };

// The members, indexed by TSensorKind.
extern const TMonitorMember SensorMonitors[int(TSensorKind::Count)];

class TWinSensorMonitor : public TWinMonitorFrame {
    Q_OBJECT
public:
    explicit TWinSensorMonitor(const TMonitorMember& member, QWidget* parent = nullptr);

    TMonitorPlot* Plot;

protected:
    void ShowPayload(const QByteArray& payload) override;

private:
    QElapsedTimer m_clock;
};

// One class per member, so that each has its own single instance.
template <TSensorKind K> class TWinMonSensor final : public TWinSensorMonitor {
public:
    TWinMonSensor() : TWinSensorMonitor(SensorMonitors[int(K)]) {}
    // The open window of this member (empty when none).
    static QPointer<TWinMonSensor>& Instance() {
        static QPointer<TWinMonSensor> instance;
        return instance;
    }
};

using TWinMonGyro = TWinMonSensor<TSensorKind::Gyro>;
using TWinMonAccel = TWinMonSensor<TSensorKind::Accel>;
using TWinMonBaro = TWinMonSensor<TSensorKind::Baro>;
using TWinMonMag = TWinMonSensor<TSensorKind::Mag>;
using TWinMonStab = TWinMonSensor<TSensorKind::Stab>;
using TWinMonGps = TWinMonSensor<TSensorKind::Gps>;
