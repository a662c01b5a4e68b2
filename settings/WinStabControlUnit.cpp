#include "settings/WinStabControlUnit.h"
#include "ui/FormPieces.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QTabWidget>
#include <QVBoxLayout>

QPointer<TWinStabControl> WinStabControl;

const TBindingConfig& TWinStabControl::Config() {
    static const TBindingConfig config{"cat stab\r\n", {}, {}, AllKinds};
    return config;
}

const TParamTable& TWinStabControl::Table() {
    using namespace Def;
    static const TParamTable table = {
        // Рули и чувствительность
        Edit("Roll_Sensitivity", "Чувствительность Элеронов", "TabSheet1"),
        Edit("Pitch_Sensitivity", "Чувствительность РВ", "TabSheet1"),
        Edit("Yaw_Sensitivity", "Чувствительность РН", "TabSheet1"),
        Edit("Koef_Omega_Roll", "Демпфирование Элеронов", "TabSheet1"),
        Edit("Koef_Omega_Pitch", "Демпфирование РВ", "TabSheet1"),
        Edit("Koef_Omega_Yaw", "Демпфирование РН", "TabSheet1"),
        SignFlag("Board_Reverse_Pitch", "Реверс Pitch", "GroupBox1"),
        SignFlag("Board_Reverse_Roll", "Реверс Roll", "GroupBox1"),
        SignFlag("Board_Reverse_Yaw", "Реверс Yaw", "GroupBox1"),
        SignFlag("Servo_Reverse_Pitch_Out", "Реверс руля высоты", "GroupBox2"),
        SignFlag("Servo_Reverse_Roll_Right_Out", "Реверс элерона правого", "GroupBox2"),
        SignFlag("Servo_Reverse_Yaw_Out", "Реверс руля направления", "GroupBox2"),
        SignFlag("Servo_Reverse_Roll_Left_Out", "Реверс элерона левого", "GroupBox2"),
        SignFlag("Stick_Reverse_Pitch", "Реверс руля высоты", "GroupBox3"),
        SignFlag("Stick_Reverse_Roll", "Реверс элеронов", "GroupBox3"),
        SignFlag("Stick_Reverse_Yaw", "Реверс руля направления", "GroupBox3"),
        // Стабилизатор
        Spin("GAZ_minimum", "ГАЗ мин", 0, 1023, 0, "TabSheet2"),
        Spin("GAZ_Cruise", "ГАЗ круизный", 0, 1023, 0, "TabSheet2"),
        Spin("GAZ_maximum", "ГАЗ максимальный", 0, 1023, 0, "TabSheet2"),
        Edit("Baro_Altitude_InAir_Border", "Высота срабатывания детектора взлета", "TabSheet2"),
        Edit("Roll_Position_Stick_Max", "Макс. окл. элеронов в град", "TabSheet2"),
        Edit("Pitch_Position_Stick_Max", "Макс. откл. РВ в град", "TabSheet2"),
        Edit("Yaw_Position_Stick_Max", "Макс. откл. РН в град.", "TabSheet2"),
        Edit("Roll_Position_Danger", "Угол опасности по крену", "TabSheet2"),
        Edit("Pitch_Position_Danger", "Угол опасности по тангажу", "TabSheet2"),
        Flag("Flight_Logs_Allowed", "Включить полетные логи", "TabSheet2"),
        // Автонавигация                                                     unit
        Edit("GAZ_Cruise_delta", "Базовая дельта изменения газа", "TabSheet3"),
        Edit("Home_Point_alt", "Высота полета возле БАЗЫ", "TabSheet3", "м"),
        Edit("Take_Altitude_Max_Angles", "Максимальный угол тангажа при наборе высоты", "TabSheet3",
             "град"),
        Edit("Kurs_Roll_To_Pitch_Koef", "Коэф. преобразования  подъема РВ от крена", "TabSheet3"),
        Edit("Take_Kurs_Roll_Max_Angles", "Максимальный крен в виражном маневрировании",
             "TabSheet3", "град"),
        Edit("Nav_Critical_Altitude_Low_Border", "Нижний порог по  коридору высотной опасности",
             "TabSheet3", "м"),
        Edit("Nav_Critical_Altitude_Upper_Border", "Верхний порог по  коридору высотной опасности",
             "TabSheet3", "м"),
        Edit("Target_Reached_Radius", "Радиус достижения цели навигации", "TabSheet3", "м"),
        Edit("Target_Altitude_Corridor", "Коридор достижения и удержания высоты", "TabSheet3", "м"),
        Edit("Soft_Kurs_Keeping_Border", "Сектор удержания курса РН", "TabSheet3", "град"),
        Edit("Auto_Trim_Max_Values", "Макс. значение автотриммеровки по крену", "TabSheet3",
             "град"),
        Edit("Adaptive_Roll_Brake_Period", "Тау обр. связи детектора адаптации к поворотам",
             "TabSheet3", "сек"),
        Edit("Low_Critical_Speed", "Минимальная безопасная скорость", "TabSheet3", "км/ч"),
        Edit("Upper_Critical_Speed", "Максимальная безопасная скорость", "TabSheet3", "км/ч"),
        Edit("Turn_Damp_Amplifier", "Курсовой демпфер при повороте", "TabSheet3"),
        // Тесты, настройка
        Flag("Nav_Test_Mode", "Включить тестовый режим", "TabSheet4"),
        Choice("Current_Autopilot_Mode", "Установить режим ",
               {"Неопределенный", "Ручное управление", "Стабилизатор", "Возврат на БАЗУ"},
               "TabSheet4"),
        Edit("Test_Alt", "Тестовая высота", "TabSheet4", "м"),
        Edit("Test_Alt_Spd", "Тестовые показания вариометра", "TabSheet4", "м/с"),
        Edit("Test_Lat", "Тестовая широта", "TabSheet4"),
        Edit("Test_Lon", "Тестовая долгота", "TabSheet4"),
        Edit("Test_Aileron", "Тестовое отклонение элеронов", "TabSheet4", "град"),
        Edit("Test_Elevator", "Тестовое отклонение руля высоты", "TabSheet4", "град"),
        Edit("Test_Ruder", "Тестовое отклонение руля направления", "TabSheet4", "град"),
    };
    return table;
}

