#pragma once
// "Настройка параметров стабилизатора": the stabiliser, navigation and test
// parameters of the board's "stab" group on four tab pages.

#include "settings/ParamFormUnit.h"
#include "settings/ParamWindowUnit.h"

class TWinStabControl : public TParamWindow {
    Q_OBJECT
public:
    explicit TWinStabControl(QWidget* parent = nullptr);
    static const TParamTable& Table();
    static const TBindingConfig& Config();
};

extern QPointer<TWinStabControl> WinStabControl;
