// The change journal's store on temporary files: rows and their outcomes,
// a damaged or unreachable file, pruning, and the state, undo and CSV built
// from rows.

#include "parameters/Journal.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

namespace {
TJournalRow Change(const QString& board, const QByteArray& group, const QByteArray& name,
                   const QByteArray& before, const QByteArray& after, const char* outcome,
                   const char* kind = JournalKind::Change) {
    TJournalRow r;
    r.Board = board;
    r.Kind = kind;
    r.Origin = "Консоль";
    r.Group = group;
    r.Name = name;
    r.Before = before;
    r.Sent = r.After = after;
    r.Outcome = outcome;
    return r;
}
QStringList Outcomes(TJournal& j, const TJournalFilter& f = {}) {
    QStringList out;
    for (const TJournalRow& r : j.Rows(f))
        out << r.Outcome + (r.Saved ? "+saved" : "");
    return out;
}
} // namespace

class TestJournalCore : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void rowsOutcomesSavedAndLost() {
        const QString path = m_dir.filePath("a/j.sqlite");
        {
            TJournal j;
            QVERIFY(j.Open(path));
            QVERIFY(j.ProblemText().isEmpty());
            const qint64 h = j.Add(Change("A", "STAB", "gaz_cruise", "560", "600", "taken"));
            j.Add(Change("A", "STAB", "gazxcruise", "1", "2", "unconfirmed"));
            j.Add(Change("B", "STAB", "gaz_cruise", "1", "2", "taken"));
            j.SetOutcome(h, JournalOutcome::Verified, "600.0");
            j.MarkSaved("A");
            j.Add(Change("A", "OSD", "alt_pos", "1,2", "3 4", "taken"));
            QVERIFY(j.Flush());
        }
        // Another process's unsaved change on the same board: not ours to lose.
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "other");
            db.setDatabaseName(path);
            QVERIFY(db.open());
            QVERIFY(QSqlQuery(db).exec("INSERT INTO journal (t, board, session, seq, kind, "
                                       "outcome) VALUES (1, 'A', 'other', 1, 'change', 'taken')"));
        }
        QSqlDatabase::removeDatabase("other");
        TJournal j;
        QVERIFY(j.Open(path));
        j.MarkLost("A");
        TJournalFilter a;
        a.Board = "A";
        QCOMPARE(Outcomes(j, a), QStringList({"taken", "lost", "unconfirmed", "verified+saved"}));
        QCOMPARE(j.Rows(a).last().After, QByteArray("600.0"));
        TJournalFilter f;
        f.Name = "Z_C"; // '_' is a letter here, not a wildcard
        f.Origin = "консоль";
        QCOMPARE(j.Count(f), 2);
        f.Limit = 1;
        f.Offset = 1;
        QCOMPARE(j.Rows(f).first().Board, QString("A"));
        QCOMPARE(j.RowsById({1, 4}).size(), 2);
        QCOMPARE(j.Boards(), QStringList({"A", "B"}));
        j.SetKnown("A", "OSD", "alt_pos", "3,4");
        QCOMPARE(j.Known("A").value(JournalKey("OSD", "alt_pos")), QByteArray("3,4"));
    }

    void damagedFileIsPutAside() {
        const QString path = m_dir.filePath("bad.sqlite");
        WriteGarbage(path);
        TJournal j;
        QVERIFY(j.Open(path));
        const QString problem = j.TakeProblemText();
        const qsizetype at = problem.indexOf(path + ".damaged-");
        QVERIFY2(at >= 0, qPrintable(problem));
        const QString aside = problem.mid(at).section("»", 0, 0);
        QFile kept(aside);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray(8192, 'x'));
        j.Add(Change("A", "STAB", "p", "1", "2", "taken"));
        QCOMPARE(j.Count({}), 1);
        QVERIFY(j.ProblemText().isEmpty());
    }

    void unreachablePathStaysClosed() {
        const QString file = m_dir.filePath("plain");
        WriteGarbage(file);
        TJournal j;
        QVERIFY(!j.Open(file + "/sub/j.sqlite"));
        QVERIFY(!j.IsOpen());
        QVERIFY(j.ProblemText().startsWith("Журнал изменений не открыт: "));
        QCOMPARE(j.Add(Change("A", "STAB", "p", "1", "2", "taken")), 0);
        j.MarkSaved("A");
        QVERIFY(j.Flush());
        QVERIFY(j.Rows({}).isEmpty());
        QVERIFY(j.StateAt("A", 1).isEmpty());
    }

    void pruneKeepsTheLargerOfAgeAndCount() {
        TJournal j;
        QVERIFY(j.Open(m_dir.filePath("prune.sqlite")));
        const qint64 old = QDateTime::currentMSecsSinceEpoch() - 10LL * 24 * 3600 * 1000;
        for (const char* board : {"A", "A", "A", "A", "A", "B", "B"}) {
            TJournalRow r = Change(board, "STAB", "p", "1", "2", "taken");
            r.TimeMs = old;
            j.Add(r);
        }
        for (int i = 0; i < 5; ++i)
            j.Add(Change("C", "STAB", "p", "1", "2", "taken"));
        j.Add(Change("A", "STAB", "p", "1", "2", "taken"));
        j.Prune(3, 24 * 3600 * 1000);
        QList<qint64> ids;
        for (const TJournalRow& r : j.Rows({}))
            ids << r.Id;
        QCOMPARE(ids, QList<qint64>({13, 12, 11, 10, 9, 8, 7, 6, 5, 4}));
    }

    void stateAtDifferencesAndUndo() {
        TJournal j;
        QVERIFY(j.Open(m_dir.filePath("state.sqlite")));
        j.Add(Change("A", "STAB", "gaz_cruise", "560", "600", "verified"));    // 1
        j.Add(Change("A", "STAB", "roll_kp", "0.5", "", "refused"));           // 2
        j.Add(Change("A", "OSD", "alt_pos", "1,2", "3,4", "done", "outside")); // 3
        j.Add(Change("A", "STAB", "gaz_cruise", "600", "650", "taken"));       // 4
        j.Add(Change("A", "CONTROL IN", "ch_in 3", "", "1 2 3 4 5", "taken")); // 5
        j.Add(Change("B", "STAB", "gaz_cruise", "1", "2", "taken"));           // 6
        QList<QByteArray> state;
        for (const TJournalValue& v : j.StateAt("A", 2))
            state << v.Group + "/" + v.Name + "=" + v.Value;
        QCOMPARE(state,
                 QList<QByteArray>({"OSD/alt_pos=1,2", "STAB/gaz_cruise=600", "STAB/roll_kp=0.5"}));
        const QHash<QByteArray, QByteArray> now = {{JournalKey("OSD", "alt_pos"), "1 2"},
                                                   {JournalKey("STAB", "gaz_cruise"), "650"},
                                                   {JournalKey("STAB", "roll_kp"), "0.50"}};
        const QList<TJournalDifference> diff = JournalDifferences(j.StateAt("A", 2), now);
        QCOMPARE(diff.size(), 1);
        QCOMPARE(diff[0].Name + diff[0].Now + diff[0].Then, QByteArray("gaz_cruise650600"));
        TJournalFilter a;
        a.Board = "A";
        QCOMPARE(JournalUndoLines(j.Rows(a)),
                 QByteArrayList({"set gaz_cruise 560\r\n", "set roll_kp 0.5\r\n"}));
    }

    void setLine_data() {
        QTest::addColumn<QByteArray>("group");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("param") << QByteArray("STAB") << QByteArray("gaz_cruise")
                               << QByteArray(" 560 ") << QByteArray("set gaz_cruise 560\r\n");
        QTest::newRow("decimal comma") << QByteArray("IMU") << QByteArray("k") << QByteArray("0,5")
                                       << QByteArray("set k 0.5\r\n");
        QTest::newRow("osd pair") << QByteArray("OSD") << QByteArray("alt_pos") << QByteArray("3,4")
                                  << QByteArray("set alt_pos 3 4\r\n");
        QTest::newRow("channel") << QByteArray("CONTROL IN") << QByteArray("ch_in 3")
                                 << QByteArray("1 2 3 4 5")
                                 << QByteArray("set ch_in 3 1 2 3 4 5\r\n");
    }
    void setLine() {
        QFETCH(QByteArray, group);
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, value);
        QTEST(JournalSetLine(group, name, value), "line");
    }

    void csvQuotesWhatNeedsIt() {
        TJournalRow r = Change("ver 1.2 @ /dev/ttyUSB0", "STAB", "p", "1", "2", "taken");
        r.Id = 7;
        r.TimeMs = 86400000 + 1;
        r.Origin = "Загрузка: a,b.cfg";
        r.Detail = "said \"no\"\nthen";
        QCOMPARE(JournalCsv({r}).split('\n').mid(1).join('\n'),
                 QByteArray("7,1970-01-02T00:00:00.001Z,ver 1.2 @ /dev/ttyUSB0,change,"
                            "\"Загрузка: a,b.cfg\",STAB,p,1,2,2,taken,0,\"said \"\"no\"\"\n"
                            "then\"\r\n"));
    }

private:
    static void WriteGarbage(const QString& path) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(8192, 'x'));
    }
};

QTEST_GUILESS_MAIN(TestJournalCore)
#include "tst_journal_core.moc"
