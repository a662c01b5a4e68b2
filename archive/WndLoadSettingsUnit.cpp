#include "archive/WndLoadSettingsUnit.h"

#include "archive/ArchiveWidgets.h"
#include "archive/ConfigLoad.h"
#include "ui/Dialogs.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

QPointer<TWndLoadSettings> WndLoadSettings;

namespace {
// The check boxes as they stand on screen, in three groups.
const char* const BoxGroups[3][5] = {
    {"IMU", "gyro", "mag", nullptr, nullptr},
    {"stab", "wp", "osd", "adc", "bat"},
    {"control_in", "control_out", "control_mix", nullptr, nullptr},
};
} // namespace

TWndLoadSettings::TWndLoadSettings(QWidget* parent) : TTaskWindow(parent) {
    setWindowTitle("Загрузка конфигурации");
    auto* panel = new QWidget;
    panel->setObjectName("Pannel1");
    FitCaption(this, Body());
    auto* outer = new QVBoxLayout(Body());
    outer->addWidget(panel);
    auto* v = new QVBoxLayout(panel);
    v->addWidget(MakeHeading("Загрузить настройки из резервной", "Label3"));
    v->addWidget(MakeHeading("копии конфигурации", "Label1"));
    v->addSpacing(8);
    v->addWidget(MakeLabel("Выберите файл", "Label2"));
    const TFileRow row = MakeFileRow();
    FileName = row.FileName;
    SpeedButton1 = row.SpeedButton1;
    v->addWidget(row.Row);
    for (int i = 0; i < 11; ++i) {
        Boxes[i] = new QCheckBox(QString::fromUtf8(LoadSections[i].Caption));
        Boxes[i]->setObjectName(LoadSections[i].Box);
    }
    for (const auto& group : BoxGroups) {
        v->addSpacing(6);
        for (const char* name : group)
            if (name)
                v->addWidget(Boxes[LoadSectionByBox(name)]);
    }
    v->addSpacing(6);
    Run = new TRunIndicator("Загружено строк:", true);
    v->addWidget(Run);
    v->addStretch(1);
    BitBtn1 = new QPushButton("Загрузка");
    BitBtn1->setObjectName("BitBtn1");
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton("Отмена");
    BitBtn2->setObjectName("BitBtn2");
    auto* buttons = new QDialogButtonBox;
    buttons->addButton(BitBtn1, QDialogButtonBox::AcceptRole);
    buttons->addButton(BitBtn2, QDialogButtonBox::RejectRole);
    buttons->setCenterButtons(true);
    v->addWidget(buttons);

    connect(SpeedButton1, &QToolButton::clicked, this, &TWndLoadSettings::SpeedButton1Click);
    connect(BitBtn1, &QPushButton::clicked, this, &TWndLoadSettings::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TWndLoadSettings::BitBtn2Click);
    connect(Run, &TRunIndicator::StopClicked, this, [this] {
        m_stopPressed = true;
        RequestCancel();
    });
}

void TWndLoadSettings::SpeedButton1Click() {
    QString name = Dialogs().OpenFileName("Выберите файл", "*.cfg (*.cfg);;*.txt (*.txt);;*.* (*)");
    // A name typed without an extension means the .cfg file of that name.
    if (!name.isEmpty() && QFileInfo(name).suffix().isEmpty() && !QFileInfo::exists(name))
        name += ".cfg";
    if (!name.isEmpty())
        FileName->setText(name);
}

void TWndLoadSettings::BitBtn1Click() {
    if (IsBusy())
        return;
    const QString name = FileName->text();
    if (name.isEmpty() || !QFileInfo(name).isFile()) {
        Dialogs().Message("Не задан файл для загрузки");
        return;
    }
    TArchiveRunGuard guard;
    if (!guard.Acquired())
        return;
    BeginBusy();
    m_stopPressed = false;
    BitBtn1->setEnabled(false);
    Run->Start();
    const TArchiveResult r = LoadConfig(
        MainForm->Link(), name, [this](int s) { return Boxes[s]->isChecked(); },
        WindowRunHooks(this, Run));
    Run->Finish(!r.Ok());
    BitBtn1->setEnabled(true);
    EndBusy();
    if (r.Ok()) {
        Dialogs().Message("Загрузка конфигурации завершена");
    } else if (r.Status == TArchiveStatus::Cancelled || r.Status == TArchiveStatus::LinkLost) {
        // Lines already sent have changed the board: say how far it got.
        if (r.Status == TArchiveStatus::Cancelled && !m_stopPressed)
            return;
        const QString text =
            r.RussianText() + QStringLiteral("\nОтправлено строк: %1.").arg(r.Lines);
        if (r.Status == TArchiveStatus::Cancelled)
            Dialogs().Message(text);
        else
            Dialogs().Error(text);
    } else {
        ReportRun(r, m_stopPressed);
    }
}
