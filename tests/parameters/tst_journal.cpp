// The change journal against the simulated board over the real worker: a
// session reads as a story of rows with the outcomes the link saw, a restart
// marks what it lost, values changed elsewhere are found in the listings, and
// undo and return to a moment put the board back, read back and compared.

#include "TestMain.h"
#include "TestPanel.h"
#include "TestSupport.h"
#include "parameters/JournalRecorder.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <csignal>

namespace {
struct TRig {
    QTemporaryDir Dir;
    TTestPanel Panel;
    TJournal Journal;
    std::unique_ptr<TJournalRecorder> Recorder;

    explicit TRig(TSimOptions options = {}) : Panel(std::move(options)) {
        QVERIFY(Journal.Open(Dir.filePath("journal.sqlite")));
        QVERIFY(Panel.Connect());
        Reconnect();
    }
    // A new connection to the same board: what it knows starts from the journal.
    void Reconnect() {
        Recorder = std::make_unique<TJournalRecorder>(Panel.Link(), Journal);
        Recorder->SetBoard(AskBoardIdentity(Panel.Link(), "mem", TWaitMode::ProcessEvents));
    }
    TAnswer Send(const QString& origin, const QByteArrayList& lines) {
        const TJournalOrigin scope(origin);
        TRequest r;
        for (const QByteArray& l : lines)
            r.Commands << l + "\r\n";
        r.Mode = TWaitMode::ProcessEvents;
        return Panel.Link().Request(r);
    }
    // "kind|origin|name|before>sent>after|outcome[|saved]", oldest first.
    QStringList Story(const TJournalFilter& filter = {}) {
        QStringList out;
        for (const TJournalRow& r : Journal.Rows(filter)) {
            QString line = QString("%1|%2|%3|%4>%5>%6|%7")
                               .arg(r.Kind, r.Origin, QString::fromLatin1(r.Name),
                                    QString::fromLatin1(r.Before), QString::fromLatin1(r.Sent),
                                    QString::fromLatin1(r.After), r.Outcome);
            out.prepend(r.Saved ? line + "|saved" : line);
        }
        return out;
    }
    qint64 IdOf(const QByteArray& name, const QByteArray& sent) {
        for (const TJournalRow& r : Journal.Rows({}))
            if (r.Name == name && r.Sent == sent)
                return r.Id;
        return 0;
    }
};
} // namespace

class TestJournal : public QObject {
    Q_OBJECT
private slots:
    void sessionReadsAsAStory() {
        TRig rig;
        // A name sent before any listing showed it learns its group from the next.
        rig.Send("vantor-cli", {"set baro_altitude_inair_border 6"});
        QVERIFY(rig.Send("Стабилизация", {"cat stab"}).Ok()); // the window opens
        rig.Send("Стабилизация", {"set gaz_cruise 600"});
        rig.Send("Консоль", {"set gaz_maximum 990", "set roll_kp 1"});
        rig.Send("Стабилизация", {"set gaz_minimum 2000", "cat stab"});

        QTemporaryDir dir;
        const QString file = dir.filePath("f.cfg");
        WriteAll(file, "##### BEGIN STAB #####\r\nset gaz_cruise 610\r\n##### END STAB #####\r\n");
        {
            const TJournalOrigin origin("Загрузка: f.cfg");
            rig.Journal.SetOutcome(rig.Recorder->NoteLoad(file), JournalOutcome::Done, {});
            TLoadCheck check;
            TRunHooks hooks;
            QVERIFY(LoadConfig(
                        rig.Panel.Link(), file, [](int) { return true; }, hooks, {}, &check)
                        .Ok());
        }
        rig.Send("Сохранение", {"save config"});
        QVERIFY(rig.Journal.Flush());
        const QStringList expected = {
            "change|vantor-cli|baro_altitude_inair_border|>6>6|verified|saved",
            "change|Стабилизация|gaz_cruise|560>600>600|verified|saved",
            "change|Консоль|gaz_maximum|980>990>990|verified|saved",
            "change|Консоль|roll_kp|>1>|refused",
            "change|Стабилизация|gaz_minimum|120>2000>1023|differs|saved",
            "load|Загрузка: f.cfg||>>|done",
            "change|Загрузка: f.cfg|gaz_cruise|600>610>610|verified|saved",
            "save|Сохранение|config|>>|done",
        };
        QCOMPARE(rig.Story(), expected);
        QCOMPARE(rig.Journal.Rows({}).last().Group, QByteArray("STAB"));
        // The refusal keeps the board's own words.
        TJournalFilter refused;
        refused.Outcome = JournalOutcome::Refused;
        QVERIFY(rig.Journal.Rows(refused).value(0).Detail.contains("Unknown parameter roll_kp"));
    }

