#include "settings/WinBatSettingsUnit.h"
#include "ui/FormPieces.h"

#include <QLabel>
#include <QVBoxLayout>

QPointer<TWinBatSettings> WinBatSettings;

const TBindingConfig& TWinBatSettings::Config() {
    static const TBindingConfig config{
        "cat batteries\r\n", {}, {}, KindEdit | KindChoice | KindSpin | KindFlag};
    return config;
}

const TParamTable& TWinBatSettings::Table() {
    using namespace Def;
    static const TParamTable table = {
        Edit("Main_Battery_Full_V", "ОБ, напряжение полного заряда", "Panel2"),
        Edit("Main_Battery_Empty_V", "ОБ, напряжение разряда", "Panel2"),
        Edit("Main_Battery_Full_C", "ОБ, емкость, мА", "Panel2"),
        Edit("Second_Battery_Full_V", "Б2, напряжение полного заряда", "Panel2"),
        Edit("Second_Battery_Empty_V", "Б2, напряжение разряда", "Panel2"),
        Edit("Third_Battery_Full_V", "Б3, напряжение полного заряда", "Panel2"),
        Edit("Third_Battery_Empty_V", "Б3, напряжение разряда", "Panel2"),
    };
    return table;
}

TWinBatSettings::TWinBatSettings(QWidget* parent)
    : TParamWindow("Параметры батарей", true, parent) {
    TParamFormBuilder builder;
    QVBoxLayout* column;
    QWidget* panel = MakeGridContainer("Panel2", builder, 1, &column);
    column->insertWidget(0, MakeHeading("Параметры батарей", "Label1", THeading::Settings));
    column->addStretch(1);
    builder.Build(Table());
    auto* v = new QVBoxLayout(Content());
    v->setContentsMargins(0, 0, 0, 0);
    v->addWidget(panel);
    InitBinding(Config(), builder);
}
