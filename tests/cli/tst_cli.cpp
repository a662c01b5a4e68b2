// vantor-cli end to end against vantor-board-sim on a pty: the files it
// writes, loading chosen sections, flight logs, flash save, and its command
// line.

#include "TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

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

    // Ctrl-C while a silent board keeps the handshake waiting ends the run
    // as cancelled, not after the handshake's ten seconds.
    void interruptEndsTheHandshake() {
        const int master = posix_openpt(O_RDWR | O_NOCTTY);
        QVERIFY(master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0);
        const int slave = ::open(ptsname(master), O_RDWR | O_NOCTTY); // no hang-up meanwhile
        QProcess cli;
        cli.start(qEnvironmentVariable("VANTOR_CLI_BIN"),
                  {"--port", QString::fromLatin1(ptsname(master)), "get", "stab"});
        pollfd line{master, POLLIN, 0}; // the handshake's first line: the run is under way
        QVERIFY(poll(&line, 1, 10000) == 1);
        ::kill(static_cast<pid_t>(cli.processId()), SIGINT);
        QVERIFY(cli.waitForFinished(5000));
        QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
        QCOMPARE(cli.exitCode(), 1);
        QCOMPARE(cli.readAllStandardError(), QByteArray("vantor-cli: cancelled\n"));
        ::close(slave);
        ::close(master);
    }

    // Success means the board holds it: refusals, clamps and unknown groups
    // fail, and a load says line by line what the board did not take.
    void boardRefusalsFail_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exit");
        QTest::addColumn<QByteArray>("says");
        QTest::newRow("set read back")
            << QStringList{"set", "gaz_cruise", "600"} << 0 << QByteArray();
        QTest::newRow("clamped") << QStringList{"set", "gaz_cruise", "5000"} << 1
                                 << QByteArray("the board holds 'set gaz_cruise 1023'");
        QTest::newRow("unknown name") << QStringList{"set", "nosuch", "5"} << 1
                                      << QByteArray("refused 'set nosuch 5': Unknown parameter");
        QTest::newRow("invalid arguments")
            << QStringList{"set", "mix", "99", "1", "1"} << 1 << QByteArray("Invalid arguments");
        QTest::newRow("unknown group")
            << QStringList{"get", "nosuch"} << 1 << QByteArray("does not know 'cat nosuch'");
        QTest::newRow("flash save failed") << QStringList{"save", "config"} << 1
                                           << QByteArray("refused 'save config': Save failed");
        QTest::newRow("load partly refused")
            << QStringList{"load", "FILE"} << 1
            << QByteArray("refused: set nosuch 1: Unknown parameter nosuch\n"
                          "vantor-cli: differs: set gaz_cruise 5000 (the board holds set "
                          "gaz_cruise 1023)\nvantor-cli: differs: set nosuch 1 (the board holds "
                          "nothing)\nvantor-cli: read back: 2 of 4 lines as in the file");
    }
    void boardRefusalsFail() {
        QFETCH(QStringList, args);
        QTemporaryDir dir; // a flash the board cannot write: a folder where its file should be
        TSimProcess sim({"--state", dir.path()});
        QVERIFY(sim.Ok);
        WriteAll(sim.File("f.cfg"), "##### BEGIN STAB #####\r\nset gaz_cruise 5000\r\nset "
                                    "nosuch 1\r\nset gaz_minimum 20\r\n##### END STAB #####\r\n"
                                    "##### BEGIN WP #####\r\nset wp 1 55.5 37.5 120\r\n");
        const TCliRun r = RunCli(args.replaceInStrings("FILE", sim.File("f.cfg")), sim.Path);
        QTEST(r.Exit, "exit");
        QFETCH(QByteArray, says);
        QVERIFY2(r.Err.contains(says), r.Err.constData());
    }

    // What is written is on disk, or the old file stays; streams are written
    // as they are.
    void outputs_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("kind"); // "full": RLIMIT_FSIZE; "fifo"; "-"
        QTest::newRow("export, full disk") << QStringList{"export", "OUT"} << "full";
        QTest::newRow("flight log, full disk")
            << QStringList{"logs", "--flight", "3", "OUT"} << "full";
        QTest::newRow("export to a FIFO") << QStringList{"export", "OUT"} << "fifo";
        QTest::newRow("flight log to stdout") << QStringList{"logs", "--flight", "3", "-"} << "-";
    }
    void outputs() {
        QFETCH(QStringList, args);
        QFETCH(QString, kind);
        TSimProcess sim;
        QVERIFY(sim.Ok);
        const QString out = sim.File("out");
        if (kind == "fifo")
            QCOMPARE(mkfifo(QFile::encodeName(out).constData(), 0600), 0);
        else
            WriteAll(out, OldFile);
        QByteArray piped;
        std::thread reader([&] {
            if (kind == "fifo")
                piped = ReadAll(out);
        });
        const TCliRun r = RunCli(args.replaceInStrings("OUT", out), sim.Path, 120000, [&kind] {
            if (kind == "full") { // a disk with 4 KiB free
                std::signal(SIGXFSZ, SIG_IGN);
                const rlimit small{4096, RLIM_INFINITY};
                setrlimit(RLIMIT_FSIZE, &small);
            }
        });
        reader.join();
        if (kind == "full") {
            QCOMPARE(r.Exit, 1);
            QVERIFY2(r.Err.contains("failed: File too large; ") && r.Err.contains("left unchanged"),
                     r.Err.constData());
            QCOMPARE(ReadAll(out), OldFile);
            QCOMPARE(QDir(sim.File("")).entryList({"out*"}, QDir::Files | QDir::System),
                     QStringList{"out"}); // no temporary file left
            return;
        }
        QCOMPARE(r.Exit, 0);
        const QByteArray got = kind == "fifo" ? piped : r.Out;
        QVERIFY(got.startsWith(kind == "fifo" ? "##### BEGIN STAB" : "time_ms") &&
                got.size() > 4000);
        QCOMPARE(QFileInfo(out).isFile(), kind == "-"); // the FIFO is still one
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
        QTest::newRow("load of a missing file: the port is not even opened")
            << QStringList{"--port", "/nonexistent/tty", "load", "/nonexistent/f.cfg"} << 1
            << QByteArray("vantor-cli: no such file: /nonexistent/f.cfg");
        QTest::newRow("no such port")
            << QStringList{"--port", "/nonexistent/tty", "get", "stab"} << 1
            << QByteArray("vantor-cli: Cannot open /nonexistent/tty port");
        QTest::newRow("history needs no port")
            << QStringList{"history", "--since", "2026-03-01T12:00", "--csv"} << 0
            << QByteArray("id,time,board,kind,origin,group,name,before,sent,after,outcome");
        QTest::newRow("bad since") << QStringList{"history", "--since", "2026-13-01"} << 2
                                   << QByteArray("invalid --since '2026-13-01'");
        QTest::newRow("undo of a row the journal lacks: the port is not even opened")
            << QStringList{"--port", "/nonexistent/tty", "undo", "999999999"} << 2
            << QByteArray("vantor-cli: the journal has no row 999999999");
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
