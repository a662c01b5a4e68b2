#pragma once
// The folder of automatic backups: configuration export files the panel
// writes before a load or a reset, named by the moment they were made (in
// UTC, marked "Z") and what they came before
// ("2026-12-06_14-30-05-123Z_reset-osd.cfg"), of which the newest
// KeptBackups stay. Names without the "Z", as earlier versions wrote them,
// carry local time; they are listed and pruned among the others by the
// moment they stand for. Files in the folder that are not named so are
// never touched, except the temporary files an interrupted backup left
// beside them.

#include <QDateTime>
#include <QList>
#include <QString>

class TBackupStore {
public:
    static constexpr int KeptBackups = 20;

    explicit TBackupStore(const QString& folder);

    // The user's data folder + "backups" (QStandardPaths::AppDataLocation).
    static QString DefaultFolder();

    struct TEntry {
        QString Path;
        QDateTime Time; // local time
        QString Reason; // "load", "reset osd", ...
    };
    // The backups in the folder, newest first by the moment they were made
    // (a clock change between two of them does not reorder them).
    QList<TEntry> List() const;
    // A path for a new backup made at `time` before `reason` (creates the
    // folder); never the name of an existing file.
    QString NewPath(const QDateTime& time, const QString& reason) const;
    // Removes the oldest backups beyond `keep`; `spare` (the file about to be
    // loaded) is never removed, and counts among those kept.
    void Prune(int keep = KeptBackups, const QString& spare = QString()) const;

    // A backup is written to "<name>.cfg.XXXXXX" and renamed when complete;
    // a run killed meanwhile leaves that file behind. Such files last
    // modified more than LeftoverAgeSecs before `now` are removed: a backup
    // takes a minute at the very most, so a file that old belongs to no
    // write still running (of this panel or another one on the same folder).
    // Returns how many were removed.
    static constexpr int LeftoverAgeSecs = 10 * 60;
    int RemoveLeftovers(const QDateTime& now = QDateTime::currentDateTimeUtc()) const;

    const QString& Folder() const { return m_folder; }

private:
    QString m_folder;
};

// True for a "reset ..." command line (any case, blanks around).
bool IsResetCommand(const QByteArray& line);
