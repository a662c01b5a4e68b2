#include "archive/BackupStore.h"

#include "link/Proc.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <algorithm>

namespace {
const char* const TimeFormat = "yyyy-MM-dd_HH-mm-ss-zzz";

// "<time>[Z]_<reason>[-<copy>].cfg"; the reason's blanks are dashes in the
// name, and a second backup of the same millisecond and reason is "-2".
const char* const NameBody = "^(\\d{4}-\\d\\d-\\d\\d_\\d\\d-\\d\\d-\\d\\d-\\d{3})(Z?)_"
                             "([A-Za-z0-9_-]+?)(-\\d+)?\\.cfg";

const QRegularExpression& NamePattern() {
    static const QRegularExpression re(QString(NameBody) + "$");
    return re;
}

// A backup's temporary file: its name and the six characters QSaveFile adds.
const QRegularExpression& LeftoverPattern() {
    static const QRegularExpression re(QString(NameBody) + "\\.[A-Za-z0-9]{6}$");
    return re;
}
} // namespace

TBackupStore::TBackupStore(const QString& folder) : m_folder(folder) {}

QString TBackupStore::DefaultFolder() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
        .filePath("backups");
}

QList<TBackupStore::TEntry> TBackupStore::List() const {
    struct TFound {
        TEntry Entry;
        qint64 Ms; // the moment the backup was made
        int Copy;  // 1, or the "-N" of a later backup in the same millisecond
    };
    QList<TFound> found;
    const QDir dir(m_folder);
    for (const QString& name : dir.entryList({"*.cfg"}, QDir::Files)) {
        const QRegularExpressionMatch m = NamePattern().match(name);
        if (!m.hasMatch())
            continue;
        const QDateTime named = QDateTime::fromString(m.captured(1), TimeFormat);
        TFound f;
        f.Entry.Path = dir.filePath(name);
        // Local time in the names of earlier versions: around the autumn
        // clock change an hour of them reads ambiguously, which the UTC of
        // the names written now never does.
        f.Entry.Time = m.captured(2).isEmpty()
                           ? named
                           : QDateTime(named.date(), named.time(), Qt::UTC).toLocalTime();
        f.Entry.Reason = m.captured(3).replace('-', ' ');
        f.Ms = f.Entry.Time.toMSecsSinceEpoch();
        f.Copy = m.captured(4).isEmpty() ? 1 : m.captured(4).mid(1).toInt();
        found << f;
    }
    // By the moment, not by the name: a local-time name and a UTC one, or
    // two local-time names either side of a clock change, sort by text in
    // another order than they were made.
    std::sort(found.begin(), found.end(), [](const TFound& a, const TFound& b) {
        return a.Ms != b.Ms ? a.Ms > b.Ms : a.Copy > b.Copy;
    });
    QList<TEntry> out;
    for (const TFound& f : found)
        out << f.Entry;
    return out;
}

QString TBackupStore::NewPath(const QDateTime& time, const QString& reason) const {
    QDir().mkpath(m_folder);
    QString tag;
    for (QChar c : reason.simplified())
        tag += (c.isLetterOrNumber() && c.unicode() < 0x80) ? c : QChar('-');
    if (tag.isEmpty())
        tag = "backup";
    const QString base = time.toUTC().toString(TimeFormat) + "Z_" + tag;
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

int TBackupStore::RemoveLeftovers(const QDateTime& now) const {
    int removed = 0;
    for (const QFileInfo& f : QDir(m_folder).entryInfoList({"*.cfg.*"}, QDir::Files))
        if (LeftoverPattern().match(f.fileName()).hasMatch() &&
            f.lastModified().secsTo(now) > LeftoverAgeSecs)
            removed += QFile::remove(f.filePath()) ? 1 : 0;
    return removed;
}

bool IsResetCommand(const QByteArray& line) {
    const QByteArray words = LowerAscii(line).simplified();
    return words == "reset" || words.startsWith("reset ");
}
