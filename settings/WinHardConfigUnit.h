#pragma once
// "Аппаратная конфигурация": receiver and mixer configuration from the
// board's "stab" group.

#include "settings/ParamFormUnit.h"
#include "settings/ParamWindowUnit.h"

class TWinHardConfig : public TParamWindow {
    Q_OBJECT
public:
    explicit TWinHardConfig(QWidget* parent = nullptr);
    static const TParamTable& Table();
    static const TBindingConfig& Config();
};

extern QPointer<TWinHardConfig> WinHardConfig;
