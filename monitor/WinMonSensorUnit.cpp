#include "monitor/WinMonSensorUnit.h"

#include "monitor/MonitorPlot.h"
#include "monitor/PayloadNumbers.h"

#include <QSplitter>
#include <QVBoxLayout>

// clang-format off
const TMonitorMember SensorMonitors[int(TSensorKind::Count)] = {
    {"TWinMonGyro", "WinMonGyroUnit", "Монитор данных с гироскопа",
     "Мониторинг данных с гироскопа", "gyro", TTelemetrySlot::Gyro, "ActionMonGyro", 100},
    {"TWinMonAccel", "WinMonAccelUnit", "Монитор данных с акселерометра",
     "Мониторинг данных с акселерометра", "accel", TTelemetrySlot::Accel, "ActionMonAccel", 100},
    {"TWinMonBaro", "WinMonBaroUnit", "Монитор данных с барометра",
     "Мониторинг данных с барометра", "baro", TTelemetrySlot::Baro, "ActionMonBaro", 100},
    {"TWinMonMag", "WinMonMagUnit", "Монитор данных с магнетометра",
     "Мониторинг данных с магнетометра", "mag", TTelemetrySlot::Mag, "ActionMonMag", 100},
    {"TWinMonStab", "WinMonStabUnit", "Мониторинг состояния стабилизатора",
     "Мониторинг состояния стабилизатора", "stab", TTelemetrySlot::Stab, "ActionMonStab", 100},
    {"TWinMonGps", "WinMonGpsUnit", "Мониторинг показаний GPS",
     "Мониторинг показаний GPS", "gps", TTelemetrySlot::Gps, "ActionMonGps", 100},
};
// clang-format on

TWinSensorMonitor::TWinSensorMonitor(const TMonitorMember& member, QWidget* parent)
    : TWinMonitorFrame(member, parent) {
    Plot = new TMonitorPlot;
    Plot->setObjectName("Plot");
    QVBoxLayout* column = BuildFrame();
    auto* split = new QSplitter(Qt::Vertical);
    split->addWidget(Plot);
    split->addWidget(Monitor);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    split->setChildrenCollapsible(false);
    column->addWidget(split, 1);
    resize(620, 560);
    m_clock.start();
}

void TWinSensorMonitor::ShowPayload(const QByteArray& payload) {
    const QVector<TPayloadNumber> numbers = PayloadNumbers(payload);
    if (numbers.isEmpty())
        return;
    QVector<double> values;
    QByteArrayList keys;
    for (const TPayloadNumber& n : numbers) {
        values << n.Value;
        keys << n.Key;
    }
    Plot->AddSample(m_clock.elapsed(), values, keys);
}
