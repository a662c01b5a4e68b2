#include "archive/WinSaveSettingsUnit.h"

#include "archive/ArchiveRun.h"
#include "archive/ArchiveWidgets.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

QPointer<TWinSaveSettings> WinSaveSettings;

TWinSaveSettings::TWinSaveSettings(QWidget* parent) : TTaskWindow(parent) {
    setWindowTitle("Сохранение текуших настроек");
    auto* panel = new QWidget;
    panel->setObjectName("Panel1");
    FitCaption(this, Body());
    auto* outer = new QVBoxLayout(Body());
    outer->addWidget(panel);
    auto* v = new QVBoxLayout(panel);
    QLabel* l1 = MakeLabel("Сохранить текущие настройки АП", "Label1");
    QLabel* l2 = MakeLabel("перманентно на внутренней флешке ?", "Label2");
    l1->setAlignment(Qt::AlignHCenter);
    l2->setAlignment(Qt::AlignHCenter);
    v->addWidget(l1);
    v->addWidget(l2);
    v->addSpacing(8);
    CheckBox1 = new QCheckBox("Общие настройки");
    CheckBox1->setObjectName("CheckBox1");
    CheckBox2 = new QCheckBox("Настройки каналов и микшеров");
    CheckBox2->setObjectName("CheckBox2");
    v->addWidget(CheckBox1);
    v->addWidget(CheckBox2);
    v->addStretch(1);
    const TOkCancelRow okCancel = MakeOkCancelRow();
    BitBtn1 = okCancel.BitBtn1;
    BitBtn2 = okCancel.BitBtn2;
    v->addWidget(okCancel.Row);
    connect(BitBtn1, &QPushButton::clicked, this, &TWinSaveSettings::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TWinSaveSettings::BitBtn2Click);
}

void TWinSaveSettings::BitBtn1Click() {
    // Both stores in one conversation, "save config" first; the window
    // closes once the board has taken them (it stays open, the operator
    // told, when it did not or another operation holds the board).
    if (SendToBoard(SaveSettingsCommands(CheckBox1->isChecked(), CheckBox2->isChecked())))
        close();
}
