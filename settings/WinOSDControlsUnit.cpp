#include "settings/WinOSDControlsUnit.h"
#include "ui/FormPieces.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

QPointer<TWinOSDControls> WinOSDControls;

const TBindingConfig& TWinOSDControls::Config() {
    static const TBindingConfig config{
        "cat osd\r\n", "reset osd\r\n", {}, KindChoice | KindSpin | KindFlag, true};
    return config;
}

const TParamTable& TWinOSDControls::Table() {
    using namespace Def;
    static const TParamTable table = {
        // Panel1           parameter, label, range or choices, default
        Choice("OSD_Resolution_Mode", "Тип графики",
               {"Низкое разрешение, простая графика", "Высокое разрешение, улучшенная графика"},
               "Panel1"),
        Spin("OSD_Comp_Voltage", "Синхронизация", 0, 255, 46, "Panel1"),
        Spin("OSD_Left_offset", "Отступ слева", 0, 32767, 46, "Panel1"),
        Spin("OSD_Top_lines_offset", "Отступ сверху", 0, 32767, 46, "Panel1"),
        Choice("osd_lang", "Язык", {"Английский", "Русский"}, "Panel1"),

        // TabSheet1: Видимость элементов OSD
        Flag("OSD_Show_Horizon", "Индикатор горизонта", "TabSheet1"),
        Flag("OSD_Show_Altitude", "Шкала высоты", "TabSheet1"),
        Flag("OSD_Show_Ground_Speed", "Скорость относительно земли", "TabSheet1"),
        Flag("OSD_Show_Course", "Компас", "TabSheet1"),
        Flag("OSD_Show_Vario", "Вариометр", "TabSheet1"),
        Flag("OSD_GPS_Status", "GPS спутники", "TabSheet1"),
        Flag("OSD_GPS_Latitude", "Широта по GPS", "TabSheet1"),
        Flag("OSD_GPS_Longitude", "Долгота по GPS", "TabSheet1"),
        Flag("OSD_RSSI", "Индикатор RSSI", "TabSheet1"),
        Flag("OSD_Home_Compass", "Стрелка полета на БАЗУ", "TabSheet1"),
        Flag("OSD_Home_Distance", "Расстояние до БАЗЫ", "TabSheet1"),
        Flag("OSD_Target_Distance", "Расстояние до ЦЕЛИ миссии", "TabSheet1"),
        Flag("OSD_Main_Bat_Volt", "Напряжение основной батареи", "TabSheet1"),
        Flag("OSD_Main_Bat_Current", "Ток основной батареи", "TabSheet1"),
        Flag("OSD_Main_Bat_Current_Capacity", "Израсходованная емкость основной батареи",
             "TabSheet1"),
        Flag("OSD_Second_Bat_Volt", "Напряжение на второй батарее", "TabSheet1"),
        Flag("OSD_Third_Bat_Volt", "Напряжение на третьей батарее", "TabSheet1"),
        Flag("OSD_Flight_Mode", "Текущий режим полета", "TabSheet1"),
        Flag("OSD_Air_Speed", "Скорость относительно воздуха", "TabSheet1"),
        Flag("OSD_Debug_Params", "Команды рулей в авт. режиме полета (DEBUG)", "TabSheet1"),
        Flag("OSD_Flight_Time", "Время полета после взлета", "TabSheet1"),
        Flag("OSD_Home_Radar", "Радар расположения БАЗЫ (Adv OSD Only)", "TabSheet1"),
        Flag("OSD_Show_Outline_Border", "Засветить рамку границ экрана OSD", "TabSheet1"),
        Flag("OSD_Force_Show",
             "Принудительно засветить все элементы OSD для точной настройки расположения "
             "элементов на экране",
             "TabSheet1"),

        // TabSheet2: positions, low resolution      base, label, range, default
        PositionPair("RSSI", "RSSI индикатор", 0, 1000, 46, "TabSheet2"),
        PositionPair("Main_Bat", "Основная батарея", 0, 1000, 46, "TabSheet2"),
        PositionPair("GPS_Status", "GPS Спутники", 0, 1000, 46, "TabSheet2"),
        PositionPair("Current", "Ток осн. батареи", 0, 1000, 46, "TabSheet2"),
        PositionPair("Air_Speed", "Скорость отн. воздуха", 0, 1000, 46, "TabSheet2"),
        PositionPair("Capacity", "Емкость израсходованная", 0, 1000, 46, "TabSheet2"),
        PositionPair("Dist_To_Target", "Расстояние до цели", 0, 1000, 46, "TabSheet2"),
        PositionPair("Dist_To_Home", "Расстояние до БАЗЫ", 0, 1000, 46, "TabSheet2"),
        PositionPair("Home_Indicator", "Индикатор направления на БАЗУ", 0, 1000, 46, "TabSheet2"),
        PositionPair("Latitude", "Широта по GPS", 0, 1000, 46, "TabSheet2"),
        PositionPair("Longitude", "Долгота по GPS", 0, 1000, 46, "TabSheet2"),
        PositionPair("Variometer", "Вариометр", 0, 1000, 46, "TabSheet2"),
        PositionPair("Second_Bat", "Вторая батарея", 0, 1000, 46, "TabSheet2"),
        PositionPair("Third_Bat", "Третья батарея", 0, 1000, 46, "TabSheet2"),
        PositionPair("Start_Mode", "Режим подготовки к полету", 0, 1000, 46, "TabSheet2"),

        // TabSheet3: positions, high resolution
        PositionPair("Adv_Altitude", "Шкала высоты", 0, 1000, 46, "TabSheet3"),
        PositionPair("Adv_Speed", "Шкала скорости", 0, 1000, 46, "TabSheet3"),
        PositionPair("Adv_Compass", "Компас", 0, 1000, 46, "TabSheet3"),
        PositionPair("Adv_Home_Arrow", "Индикатор направления на  БАЗУ", 0, 1000, 46, "TabSheet3"),
        PositionPair("Adv_Home_Icon", "Иконка БАЗЫ", 0, 1000, 46, "TabSheet3"),
        PositionPair("Adv_Home_Dist", "Расстояние до БАЗЫ", 0, 1000, 46, "TabSheet3"),
        PositionPair("Adv_Target_Dist", "Расстояние до ЦЕЛИ", 0, 1000, 46, "TabSheet3"),
        PositionPair("Adv_RSSI_Icon", "Индикатор RSSI", 0, 1000, 46, "TabSheet3"),
        PositionPair("Adv_RSSI_Digit", "Значение RSSI", 0, 1000, 46, "TabSheet3"),
        PositionPair("Adv_Main_Bat", "Напряжение осн. батареи", 0, 1000, 46, "TabSheet3"),
        PositionPair("Adv_Air_Speed", "Скорость относительно воздуха", 0, 1000, 46, "TabSheet3"),
        PositionPair("Adv_Current", "Ток основной батареи", 0, 1000, 46, "TabSheet3"),
        PositionPair("Adv_Capacity", "Израсх. емкость осн. батареи", 0, 1000, 46, "TabSheet3"),
        PositionPair("Adv_Second_Bat", "Напряжение второй батареи", 0, 1000, 46, "TabSheet3"),
        PositionPair("Adv_Third_Bat", "Напряжение третьей батареи", 0, 1000, 46, "TabSheet3"),
        PositionPair("Adv_GPS_State", "Состояние GPS", 0, 1000, 46, "TabSheet3"),
        PositionPair("Adv_Latitude", "Широта по GPS", 0, 1000, 46, "TabSheet3"),
        PositionPair("Adv_Longitude", "Долгота по GPS", 0, 1000, 46, "TabSheet3"),
        PositionPair("Adv_FS_Alarm", "Тревога FS", 0, 1000, 46, "TabSheet3"),
        PositionPair("Adv_AP_Flight_Mode", "Режим полета", 0, 1000, 46, "TabSheet3"),
        PositionPair("Adv_AP_Nav_Mode", "Режим навигации", 0, 1000, 46, "TabSheet3"),
        PositionPair("Adv_AP_Air_State", "Режим готовности", 0, 1000, 46, "TabSheet3"),
        PositionPair("Adv_AP_Air_State_Pict", "Иконка режима готовности", 0, 1000, 46, "TabSheet3"),
        PositionPair("Adv_Log_Time", "Время логов", 0, 1000, 46, "TabSheet3"),
        PositionPair("Adv_Dbg_Params", "Значения рулей, авт. полет", 0, 1000, 46, "TabSheet3"),
        PositionPair("Adv_Vario", "Вариометр", 0, 1000, 46, "TabSheet3"),
        PositionPair("Adv_Flight_Time", "Полное время полета", 0, 1000, 46, "TabSheet3"),
        Choice("Adv_Horizon_Type", "Тип шкалы горизонта", {"Тип 1", "Тип 2"}, "TabSheet3"),
    };
    return table;
}

