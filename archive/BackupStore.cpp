#include "archive/BackupStore.h"

#include "link/Proc.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

namespace {
const char* const TimeFormat = "yyyy-MM-dd_HH-mm-ss-zzz";

// "<time>_<reason>.cfg"; the reason's blanks are dashes in the name.
const QRegularExpression& NamePattern() {
    static const QRegularExpression re(
        "^(\\d{4}-\\d\\d-\\d\\d_\\d\\d-\\d\\d-\\d\\d-\\d{3})_([A-Za-z0-9_-]+?)(-\\d+)?\\.cfg$");
    return re;
}
} // namespace

TBackupStore::TBackupStore(const QString& folder) : m_folder(folder) {}

QString TBackupStore::DefaultFolder() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
        .filePath("backups");
}

QList<TBackupStore::TEntry> TBackupStore::List() const {
    QList<TEntry> out;
    const QDir dir(m_folder);
    // Names start with their time, so the name order is the time order.
    for (const QString& name : dir.entryList({"*.cfg"}, QDir::Files, QDir::Name | QDir::Reversed)) {
        const QRegularExpressionMatch m = NamePattern().match(name);
        if (!m.hasMatch())
            continue;
        TEntry e;
        e.Path = dir.filePath(name);
        e.Time = QDateTime::fromString(m.captured(1), TimeFormat);
        e.Reason = m.captured(2).replace('-', ' ');
        out << e;
    }
    return out;
}

QString TBackupStore::NewPath(const QDateTime& time, const QString& reason) const {
    QDir().mkpath(m_folder);
    QString tag;
    for (QChar c : reason.simplified())
        tag += (c.isLetterOrNumber() && c.unicode() < 0x80) ? c : QChar('-');
    if (tag.isEmpty())
        tag = "backup";
    const QString base = time.toString(TimeFormat) + "_" + tag;
    QString path = QDir(m_folder).filePath(base + ".cfg");
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = QDir(m_folder).filePath(base + QString("-%1.cfg").arg(n));
    return path;
}

void TBackupStore::Prune(int keep, const QString& spare) const {
    const QList<TEntry> entries = List();
    const QString spared = spare.isEmpty() ? QString() : QFileInfo(spare).absoluteFilePath();
    // The oldest go first; the spared file counts among those kept.
    qsizetype excess = entries.size() - keep;
    for (qsizetype i = entries.size() - 1; i >= 0 && excess > 0; --i) {
        if (QFileInfo(entries[i].Path).absoluteFilePath() == spared)
            continue;
        QFile::remove(entries[i].Path);
        --excess;
    }
}

bool IsResetCommand(const QByteArray& line) {
    const QByteArray words = LowerAscii(line).simplified();
    return words == "reset" || words.startsWith("reset ");
}
