#pragma once
// The folder of automatic backups: configuration export files the panel
// writes before a load or a reset, named by the moment they were made and
// what they came before ("2026-12-06_14-30-05-123_reset-osd.cfg"), of which
// the newest KeptBackups stay. Files in the folder that are not named so are
// never touched.

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
        QDateTime Time;
        QString Reason; // "load", "reset osd", ...
    };
    // The backups in the folder, newest first.
    QList<TEntry> List() const;
    // A path for a new backup made at `time` before `reason` (creates the
    // folder); never the name of an existing file.
    QString NewPath(const QDateTime& time, const QString& reason) const;
    // Removes the oldest backups beyond `keep`; `spare` (the file about to be
    // loaded) is never removed, and counts among those kept.
    void Prune(int keep = KeptBackups, const QString& spare = QString()) const;

    const QString& Folder() const { return m_folder; }

private:
    QString m_folder;
};

// True for a "reset ..." command line (any case, blanks around).
bool IsResetCommand(const QByteArray& line);
