#pragma once
// Automatic backups before a change that cannot be taken back: before a
// configuration load and before any "reset ..." command (from any window or
// the console), the board's current configuration is exported into the
// backup folder (TBackupStore). A small progress dialog shows the export and
// can skip it; a backup that fails says so and asks whether to go on.
// On by default (settings file key BACKUP/Enabled); off when the panel has no
// settings file, as in the window tests of the plain load and reset.

#include "archive/BackupStore.h"
#include "link/BoardLinkUnit.h"

#include <QObject>
#include <QString>

class TAutoBackup : public QObject {
    Q_OBJECT
public:
    static constexpr const char* PrefKey = "BACKUP/Enabled";

    static TAutoBackup& Instance();

    bool Enabled() const;
    void SetEnabled(bool on);

    // The backup folder: TBackupStore::DefaultFolder() unless set.
    QString Folder() const;
    void SetFolder(const QString& folder);
    TBackupStore Store() const { return TBackupStore(Folder()); }

    // Backs the board's configuration up before `reason` ("load", "reset
    // osd"). True when the change may go ahead: the backup is written, the
    // operator skipped it, backups are off or there is no board to ask, or it
    // failed and the operator chose to go on. `spare` is a backup that must
    // survive the pruning (the file about to be loaded).
    bool BeforeChange(TBoardLink& link, const QString& reason, const QString& spare = QString());

    // Sets `link`'s send gate: every "reset ..." line is preceded by a backup
    // and dropped when the operator then declines, or (backups on) while
    // another archive run holds the board.
    void Attach(TBoardLink& link);

    // While one lives, resets pass without a backup (a load that has made its
    // own backup sends whatever lines its file holds).
    class TCovered {
    public:
        TCovered() { ++Instance().m_covered; }
        ~TCovered() { --Instance().m_covered; }
        TCovered(const TCovered&) = delete;
        TCovered& operator=(const TCovered&) = delete;
    };

    // The file the last successful backup wrote.
    const QString& LastBackup() const { return m_last; }

signals:
    // A backup was written (and old ones may have gone).
    void BackupsChanged();
    // The backup `file` was written before `what` ("загрузкой конфигурации").
    void BackupWritten(const QString& file, const QString& what);

private:
    QString m_folder;
    QString m_last;
    int m_covered = 0;
    bool m_running = false;
};
