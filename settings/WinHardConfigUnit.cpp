#include "settings/WinHardConfigUnit.h"
#include "ui/FormPieces.h"

#include <QLabel>
#include <QVBoxLayout>

QPointer<TWinHardConfig> WinHardConfig;

const TBindingConfig& TWinHardConfig::Config() {
    static const TBindingConfig config{"cat stab\r\n", {}, {}, AllKinds};
    return config;
}

const TParamTable& TWinHardConfig::Table() {
    using namespace Def;
    static const TParamTable table = {
        Choice("Receiver_Mode", "Тип приемника ",
               {"Неопределенный", "Специализированный", "СТДАПП"}, "Panel2"),
        Choice("Module_PPM_Input_Mode", "Тип входного сигнала ",
               {"Неопределенный", "Дискретный PPM", "Сум PPM", "SBUS - Futaba"}, "Panel2"),
        Flag("Mixers_Allowed", "Разрешить микшеры", "Panel2"),
    };
    return table;
}

TWinHardConfig::TWinHardConfig(QWidget* parent)
    : TParamWindow("Аппаратная конфигурация", true, parent) {
    TParamFormBuilder builder;
    QVBoxLayout* column;
    QWidget* panel = MakeGridContainer("Panel2", builder, 1, &column);
    column->insertWidget(0, MakeHeading(windowTitle(), "Label1", THeading::Settings));
    column->addStretch(1);
    builder.Build(Table());
    auto* v = new QVBoxLayout(Content());
    v->setContentsMargins(0, 0, 0, 0);
    v->addWidget(panel);
    InitBinding(Config(), builder);
}