    void restartMidLoadMarksTheLostRows() {
        TSimOptions options;
        options.Faults.RebootAfterCommand = "set gaz_maximum";
        options.Faults.RebootMs = 300;
        TRig rig(options);
        QTemporaryDir dir;
        const QString file = dir.filePath("f.cfg");
        WriteAll(file, "##### BEGIN STAB #####\r\nset gaz_minimum 130\r\nset gaz_maximum 970\r\n"
                       "set gaz_cruise 570\r\n##### END STAB #####\r\n");
        QVERIFY(rig.Send("Стабилизация", {"cat stab"}).Ok());
        {
            const TJournalOrigin origin("Загрузка: f.cfg");
            TRunHooks hooks;
            LoadConfig(
                rig.Panel.Link(), file, [](int) { return true; }, hooks);
        }
        // Every change of the load is gone with the restart, none is "taken".
        TJournalFilter changes;
        changes.Origin = "Загрузка";
        const QList<TJournalRow> rows = rig.Journal.Rows(changes);
        QVERIFY(!rows.isEmpty());
        for (const TJournalRow& r : rows)
            QCOMPARE(r.Outcome, QString(JournalOutcome::Lost));
        // What the board came back with is journaled as the restart's doing.
        QVERIFY(QTest::qWaitFor([&] { return rig.Send("Стабилизация", {"cat stab"}).Ok(); }, 5000));
        QVERIFY(rig.Story().contains("outside|После перезапуска платы|gaz_minimum|130>>120|done"));
    }

    void outsideChangesUndoAndReturnToAMoment() {
        TRig rig;
        QVERIFY(rig.Send("Стабилизация", {"cat stab"}).Ok());
        rig.Send("Стабилизация", {"set gaz_cruise 600"});
        rig.Send("Стабилизация", {"set gaz_cruise 620", "cat stab"});
        QCOMPARE(rig.Panel.BoardValue("stab", "gaz_cruise"), QByteArray("620"));

        // Another tool changes the board between two connections.
        rig.Panel.WithBoard([](TBoardSim& sim) { *sim.State().FindParam("gaz_maximum") = "950"; });
        rig.Reconnect();
        QSignalSpy said(rig.Recorder.get(), &TJournalRecorder::OutsideChanges);
        QVERIFY(rig.Send("Стабилизация", {"cat stab", "cat stab"}).Ok());
        QCOMPARE(said.count(), 1);
        QVERIFY(rig.Story().contains("outside|Изменено вне панели|gaz_maximum|980>>950|done"));

        // Undo of the first change puts back what it replaced.
        const qint64 first = rig.IdOf("gaz_cruise", "600");
        const QByteArrayList undo = JournalUndoLines(rig.Journal.RowsById({first}));
        QCOMPARE(undo, QByteArrayList{"set gaz_cruise 560\r\n"});
        TLoadCheck check;
        {
            const TJournalOrigin origin("Отмена строки");
            QVERIFY(ApplyJournalLines(rig.Panel.Link(), undo, check, {}).Ok());
        }
        QCOMPARE(rig.Panel.BoardValue("stab", "gaz_cruise"), QByteArray("560"));
        QVERIFY(
            rig.Story().last().startsWith("change|Отмена строки|gaz_cruise|620>560>560|verified"));

        // Back to the moment of the first change: both values as they were.
        const QList<TJournalDifference> diff = JournalDifferences(
            rig.Journal.StateAt(rig.Recorder->Board(), first), rig.Recorder->Holds());
        QByteArrayList lines;
        for (const TJournalDifference& d : diff)
            lines << JournalSetLine(d.Group, d.Name, d.Then);
        QCOMPARE(lines, (QByteArrayList{"set gaz_cruise 600\r\n", "set gaz_maximum 980\r\n"}));
        QVERIFY(ApplyJournalLines(rig.Panel.Link(), lines, check, {}).Ok());
        QCOMPARE(rig.Panel.BoardValue("stab", "gaz_cruise"), QByteArray("600"));
        QCOMPARE(rig.Panel.BoardValue("stab", "gaz_maximum"), QByteArray("980"));
    }

