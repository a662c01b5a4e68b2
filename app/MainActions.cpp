#include "app/MainActions.h"

namespace {
constexpr TMenuId Act = TMenuId::Actions;
constexpr TMenuId Set = TMenuId::Setup;
constexpr TMenuId Cal = TMenuId::Calibrations;
constexpr TMenuId Mon = TMenuId::Monitoring;
constexpr TMenuId Win = TMenuId::Windows;
constexpr TMenuId Hlp = TMenuId::Help;
constexpr TActionKind Conn = TActionKind::Connect;
constexpr TActionKind Dev = TActionKind::Device;
constexpr TActionKind Any = TActionKind::Always;
} // namespace

// clang-format off
const TActionDef MainActions[] = {
    // name                    caption                                  hint                                 menu sep  bar kind icon
    {"ActionConnect",          "Соединиться",                           "Соединиться с устройством",         Act, false, 11, Conn, TIconId::Connect},
    {"ActionDebugWin",         "Монитор COM порта",                     nullptr,                             Act, true,   0, Dev,  TIconId::None},
    {"ActionExportConfig",     "Выгрузить текущую конфигурацию",        "Выгрузить текущую конфигурацию",    Act, false, 21, Dev,  TIconId::Export},
    {"ActionLoadConfig",       "Загрузить конфигурацию",                "Загрузить конфигурацию",            Act, false, 22, Dev,  TIconId::Load},
    {"ActionExportLogs",       "Выгрузить полетные логи",               nullptr,                             Act, false,  0, Dev,  TIconId::None},
    {"ActionViewLog",          "Просмотр журнала полёта…",              nullptr,                             Act, true,   0, Any,  TIconId::None},
    {"ActionSaveSettings",     "Сохранение настроек",                   "Сохранение настроек",               Act, true,  12, Dev,  TIconId::Save},
    {"FileExitItem",           "Выход",                                 nullptr,                             Act, false,  0, Any,  TIconId::None},
    {"ActionWinHardConfig",    "Аппаратная конфигурация",               nullptr,                             Set, false,  0, Dev,  TIconId::None},
    {"Action_OSD_Settings",    "Настройка OSD",                         "Настрока OSD",                      Set, false, 33, Dev,  TIconId::Osd},
    {"ActionADCSettings",      "Настройка АЦП каналов",                 "Настройка АЦП каналов",             Set, false, 34, Dev,  TIconId::Adc},
    {"ActionChannelControls",  "Настройки каналов",                     "Настройки каналов",                 Set, false, 32, Dev,  TIconId::Channels},
    {"ActionBatParams",        "Параметры батарей",                     "Параметры батарей",                 Set, false, 35, Dev,  TIconId::Battery},
    {"ActionStabControls",     "Параметры стабилизатора",               "Параметры стабилизатора",           Set, false, 31, Dev,  TIconId::Stab},
    {"ActionAllParams",        "Все параметры",                         "Все параметры",                     Set, false, 37, Dev,  TIconId::AllParams},
    {"ActionJournal",          "Журнал изменений",                      "Журнал изменений",                  Set, false, 38, Any,  TIconId::Journal},
    {"ActionIMU_Settings",     "Настройка IMU",                         nullptr,                             Cal, false,  0, Dev,  TIconId::None},
    {"ActionCalibrate",        "Калибровка MEMS датчиков",              "Калибровка MEMS датчиков",          Cal, false, 36, Dev,  TIconId::Calibrate},
    {"ActionMonGyro",          "Монитор данных гироскопа",              nullptr,                             Mon, false,  0, Dev,  TIconId::None},
    {"ActionMonAccel",         "Монитор данных акселерометра",          nullptr,                             Mon, false,  0, Dev,  TIconId::None},
    {"ActionMonBaro",          "Монитор данных барометра",              nullptr,                             Mon, false,  0, Dev,  TIconId::None},
    {"ActionMonMag",           "Монитор данных магнетометра",           nullptr,                             Mon, false,  0, Dev,  TIconId::None},
    {"ActionMonStab",          "Мониторинг состояния стабилизатора",    nullptr,                             Mon, false,  0, Dev,  TIconId::None},
    {"ActionMonImu",           "Мониторинг работы IMU",                 nullptr,                             Mon, false,  0, Dev,  TIconId::None},
    {"ActionMonGps",           "Мониторинг работы GPS",                 nullptr,                             Mon, false,  0, Dev,  TIconId::None},
    {"WindowCascade1",         "&Cascade",                              nullptr,                             Win, false,  0, Any,  TIconId::None},
    {"WindowTileHorizontal1",  "Tile &Horizontally",                    nullptr,                             Win, false,  0, Any,  TIconId::None},
    {"WindowTileVertical1",    "Tile &Vertically",                      nullptr,                             Win, false,  0, Any,  TIconId::None},
    {"WindowMinimizeAll1",     "&Minimize All",                         nullptr,                             Win, false,  0, Any,  TIconId::None},
    {"WindowArrangeAll1",      "&Arrange All",                          nullptr,                             Win, false,  0, Any,  TIconId::None},
    {"HelpAbout1",             "&About...",                             "About",                             Hlp, false,  0, Any,  TIconId::None},
};
// clang-format on

const int MainActionCount = static_cast<int>(std::size(MainActions));

const char* const MenuCaptions[] = {"Действия",   "Настройка", "Калибровки",
                                    "Мониторинг", "Окна",      "О программе"};