TWinOSDControls::TWinOSDControls(QWidget* parent)
    : TParamWindow("Настройка OSD", true, parent), PageControl1(new QTabWidget) {
    TParamFormBuilder builder;
    QVBoxLayout* top;
    QWidget* panel1 = MakeGridContainer("Panel1", builder, 1, &top);
    top->insertWidget(0, MakeHeading("Настройка OSD", "Label1", THeading::Settings));
    auto* reset = new QPushButton("Общий сброс OSD", panel1);
    reset->setObjectName("SpeedButton1");
    connect(reset, &QPushButton::clicked, this, [this] { SpeedButton1Click(); });
    top->addWidget(reset, 0, Qt::AlignLeft);

    PageControl1->setObjectName("PageControl1");
    AddGridPage(PageControl1, "TabSheet1", "Видимость элементов OSD", builder, 2);
    AddGridPage(PageControl1, "TabSheet2", "Расположение элементов OSD на экране", builder, 2);
    AddGridPage(PageControl1, "TabSheet3", "Расположение элементов OSD на экране", builder, 2);
    builder.Build(Table());

    auto* panel3 = new QWidget;
    panel3->setObjectName("Panel3");
    auto* p3 = new QVBoxLayout(panel3);
    p3->setContentsMargins(0, 0, 0, 0);
    p3->addWidget(PageControl1);

    auto* v = new QVBoxLayout(Content());
    v->setContentsMargins(0, 0, 0, 0);
    v->addWidget(panel1);
    v->addWidget(panel3, 1);
    InitBinding(Config(), builder);
}

void TWinOSDControls::ShowPositionPage() {
    auto* mode = Content()->findChild<QComboBox*>("OSD_Resolution_Mode");
    const bool low = mode->currentIndex() == 0;
    QWidget* low2 = Content()->findChild<QWidget*>("TabSheet2");
    QWidget* high3 = Content()->findChild<QWidget*>("TabSheet3");
    PageControl1->setTabVisible(PageControl1->indexOf(low2), low);
    PageControl1->setTabVisible(PageControl1->indexOf(high3), !low);
}
