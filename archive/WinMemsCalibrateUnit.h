#pragma once
// The board's sensor calibrations: gyroscope bias, magnetometer (with its
// extremes shown live), the horizontal reference, and the six bias values
// as editable parameters.

#include "archive/ArchiveWidgets.h"

#include <QElapsedTimer>
#include <memory>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TParamBinding;
class QTimer;
struct TArchiveResult;
struct TExtremes;

class TWinMemsCalibrate : public TArchiveWindow {
    Q_OBJECT
public:
    explicit TWinMemsCalibrate(QWidget* parent = nullptr);
    ~TWinMemsCalibrate() override;
    // Lists the magnetometer and gyroscope parameters.
    bool FormCreate() override;
    bool ListsOnOpen() const override { return true; }

    QGroupBox* GroupBox1;
    QGroupBox* GroupBox2;
    QLineEdit* Gyro_bias_X;
    QLineEdit* Gyro_bias_Y;
    QLineEdit* Gyro_bias_Z;
    QLineEdit* Mag_bias_X;
    QLineEdit* Mag_bias_Y;
    QLineEdit* Mag_bias_Z;
    QPushButton* SpeedButton1;
    QPushButton* SpeedButton2;
    QPushButton* SpeedButton3;
    QPushButton* SpeedButton4;
    QLabel* Label8;
    QLabel* Label9;
    // x_max, x_min, y_max, y_min, z_max, z_min
    QLabel* Extremes[6];
    // While the magnetometer calibration runs without extremes lines: how
    // long the board has been quiet (the calibration goes on regardless).
    QLabel* MagQuietNote;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;

    // Set while a magnetometer calibration is on at the board.
    bool Calibrating() const { return m_calibrating; }

    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click() { m_calibrating = false; }
    void SpeedButton4Click();
    void BitBtn1Click();
    void BitBtn2Click() { ApplyChangedValues(); }

private:
    // The shared parameter binding over GroupBox1 and GroupBox2.
    void SetParamValue(const QByteArray& name, const QByteArray& value);
    bool ApplyChangedValues();
    void ShowExtremes(const TExtremes& e);
    // The window's buttons a run disables.
    QList<QWidget*> RunControls() const;

    void ShowMagQuiet();

    std::unique_ptr<TParamBinding> m_binding;
    QTimer* m_quietTimer;
    QElapsedTimer m_sinceExtremes;
    bool m_calibrating = false;
};

extern QPointer<TWinMemsCalibrate> WinMemsCalibrate;
