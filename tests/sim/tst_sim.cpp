// The simulated board's command interface, driven directly (no wire).

#include "sim/BoardSim.h"

#include <QTest>

namespace {
// Types a command and returns everything the board answered.
QByteArray Ask(TBoardSim& sim, const QByteArray& line, qint64 now = 0) {
    sim.Receive(line + "\r\n", now);
    return sim.TakeOutput(1 << 20);
}
} // namespace

class TestSim : public QObject {
    Q_OBJECT
private slots:
    void handshakeEchoesUntilEchoOff() {
        TBoardSim sim;
        QCOMPARE(Ask(sim, ""), QByteArray("\r\n=>"));
        QCOMPARE(Ask(sim, "echo off"), QByteArray("echo off\r\n=>"));
        // The standing prompt is ended before the next one: "=>=>" would
        // never be taken for a prompt.
        QCOMPARE(Ask(sim, ""), QByteArray("\r\n=>"));
    }

    void catStabListsNameEqualsValueThenPrompt() {
        TBoardSim sim;
        Ask(sim, "echo off");
        const QByteArray out = Ask(sim, "cat stab");
        QVERIFY(out.endsWith("\r\n=>"));
        // The standing prompt of the previous command is ended first.
        QVERIFY(out.startsWith("\r\nroll_sensitivity = "));
        QByteArray body = out.mid(2);
        body.chop(4);
        QVERIFY(!body.contains("\n\n") && !body.contains("\r\r"));
        const QList<QByteArray> lines = QByteArray(body).replace("\r\n", "\n").split('\n');
        QVERIFY(lines.size() > 10);
        for (const QByteArray& l : lines)
            QVERIFY2(l.contains(" = ") && !l.contains('\r'), l.constData());
    }

    void setThenCatShowsNewValue() {
        TBoardSim sim;
        Ask(sim, "echo off");
        Ask(sim, "set gaz_cruise 600");
        QVERIFY(Ask(sim, "cat stab").contains("gaz_cruise = 600\r\n"));
    }

    void unknownCommandGetsOneLineAndPrompt() {
        TBoardSim sim;
        Ask(sim, "echo off");
        const QByteArray out = Ask(sim, "fly away");
        QCOMPARE(out.count("\r\n"), 2); // the prompt's line end, then the error
        QVERIFY(out.endsWith("=>"));
    }

    void gyroStreamInterleavesWholeLines() {
        TBoardSim sim;
        Ask(sim, "echo off");
        Ask(sim, "mon on gyro", 0);
        sim.Tick(1000);
        QByteArray out = sim.TakeOutput(1 << 20);
        QCOMPARE(out.count("$GYRO:"), 11);
        QVERIFY(out.startsWith("\r\n$GYRO:"));
        QVERIFY(out.endsWith("\r\n"));
        Ask(sim, "mon off gyro", 1000);
        sim.Tick(3000);
        QCOMPARE(sim.TakeOutput(1 << 20).count("$GYRO:"), 0);
    }

    void sameSeedSameOutput() {
        auto run = [] {
            TBoardSim sim;
            Ask(sim, "mon on gyro");
            sim.Tick(5000);
            return sim.TakeOutput(1 << 20);
        };
        QCOMPARE(run(), run());
    }
};

QTEST_GUILESS_MAIN(TestSim)
#include "tst_sim.moc"
