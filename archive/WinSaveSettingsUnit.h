#pragma once
// Asks the board to store its current settings in its flash: the general
// settings and/or the channel and mixer settings.

#include "ui/TaskWindow.h"

class QCheckBox;
class QPushButton;

class TWinSaveSettings : public TTaskWindow {
    Q_OBJECT
public:
    explicit TWinSaveSettings(QWidget* parent = nullptr);

    QCheckBox* CheckBox1;
    QCheckBox* CheckBox2;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;

    void BitBtn1Click();
    void BitBtn2Click() { close(); }
};

extern QPointer<TWinSaveSettings> WinSaveSettings;
