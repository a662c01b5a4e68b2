// The simulated board's faults: each does what it says, reproducibly under
// its seed, driven directly, through the in-memory wire and on a pty.

#include "SimTestUtil.h"
#include "TestSupport.h"
#include "link/ComPortUnit.h"
#include "link/MemoryPort.h"
#include "link/PosixSerialPort.h"
#include "sim/PtyTransport.h"
#include "sim/SimRunner.h"

#include <QTest>

using namespace simtest;

namespace {
TBoardSim QuietSim(const TFaults& faults, quint32 seed = 1) {
    TSimOptions opt;
    opt.Seed = seed;
    opt.Faults = faults;
    opt.LogDumpBytes = 20000;
    return TBoardSim(opt);
}

// A long answer under byte faults, read off in wire-sized chunks.
QByteArray FaultyDump(const TFaults& faults, quint32 seed) {
    TBoardSim board = QuietSim(faults, seed);
    board.Receive("echo off\r\nlog dump 1\r\n", 0);
    QByteArray out;
    for (qint64 t = 0; t < 100000 && (board.Busy() || board.PendingOutput() > 0); t += 10) {
        board.Tick(t);
        out += board.TakeOutput(100);
    }
    return out;
}

bool Complete(const QByteArrayList& answer) {
    return answer.isEmpty() || !answer.last().startsWith("<end");
}

// Handshake of the panel: empty line, then "echo off", each to the prompt.
bool Handshake(TBoardLink& link) {
    return Complete(Exchange(link, "")) && Complete(Exchange(link, "echo off"));
}
} // namespace

class TestSimFaults : public QObject {
    Q_OBJECT
private slots:
    void latencyDelaysAnswers() {
        TFaults f;
        f.LatencyMs = 300;
        TBoardSim sim = QuietSim(f);
        sim.Receive("echo off\r\n", 0);
        sim.Tick(300);
        TakeAll(sim);
        sim.Receive("cat gyro\r\n", 1000);
        QCOMPARE(TakeAll(sim), QByteArray());
        sim.Tick(1299);
        QCOMPARE(TakeAll(sim), QByteArray());
        sim.Tick(1300);
        QVERIFY(TakeAll(sim).contains("gyro_bias_x = "));
    }

    void silenceAfterCommand_data() {
        QTest::addColumn<int>("silenceMs");
        QTest::newRow("for ever") << 0;
        QTest::newRow("for two seconds") << 2000;
    }
    void silenceAfterCommand() {
        QFETCH(int, silenceMs);
        TFaults f;
        f.SilenceAfterCommand = "cat stab";
        f.SilenceMs = silenceMs;
        TBoardSim sim = QuietSim(f);
        Quiet(sim);
        const QByteArray listing = Ask(sim, "cat stab", 0);
        QVERIFY(listing.contains("gaz_cruise = 560") && listing.endsWith("=>"));
        QVERIFY(sim.Silent());
        QCOMPARE(Ask(sim, "set gaz_cruise 600", 10), QByteArray());
        QCOMPARE(Ask(sim, "cat gyro", 20), QByteArray());
        QCOMPARE(sim.State().Value("stab", "gaz_cruise"), QByteArray("600")); // it still acts
        sim.Tick(2500);
        QCOMPARE(sim.Silent(), silenceMs == 0);
        QCOMPARE(Ask(sim, "cat gyro", 2500).contains("gyro_bias_x"), silenceMs != 0);
    }

    void silenceAfterBytesCutsMidLine() {
        TFaults f;
        f.SilenceAfterBytes = 100;
        TBoardSim sim = QuietSim(f);
        QByteArray out;
        sim.Receive("echo off\r\ncat stab\r\n", 0);
        while (sim.PendingOutput() > 0)
            out += sim.TakeOutput(7);
        QCOMPARE(out.size(), 100);
        QVERIFY(sim.Silent());
        QCOMPARE(Ask(sim, "ver", 10), QByteArray());
    }

    void dropAndGarbleAtTheirRate_data() {
        QTest::addColumn<double>("drop");
        QTest::addColumn<double>("garble");
        QTest::newRow("drop 10%") << 0.1 << 0.0;
        QTest::newRow("garble 10%") << 0.0 << 0.1;
        QTest::newRow("drop 2% and garble 5%") << 0.02 << 0.05;
    }
    void dropAndGarbleAtTheirRate() {
        QFETCH(double, drop);
        QFETCH(double, garble);
        const QByteArray clean = FaultyDump({}, 1);
        TFaults f;
        f.DropRate = drop;
        f.GarbleRate = garble;
        const QByteArray faulty = FaultyDump(f, 1);
        const double lost = 1.0 - double(faulty.size()) / clean.size();
        QVERIFY2(qAbs(lost - drop) < 0.02, QByteArray::number(lost).constData());
        if (drop == 0) {
            int differ = 0;
            for (int i = 0; i < clean.size(); ++i)
                differ += clean[i] != faulty[i];
            const double share = double(differ) / clean.size();
            // A random byte may happen to equal the one it replaces.
            QVERIFY2(qAbs(share - garble) < 0.02, QByteArray::number(share).constData());
        }
    }

