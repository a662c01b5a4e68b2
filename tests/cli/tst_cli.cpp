// vantor-cli end to end against vantor-board-sim on a pty: the files it
// writes, loading chosen sections, flight logs, flash save, and its command
// line.

#include "TestSupport.h"

#include <QTemporaryDir>
#include <QTest>

class TestCli : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        if (qEnvironmentVariable("VANTOR_SIM_BIN").isEmpty() ||
            qEnvironmentVariable("VANTOR_CLI_BIN").isEmpty())
            QSKIP("VANTOR_SIM_BIN / VANTOR_CLI_BIN not set");
    }

    void exportReplacesOldFile() {
        TSimProcess sim;
        QVERIFY(sim.Ok);
        const QString file = sim.File("backup.cfg");
        WriteAll(file, OldFile);
        const TCliRun r = RunCli({"export", file}, sim.Path);
        QCOMPARE(r.Exit, 0);
        QVERIFY2(r.Err.isEmpty(), r.Err.constData()); // no progress when stderr is no terminal
        const QByteArray got = ReadAll(file);
        QVERIFY(got.startsWith("##### BEGIN STAB #####\r\n"));
        QVERIFY(got.endsWith("##### END CONTROL MIXERS #####\r\n"));
        QVERIFY(!got.contains("old contents"));
        QCOMPARE(got.count("\r\n"), got.count('\n')); // every line ends in CR LF
    }

    void loadSendsOnlyChosenSectionsAndSaveReachesTheFlash() {
        QTemporaryDir dir;
        const QString flash = dir.filePath("flash.txt");
        TSimProcess sim({"--state", flash});
        QVERIFY(sim.Ok);
        const QString file = sim.File("backup.cfg");
        QCOMPARE(RunCli({"export", file}, sim.Path).Exit, 0);
        QCOMPARE(RunCli({"set", "gaz_cruise", "600"}, sim.Path).Exit, 0);
        QCOMPARE(RunCli({"set", "ch_in", "3", "7", "7", "900", "1400", "2100"}, sim.Path).Exit, 0);
        QCOMPARE(RunCli({"load", file, "--sections", "wp,control_in"}, sim.Path).Exit, 0);
        QVERIFY(RunCli({"get", "stab"}, sim.Path).Out.contains("gaz_cruise = 600\n"));
        const QByteArray inputs = RunCli({"get", "control", "in"}, sim.Path).Out;
        QVERIFY(inputs.contains("\n3: "));
        QVERIFY(!inputs.contains("3: 7 7 900 1400 2100")); // restored from the file
        QCOMPARE(RunCli({"load", file, "--sections", "stab"}, sim.Path).Exit, 0);
        QVERIFY(RunCli({"get", "stab"}, sim.Path).Out.contains("gaz_cruise = 560\n"));
        QCOMPARE(RunCli({"set", "gaz_cruise", "610"}, sim.Path).Exit, 0);
        QCOMPARE(RunCli({"save", "config"}, sim.Path).Exit, 0);
        QVERIFY(ReadAll(flash).contains("610"));
    }

    void flightLogs() {
        TSimProcess sim({"--flights", "3-7"});
        QVERIFY(sim.Ok);
        const TCliRun list = RunCli({"logs", "--list"}, sim.Path);
        QCOMPARE(list.Exit, 0);
        QCOMPARE(list.Out, QByteArray("7\n6\n5\n4\n3\n"));
        const QString file = sim.File("f.csv");
        QCOMPARE(RunCli({"logs", "--flight", "5", "--decimal-comma", file}, sim.Path).Exit, 0);
        const QByteArray csv = ReadAll(file);
        QVERIFY(csv.size() > 1000);
        QVERIFY(!csv.contains('.'));
        QVERIFY(csv.endsWith("\r\n") && !csv.contains("\r\n\r\n"));
        QCOMPARE(RunCli({"logs", "--flight", "5", file}, sim.Path).Exit, 0);
        const QByteArray points = ReadAll(file);
        QVERIFY(points.contains('.'));
        const TCliRun missing = RunCli({"logs", "--flight", "9", file}, sim.Path);
        QCOMPARE(missing.Exit, 1);
        QCOMPARE(missing.Err,
                 QByteArray("vantor-cli: no flight 9 on the board (it holds 3 to 7)\n"));
        QCOMPARE(ReadAll(file), points);
    }

    void commandLine_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exit");
        QTest::addColumn<QByteArray>("says");
        QTest::newRow("help") << QStringList{"--help"} << 0 << QByteArray("save config|controls");
        QTest::newRow("no port") << QStringList{"get", "stab"} << 2
                                 << QByteArray("vantor-cli: --port is required");
        QTest::newRow("bad section")
            << QStringList{"--port", "x", "load", "f", "--sections", "stab,nope"} << 2
            << QByteArray("unknown section 'nope'");
        QTest::newRow("bad flight") << QStringList{"--port", "x", "logs", "--flight", "a", "f"} << 2
                                    << QByteArray("usage: logs --flight");
        QTest::newRow("no such port")
            << QStringList{"--port", "/nonexistent/tty", "get", "stab"} << 1
            << QByteArray("vantor-cli: Cannot open /nonexistent/tty port");
    }
    void commandLine() {
        QFETCH(QStringList, args);
        const TCliRun r = RunCli(args);
        QTEST(r.Exit, "exit");
        QFETCH(QByteArray, says);
        QVERIFY2((r.Out + r.Err).contains(says), (r.Out + r.Err).constData());
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
