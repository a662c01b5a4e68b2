#include "archive/WndLoadSettingsUnit.h"
#include "parameters/JournalRecorder.h"

#include "archive/ArchiveWidgets.h"
#include "archive/AutoBackupUnit.h"
#include "archive/ConfigCompare.h"
#include "archive/ConfigExport.h"
#include "archive/ConfigLoad.h"
#include "ui/BoardAccess.h"
#include "ui/Dialogs.h"
#include "ui/PanelPrefs.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

QPointer<TWndLoadSettings> WndLoadSettings;

namespace {
const char* const VerifyPrefKey = "Load/Verify";
// The check boxes as they stand on screen, in three groups.
const char* const BoxGroups[3][5] = {
    {"IMU", "gyro", "mag", nullptr, nullptr},
    {"stab", "wp", "osd", "adc", "bat"},
    {"control_in", "control_out", "control_mix", nullptr, nullptr},
};
} // namespace

TWndLoadSettings::TWndLoadSettings(QWidget* parent) : TArchiveWindow(parent) {
    setWindowTitle("Загрузка конфигурации");
    auto* panel = new QWidget;
    panel->setObjectName("Pannel1");
    FitCaption(this, Body());
    auto* outer = new QHBoxLayout(Body());
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
    MakeRun("Загружено строк:", true);
    v->addWidget(Run);
    v->addStretch(1);
    const TOkCancelRow okCancel = MakeOkCancelRow("Загрузка");
    BitBtn1 = okCancel.BitBtn1;
    BitBtn2 = okCancel.BitBtn2;
    v->addWidget(okCancel.Row);

    // The backups and the preview, in a column of their own on the right.
    auto* side = new QWidget;
    side->setObjectName("PanelBackups");
    auto* sv = new QVBoxLayout(side);
    sv->addWidget(MakeLabel("Резервные копии", "LabelBackups"));
    BackupList = new QListWidget;
    BackupList->setObjectName("BackupList");
    BackupList->setToolTip("Конфигурация платы, сохранённая перед загрузкой или сбросом.\n"
                           "Выберите копию, чтобы загрузить её как файл.");
    sv->addWidget(BackupList, 1);
    AutoBackupBox = new QCheckBox("Резервная копия перед загрузкой и сбросом");
    AutoBackupBox->setObjectName("AutoBackupBox");
    AutoBackupBox->setChecked(TAutoBackup::Instance().Enabled());
    sv->addWidget(AutoBackupBox);
    sv->addSpacing(8);
    CompareButton = new QPushButton("Сравнить с устройством");
    CompareButton->setObjectName("CompareButton");
    sv->addWidget(CompareButton, 0, Qt::AlignLeft);
    PreviewText = new QPlainTextEdit;
    PreviewText->setObjectName("PreviewText");
    PreviewText->setReadOnly(true);
    PreviewText->setLineWrapMode(QPlainTextEdit::NoWrap);
    PreviewText->setPlaceholderText("Какие строки файла изменят значения на плате");
    sv->addWidget(PreviewText, 2);
    ChangedOnlyBox = new QCheckBox("Загружать только изменяющие значения строки");
    ChangedOnlyBox->setObjectName("ChangedOnlyBox");
    sv->addWidget(ChangedOnlyBox);
    VerifyBox = new QCheckBox("Проверить загруженное чтением с платы");
    VerifyBox->setObjectName("VerifyBox");
    VerifyBox->setToolTip("После загрузки прочитать загруженные разделы с платы и сравнить\n"
                          "с отправленным: отказы и изменённые платой значения будут показаны.");
    VerifyBox->setChecked(PrefValue(VerifyPrefKey, true).toBool());
    sv->addWidget(VerifyBox);
    outer->addWidget(side, 1);
    FillBackupList();

    connect(AutoBackupBox, &QCheckBox::toggled, this,
            [](bool on) { TAutoBackup::Instance().SetEnabled(on); });
    connect(VerifyBox, &QCheckBox::toggled, this, [](bool on) { SetPrefValue(VerifyPrefKey, on); });
    connect(BackupList, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
        if (item)
            FileName->setText(item->data(Qt::UserRole).toString());
    });
    connect(&TAutoBackup::Instance(), &TAutoBackup::BackupsChanged, this,
            &TWndLoadSettings::FillBackupList);
    connect(CompareButton, &QPushButton::clicked, this, &TWndLoadSettings::CompareButtonClick);
    connect(SpeedButton1, &QToolButton::clicked, this, &TWndLoadSettings::SpeedButton1Click);
    connect(BitBtn1, &QPushButton::clicked, this, &TWndLoadSettings::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TWndLoadSettings::BitBtn2Click);
}