    void floodAfterCommandHasNoLineEnds() {
        TFaults f;
        f.FloodAfterCommand = "ver";
        f.FloodMs = 1000;
        TBoardSim sim = QuietSim(f);
        Quiet(sim);
        QVERIFY(Ask(sim, "ver", 0).endsWith("=>"));
        QVERIFY(sim.Flooding());
        QByteArray flood;
        for (qint64 t = 0; t < 990; t += 10) {
            sim.Tick(t);
            flood += TakeAll(sim);
            if (t == 500)
                sim.Receive("cat stab\r\n", t); // nobody listens
        }
        QVERIFY(flood.size() > 10000);
        QVERIFY(!flood.contains('\r') && !flood.contains('\n'));
        sim.Tick(1000);
        QVERIFY(!sim.Flooding());
        // Afterwards the board answers again, on a fresh line.
        QVERIFY(Ask(sim, "cat gyro", 1010).startsWith("\r\ngyro_bias_x"));
        QVERIFY(!sim.History().contains("cat stab"));
    }

    void timedFaultsStrikeOnTime_data() {
        QTest::addColumn<QByteArray>("which");
        QTest::newRow("flood") << QByteArray("flood");
        QTest::newRow("reboot") << QByteArray("reboot");
        QTest::newRow("hang-up") << QByteArray("hangup");
    }
    void timedFaultsStrikeOnTime() {
        QFETCH(QByteArray, which);
        TFaults f;
        (which == "flood" ? f.FloodAtMs : which == "reboot" ? f.RebootAtMs : f.HangUpAtMs) = 500;
        TBoardSim sim = QuietSim(f);
        Quiet(sim);
        sim.Tick(499);
        QVERIFY(!sim.Flooding() && !sim.Rebooting() && !sim.TakeHangUp());
        sim.Tick(500);
        QCOMPARE(sim.Flooding(), which == "flood");
        QCOMPARE(sim.Rebooting(), which == "reboot");
        QCOMPARE(sim.TakeHangUp(), which == "hangup");
        QVERIFY(!sim.TakeHangUp()); // once
    }

    void rebootLosesUnsavedSettingsAndGreets() {
        TFaults f;
        f.RebootAfterCommand = "save config";
        f.RebootMs = 1000;
        TBoardSim sim = QuietSim(f);
        Quiet(sim);
        Ask(sim, "set gaz_cruise 600", 0);
        Ask(sim, "mon on gyro", 0);
        TakeAll(sim);
        QVERIFY(Ask(sim, "save config", 0).endsWith("=>"));
        QVERIFY(sim.Rebooting());
        Ask(sim, "set gaz_cruise 700", 10); // ignored while it restarts
        QCOMPARE(RunUntil(sim, 10, 990), QByteArray());
        const QByteArray greeting = RunUntil(sim, 1000, 1000);
        QVERIFY(greeting.contains("Autopilot software version: "));
        QVERIFY(greeting.endsWith("\r\n=>"));
        QVERIFY(sim.Echo());
        QVERIFY(!sim.StreamOn("gyro"));
        Quiet(sim);
        QVERIFY(Listing(sim, "cat stab", 1100).contains("gaz_cruise = 600"));
        QVERIFY(!RunUntil(sim, 1100, 2000).contains("$GYRO"));
    }

    // The same seed (and flight) gives the same output, damage and timing
    // included; another seed or flight another.
    void sameSeedSameOutput() {
        auto run = [](quint32 seed, int flight) {
            TFaults f;
            f.DropRate = 0.05;
            f.GarbleRate = 0.05;
            f.FloodAtMs = 3000;
            f.FloodMs = 200;
            TBoardSim sim = QuietSim(f, seed);
            QByteArray out = Ask(sim, "mon on ekf") + Ask(sim, "mon on gps") + Ask(sim, "cal mag");
            out += RunUntil(sim, 0, 2000, 7);
            out += Ask(sim, "cal mag_save", 2000) + RunUntil(sim, 2000, 4000, 7);
            out += Ask(sim, "log dump " + QByteArray::number(flight), 4000);
            return out + RunUntil(sim, 4000, 8000, 7);
        };
        QCOMPARE(run(5, 2), run(5, 2));
        QVERIFY(run(5, 2) != run(6, 2));
        QVERIFY(run(5, 2) != run(5, 3));
    }

