// The serial worker's rules, against an in-memory wire and an injected clock.

#include "TestSupport.h"
#include "link/ComPortUnit.h"
#include "link/MemoryPort.h"
#include "link/PosixSerialPort.h"
#include "sim/PtyTransport.h"

#include <QElapsedTimer>
#include <QTest>
#include <thread>

namespace {
// A worker on an in-memory wire, with the messages it posts recorded.
struct Rig {
    std::shared_ptr<TMemoryWire> wire = std::make_shared<TMemoryWire>();
    TManualClock clock;
    TBoardLink link{&clock};
    TMessageRecorder owner;
    std::unique_ptr<TComPort> worker;

    void Start() {
        worker = std::make_unique<TComPort>(false, &owner, &link, "sim0", 115200,
                                            TMemoryPort::Factory(wire, "sim0"), &clock);
        QTRY_VERIFY(owner.Count(WM_PORT_OPENED) == 1);
    }
    // Sends bytes from the board and waits until the worker has read them.
    void Board(const QByteArray& bytes) {
        wire->SendToPanel(bytes);
        QTRY_COMPARE(wire->PendingToPanel(), 0);
    }
    // Lets a few passes run (each pass is 20 ms apart).
    static void Passes(int n) { QTest::qWait(n * (TComPort::PassSleepMs + 5)); }
    // Command lines for the worker to write (a request queues them so).
    void Queue(const QByteArrayList& lines) {
        TListGuard g(link.OutgoingQueue);
        link.OutgoingQueue << lines;
    }
    void Stop() {
        worker->StopFlag = -1;
        QTRY_VERIFY(owner.Count(WM_PORT_CLOSED) == 1);
        worker.reset();
    }
};
} // namespace

class TestComPort : public QObject {
    Q_OBJECT
private slots:
    void twoTerminatorsInOnePass() {
        Rig r;
        r.Start();
        r.owner.Entries.clear();
        r.Board("A\r\n\r\nB");
        QTRY_COMPARE(Snapshot(r.link.ResponseQueue).size(), 2);
        QCOMPARE(Snapshot(r.link.ResponseQueue), (QByteArrayList{"A", ""}));
        QTRY_COMPARE(Snapshot(r.link.LogQueue), (QByteArrayList{"A", ""}));
        QTRY_COMPARE(r.owner.Messages(),
                     (QList<int>{WM_PORT_LINE, WM_PORT_LOG, WM_PORT_LINE, WM_PORT_LOG}));
        r.Board("\r\n");
        QTRY_COMPARE(Snapshot(r.link.ResponseQueue).size(), 3);
        QCOMPARE(Snapshot(r.link.ResponseQueue).last(), QByteArray("B"));
        r.Stop();
    }

    void terminatorSplitAcrossPasses() {
        Rig r;
        r.Start();
        r.Board("x = 1\r");
        Rig::Passes(2);
        QVERIFY(Snapshot(r.link.ResponseQueue).isEmpty());
        r.Board("\nlone\rcr\nlf\r\n");
        QTRY_COMPARE(Snapshot(r.link.ResponseQueue).size(), 2);
        QCOMPARE(Snapshot(r.link.ResponseQueue), (QByteArrayList{"x = 1", "lone\rcr\nlf"}));
        r.Stop();
    }

    void promptRuleAt100And101Ms() {
        Rig r;
        r.clock.Set(5000);
        r.Start();
        r.Board("=>");
        r.clock.Set(5100);
        Rig::Passes(4);
        QVERIFY2(Snapshot(r.link.ResponseQueue).isEmpty(), "prompt passed on at 100 ms");
        r.clock.Set(5101);
        QTRY_COMPARE(Snapshot(r.link.ResponseQueue), QByteArrayList{"=>"});
        Rig::Passes(3);
        QCOMPARE(Snapshot(r.link.ResponseQueue).size(), 1); // once only
        QCOMPARE(Snapshot(r.link.LogQueue).last(), QByteArray("=>"));
        r.Stop();
    }

    void promptFollowedByBlankIsNotAPrompt() {
        Rig r;
        r.Start();
        r.Board("=> ");
        r.clock.Advance(1000);
        Rig::Passes(4);
        QVERIFY(Snapshot(r.link.ResponseQueue).isEmpty());
        r.Board("x\r\n");
        QTRY_COMPARE(Snapshot(r.link.ResponseQueue), QByteArrayList{"=> x"});
        r.Stop();
    }

