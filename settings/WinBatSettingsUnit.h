#pragma once
// "Параметры батарей": full and empty voltages of the three batteries and the
// main battery's capacity (the board's "batteries" group).

#include "settings/ParamFormUnit.h"
#include "settings/ParamWindowUnit.h"

class TWinBatSettings : public TParamWindow {
    Q_OBJECT
public:
    explicit TWinBatSettings(QWidget* parent = nullptr);
    static const TParamTable& Table();
    static const TBindingConfig& Config();
};

extern QPointer<TWinBatSettings> WinBatSettings;
