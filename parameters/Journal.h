#pragma once
// The change journal: every change the panel or vantor-cli makes to a board,
// one row each, kept across sessions in an SQLite database (Qt SQL with its
// SQLite driver), one per user in the standard data folder, in WAL mode.
//
// Writes never wait for the disk on the caller's thread: they are queued to
// a writer thread with its own connection, which commits each batch as soon
// as it has it, so a crash loses at most the rows of the last moment, never
// a row committed before it, and never the database. Reads use a connection
// of the calling thread; WAL lets them run while the writer commits.
//
// A database that cannot be opened (a read-only home, a damaged file) leaves
// the journal closed: every write is dropped, reads give nothing, and
// ProblemText() says why once. A damaged file is renamed aside, never
// deleted, and a fresh database is used in its place.

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

// What a row records.
namespace JournalKind {
constexpr const char* Change = "change";   // a "set" line
constexpr const char* Outside = "outside"; // a value found changed by another
                                           // tool, a reset or a restart
constexpr const char* Load = "load";       // a configuration load began
constexpr const char* Reset = "reset";     // a "reset" line
constexpr const char* Save = "save";       // a flash save
constexpr const char* Backup = "backup";   // an automatic backup was written
} // namespace JournalKind

// How it ended, as the link knows it.
namespace JournalOutcome {
constexpr const char* Taken = "taken";             // prompt without refusal
constexpr const char* Verified = "verified";       // a listing showed the value sent
constexpr const char* Differs = "differs";         // a listing showed another value
constexpr const char* Refused = "refused";         // the board's text in Detail
constexpr const char* Unconfirmed = "unconfirmed"; // the prompt never came
constexpr const char* Lost = "lost";               // unsaved, and the board restarted
constexpr const char* Done = "done";               // load, reset, save, backup, outside
constexpr const char* Failed = "failed";           // a load/save/reset that failed
} // namespace JournalOutcome

// The outcome as the operator reads it: "принято", "проверено чтением",
// "на плате другое значение", "отказ платы", "не подтверждено",
// "потеряно при перезапуске", "выполнено", "не выполнено"; a saved change
// adds ", сохранено во флеш".
QString JournalOutcomeText(const QString& outcome, bool saved);
// The kind as the operator reads it: "изменение", "изменено вне панели",
// "загрузка", "сброс", "сохранение во флеш", "резервная копия".
QString JournalKindText(const QString& kind);

struct TJournalRow {
    qint64 Id = 0;      // the database's row number (0 before it is written)
    qint64 TimeMs = 0;  // UTC, milliseconds since the epoch
    QString Board;      // "<what "ver" answers> @ <port>"
    QString Kind;       // JournalKind
    QString Origin;     // the window's title, "Консоль", "Загрузка: file", ...
    QByteArray Group;   // the listing's section name ("STAB", "CONTROL IN"), may be empty
    QByteArray Name;    // lower case: "gaz_cruise", "ch_in 3", "mix 2 4"
    QByteArray Before;  // what the board held before (listed form), empty when unknown
    QByteArray Sent;    // the value sent (as the "set" line carried it)
    QByteArray After;   // what the board holds after the row: the value sent when
                        // taken, the listed value when read back; empty when unknown
    QString Outcome;    // JournalOutcome
    QString Detail;     // the board's refusal, the load's file, a note
    bool Saved = false; // a later flash save made it permanent
};

// The rows a query asks for; empty members do not filter.
struct TJournalFilter {
    QString Board;      // exact
    QString Name;       // part of the name, case-insensitive, as the table's search
    QString Origin;     // part of the origin, case-insensitive
    QString Outcome;    // exact JournalOutcome
    qint64 FromMs = 0;  // time >= FromMs when not 0
    qint64 ToMs = 0;    // time < ToMs when not 0
    qint64 SinceId = 0; // id > SinceId when not 0
    int Limit = 0;      // at most this many (newest first) when not 0
    int Offset = 0;
};

// One parameter's value at a moment, from the journal.
struct TJournalValue {
    QByteArray Group;
    QByteArray Name;
    QByteArray Value; // listed form
};

class TJournalWriter;

class TJournal : public QObject {
    Q_OBJECT
public:
    explicit TJournal(QObject* parent = nullptr);
    ~TJournal() override; // flushes the writer

    // The panel's and the command-line tool's journal, opened at DefaultPath()
    // on first use.
    static TJournal& Instance();
    // "<standard data folder>/journal.sqlite"; VANTOR_JOURNAL overrides it
    // (tests, a second journal).
    static QString DefaultPath();

