#include "parameters/Journal.h"

#include "archive/ConfigCompare.h"
#include "link/Proc.h"
#include "parameters/AllParams.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QUuid>
#include <QVariant>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

namespace {
// Every process writes its rows under a session of its own, numbered in
// order: the (session, seq) pair names a row before the database has given
// it an id, and keeps one process's MarkLost off another's rows.
const QString& ProcessSession() {
    static const QString session = QUuid::createUuid().toString(QUuid::WithoutBraces);
    return session;
}
std::atomic<qint64> g_seq{0};
// Connection names: each Open is a generation of its own, so a reopened
// journal never meets the connections of the one before.
std::atomic<int> g_generation{0};

constexpr int BusyTimeoutMs = 5000;
constexpr int FlushWaitMs = 5000;

const char* const Columns =
    "id, t, board, kind, origin, grp, name, before, sent, after, outcome, detail, saved";

const char* const Schema[] = {
    "CREATE TABLE IF NOT EXISTS journal (id INTEGER PRIMARY KEY AUTOINCREMENT, t INTEGER NOT "
    "NULL, board TEXT NOT NULL, session TEXT NOT NULL, seq INTEGER NOT NULL, kind TEXT NOT NULL, "
    "origin TEXT NOT NULL DEFAULT '', grp TEXT NOT NULL DEFAULT '', name TEXT NOT NULL DEFAULT "
    "'', before TEXT NOT NULL DEFAULT '', sent TEXT NOT NULL DEFAULT '', after TEXT NOT NULL "
    "DEFAULT '', outcome TEXT NOT NULL DEFAULT '', detail TEXT NOT NULL DEFAULT '', saved "
    "INTEGER NOT NULL DEFAULT 0, UNIQUE (session, seq))",
    "CREATE INDEX IF NOT EXISTS journal_board_t ON journal (board, t)",
    // A board's rows newest first, a page at a time, without sorting them
    // all: this index holds the board with the row's id.
    "CREATE INDEX IF NOT EXISTS journal_board ON journal (board)",
    "CREATE INDEX IF NOT EXISTS journal_t ON journal (t)",
    "CREATE INDEX IF NOT EXISTS journal_name ON journal (name)",
    // The outcome filter counts and pages its rows without a scan.
    "CREATE INDEX IF NOT EXISTS journal_outcome ON journal (outcome)",
    // The origin search matches the few distinct origins in C++ (SQLite
    // folds the case of ASCII only); this index lists them without a scan.
    "CREATE INDEX IF NOT EXISTS journal_origin ON journal (origin)",
    "CREATE TABLE IF NOT EXISTS known (board TEXT NOT NULL, grp TEXT NOT NULL, name TEXT NOT "
    "NULL, value TEXT NOT NULL, t INTEGER NOT NULL, PRIMARY KEY (board, grp, name))",
};

// Text columns are never NULL: an empty value is an empty string.
QString Str(const QString& s) {
    return s.isNull() ? QString("") : s;
}
// Board bytes go in as Latin-1 text, which gives every byte back unchanged.
QString Text(const QByteArray& bytes) {
    return Str(QString::fromLatin1(bytes));
}
QByteArray Bytes(const QVariant& v) {
    return v.toString().toLatin1();
}

QString Closed(const QString& why) {
    return QStringLiteral("Журнал изменений не открыт: %1; панель работает без него.").arg(why);
}

// A file that is no database, or a damaged one (SQLITE_CORRUPT, SQLITE_NOTADB).
bool IsDamage(const QSqlError& e) {
    const QString code = e.nativeErrorCode();
    const QString text = e.text();
    return code == "11" || code == "26" || text.contains("malformed") ||
           text.contains("not a database");
}

QSqlDatabase Connect(const QString& name, const QString& path) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(path);
    if (db.open())
        QSqlQuery(db).exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(BusyTimeoutMs));
    return db;
}

enum class TSetup { Ok, Damaged, Failed };