    // Like a serial driver, the pty keeps what its reader has not taken yet
    // for as long as the port is open (the rest of an answer the panel
    // stopped reading), and loses what is sent while nobody has it open.
    void ptyKeepsUnreadOutputOnlyWhileOpen() {
        TPtyTransport pty;
        QVERIFY(pty.Create());
        const auto readAll = [](TPosixSerialPort& port) {
            QByteArray got;
            qint64 n = 0;
            while (port.BytesWaiting(n) == TPortStatus::Ok && n > 0)
                got += port.Read(n);
            return got;
        };
        pty.Write("before anyone\r\n");
        TPosixSerialPort port;
        QVERIFY(port.Open(pty.SlavePath()) && port.GetParams() && port.SetParams(115200));
        pty.Write("kept\r\n");
        QThread::msleep(1500);
        pty.Write("more\r\n");
        QByteArray got;
        QTRY_COMPARE(got += readAll(port), QByteArray("kept\r\nmore\r\n"));
        port.Close();
        pty.Write("while closed\r\n");
        QVERIFY(port.Open(pty.SlavePath()) && port.GetParams() && port.SetParams(115200));
        pty.Write("after\r\n");
        got.clear();
        QTRY_COMPARE(got += readAll(port), QByteArray("after\r\n"));
    }

    // The real worker against the simulated board, in process on the memory
    // wire and as the program on a pty (at a speed outside the classic
    // table): listings and a stream, then a hang-up after "ver" whose whole
    // answer arrives first; a new connection by the same path works again.
    void workerAgainstTheBoardThenHangUp_data() {
        QTest::addColumn<bool>("program");
        QTest::newRow("memory wire") << false;
        QTest::newRow("program on a pty") << true;
    }
    void workerAgainstTheBoardThenHangUp() {
        QFETCH(bool, program);
        auto wire = std::make_shared<TMemoryWire>();
        TSimOptions opt;
        opt.Faults.HangUpAfterCommand = "ver";
        TSimRunner inProcess(std::make_unique<TMemoryTransport>(wire), opt, false);
        std::unique_ptr<TSimProcess> sim;
        if (program) {
            sim = std::make_unique<TSimProcess>(QStringList{"--hangup-after-cmd", "ver"});
            QVERIFY(sim->Ok);
        } else {
            inProcess.Start();
        }
        const QString pty = program ? QFileInfo(sim->Path).symLinkTarget() : QString();
        const auto connect = [&](TBoardLink& link, TMessageRecorder& owner) {
            return program ? std::make_unique<TComPort>(false, &owner, &link,
                                                        sim->Path.toLocal8Bit(), 250000)
                           : std::make_unique<TComPort>(false, &owner, &link, "mem", 115200,
                                                        TMemoryPort::Factory(wire, "mem"));
        };
        {
            TBoardLink link;
            TMessageRecorder owner;
            const auto worker = connect(link, owner);
            QTRY_COMPARE(owner.Count(WM_PORT_OPENED), 1);
            QVERIFY(Handshake(link));
            const QByteArrayList stab = Exchange(link, "cat stab");
            QVERIFY2(stab.contains("gaz_cruise = 560"), stab.join('|').constData());
            QCOMPARE(Exchange(link, "mon on gyro"), QByteArrayList{});
            QTRY_VERIFY_WITH_TIMEOUT(!link.GyroData().isEmpty(), 5000);
            const QByteArray first = link.GyroData();
            QTRY_VERIFY_WITH_TIMEOUT(link.GyroData() != first, 5000);
            QCOMPARE(link.GyroData().split(' ').size(), 3);
            // A listing while the stream runs reads its own lines.
            QCOMPARE(Exchange(link, "cat stab"), stab);
            QCOMPARE(Exchange(link, "mon off gyro"), QByteArrayList{});
            const QByteArrayList ver = Exchange(link, "ver");
            QVERIFY2(ver.join('|').contains("Receiver software version:") && Complete(ver),
                     ver.join('|').constData());
            QTRY_COMPARE_WITH_TIMEOUT(owner.Count(WM_PORT_CLOSED), 1, 5000);
            QCOMPARE(owner.Count(WM_PORT_ERROR), 1);
        }
        if (program) // a new pty behind the same path
            QTRY_VERIFY(QFileInfo(sim->Path).symLinkTarget() != pty);
        TBoardLink link;
        TMessageRecorder owner;
        const auto worker = connect(link, owner);
        QTRY_COMPARE(owner.Count(WM_PORT_OPENED), 1);
        QVERIFY(Handshake(link));
        QVERIFY(Exchange(link, "cat batteries").contains("main_battery_full_v = 12.6"));
        worker->StopFlag = -1;
        QTRY_COMPARE(owner.Count(WM_PORT_CLOSED), 1);
    }
};

QTEST_GUILESS_MAIN(TestSimFaults)
#include "tst_sim_faults.moc"
