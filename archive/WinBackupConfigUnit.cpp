#include "archive/WinBackupConfigUnit.h"

#include "archive/ArchiveWidgets.h"
#include "archive/ConfigExport.h"
#include "ui/BoardAccess.h"
#include "ui/Dialogs.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

QPointer<TWinBackupConfig> WinBackupConfig;

TWinBackupConfig::TWinBackupConfig(QWidget* parent) : TArchiveWindow(parent) {
    setWindowTitle("Выгрузка текущей конфигурации");
    auto* panel = new QWidget;
    panel->setObjectName("Panel1");
    FitCaption(this, Body());
    auto* outer = new QVBoxLayout(Body());
    outer->addWidget(panel);
    auto* v = new QVBoxLayout(panel);
    v->addWidget(MakeHeading("Сохранить резервную копию", "Label3"));
    v->addWidget(MakeHeading("текущей конфигурации", "Label1"));
    v->addSpacing(8);
    v->addWidget(MakeLabel("Выберите файл", "Label2"));
    const TFileRow row = MakeFileRow();
    FileName = row.FileName;
    SpeedButton1 = row.SpeedButton1;
    v->addWidget(row.Row);
    v->addWidget(MakeRun("Выгружено секунд:", true));
    v->addStretch(1);
    const TOkCancelRow okCancel = MakeOkCancelRow();
    BitBtn1 = okCancel.BitBtn1;
    BitBtn2 = okCancel.BitBtn2;
    v->addWidget(okCancel.Row);

    connect(SpeedButton1, &QToolButton::clicked, this, &TWinBackupConfig::SpeedButton1Click);
    connect(BitBtn1, &QPushButton::clicked, this, &TWinBackupConfig::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TWinBackupConfig::BitBtn2Click);
}

void TWinBackupConfig::SpeedButton1Click() {
    const QString name =
        Dialogs().SaveFileName("Выберите файл", "*.cfg (*.cfg);;*.txt (*.txt);;*.* (*)", "cfg");
    if (!name.isEmpty())
        FileName->setText(name);
}

void TWinBackupConfig::BitBtn1Click() {
    if (IsBusy())
        return;
    if (FileName->text().isEmpty()) {
        Dialogs().Message("Не задан файл для выгрузки");
        return;
    }
    TRunScope run(*this, {BitBtn1});
    if (!run.Held())
        return;
    Run->Start();
    const TArchiveResult r = ExportConfig(MainForm->Link(), FileName->text(), Hooks());
    Run->Finish(!r.Ok());
    run.End();
    if (r.Ok())
        Dialogs().Message("Выгрузка конфигурации завершена" + r.WrittenNoteRu());
    else
        Report(r);
}
