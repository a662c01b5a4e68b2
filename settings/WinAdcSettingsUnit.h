#pragma once
// "Настройка АЦП": the settings of the ADC channels (the board's
// "adc_settings" group) and, while the window is open, the board's live ADC
// readings from the adc_values stream.

#include "settings/ParamFormUnit.h"
#include "settings/ParamWindowUnit.h"

#include <QList>
#include <optional>

class QLabel;
class QTimer;

// The keys of the ADC payload in the order they are searched, with the
// label each fills.
struct TAdcKey {
    const char* Key;
    const char* Label;
};
extern const TAdcKey AdcKeys[9];

// The text shown for each key of AdcKeys, in that order; no value where the
// key was not found. The payload is consumed from the front, so a key is
// found only after the previously found one; every value but the last
// ("AIR_Speed=") runs up to and including its blank (empty without one).
QList<std::optional<QByteArray>> ParseAdcPayload(const QByteArray& payload);

class TWinAdcSettings : public TParamWindow {
    Q_OBJECT
public:
    explicit TWinAdcSettings(QWidget* parent = nullptr);
    ~TWinAdcSettings() override;
    static const TParamTable& Table();
    static const TBindingConfig& Config();

    // Lists the group, then switches the stream on.
    bool FormCreate() override;
    // Refreshes the live readings from the telemetry slot.
    void Timer1Timer();
    // "Запустить интегратор тока".
    void SpeedButton1Click();

    QTimer* Timer1;

protected:
    void FormClose() override;

private:
    void StartStream();
    void StopStream();
    bool m_streamOn = false;
    QLabel* m_readings[9]; // in AdcKeys order
};

extern QPointer<TWinAdcSettings> WinAdcSettings;