    // Opens (creating when missing) and sets up the database; prunes old rows.
    // A damaged file is renamed aside ("journal.sqlite.damaged-<UTC>") and a
    // fresh one made. False when no database could be opened.
    bool Open(const QString& path);
    bool IsOpen() const;
    QString Path() const;
    // Why the journal is closed or what happened to the old file, for the
    // operator; empty when all is well. Said once: TakeProblemText() empties it.
    QString ProblemText() const;
    QString TakeProblemText();

    // Rows kept per board: a year, or this many, whichever keeps more.
    static constexpr int KeepRowsPerBoard = 100000;
    static constexpr qint64 KeepMs = 366LL * 24 * 3600 * 1000;

    // --- writes: queued, in order, never waiting for the disk ---
    // Adds a row (Id and TimeMs are filled in when 0: now); returns a handle
    // for the row's later outcome, 0 when the journal is closed.
    qint64 Add(TJournalRow row);
    // The row's outcome became known, or changed (taken -> verified); a
    // listing may tell the group of a name sent before any listing showed it.
    void SetOutcome(qint64 handle, const QString& outcome, const QByteArray& after,
                    const QString& detail = QString(), const QByteArray& group = QByteArray());
    // A flash save took: the board's unsaved changes are permanent now.
    void MarkSaved(const QString& board);
    // The board restarted: its unsaved changes made in this process are lost.
    void MarkLost(const QString& board);
    // What the board is last known to hold, by (group, name).
    void SetKnown(const QString& board, const QByteArray& group, const QByteArray& name,
                  const QByteArray& value);
    // Waits (bounded, a few seconds at most) until every queued write is
    // committed. For tests, the command-line tool's exit and the panel's close.
    bool Flush();

    // --- reads: on the calling thread; the writer's queue is flushed first ---
    QList<TJournalRow> Rows(const TJournalFilter& filter);
    int Count(const TJournalFilter& filter);
    QList<TJournalRow> RowsById(const QList<qint64>& ids);
    QStringList Boards();
    // What the journal last knew the board held, by group + '\n' + name.
    QHash<QByteArray, QByteArray> Known(const QString& board);
    // What the board held just after row `id` (its time included): for each
    // parameter a change or outside row touched, the After of its last such
    // row up to `id`, else the Before of its first row after it. Parameters
    // it cannot tell are left out.
    QList<TJournalValue> StateAt(const QString& board, qint64 id);

    // Prunes rows beyond the bounds above (run by Open).
    void Prune();
    // The same with other bounds: per board, rows older than `keepMs` go
    // unless they are among the board's newest `keepRows`.
    void Prune(int keepRows, qint64 keepMs);

signals:
    // Rows were committed (the window refreshes).
    void Changed();

private:
    class TImpl;
    std::unique_ptr<TImpl> d;
};

// The rows as CSV (RFC 4180, UTF-8, header line, time as ISO 8601 UTC).
QByteArray JournalCsv(const QList<TJournalRow>& rows);

// The key Known() uses.
inline QByteArray JournalKey(const QByteArray& group, const QByteArray& name) {
    return group + '\n' + name;
}
// The "set" line (with "\r\n") that writes `value` (listed form) back to a
// journaled parameter: "set gaz_cruise 560", "set ch_in 3 1 2 3 4 5"; an OSD
// pair listed "x,y" goes as "x y".
QByteArray JournalSetLine(const QByteArray& group, const QByteArray& name, const QByteArray& value);

// --- undo and return, shared by the window and vantor-cli ---
#include "archive/ConfigLoad.h"

// The lines that put back what the selected change rows replaced: for each
// parameter, the Before of its earliest selected row (rows without a Before,
// and rows of other kinds, give nothing).
QByteArrayList JournalUndoLines(const QList<TJournalRow>& rows);
// One parameter whose value differs between a moment and now.
struct TJournalDifference {
    QByteArray Group;
    QByteArray Name;
    QByteArray Now;  // what the journal knows the board holds now (may be empty)
    QByteArray Then; // what it held at the moment
};
// The parameters whose value at the moment (StateAt) differs from what the
// board is known to hold now (Known), in group and name order.
QList<TJournalDifference> JournalDifferences(const QList<TJournalValue>& then,
                                             const QHash<QByteArray, QByteArray>& now);
// Sends the lines as one request and reads back what they wrote (the same
// verified path as the configuration load's read-back): `check` learns the
// refused lines and those the board holds otherwise. Ok only when all were
// taken and read back as sent.
TArchiveResult ApplyJournalLines(TBoardLink& link, const QByteArrayList& lines, TLoadCheck& check,
                                 const TRunHooks& hooks);
