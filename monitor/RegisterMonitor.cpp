#include "monitor/WinMonImuUnit.h"
#include "monitor/WinMonSensorUnit.h"
#include "ui/TaskRegistry.h"

namespace {
template <TSensorKind K> void RegisterSensor() {
    RegisterTaskWindow(QString::fromLatin1(SensorMonitors[int(K)].Action),
                       [] { OpenTaskWindow(TWinMonSensor<K>::Instance()); });
}
} // namespace

void RegisterMonitorWindows() {
    RegisterSensor<TSensorKind::Gyro>();
    RegisterSensor<TSensorKind::Accel>();
    RegisterSensor<TSensorKind::Baro>();
    RegisterSensor<TSensorKind::Mag>();
    RegisterSensor<TSensorKind::Stab>();
    RegisterSensor<TSensorKind::Gps>();
    RegisterTaskWindow(QString::fromLatin1(ImuMonitor.Action),
                       [] { OpenTaskWindow(TWinMonImu::Instance()); });
}
