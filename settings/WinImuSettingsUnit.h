#pragma once
// "Настройка IMU": the four tuning values of the board's attitude filter,
// the board's default IMU settings and the horizon reference. It keeps no
// stored value list: it matches the four names itself and OK writes every
// value it holds.

#include "settings/SettingsWindowUnit.h"

#include <QByteArrayList>

class QLineEdit;

class TWinImuSettings : public TSettingsWindow {
    Q_OBJECT
public:
    explicit TWinImuSettings(QWidget* parent = nullptr);

    // The four parameters, spelled as they go to the board.
    static const QByteArrayList& Names();

    // Fills the edit a listing line names: the name before the first "="
    // (blanks around it allowed, case ignored), the value after it as
    // received but for the blanks around it.
    void MatchImuLine(const QByteArray& line);

    // "Параметры по умолчанию": "reset imu", then the listing again.
    void SpeedButton1Click();
    // "Сброс горизонта": "save ref", nothing waited for.
    void SpeedButton2Click();

protected:
    TListingEnd ListParams() override;
    // OK: one "set" line per edit, in table order, with the text unchanged;
    // an edit that still holds its own name (the board never listed it and
    // the operator typed nothing) or nothing at all is not sent.
    bool ApplyChangedValues() override;

private:
    QLineEdit* m_edits[4];
};

extern QPointer<TWinImuSettings> WinImuSettings;