    // vantor-cli journals its set (verified by its own read-back), prints
    // the history and undoes a row, read back by the board's listing.
    void cliHistoryAndUndo() {
        TSimProcess sim;
        QVERIFY(sim.Ok);
        QCOMPARE(RunCli({"get", "stab"}, sim.Path).Exit, 0); // the journal learns the values
        QCOMPARE(RunCli({"set", "gaz_cruise", "600"}, sim.Path).Exit, 0);
        const auto newest = [] {
            const TCliRun h = RunCli({"history", "--name", "cruise", "--csv"});
            return h.Out.split('\n').value(1).split(',');
        };
        const QByteArrayList row = newest();
        QCOMPARE(row.mid(4, 7), (QByteArrayList{"vantor-cli", "STAB", "gaz_cruise", "560", "600",
                                                "600", "verified"}));
        QCOMPARE(RunCli({"undo", QString::fromLatin1(row[0])}, sim.Path).Exit, 0);
        QVERIFY(RunCli({"get", "stab"}, sim.Path).Out.contains("gaz_cruise = 560"));
        QVERIFY(newest().value(4).contains(row[0])); // the undo names the row it undid
    }

    // Rows are committed as they come: a tool killed in the middle of a load
    // leaves every row another reader saw, in order, in an undamaged file.
    void killedDuringALoadKeepsEveryEarlierRow() {
        TSimProcess sim({"--latency", "100"});
        QVERIFY(sim.Ok);
        QByteArray file = "##### BEGIN STAB #####\r\n";
        for (int i = 0; i < 60; ++i)
            file += "set gaz_cruise " + QByteArray::number(500 + i) + "\r\n";
        WriteAll(sim.File("f.cfg"), file + "##### END STAB #####\r\n");
        const QString path = sim.File("journal.sqlite");
        QProcess cli;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("VANTOR_JOURNAL", path);
        cli.setProcessEnvironment(env);
        cli.start(qEnvironmentVariable("VANTOR_CLI_BIN"),
                  {"--port", sim.Path, "load", sim.File("f.cfg")});
        TJournal reader;
        TJournalFilter load;
        load.Name = "gaz_cruise";
        int seen = 0;
        QVERIFY(QTest::qWaitFor(
            [&] {
                return (reader.IsOpen() || reader.Open(path)) && (seen = reader.Count(load)) >= 10;
            },
            60000));
        ::kill(static_cast<pid_t>(cli.processId()), SIGKILL);
        QVERIFY(cli.waitForFinished());
        TJournal after;
        QVERIFY(after.Open(path));
        QCOMPARE(after.TakeProblemText(), QString());
        const QList<TJournalRow> rows = after.Rows(load);
        QVERIFY(rows.size() >= seen && rows.size() < 60);
        for (int i = 0; i < rows.size(); ++i)
            QCOMPARE(rows[rows.size() - 1 - i].Sent, QByteArray::number(500 + i));
    }
};

VANTOR_TEST_MAIN(TestJournal)
#include "tst_journal.moc"