    // The write rule: one line a pass, never while the board sends an
    // answer (lines of it, or one part-way); but a board that sends nothing
    // but telemetry without a pause would hold commands for ever, so after
    // MaxWriteDelayMs of only telemetry a line goes in a pass with input.
    void writeRule_data() {
        QTest::addColumn<QByteArray>("continuous");
        QTest::addColumn<QByteArray>("pending");
        QTest::addColumn<bool>("writesAfterDelay");
        QTest::newRow("only telemetry") << QByteArray("$GYRO:1 2 3\r\n") << QByteArray() << true;
        QTest::newRow("telemetry after a prompt")
            << QByteArray("=>\r\n$GYRO:1 2 3\r\n") << QByteArray() << true;
        QTest::newRow("telemetry garbled on a noisy line")
            << QByteArray("$GYR\x9B:1 2 3\r\n$YRO:1 2 3\r\n") << QByteArray() << true;
        QTest::newRow("an answer in progress")
            << QByteArray("row = 1\r\n") << QByteArray() << false;
        QTest::newRow("an answer line part-way, no input")
            << QByteArray() << QByteArray("Unknown par") << false;
    }
    void writeRule() {
        QFETCH(QByteArray, continuous);
        QFETCH(QByteArray, pending);
        QFETCH(bool, writesAfterDelay);
        Rig r;
        r.Start();
        r.Board(pending);
        r.wire->SetContinuousInput(continuous);
        r.Queue({"cat stab\r\n", "ver\r\n"});
        Rig::Passes(4);
        QCOMPARE(r.wire->TakeFromPanel(0), QByteArray()); // the clock stands still
        r.clock.Advance(TComPort::MaxWriteDelayMs);
        Rig::Passes(4);
        QByteArray written = r.wire->TakeFromPanel(0);
        QCOMPARE(written, writesAfterDelay ? QByteArray("cat stab\r\n") : QByteArray());
        // Once the board pauses (and finishes its line), the rest goes, one
        // line a pass, and the log shows each line as sent.
        r.wire->SetContinuousInput(QByteArray());
        r.Board(pending.isEmpty() ? QByteArray() : QByteArray("\r\n"));
        QTRY_VERIFY((written += r.wire->TakeFromPanel(0)) == "cat stab\r\nver\r\n");
        QTRY_VERIFY(Snapshot(r.link.LogQueue).contains("ver"));
        if (!continuous.contains("GYRO"))
            QVERIFY(r.link.GyroData().isEmpty());
        r.Stop();
    }

    // A port that takes only part of a line and then nothing (a wedged
    // adapter): the line is not dropped silently; the log shows what went
    // out and the run ends like a pulled cable, with the port's error.
    void stalledWriteEndsTheRun() {
        Rig r;
        r.Start();
        r.wire->SetWriteRoom(4);
        r.Queue({"cat stab\r\n"});
        QTRY_COMPARE(r.owner.Count(WM_PORT_CLOSED), 1);
        QCOMPARE(r.wire->TakeFromPanel(0), QByteArray("cat "));
        QCOMPARE(Snapshot(r.link.ErrorQueue),
                 QByteArrayList{"Cannot write sim0 port, error: " + QByteArray::number(EAGAIN)});
        QCOMPARE(Snapshot(r.link.LogQueue).last(), QByteArray("cat"));
        QVERIFY(r.link.LinkGone());
        QVERIFY(!r.wire->PanelOpen());
    }

    // "=>" run straight into a telemetry line is the prompt, then the
    // telemetry line; "=>" followed by anything else stays one line.
    void promptRunIntoTelemetry_data() {
        QTest::addColumn<QByteArray>("received");
        QTest::addColumn<QByteArrayList>("responses");
        QTest::addColumn<QByteArray>("gyro");
        QTest::newRow("prompt, then telemetry")
            << QByteArray("=>$GYRO:1 2 3\r\n") << QByteArrayList{"=>"} << QByteArray("1 2 3");
        QTest::newRow("two prompts, then telemetry")
            << QByteArray("=>=>$GYRO:4\r\n") << QByteArrayList{"=>", "=>"} << QByteArray("4");
        QTest::newRow("prompt and text")
            << QByteArray("=>$GYR\r\n") << QByteArrayList{"=>$GYR"} << QByteArray();
        QTest::newRow("prompt and echo")
            << QByteArray("=> ver\r\n") << QByteArrayList{"=> ver"} << QByteArray();
    }
    void promptRunIntoTelemetry() {
        QFETCH(QByteArray, received);
        Rig r;
        r.Start();
        r.Board(received);
        QTEST(Snapshot(r.link.ResponseQueue), "responses");
        QTEST(r.link.GyroData(), "gyro");
        r.Stop();
    }