namespace {
QGroupBox* FlagGroup(const char* name, const QString& title, TParamFormBuilder& builder) {
    auto* box = new QGroupBox(title);
    box->setObjectName(name);
    auto* grid = new QGridLayout(box);
    builder.AddGrid(name, grid);
    return box;
}
} // namespace

TWinStabControl::TWinStabControl(QWidget* parent)
    : TParamWindow("Настройка параметров стабилизатора", true, parent) {
    TParamFormBuilder builder;
    auto* tabs = new QTabWidget;
    tabs->setObjectName("PageControl1");

    QVBoxLayout* page1;
    AddGridPage(tabs, "TabSheet1", "Рули и чувствительность", builder, 1, &page1);
    auto* groups = new QHBoxLayout;
    groups->addWidget(FlagGroup("GroupBox1", "Ориентация платы внутри самолета", builder));
    groups->addWidget(FlagGroup("GroupBox2", "Отклонения рулей от наклонов платформы", builder));
    groups->addWidget(FlagGroup("GroupBox3", "Отклонения рулей от движения джойстиков", builder));
    page1->addLayout(groups);
    page1->addStretch(1);
    AddGridPage(tabs, "TabSheet2", "Стабилизатор", builder);
    AddGridPage(tabs, "TabSheet3", "Автонавигация", builder);
    AddGridPage(tabs, "TabSheet4", "Тесты, настройка", builder);
    builder.Build(Table());

    auto* v = new QVBoxLayout(Content());
    v->addWidget(MakeHeading(windowTitle(), "Label1", THeading::Settings));
    v->addWidget(tabs, 1);
    InitBinding(Config(), builder);
}
