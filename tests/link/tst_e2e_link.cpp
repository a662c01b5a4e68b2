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

    // Reads a listing as the windows do: lines until the prompt.
    static QByteArrayList Listing(TBoardLink& link, const QByteArray& cmd) {
        link.ClearResponses();
        link.SendCommand(cmd);
        QByteArrayList lines;
        QByteArray line;
        while (link.WaitResponseLine(line, 5000, TWaitMode::NoEvents) == TWaitResult::Line) {
            if (line == "=>")
                return lines;
            lines << line;
        }
        lines << "<timeout>";
        return lines;
    }

    static void Handshake(TBoardLink& link) {
        link.ClearResponses();
        link.SendCommand("\r\n");
        QVERIFY(link.WaitForPrompt(10000));
        link.SendCommand("echo off\r\n");
        QVERIFY(link.WaitForPrompt(10000));
    }

    static void ListThenStream(TBoardLink& link) {
        const QByteArrayList stab = Listing(link, "cat stab\r\n");
        QVERIFY2(stab.size() > 10, stab.join('|').constData());
        QVERIFY(stab.contains("gaz_cruise = 560"));
        link.SendCommand("mon on gyro\r\n");
        QTRY_VERIFY_WITH_TIMEOUT(!link.GyroData().isEmpty(), 5000);
        const QByteArray first = link.GyroData();
        QTRY_VERIFY_WITH_TIMEOUT(link.GyroData() != first, 5000);
        QCOMPARE(link.GyroData().split(' ').size(), 3);
        link.SendCommand("mon off gyro\r\n");
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
        TComPort worker(false, &owner, &link, linkPath.toLocal8Bit(), 115200);
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
