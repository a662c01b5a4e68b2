// End to end: the real worker and port code on a pty against the
// vantor-board-sim program.

#include "TestSupport.h"
#include "link/ComPortUnit.h"
#include "link/MemoryPort.h"
#include "sim/SimRunner.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class TestE2ELink : public QObject {
    Q_OBJECT

    // Echo is on until "echo off": its answer may hold the echo.
    static void Handshake(TBoardLink& link) {
        for (const QByteArray command : {"", "echo off"}) {
            const QByteArrayList answer = Exchange(link, command, 10000);
            QVERIFY2(answer.isEmpty() || !answer.last().startsWith("<end"),
                     answer.join('|').constData());
        }
    }

    static void ListThenStream(TBoardLink& link) {
        const QByteArrayList stab = Exchange(link, "cat stab");
        QVERIFY2(stab.size() > 10, stab.join('|').constData());
        QVERIFY(stab.contains("gaz_cruise = 560"));
        QCOMPARE(Exchange(link, "mon on gyro"), QByteArrayList{});
        QTRY_VERIFY_WITH_TIMEOUT(!link.GyroData().isEmpty(), 5000);
        const QByteArray first = link.GyroData();
        QTRY_VERIFY_WITH_TIMEOUT(link.GyroData() != first, 5000);
        QCOMPARE(link.GyroData().split(' ').size(), 3);
        // A listing while the stream runs reads its own lines to its prompt.
        QCOMPARE(Exchange(link, "cat stab"), stab);
        QCOMPARE(Exchange(link, "mon off gyro"), QByteArrayList{});
    }

private slots:
    void workerOnPtyAgainstSimulatorProgram() {
        const QString bin = qEnvironmentVariable("VANTOR_SIM_BIN");
        if (bin.isEmpty())
            QSKIP("VANTOR_SIM_BIN not set");
        QTemporaryDir dir;
        const QString linkPath = dir.filePath("board");
        QProcess sim;
        sim.start(bin, {"--link", linkPath});
        QVERIFY(sim.waitForStarted());
        QVERIFY(sim.waitForReadyRead(5000));
        const QByteArray slave = sim.readLine().trimmed();
        QVERIFY(slave.startsWith("/dev/"));

        TBoardLink link;
        TMessageRecorder owner;
        // A speed outside the classic table, which the simulator paces at.
        TComPort worker(false, &owner, &link, linkPath.toLocal8Bit(), 250000);
        QTRY_COMPARE(owner.Count(WM_PORT_OPENED), 1);
        Handshake(link);
        ListThenStream(link);
        worker.StopFlag = -1;
        QTRY_COMPARE(owner.Count(WM_PORT_CLOSED), 1);
        sim.terminate();
        QVERIFY(sim.waitForFinished(5000));
        QVERIFY(!QFileInfo::exists(linkPath)); // the simulator removes its link
    }

    void workerInProcessOnMemoryWire() {
        auto wire = std::make_shared<TMemoryWire>();
        TSimRunner board(std::make_unique<TMemoryTransport>(wire), {}, false);
        board.Start();
        TBoardLink link;
        TMessageRecorder owner;
        TComPort worker(false, &owner, &link, "mem", 115200, TMemoryPort::Factory(wire, "mem"));
        QTRY_COMPARE(owner.Count(WM_PORT_OPENED), 1);
        Handshake(link);
        ListThenStream(link);
        worker.StopFlag = -1;
        QTRY_COMPARE(owner.Count(WM_PORT_CLOSED), 1);
    }
};

QTEST_GUILESS_MAIN(TestE2ELink)
#include "tst_e2e_link.moc"
