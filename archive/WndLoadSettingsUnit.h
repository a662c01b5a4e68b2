#pragma once
// Loading a configuration export file back into the board, section by
// section as the operator ticks them (the file rules live in ConfigLoad).

#include "ui/TaskWindow.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QToolButton;
class TRunIndicator;

class TWndLoadSettings : public TTaskWindow {
    Q_OBJECT
public:
    explicit TWndLoadSettings(QWidget* parent = nullptr);

    QLineEdit* FileName;
    QToolButton* SpeedButton1;
    // One per section, indexed like LoadSections (stab, IMU, osd, gyro, mag,
    // wp, adc, bat, control_in, control_out, control_mix).
    QCheckBox* Boxes[11];
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
    TRunIndicator* Run;

    void SpeedButton1Click();
    void BitBtn1Click();
    void BitBtn2Click() { close(); }

private:
    bool m_stopPressed = false;
};

extern QPointer<TWndLoadSettings> WndLoadSettings;
