#include "settings/WinAdcSettingsUnit.h"
#include "ui/FormPieces.h"

#include "ui/BoardAccess.h"

#include "link/Proc.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

QPointer<TWinAdcSettings> WinAdcSettings;

const TAdcKey AdcKeys[9] = {
    {"BAT1=", "ADC_Main_bat"}, {"BAT2=", "ADC_Second_bat"}, {"BAT3=", "ADC_Third_bat"},
    {"RSSI=", "RSSI_Volt"},    {"AIR=", "AIR_Volt"},        {"CurV=", "CUR_Volt"},
    {"CurI=", "Cur_cur"},      {"Cur_Used=", "Cur_used"},   {"AIR_Speed=", "AIR_Speed"},
};

QList<std::optional<QByteArray>> ParseAdcPayload(const QByteArray& payload) {
    QList<std::optional<QByteArray>> out;
    QByteArray s = payload;
    for (const TAdcKey& k : AdcKeys) {
        const qsizetype at = s.indexOf(k.Key);
        if (at < 0) {
            out.append(std::nullopt);
            continue;
        }
        s = s.mid(at + qstrlen(k.Key));
        if (qstrcmp(k.Key, "AIR_Speed=") == 0) {
            out.append(s);
            continue;
        }
        const qsizetype blank = s.indexOf(' ');
        out.append(blank < 0 ? QByteArray("") : s.left(blank + 1));
    }
    return out;
}

const TBindingConfig& TWinAdcSettings::Config() {
    static const TBindingConfig config{
        "cat adc_settings\r\n", {}, {}, KindEdit | KindChoice | KindSpin | KindFlag};
    return config;
}

const TParamTable& TWinAdcSettings::Table() {
    using namespace Def;
    static const TParamTable table = {
        Edit("MainBattery_C1", "АЦП ОБ S1", "Panel2"),
        Edit("MainBattery_C2", "АЦП ОБ S2", "Panel2"),
        Edit("MainBattery_C3", "АЦП ОБ S3", "Panel2"),
        Edit("SecondBattery_C", "АЦП Вторая батарея", "Panel2"),
        Edit("ThirdBattery_C", "АЦП Третья батарея", "Panel2"),
        Edit("AirSens_C", "АЦП Датчика ВС", "Panel2"),
        // ВС = K * АЦП ВС + B
        Edit("AIR_Speed_Koef_K", "ВС = ", "Panel2", "* АЦП ВС + "),
        SameRow(Edit("AIR_Speed_Koef_B", "", "Panel2")),
        Edit("Air_Speed_Zero_Level", "ВС уровень НОЛЬ", "Panel2"),
        Edit("RssiSens_C", "АЦП RSSI", "Panel2"),
        Edit("Rssi_Sens_Max_V", "RSSI max", "Panel2"),
        Edit("Rssi_Sens_Min_V", "RSSI min", "Panel2"),
        Edit("CurrentSens_C", "АЦП Датчика тока", "Panel2"),
        // ТОК = K * АЦП ТОКА + B
        Edit("CurrentSens_K", "ТОК = ", "Panel2", "* АЦП ТОКА + "),
        SameRow(Edit("CurrentSens_B", "", "Panel2")),
    };
    return table;
}

namespace {
// The live readings in screen order: label name and the caption beside it.
const struct {
    const char* Label;
    const char* Caption;
} ReadingRows[9] = {
    {"ADC_Main_bat", "ОБ S3:"},      {"ADC_Second_bat", "Бат 2:"},   {"ADC_Third_bat", "Бат 3:"},
    {"RSSI_Volt", "Датчик RSSI:"},   {"AIR_Volt", "Датчик ВС:"},     {"AIR_Speed", "Скорость:"},
    {"CUR_Volt", "Датчик тока, U:"}, {"Cur_cur", "Датчик тока, I:"}, {"Cur_used", "Исп. емкость:"},
};
} // namespace

TWinAdcSettings::TWinAdcSettings(QWidget* parent)
    : TParamWindow("Настройка АЦП", true, parent), Timer1(new QTimer(this)) {
    TParamFormBuilder builder;
    QVBoxLayout* column;
    QWidget* panel = MakeGridContainer("Panel2", builder, 1, &column);
    column->insertWidget(0, MakeHeading("Настройка АЦП каналов", "Label1", THeading::Settings));
    column->addStretch(1);
    builder.Build(Table());

    auto* live = new QGroupBox("Текущие показания:");
    live->setObjectName("GroupBox1");
    auto* grid = new QGridLayout(live);
    for (int row = 0; row < 9; ++row) {
        auto* value = new QLabel(ReadingRows[row].Label);
        value->setObjectName(ReadingRows[row].Label);
        QFont f = value->font();
        f.setBold(true);
        value->setFont(f);
        value->setMinimumWidth(80);
        grid->addWidget(new QLabel(ReadingRows[row].Caption), row, 0);
        grid->addWidget(value, row, 1);
        for (int k = 0; k < 9; ++k)
            if (qstrcmp(AdcKeys[k].Label, ReadingRows[row].Label) == 0)
                m_readings[k] = value;
    }
    auto* integ = new QPushButton("Запустить интегратор тока");
    integ->setObjectName("SpeedButton1");
    connect(integ, &QPushButton::clicked, this, [this] { SpeedButton1Click(); });
    grid->addWidget(integ, 9, 0, 1, 2);
    grid->setRowStretch(10, 1);

    auto* h = new QHBoxLayout(Content());
    h->setContentsMargins(0, 0, 0, 0);
    h->addWidget(panel, 1);
    h->addWidget(live);
    InitBinding(Config(), builder);

    Timer1->setObjectName("Timer1");
    Timer1->setInterval(250);
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
    Timer1->start();
}

TWinAdcSettings::~TWinAdcSettings() {
    StopStream(); // a window torn down without a close event
}

bool TWinAdcSettings::FormCreate() {
    bool keep;
    try {
        keep = TParamWindow::FormCreate();
    } catch (const EConvertError&) {
        StartStream(); // the window opens all the same
        throw;
    }
    if (keep)
        StartStream();
    return keep;
}

void TWinAdcSettings::FormClose() {
    StopStream();
}

void TWinAdcSettings::StartStream() {
    // A turn of its own right after the opening listing's: the window shows
    // its values at once and the readings follow. A stream switch the board
    // did not confirm may still have gone out, so it is switched off on
    // closing.
    MainForm->Link().WhenFree(this, [this] {
        TRequest r;
        r.Commands = {"mon on adc_values\r\n"};
        const TAnswer a = MainForm->Request(r);
        m_streamOn = a.End != TAnswerEnd::Busy && a.End != TAnswerEnd::Unsettled;
    });
}

void TWinAdcSettings::StopStream() {
    if (!m_streamOn || !MainForm)
        return;
    m_streamOn = false;
    SendWhenFree("mon off adc_values\r\n");
}

void TWinAdcSettings::Timer1Timer() {
    if (!MainForm)
        return;
    const QList<std::optional<QByteArray>> texts = ParseAdcPayload(MainForm->AdcData());
    for (int k = 0; k < 9; ++k)
        if (texts[k])
            m_readings[k]->setText(QString::fromLatin1(*texts[k]));
}

void TWinAdcSettings::SpeedButton1Click() {
    SendToBoard({"start current_integ\r\n"});
}