void TWndLoadSettings::FillBackupList() {
    const QSignalBlocker block(BackupList);
    BackupList->clear();
    for (const TBackupStore::TEntry& e : TAutoBackup::Instance().Store().List()) {
        const QString before = e.Reason == "load" ? QStringLiteral("загрузкой") : e.Reason;
        auto* item = new QListWidgetItem(e.Time.toString("dd.MM.yyyy HH:mm:ss") +
                                         QStringLiteral(" — перед ") + before);
        item->setData(Qt::UserRole, e.Path);
        item->setToolTip(e.Path);
        BackupList->addItem(item);
    }
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
    // A file that cannot be read ends here, before the backup's listings:
    // the board is not asked for anything the load will not use.
    QByteArrayList unused;
    if (const TArchiveResult readable = ReadLoadFile(name, unused); !readable.Ok()) {
        Report(readable);
        return;
    }
    TRunScope run(*this, {BitBtn1});
    if (!run.Held())
        return;
    // The board as it is now goes to the backups first; the file to load
    // (perhaps the oldest backup) survives their pruning.
    if (!TAutoBackup::Instance().BeforeChange(MainForm->Link(), "load", name) || CancelRequested())
        return;
    // Reset lines the file may hold are covered by that backup.
    const TAutoBackup::TCovered covered;
    // Only the lines that change a value: compared afresh, as the board may
    // have changed since the last comparison.
    TConfigDiff diff;
    if (ChangedOnlyBox->isChecked() && (!CompareWithBoard(name, diff) || CancelRequested()))
        return;
    std::function<bool(int, const QByteArray&)> only;
    if (ChangedOnlyBox->isChecked())
        only = [&diff](int section, const QByteArray& line) {
            return diff.Contains(section, line);
        };
    Run->Start();
    // The journal: a row for the load, and its file as the origin of every
    // line it sends (its retries too).
    const TJournalOrigin origin(QStringLiteral("Загрузка: ") + QFileInfo(name).fileName());
    TJournalRecorder* journal = TJournalRecorder::Current();
    const qint64 loadRow = journal ? journal->NoteLoad(name) : 0;
    TLoadCheck check;
    check.Verify = VerifyBox->isChecked();
    const TArchiveResult r = LoadConfig(
        MainForm->Link(), name, [this](int s) { return Boxes[s]->isChecked(); }, Hooks(), only,
        &check);
    Run->Finish(!r.Ok() && r.Status != TArchiveStatus::Differs);
    run.End();
    if (loadRow)
        TJournal::Instance().SetOutcome(loadRow,
                                        r.Ok() ? JournalOutcome::Done : JournalOutcome::Failed, {},
                                        QString("%1 (%2)").arg(name, r.RussianText()));
    if (r.Ok() || r.Status == TArchiveStatus::Differs) {
        QString text = QStringLiteral("Загрузка конфигурации завершена");
        if (r.NoPromptInTime > 0)
            text +=
                QStringLiteral("\nСтрок, на которые плата ответила позже чем через секунду: %1.")
                    .arg(r.NoPromptInTime);
        if (check.Verified)
            text += QStringLiteral("\nПроверено чтением с платы: совпадают %1 из %2 параметров.")
                        .arg(check.Compared - check.Differ.size())
                        .arg(check.Compared);
        if (r.Ok())
            Dialogs().Message(text);
        else
            ReportNotTaken(check, text);
    } else if (r.Status == TArchiveStatus::Cancelled || r.Status == TArchiveStatus::LinkLost ||
               r.Status == TArchiveStatus::BoardSilent || r.Status == TArchiveStatus::OutOfStep) {
        // Lines already sent have changed the board: say how far it got,
        // whether the stop button, "Отмена" or the window's close ended it.
        QString text = r.RussianText() + QStringLiteral("\nОтправлено строк: %1.").arg(r.Lines);
        if (r.Lines > 0)
            text += QStringLiteral("\nКонфигурация на плате загружена частично.");
        if (r.Status == TArchiveStatus::Cancelled)
            Dialogs().Message(text);
        else
            Dialogs().Error(text);
    } else {
        Report(r);
    }
}