    // After the worker has lost the port, every wait on the board ends at
    // once, whatever its limit.
    void lostPortEndsEveryWaitAtOnce() {
        Rig r;
        r.Start();
        std::thread cable([&] {
            QThread::msleep(100);
            r.wire->HangUp();
        });
        TRequest req;
        req.Commands = {"log dump 1\r\n"};
        req.SilenceMs = 600000;
        QElapsedTimer t;
        t.start();
        QCOMPARE(r.link.Request(req).End, TAnswerEnd::LinkLost);
        cable.join();
        QVERIFY2(t.elapsed() < 1000, qPrintable(QString::number(t.elapsed())));
    }

    void transientStatusErrorIsIgnored() {
        Rig r;
        r.Start();
        r.wire->FailNextStatus();
        Rig::Passes(2);
        r.Board("ok\r\n");
        QTRY_COMPARE(Snapshot(r.link.ResponseQueue), QByteArrayList{"ok"});
        QCOMPARE(r.owner.Count(WM_PORT_ERROR), 0);
        r.Stop();
    }

    void unpluggedPortEndsTheRun() {
        Rig r;
        r.Start();
        r.wire->HangUp();
        QTRY_COMPARE(r.owner.Count(WM_PORT_CLOSED), 1);
        QCOMPARE(Snapshot(r.link.ErrorQueue), QByteArrayList{"Lost sim0 port, error: 5"});
        const QList<int> m = r.owner.Messages();
        QCOMPARE(m.mid(m.size() - 2), (QList<int>{WM_PORT_ERROR, WM_PORT_CLOSED}));
        QVERIFY(!r.wire->PanelOpen());
        // A new worker on the replugged cable connects again.
        r.wire->Replug();
        r.worker.reset();
        r.owner.Entries.clear();
        r.Start();
        r.Stop();
    }

