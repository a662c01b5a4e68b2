#pragma once
// Turns what the link sees into journal rows: every "set" line sent (with the
// origin in force, the value the board listed before, and how the board
// answered), every "reset" and flash save, a load's start and the automatic
// backups; marks changes verified or different when a later listing shows
// them, saved when a flash save takes, lost when the board restarts. Listings
// the windows make anyway are compared with what the journal last knew of
// the board: values changed meanwhile (another tool, a reset, a restart)
// become rows of their own, and the first such of a connection is announced
// once (OutsideChanges). No line is ever sent for the journal's sake except
// the "ver" that names the board at connect (AskBoardIdentity).

#include "link/BoardLinkUnit.h"
#include "link/JournalOrigin.h"
#include "parameters/Journal.h"

#include <QHash>
#include <QObject>
#include <QSet>

class TJournalRecorder : public QObject {
    Q_OBJECT
public:
    TJournalRecorder(TBoardLink& link, TJournal& journal, QObject* parent = nullptr);
    ~TJournalRecorder() override;

    // The panel's recorder (the main window sets it up); null when none.
    static TJournalRecorder* Current();

    // A connection begins with the board so named ("<ver> @ <port>"): what
    // this session knows of the board starts from the journal's Known.
    void SetBoard(const QString& board);
    QString Board() const { return m_board; }
    // A load of `file` begins (a row of its own); the handle takes its
    // outcome (TJournal::SetOutcome) when it ends.
    qint64 NoteLoad(const QString& file);
    // The automatic backup `file` was written before `what` ("загрузка", "сброс").
    void NoteBackup(const QString& file, const QString& what);
    // What this session knows the board holds now, by JournalKey.
    QHash<QByteArray, QByteArray> Holds() const { return m_holds; }

signals:
    // Values the journal knew differ from the board's listing: said once a
    // connection, with how many so far.
    void OutsideChanges(int count);

private:
    struct TPending {
        QByteArray Command; // trimmed, as the link reports its answer
        const char* Kind = nullptr;
        QString Origin;
        QByteArray Group, Name, Before, Sent;
    };
    struct TUnverified {
        qint64 Handle = 0;
        QByteArray Sent;
    };
    void Sent(const QByteArray& line);
    void Answered(const QByteArray& command, const QByteArray& refusal);
    void Unconfirmed(const QByteArray& command);
    void Listed(const QByteArray& command, const QByteArray& line);
    void Restarted();
    // A listed value: verifies a change waiting for it, or journals one made
    // elsewhere since the journal last knew the board.
    void Compare(const QByteArray& group, const QByteArray& name, const QByteArray& listed);
    // The board holds `value` now (listed or taken).
    void NowHolds(const QByteArray& group, const QByteArray& name, const QByteArray& value);
    bool TakePending(const QByteArray& command, TPending& p);
    qint64 AddRow(const TPending& p, const char* outcome, const QByteArray& after,
                  const QString& detail = QString());
    qint64 AddEvent(const char* kind, const QString& origin, const QString& detail,
                    const char* outcome);
    QString BoardName() const;

    TBoardLink& m_link;
    TJournal& m_journal;
    QString m_board;
    QHash<QByteArray, QByteArray> m_holds;       // JournalKey -> value the board holds
    QHash<QByteArray, QByteArray> m_known;       // what the journal knows (kept current)
    QHash<QByteArray, QByteArray> m_groupOf;     // name -> group that lists it
    QSet<QByteArray> m_seen;                     // listed or set in this connection
    QList<TPending> m_pending;                   // sent, answer not yet come
    QHash<QByteArray, TUnverified> m_unverified; // taken, not yet listed again
    QSet<QByteArray> m_resetGroups;              // reset in this connection
    bool m_afterRestart = false;                 // the board restarted in this connection
    bool m_restartOwed = false;                  // ... and has not answered a command since
    int m_outsideCount = 0;
};

// Asks the board "ver" and names it "<answer lines joined by "; "> @ <port>";
// "(плата не ответила на ver) @ <port>" when it did not answer.
QString AskBoardIdentity(TBoardLink& link, const QString& port, TWaitMode mode);
// The same name from the lines the board answered "ver" with (none: unnamed).
QString BoardIdentity(const QByteArrayList& ver, const QString& port);
