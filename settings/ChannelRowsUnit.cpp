#include "settings/ChannelRowsUnit.h"

#include "link/Proc.h"

namespace {
QStringList ChannelItems() {
    QStringList items{"-"};
    for (int i = 1; i <= 24; ++i)
        items << QString::number(i);
    return items;
}

QStringList FunctionItems() {
    return {"Не используется", "Газ",          "Элерон правый",
            "Элерон левый",    "Руль высоты",  "Руль направления",
            "Ручной режим",    "Стабилизатор", "Возврат",
            "Миссия",          "Потеря связи", "Дизарм дигателя",
            "Сброс миссии"};
}

QStringList OutputTypeItems() {
    QStringList items{"Не используется", "Газ",         "Элерон правый",
                      "Элерон левый",    "Руль высоты", "Руль направления"};
    for (int t = 6; t <= 15; ++t)
        items << QString("Тип %1").arg(t);
    return items;
}

TRowColumn Choice(const QByteArray& name, const QString& heading, const QStringList& items,
                  int laterPageItems = 0) {
    TRowColumn c;
    c.Name = name;
    c.Heading = heading;
    c.Items = items;
    c.LaterPageItems = laterPageItems;
    return c;
}

TRowColumn Spin(const QByteArray& name, const QByteArray& buddy, const QString& heading, int min,
                int max, int def) {
    TRowColumn c;
    c.Name = name;
    c.Buddy = buddy;
    c.Heading = heading;
    c.Min = min;
    c.Max = max;
    c.Default = def;
    return c;
}
} // namespace

const TRowTable& InputTable() {
    static const TRowTable t{"cat control in\r\n",
                             "set ch_in  ",
                             {"TabSheet4", "TabSheet5"},
                             24,
                             12,
                             {Choice("InType_", "Воздействие", FunctionItems()),
                              Choice("ChNumber_", "Канал", ChannelItems()),
                              Spin("V_Min_UpDown_", "V_Min_", "Минимум", 900, 2100, 1000),
                              Spin("V_Cent_UpDown_", "V_Cent_", "Нейтраль", 900, 2100, 1500),
                              Spin("V_Max_UpDown_", "V_Max_", "Максимум", 900, 2100, 2000)}};
    return t;
}

const TRowTable& OutputTable() {
    static const TRowTable t{
        "cat control out\r\n",
        "set ch_out  ",
        {"TabSheet6", "TabSheet7"},
        24,
        12,
        {Choice("OutType_", "Воздействие", OutputTypeItems(), 6),
         Choice("Out_ChNumber_", "Канал", ChannelItems()),
         Spin("Out_V_Min_UpDown_", "Out_V_Min_", "Минимум", 900, 2100, 1000),
         Spin("Out_V_Cent_UpDown_", "Out_V_Cent_", "Нейтраль", 900, 2100, 1500),
         Spin("Out_V_Max_UpDown_", "Out_V_Max_", "Максимум", 900, 2100, 2000)}};
    return t;
}

const TRowTable& MixerTable() {
    static const TRowTable t{"cat control mixers\r\n",
                             "set mix  ",
                             {"TabSheet3"},
                             15,
                             0,
                             {Spin("Mix_G_UD_", "Mix_G_", "Газ", -150, 150, 100),
                              Spin("Mix_RE_UD_", "Mix_RE_", "Прав. эл", -150, 150, 100),
                              Spin("Mix_LE_UD_", "Mix_LE_", "Лев. эл", -150, 150, 100),
                              Spin("Mix_ELE_UD_", "Mix_ELE_", "РВ", -150, 150, 100),
                              Spin("Mix_RUD_UD_", "Mix_RUD_", "РН", -150, 150, 100)}};
    return t;
}

int InputItemFromCode(int code) {
    return code > 5 ? code - 4 : code;
}

int InputCodeFromItem(int item) {
    return item > 5 ? item + 4 : item;
}

bool InputCodeShown(int code) {
    return code < 6 || code > 9;
}

bool ParseRowLine(const QByteArray& line, TRowLine& row) {
    QByteArray name, value;
    if (SplitParamLine(line, name, value))
        return false;
    QByteArray text = Trim(line);
    text.replace('\t', ' ');
    if (text.startsWith('#'))
        return false;
    const qsizetype colon = text.indexOf(':');
    if (colon < 0)
        return false;
    row.Index = text.left(colon);
    QByteArray rest = Trim(text.mid(colon + 1));
    for (int i = 0; i < 4; ++i) {
        const qsizetype blank = rest.indexOf(' ');
        if (blank < 0)
            return false;
        row.Fields[i] = rest.left(blank);
        rest = Trim(rest.mid(blank + 1));
    }
    row.Fields[4] = rest;
    return !rest.isEmpty();
}

QByteArray RowCommand(const QByteArray& setCommand, int index, const int values[5]) {
    QByteArray line = setCommand + QByteArray::number(index);
    for (int i = 0; i < 5; ++i)
        line += ' ' + QByteArray::number(values[i]);
    return line + "\r\n";
}

QByteArray MixerCommand(int mixer, int column, int value) {
    return MixerTable().SetCommand + QByteArray::number(mixer) + ' ' + QByteArray::number(column) +
           ' ' + QByteArray::number(value) + "\r\n";
}