    // An answer cut short leaves its last line unterminated in the worker;
    // the next request's fresh start must drop it, or it is glued to that
    // command's first line. A telemetry line in progress stays.
    void clearingDropsAStaleUnterminatedLine_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<QByteArrayList>("responses");
        QTest::addColumn<QByteArray>("gyro");
        QTest::newRow("tail of a listing")
            << QByteArray("roll_sensitivity = 1.2") << QByteArray("x = 1\r\n")
            << QByteArrayList{"x = 1"} << QByteArray();
        QTest::newRow("prompt not yet taken") << QByteArray("=>") << QByteArray("x = 1\r\n")
                                              << QByteArrayList{"x = 1"} << QByteArray();
        QTest::newRow("telemetry line in progress")
            << QByteArray("$GYRO:1,2") << QByteArray(",3\r\nx = 1\r\n") << QByteArrayList{"x = 1"}
            << QByteArray("1,2,3");
    }
    void clearingDropsAStaleUnterminatedLine() {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        QFETCH(QByteArrayList, responses);
        Rig r;
        r.Start();
        r.Board(before);
        r.Passes(2);
        TRequest req; // a fresh start; nothing is sent or waited for
        req.Cancel = [] { return true; };
        r.link.Request(req);
        r.Passes(2);
        r.Board(after);
        QTRY_COMPARE(Snapshot(r.link.ResponseQueue), responses);
        QTEST(r.link.GyroData(), "gyro");
        r.Stop();
    }

    void unterminatedFloodIsCutAt64KiB() {
        Rig r;
        r.Start();
        r.Board(QByteArray(70000, 'x'));
        QTRY_COMPARE(Snapshot(r.link.ResponseQueue).size(), 1);
        QCOMPARE(Snapshot(r.link.ResponseQueue)[0].size(), TComPort::MaxLineBytes);
        r.Board("\r\n");
        QTRY_COMPARE(Snapshot(r.link.ResponseQueue).size(), 2);
        QCOMPARE(Snapshot(r.link.ResponseQueue)[1],
                 QByteArray(70000 - TComPort::MaxLineBytes, 'x'));
        r.Stop();
    }

    void stopDuringSleepEndsAfterNextPass() {
        Rig r;
        r.Start();
        QElapsedTimer t;
        t.start();
        r.worker->StopFlag = -1;
        QTRY_COMPARE(r.owner.Count(WM_PORT_CLOSED), 1);
        QVERIFY(t.elapsed() < 1000);
        QCOMPARE(r.owner.Messages().last(), WM_PORT_CLOSED);
        QVERIFY(!r.wire->PanelOpen());
    }

    void nonexistentPortReportsErrno() {
        TBoardLink link;
        TMessageRecorder owner;
        TComPort worker(false, &owner, &link, "/nonexistent/ttyVANTOR", 115200);
        QTRY_COMPARE(owner.Count(WM_PORT_CLOSED), 1);
        QCOMPARE(Snapshot(link.ErrorQueue),
                 QByteArrayList{"Cannot open /nonexistent/ttyVANTOR port, error: 2"});
        QCOMPARE(owner.Entries.size(), 2);
        QCOMPARE(owner.Entries[0].Msg, WM_PORT_ERROR);
        QCOMPARE(owner.Entries[0].WParam, 1);
        QCOMPARE(owner.Entries[1].Msg, WM_PORT_CLOSED);
    }

    // An exception in the worker (here its port factory) is never a silent
    // end: an error text and WM_PORT_ERROR come before WM_PORT_CLOSED.
    void unexpectedFailureIsReported() {
        TBoardLink link;
        TMessageRecorder owner;
        TComPort worker(false, &owner, &link, "sim0", 115200,
                        []() -> std::unique_ptr<ISerialPort> { throw std::runtime_error("boom"); });
        QTRY_COMPARE(owner.Count(WM_PORT_CLOSED), 1);
        QCOMPARE(Snapshot(link.ErrorQueue), QByteArrayList{"Port sim0 stopped: boom"});
        QCOMPARE(owner.Entries.size(), 2);
        QCOMPARE(owner.Entries[0].Msg, WM_PORT_ERROR);
        QVERIFY(link.LinkGone());
    }

    void unsupportedSpeedCannotBeSet() {
        TPtyTransport pty;
        QVERIFY(pty.Create());
        TBoardLink link;
        TMessageRecorder owner;
        TComPort worker(false, &owner, &link, pty.SlavePath(), 0);
        QTRY_COMPARE(owner.Count(WM_PORT_CLOSED), 1);
        QCOMPARE(Snapshot(link.ErrorQueue),
                 QByteArrayList{"Connot set " + pty.SlavePath() + " params"});
        QCOMPARE(owner.Count(WM_PORT_OPENED), 0);
    }

    void portHeldByAnotherPanelIsRefused() {
        TPtyTransport pty;
        QVERIFY(pty.Create());
        TPosixSerialPort first;
        QVERIFY(first.Open(pty.SlavePath()));
        TBoardLink link;
        TMessageRecorder owner;
        TComPort worker(false, &owner, &link, pty.SlavePath(), 115200);
        QTRY_COMPARE(owner.Count(WM_PORT_CLOSED), 1);
        QCOMPARE(Snapshot(link.ErrorQueue),
                 QByteArrayList{"Cannot open " + pty.SlavePath() +
                                " port, error: " + QByteArray::number(EWOULDBLOCK)});
        QCOMPARE(owner.Count(WM_PORT_OPENED), 0);
    }

    void ptyIsSwitchedToRawMode_data() {
        QTest::addColumn<int>("baud");
        QTest::newRow("115200") << 115200;
        // Outside the classic table: the kernel's arbitrary-rate interface.
        QTest::newRow("250000") << 250000;
        QTest::newRow("74880") << 74880;
    }
    void ptyIsSwitchedToRawMode() {
        QFETCH(int, baud);
        TPtyTransport pty;
        QVERIFY(pty.Create());
        TPosixSerialPort port;
        QVERIFY(port.Open(pty.SlavePath()));
        QVERIFY(port.GetParams());
        QVERIFY(port.SetParams(baud));
        QCOMPARE(pty.BaudRate(), baud);
        // "\r\n" must arrive unchanged in both directions, with no echo.
        port.Write("cat stab\r\n");
        QByteArray got;
        QTRY_VERIFY((got += pty.Read(10)) == "cat stab\r\n");
        pty.Write("a = 1\r\n=>");
        QByteArray back;
        QTRY_VERIFY([&] {
            qint64 n = 0;
            port.BytesWaiting(n);
            back += port.Read(n);
            return back == "a = 1\r\n=>";
        }());
        QCOMPARE(pty.Read(50), QByteArray()); // nothing echoed to the board
    }

    void devicePathLookup() {
        QCOMPARE(TPosixSerialPort::DevicePath("ttyUSB0"), QByteArray("/dev/ttyUSB0"));
        QCOMPARE(TPosixSerialPort::DevicePath("/tmp/vantor"), QByteArray("/tmp/vantor"));
        QCOMPARE(TPosixSerialPort::DevicePath("\\\\.\\ttyS1"), QByteArray("/dev/ttyS1"));
    }
};

QTEST_GUILESS_MAIN(TestComPort)
#include "tst_comport.moc"