// Opens the file, turns WAL on, checks it and makes the tables it lacks.
TSetup Setup(const QString& path, QString& error) {
    const QString name = QStringLiteral("vantor-journal-setup-%1").arg(++g_generation);
    TSetup result = TSetup::Ok;
    {
        QSqlDatabase db = Connect(name, path);
        const auto fail = [&](const QSqlError& e) {
            error = e.text();
            result = IsDamage(e) ? TSetup::Damaged : TSetup::Failed;
            return false;
        };
        const auto run = [&](const QString& sql) {
            QSqlQuery q(db);
            return q.exec(sql) || fail(q.lastError());
        };
        if (!db.isValid()) {
            error = QStringLiteral("нет драйвера SQLite (пакет libqt6sql6-sqlite)");
            result = TSetup::Failed;
        } else if (!db.isOpen()) {
            fail(db.lastError());
        } else if (run("PRAGMA journal_mode = WAL")) {
            QSqlQuery check(db);
            if (!check.exec("PRAGMA quick_check")) {
                fail(check.lastError());
            } else if (!check.next() || check.value(0).toString() != "ok") {
                error = check.value(0).toString();
                result = TSetup::Damaged;
            } else {
                check.finish();
                for (const char* sql : Schema)
                    if (!run(QString::fromLatin1(sql)))
                        break;
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return result;
}

// Renames the file (and its WAL files) aside; the new name, or empty.
QString PutAside(const QString& path) {
    const QString stamp = QDateTime::currentDateTimeUtc().toString("yyyyMMdd'T'HHmmss'Z'");
    QString aside = path + ".damaged-" + stamp;
    for (int n = 2; QFileInfo::exists(aside); ++n)
        aside = path + ".damaged-" + stamp + "-" + QString::number(n);
    if (!QFile::rename(path, aside))
        return QString();
    for (const char* suffix : {"-wal", "-shm"})
        if (QFileInfo::exists(path + suffix))
            QFile::rename(path + suffix, aside + suffix);
    return aside;
}

TJournalRow RowOf(const QSqlQuery& q) {
    TJournalRow r;
    r.Id = q.value(0).toLongLong();
    r.TimeMs = q.value(1).toLongLong();
    r.Board = q.value(2).toString();
    r.Kind = q.value(3).toString();
    r.Origin = q.value(4).toString();
    r.Group = Bytes(q.value(5));
    r.Name = Bytes(q.value(6));
    r.Before = Bytes(q.value(7));
    r.Sent = Bytes(q.value(8));
    r.After = Bytes(q.value(9));
    r.Outcome = q.value(10).toString();
    r.Detail = q.value(11).toString();
    r.Saved = q.value(12).toInt() != 0;
    return r;
}

QString LikeEscaped(const QString& s) {
    QString out;
    for (const QChar c : s) {
        if (c == '%' || c == '_' || c == '\\')
            out += '\\';
        out += c;
    }
    return out;
}

// The export section of a journaled group, or null.
const TExportSection* SectionNamed(const QByteArray& group) {
    for (const TExportSection& s : ExportSections)
        if (group == s.Name)
            return &s;
    return nullptr;
}
bool IsParamSection(const TExportSection* s) {
    return s && (s->Kind == TSectionKind::Params || s->Kind == TSectionKind::OsdParams);
}
} // namespace

// ---------------------------------------------------------------------------

class TJournal::TImpl {
public:
    using TOp = std::function<void(QSqlDatabase&)>;

    explicit TImpl(TJournal* q) : Q(q) {}
    ~TImpl() { Close(); }

    TJournal* Q;
    QString Path;
    QString Problem;
    bool IsOpen = false;
    int Generation = 0;

    // The writer's queue; Queued and Done count ops, for Flush.
    std::mutex Mutex;
    std::condition_variable Wake;
    std::condition_variable Committed;
    std::deque<TOp> Queue;
    qint64 Queued = 0;
    qint64 Done = 0;
    bool Stop = false;
    std::thread Writer;
    QStringList Readers; // connection names made for reading threads

    void Start() {
        Generation = ++g_generation;
        Stop = false;
        const QString name = QStringLiteral("vantor-journal-%1-writer").arg(Generation);
        Writer = std::thread([this, name, path = Path] { Run(name, path); });
    }

    void Run(const QString& name, const QString& path) {
        {
            QSqlDatabase db = Connect(name, path);
            QSqlQuery(db).exec("PRAGMA synchronous = NORMAL");
            for (;;) {
                std::deque<TOp> batch;
                {
                    std::unique_lock<std::mutex> lock(Mutex);
                    Wake.wait(lock, [this] { return Stop || !Queue.empty(); });
                    if (Queue.empty())
                        break;
                    batch.swap(Queue);
                }
                // One transaction a batch: committed as soon as it is taken.
                db.transaction();
                for (const TOp& op : batch)
                    op(db);
                if (!db.commit()) {
                    qWarning("journal: commit failed: %s", qPrintable(db.lastError().text()));
                    db.rollback();
                }
                {
                    std::lock_guard<std::mutex> lock(Mutex);
                    Done += static_cast<qint64>(batch.size());
                }
                Committed.notify_all();
                QMetaObject::invokeMethod(
                    Q, [q = Q] { emit q->Changed(); }, Qt::QueuedConnection);
            }
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
    }

    void Post(TOp op) {
        if (!IsOpen)
            return;
        {
            std::lock_guard<std::mutex> lock(Mutex);
            Queue.push_back(std::move(op));
            ++Queued;
        }
        Wake.notify_one();
    }

    bool Flush() {
        if (!IsOpen)
            return true;
        std::unique_lock<std::mutex> lock(Mutex);
        const qint64 ticket = Queued;
        return Committed.wait_for(lock, std::chrono::milliseconds(FlushWaitMs),
                                  [&] { return Done >= ticket; });
    }

    void Close() {
        if (Writer.joinable()) {
            {
                std::lock_guard<std::mutex> lock(Mutex);
                Stop = true;
            }
            Wake.notify_one();
            Writer.join(); // the writer commits what is queued first
        }
        for (const QString& name : std::as_const(Readers))
            QSqlDatabase::removeDatabase(name);
        Readers.clear();
        IsOpen = false;
    }

    // The calling thread's reading connection, flushed up to now.
    QSqlDatabase Reader() {
        Flush();
        thread_local std::map<const TImpl*, std::pair<int, QString>> names;
        auto& slot = names[this];
        if (slot.first != Generation || !QSqlDatabase::contains(slot.second)) {
            static std::atomic<int> serial{0};
            slot = {Generation,
                    QStringLiteral("vantor-journal-%1-read-%2").arg(Generation).arg(++serial)};
            std::lock_guard<std::mutex> lock(Mutex);
            Readers << slot.second;
            return Connect(slot.second, Path);
        }
        return QSqlDatabase::database(slot.second);
    }

    // The filter's WHERE clause, its values bound in order.
    QString Where(const TJournalFilter& f, QVariantList& binds) {
        QStringList terms;
        if (!f.Board.isEmpty()) {
            terms << "board = ?";
            binds << f.Board;
        }
        if (!f.Name.isEmpty()) {
            terms << "name LIKE ? ESCAPE '\\'";
            binds << "%" + LikeEscaped(f.Name) + "%";
        }
        if (!f.Origin.isEmpty()) {
            QStringList marks;
            QSqlQuery q(Reader());
            q.exec("SELECT DISTINCT origin FROM journal");
            while (q.next())
                if (const QString o = q.value(0).toString();
                    o.contains(f.Origin, Qt::CaseInsensitive)) {
                    marks << "?";
                    binds << o;
                }
            terms << (marks.isEmpty() ? QStringLiteral("0")
                                      : "origin IN (" + marks.join(',') + ")");
        }
        if (!f.Outcome.isEmpty()) {
            terms << "outcome = ?";
            binds << f.Outcome;
        }
        if (f.FromMs != 0) {
            terms << "t >= ?";
            binds << f.FromMs;
        }
        if (f.ToMs != 0) {
            terms << "t < ?";
            binds << f.ToMs;
        }
        if (f.SinceId != 0) {
            terms << "id > ?";
            binds << f.SinceId;
        }
        return terms.isEmpty() ? QString() : " WHERE " + terms.join(" AND ");
    }

    QSqlQuery Select(const QString& sql, const QVariantList& binds) {
        QSqlQuery q(Reader());
        q.setForwardOnly(true);
        q.prepare(sql);
        for (const QVariant& v : binds)
            q.addBindValue(v);
        if (!q.exec())
            qWarning("journal: %s", qPrintable(q.lastError().text()));
        return q;
    }
};

// ---------------------------------------------------------------------------

TJournal::TJournal(QObject* parent) : QObject(parent), d(std::make_unique<TImpl>(this)) {}

TJournal::~TJournal() = default;

TJournal& TJournal::Instance() {
    static TJournal* journal = [] {
        auto* j = new TJournal;
        j->Open(DefaultPath());
        // Closed (the writer's last batch committed) while the application
        // still exists; without one it simply lives to the end.
        if (QCoreApplication::instance())
            qAddPostRoutine([] { Instance().d->Close(); });
        return j;
    }();
    return *journal;
}

QString TJournal::DefaultPath() {
    const QString env = qEnvironmentVariable("VANTOR_JOURNAL");
    if (!env.isEmpty())
        return env;
    // One file for the panel and vantor-cli, whatever each program is called.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           "/Vantor/journal.sqlite";
}

bool TJournal::Open(const QString& path) {
    d->Close();
    d->Path = path;
    d->Problem.clear();
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder)) {
        d->Problem = Closed(QStringLiteral("не создаётся папка «%1»").arg(folder));
        return false;
    }
    QString error;
    TSetup setup = Setup(path, error);
    if (setup == TSetup::Damaged) {
        const QString aside = PutAside(path);
        if (aside.isEmpty()) {
            d->Problem = Closed(
                QStringLiteral("файл «%1» повреждён (%2) и не переименовывается").arg(path, error));
            return false;
        }
        setup = Setup(path, error);
        if (setup == TSetup::Ok)
            d->Problem = QStringLiteral("Файл журнала изменений был повреждён; он сохранён как "
                                        "«%1», начат новый журнал.")
                             .arg(aside);
    }
    if (setup != TSetup::Ok) {
        d->Problem = Closed(QStringLiteral("«%1»: %2").arg(path, error));
        return false;
    }
    d->IsOpen = true;
    d->Start();
    Prune();
    return true;
}

bool TJournal::IsOpen() const {
    return d->IsOpen;
}
QString TJournal::Path() const {
    return d->Path;
}
QString TJournal::ProblemText() const {
    return d->Problem;
}
QString TJournal::TakeProblemText() {
    return std::exchange(d->Problem, QString());
}

qint64 TJournal::Add(TJournalRow row) {
    if (!d->IsOpen)
        return 0;
    if (row.TimeMs == 0)
        row.TimeMs = QDateTime::currentMSecsSinceEpoch();
    const qint64 seq = ++g_seq;
    d->Post([row, seq](QSqlDatabase& db) {
        QSqlQuery q(db);
        q.prepare("INSERT INTO journal (t, board, session, seq, kind, origin, grp, name, before, "
                  "sent, after, outcome, detail, saved) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
        for (const QVariant& v :
             {QVariant(row.TimeMs), QVariant(Str(row.Board)), QVariant(ProcessSession()),
              QVariant(seq), QVariant(Str(row.Kind)), QVariant(Str(row.Origin)),
              QVariant(Text(row.Group)), QVariant(Text(row.Name)), QVariant(Text(row.Before)),
              QVariant(Text(row.Sent)), QVariant(Text(row.After)), QVariant(Str(row.Outcome)),
              QVariant(Str(row.Detail)), QVariant(row.Saved ? 1 : 0)})
            q.addBindValue(v);
        if (!q.exec())
            qWarning("journal: %s", qPrintable(q.lastError().text()));
    });
    return seq;
}

namespace {
void Exec(QSqlDatabase& db, const char* sql, const QVariantList& binds) {
    QSqlQuery q(db);
    q.prepare(QString::fromLatin1(sql));
    for (const QVariant& v : binds)
        q.addBindValue(v);
    if (!q.exec())
        qWarning("journal: %s", qPrintable(q.lastError().text()));
}
} // namespace

void TJournal::SetOutcome(qint64 handle, const QString& outcome, const QByteArray& after,
                          const QString& detail, const QByteArray& group) {
    if (handle <= 0)
        return;
    d->Post([=](QSqlDatabase& db) {
        // An empty detail or group keeps what the row says already.
        Exec(db,
             "UPDATE journal SET outcome = ?, after = ?, detail = CASE WHEN ? = '' THEN detail "
             "ELSE ? END, grp = CASE WHEN ? = '' THEN grp ELSE ? END WHERE session = ? AND seq = ?",
             {Str(outcome), Text(after), Str(detail), Str(detail), Text(group), Text(group),
              ProcessSession(), handle});
    });
}

void TJournal::MarkSaved(const QString& board) {
    d->Post([=](QSqlDatabase& db) {
        Exec(db,
             "UPDATE journal SET saved = 1 WHERE board = ? AND kind = 'change' AND saved = 0 AND "
             "outcome IN ('taken', 'verified', 'differs')",
             {board});
    });
}

void TJournal::MarkLost(const QString& board) {
    d->Post([=](QSqlDatabase& db) {
        Exec(db,
             "UPDATE journal SET outcome = 'lost' WHERE session = ? AND board = ? AND kind = "
             "'change' AND saved = 0 AND outcome IN ('taken', 'verified', 'differs')",
             {ProcessSession(), board});
    });
}

void TJournal::SetKnown(const QString& board, const QByteArray& group, const QByteArray& name,
                        const QByteArray& value) {
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    d->Post([=](QSqlDatabase& db) {
        Exec(db, "INSERT OR REPLACE INTO known (board, grp, name, value, t) VALUES (?,?,?,?,?)",
             {Str(board), Text(group), Text(name), Text(value), now});
    });
}

bool TJournal::Flush() {
    return d->Flush();
}

QList<TJournalRow> TJournal::Rows(const TJournalFilter& filter) {
    QList<TJournalRow> rows;
    if (!d->IsOpen)
        return rows;
    QVariantList binds;
    QString sql = QStringLiteral("SELECT %1 FROM journal").arg(Columns) + d->Where(filter, binds) +
                  " ORDER BY id DESC";
    if (filter.Limit > 0 || filter.Offset > 0) {
        sql += " LIMIT ? OFFSET ?";
        binds << (filter.Limit > 0 ? filter.Limit : -1) << filter.Offset;
    }
    QSqlQuery q = d->Select(sql, binds);
    while (q.next())
        rows << RowOf(q);
    return rows;
}

int TJournal::Count(const TJournalFilter& filter) {
    if (!d->IsOpen)
        return 0;
    QVariantList binds;
    const QString where = d->Where(filter, binds);
    QSqlQuery q = d->Select("SELECT COUNT(*) FROM journal" + where, binds);
    return q.next() ? q.value(0).toInt() : 0;
}

QList<TJournalRow> TJournal::RowsById(const QList<qint64>& ids) {
    QList<TJournalRow> rows;
    if (!d->IsOpen || ids.isEmpty())
        return rows;
    QStringList marks;
    QVariantList binds;
    for (qint64 id : ids) {
        marks << "?";
        binds << id;
    }
    QSqlQuery q = d->Select(QStringLiteral("SELECT %1 FROM journal WHERE id IN (%2) ORDER BY id")
                                .arg(Columns, marks.join(',')),
                            binds);
    while (q.next())
        rows << RowOf(q);
    return rows;
}

QStringList TJournal::Boards() {
    QStringList boards;
    if (!d->IsOpen)
        return boards;
    QSqlQuery q = d->Select("SELECT DISTINCT board FROM journal ORDER BY board", {});
    while (q.next())
        boards << q.value(0).toString();
    return boards;
}

QHash<QByteArray, QByteArray> TJournal::Known(const QString& board) {
    QHash<QByteArray, QByteArray> known;
    if (!d->IsOpen)
        return known;
    QSqlQuery q = d->Select("SELECT grp, name, value FROM known WHERE board = ?", {board});
    while (q.next())
        known.insert(JournalKey(Bytes(q.value(0)), Bytes(q.value(1))), Bytes(q.value(2)));
    return known;
}

QList<TJournalValue> TJournal::StateAt(const QString& board, qint64 id) {
    QList<TJournalValue> out;
    if (!d->IsOpen)
        return out;
    struct TState {
        QByteArray Value;
        bool Decided = false; // a row up to `id` said what the board held
    };
    std::map<std::pair<QByteArray, QByteArray>, TState> state; // in group and name order
    QSqlQuery q = d->Select("SELECT id, grp, name, before, after, outcome FROM journal WHERE "
                            "board = ? AND kind IN ('change', 'outside') ORDER BY id",
                            {board});
    while (q.next()) {
        TState& s = state[{Bytes(q.value(1)), Bytes(q.value(2))}];
        const QByteArray before = Bytes(q.value(3));
        if (q.value(0).toLongLong() <= id) {
            // The latest row up to the moment decides; a refused change left
            // the value it found.
            QByteArray after = Bytes(q.value(4));
            if (after.isEmpty() && q.value(5).toString() == JournalOutcome::Refused)
                after = before;
            s = {after, !after.isEmpty()};
        } else if (!s.Decided && s.Value.isEmpty()) {
            s.Value = before;
        }
    }
    for (const auto& [key, s] : state)
        if (!s.Value.isEmpty())
            out << TJournalValue{key.first, key.second, s.Value};
    return out;
}

void TJournal::Prune() {
    Prune(KeepRowsPerBoard, KeepMs);
}

void TJournal::Prune(int keepRows, qint64 keepMs) {
    const qint64 cutMs = QDateTime::currentMSecsSinceEpoch() - keepMs;
    d->Post([=](QSqlDatabase& db) {
        QStringList boards;
        QSqlQuery q(db);
        q.exec("SELECT DISTINCT board FROM journal");
        while (q.next())
            boards << q.value(0).toString();
        q.finish();
        for (const QString& board : boards) {
            // The id of the oldest row among the board's newest `keepRows`:
            // older rows go when they are also older than the time bound.
            q.prepare("SELECT id FROM journal WHERE board = ? ORDER BY id DESC LIMIT 1 OFFSET ?");
            q.addBindValue(board);
            q.addBindValue(std::max(keepRows, 1) - 1);
            if (!q.exec() || !q.next())
                continue;
            const qint64 oldestKept = q.value(0).toLongLong();
            q.finish();
            Exec(db, "DELETE FROM journal WHERE board = ? AND id < ? AND t < ?",
                 {board, oldestKept, cutMs});
        }
    });
}

// ---------------------------------------------------------------------------

QString JournalOutcomeText(const QString& outcome, bool saved) {
    static const QHash<QString, QString> texts = {
        {JournalOutcome::Taken, "принято"},
        {JournalOutcome::Verified, "проверено чтением"},
        {JournalOutcome::Differs, "на плате другое значение"},
        {JournalOutcome::Refused, "отказ платы"},
        {JournalOutcome::Unconfirmed, "не подтверждено"},
        {JournalOutcome::Lost, "потеряно при перезапуске"},
        {JournalOutcome::Done, "выполнено"},
        {JournalOutcome::Failed, "не выполнено"},
    };
    const QString text = texts.value(outcome, outcome);
    return saved ? text + ", сохранено во флеш" : text;
}

QString JournalKindText(const QString& kind) {
    static const QHash<QString, QString> texts = {
        {JournalKind::Change, "изменение"},        {JournalKind::Outside, "изменено вне панели"},
        {JournalKind::Load, "загрузка"},           {JournalKind::Reset, "сброс"},
        {JournalKind::Save, "сохранение во флеш"}, {JournalKind::Backup, "резервная копия"},
    };
    return texts.value(kind, kind);
}

namespace {
QByteArray CsvField(const QByteArray& s) {
    if (!s.contains(',') && !s.contains('"') && !s.contains('\r') && !s.contains('\n'))
        return s;
    QByteArray quoted = s;
    quoted.replace('"', "\"\"");
    return '"' + quoted + '"';
}
} // namespace

QByteArray JournalCsv(const QList<TJournalRow>& rows) {
    QByteArray out =
        "id,time,board,kind,origin,group,name,before,sent,after,outcome,saved,detail\r\n";
    for (const TJournalRow& r : rows) {
        const QByteArrayList fields = {
            QByteArray::number(r.Id),
            QDateTime::fromMSecsSinceEpoch(r.TimeMs, Qt::UTC).toString(Qt::ISODateWithMs).toUtf8(),
            r.Board.toUtf8(),
            r.Kind.toUtf8(),
            r.Origin.toUtf8(),
            r.Group,
            r.Name,
            r.Before,
            r.Sent,
            r.After,
            r.Outcome.toUtf8(),
            r.Saved ? "1" : "0",
            r.Detail.toUtf8(),
        };
        QByteArrayList cells;
        for (const QByteArray& f : fields)
            cells << CsvField(f);
        out += cells.join(',') + "\r\n";
    }
    return out;
}

QByteArray JournalSetLine(const QByteArray& group, const QByteArray& name,
                          const QByteArray& value) {
    // Parameter groups send the value as their editors do (an OSD pair's
    // comma becomes a blank); channels, waypoints and mixers are journaled in
    // the form their "set" lines carry.
    const TExportSection* section = SectionNamed(group);
    if (IsParamSection(section))
        return ParamSetLine(section, name, value);
    return "set " + name + " " + Trim(value) + "\r\n";
}

QByteArrayList JournalUndoLines(const QList<TJournalRow>& rows) {
    QList<const TJournalRow*> changes;
    for (const TJournalRow& r : rows)
        if (r.Kind == JournalKind::Change && !r.Before.isEmpty())
            changes << &r;
    std::stable_sort(changes.begin(), changes.end(),
                     [](const TJournalRow* a, const TJournalRow* b) {
                         return a->Id != b->Id ? a->Id < b->Id : a->TimeMs < b->TimeMs;
                     });
    QByteArrayList lines;
    QSet<QByteArray> done;
    for (const TJournalRow* r : changes)
        if (!done.contains(JournalKey(r->Group, r->Name))) {
            done.insert(JournalKey(r->Group, r->Name));
            lines << JournalSetLine(r->Group, r->Name, r->Before);
        }
    return lines;
}

QList<TJournalDifference> JournalDifferences(const QList<TJournalValue>& then,
                                             const QHash<QByteArray, QByteArray>& now) {
    QList<TJournalDifference> out;
    for (const TJournalValue& v : then) {
        const QByteArray held = now.value(JournalKey(v.Group, v.Name));
        const TExportSection* section = SectionNamed(v.Group);
        const bool same = IsParamSection(section) ? SameParamValue(section, held, v.Value)
                                                  : SameSettingValue(held, v.Value);
        if (!same)
            out << TJournalDifference{v.Group, v.Name, held, v.Value};
    }
    std::sort(out.begin(), out.end(), [](const TJournalDifference& a, const TJournalDifference& b) {
        return a.Group != b.Group ? a.Group < b.Group : a.Name < b.Name;
    });
    return out;
}

TArchiveResult ApplyJournalLines(TBoardLink& link, const QByteArrayList& lines, TLoadCheck& check,
                                 const TRunHooks& hooks) {
    TArchiveResult result;
    if (lines.isEmpty())
        return result;
    // Sent and read back in one turn, as a load is: nothing comes between.
    const TBoardTurn turn(link);
    TRequest r = RunRequest(QByteArray(), ListingSilenceMs, hooks);
    r.Commands.clear();
    for (const QByteArray& line : lines)
        r.Commands << Trim(line) + "\r\n";
    const TAnswer a = link.Request(r);
    check.Refused << a.Refusals;
    result = ResultOf(a);
    result.Lines = static_cast<int>(lines.size());
    if (!result.Ok())
        return result;
    if (check.Verify) {
        TArchiveResult back = ReadBack(link, lines, check, hooks);
        if (!back.Ok()) {
            back.Lines = result.Lines;
            return back;
        }
    }
    if (!check.Refused.isEmpty() || !check.Differ.isEmpty())
        result.Status = TArchiveStatus::Differs;
    return result;
}
