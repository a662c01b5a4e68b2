#include "archive/AutoBackupUnit.h"

#include "archive/ArchiveWidgets.h"
#include "archive/ConfigExport.h"
#include "link/Proc.h"
#include "ui/Dialogs.h"
#include "ui/PanelContext.h"
#include "ui/PanelPrefs.h"

#include <QApplication>
#include <QDateTime>
#include <QProgressDialog>

namespace {
// The change a backup comes before, as the operator's sentences name it
// ("… перед загрузкой конфигурации"); a reset by its command.
QString BeforeWhat(const QString& reason) {
    if (reason == "load")
        return QStringLiteral("загрузкой конфигурации");
    return QStringLiteral("командой «%1»").arg(reason);
}
} // namespace

TAutoBackup& TAutoBackup::Instance() {
    static TAutoBackup instance;
    return instance;
}

bool TAutoBackup::Enabled() const {
    return PrefValue(PrefKey, PanelPrefs() != nullptr).toBool();
}

void TAutoBackup::SetEnabled(bool on) {
    SetPrefValue(PrefKey, on);
}

QString TAutoBackup::Folder() const {
    return m_folder.isEmpty() ? TBackupStore::DefaultFolder() : m_folder;
}

void TAutoBackup::SetFolder(const QString& folder) {
    m_folder = folder;
}

bool TAutoBackup::BeforeChange(TBoardLink& link, const QString& reason, const QString& spare) {
    if (!Enabled() || m_running || !MainForm || !MainForm->Connected)
        return true;
    m_running = true;
    const TBackupStore store = Store();
    // What a killed run of before left half-written goes now.
    store.RemoveLeftovers();
    const QString path = store.NewPath(QDateTime::currentDateTime(), reason);
    const QString before = BeforeWhat(reason);

    QProgressDialog progress(QStringLiteral("Резервная копия конфигурации перед %1…").arg(before),
                             "Пропустить", 0, static_cast<int>(std::size(ExportSections)),
                             QApplication::activeWindow());
    progress.setObjectName("AutoBackupProgress");
    progress.setWindowTitle("Резервная копия");
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(0);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    progress.setValue(0);

    TRunHooks hooks;
    hooks.Progress = [&progress](const TProgress& p) { progress.setValue(p.Done); };
    hooks.Cancel = [&progress] { return progress.wasCanceled(); };
    hooks.Mode = TWaitMode::ProcessEvents;
    const TArchiveResult r = ExportConfig(link, path, hooks);
    progress.close();
    m_running = false;

    if (r.Ok()) {
        m_last = path;
        store.Prune(TBackupStore::KeptBackups, spare);
        emit BackupsChanged();
        emit BackupWritten(path, before);
        return true;
    }
    if (r.Status == TArchiveStatus::Cancelled)
        return true; // skipped by the operator
    return Dialogs().Ask(QStringLiteral("Не удалось сделать резервную копию конфигурации "
                                        "перед %1.\n%2\nПродолжить без резервной копии?")
                             .arg(before, r.RussianText()),
                         {"Продолжить", "Отмена"}) == 0;
}

void TAutoBackup::Attach(TBoardLink& link) {
    // The gate runs in the turn of the request that carries the reset, so
    // the backup's listings go before it in the same conversation.
    link.SetSendGate([this, &link](const QByteArray& line) {
        if (m_covered > 0 || !IsResetCommand(line) || !Enabled() || !MainForm ||
            !MainForm->Connected)
            return true;
        return BeforeChange(link, QString::fromLatin1(LowerAscii(line).simplified()));
    });
}