void TWndLoadSettings::ReportNotTaken(TLoadCheck check, QString text) {
    for (;;) {
        text += NotTakenText(check);
        const QByteArrayList retry = check.RetryLines();
        if (Dialogs().Ask(text, {"Повторить", "Закрыть"}) != 0 || retry.isEmpty())
            return;
        // Sent again as the load sends them, then read back the same way.
        QByteArrayList lines;
        for (const QByteArray& l : retry)
            lines << l + "\r\n";
        TRunScope run(*this, {BitBtn1, CompareButton});
        if (!run.Held())
            return;
        TRequest request = RunRequest(QByteArray(), ListingSilenceMs, Hooks());
        request.Commands = lines; // all of them in one conversation
        const TAnswer a = MainForm->Link().Request(request);
        if (!a.Ok()) {
            Dialogs().Error(QStringLiteral("Повтор не удался: ") + BoardAnswerText(a));
            return;
        }
        TLoadCheck again;
        TRunHooks hooks = Hooks();
        hooks.Progress = nullptr;
        const TArchiveResult back = ReadBack(MainForm->Link(), retry, again, hooks);
        if (!back.Ok()) {
            Report(back);
            return;
        }
        again.Refused = a.Refusals;
        if (again.Refused.isEmpty() && again.Differ.isEmpty()) {
            Dialogs().Message(
                QStringLiteral("Повтор: плата приняла все строки (%1).").arg(retry.size()));
            return;
        }
        check = again;
        text = QStringLiteral("Повтор: плата приняла не всё.");
    }
}

void TWndLoadSettings::CompareButtonClick() {
    if (IsBusy())
        return;
    const QString name = FileName->text();
    if (name.isEmpty() || !QFileInfo(name).isFile()) {
        Dialogs().Message("Не задан файл для загрузки");
        return;
    }
    TRunScope run(*this, {BitBtn1, CompareButton});
    if (!run.Held())
        return;
    TConfigDiff diff;
    CompareWithBoard(name, diff);
}

bool TWndLoadSettings::CompareWithBoard(const QString& name, TConfigDiff& diff) {
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly)) {
        Dialogs().Error(QStringLiteral("Не удалось прочитать файл %1").arg(name));
        return false;
    }
    const QByteArrayList fileLines = SplitFileLines(file.readAll());
    file.close();
    // The run shows on the progress bar and can be stopped; the counter of
    // sent lines stays as it is.
    TRunHooks hooks = Hooks();
    QPointer<QProgressBar> bar = Run->Progress;
    hooks.Progress = [bar](const TProgress& p) {
        if (bar) {
            bar->setRange(0, p.Total);
            bar->setValue(p.Done);
        }
    };
    Run->Progress->setEnabled(true);
    Run->StopButton->setEnabled(true);
    PreviewText->setPlainText("Чтение конфигурации платы…");
    QByteArrayList boardLines;
    const TArchiveResult r = ExportConfigLines(MainForm->Link(), boardLines, hooks);
    Run->Finish(false);
    if (!r.Ok()) {
        PreviewText->clear();
        Report(r);
        return false;
    }
    diff = CompareConfig(fileLines, boardLines, [this](int s) { return Boxes[s]->isChecked(); });
    ShowDiff(diff);
    return true;
}

void TWndLoadSettings::ShowDiff(const TConfigDiff& diff) {
    QStringList text;
    for (int s = 0; s < 11; ++s) {
        if (!Boxes[s]->isChecked())
            continue;
        text << QStringLiteral("%1: %2 из %3")
                    .arg(Boxes[s]->text())
                    .arg(diff.Changed[s])
                    .arg(diff.Lines[s]);
        for (const TLineChange& c : diff.Changes) {
            if (c.Section != s)
                continue;
            const QByteArray key = SettingKey(c.Line);
            if (key.isEmpty()) { // not a "set" line: it is sent as it stands
                text << QStringLiteral("    %1 (будет отправлена как есть)")
                            .arg(QString::fromLatin1(c.Line));
                continue;
            }
            const QString old = c.Old.isEmpty() ? QStringLiteral("(нет на плате)")
                                                : QString::fromLatin1(SettingValue(c.Old));
            text << QStringLiteral("    %1: %2 → %3")
                        .arg(QString::fromLatin1(key.mid(4)), old,
                             QString::fromLatin1(SettingValue(c.Line)));
        }
    }
    if (text.isEmpty())
        text << "Не выбран ни один раздел";
    else
        text.prepend("Изменят значения на плате (строк файла):");
    PreviewText->setPlainText(text.join('\n'));
}
