// The serial worker's rules, against an in-memory wire and an injected clock.

#include "TestSupport.h"
#include "link/ComPortUnit.h"
#include "link/MemoryPort.h"
#include "link/PosixSerialPort.h"
#include "sim/PtyTransport.h"

#include <QTest>
#include <atomic>

namespace {
// A memory port that counts the worker's passes: one status query each.
class TCountingPort : public TMemoryPort {
public:
    TCountingPort(std::shared_ptr<TMemoryWire> wire, std::atomic<int>& polls)
        : TMemoryPort(std::move(wire), "sim0"), m_polls(polls) {}
    TPortStatus BytesWaiting(qint64& count) override {
        ++m_polls;
        return TMemoryPort::BytesWaiting(count);
    }

private:
    std::atomic<int>& m_polls;
};

// A worker on an in-memory wire, with the messages it posts recorded.
struct Rig {
    std::shared_ptr<TMemoryWire> wire = std::make_shared<TMemoryWire>();
    std::atomic<int> polls{0};
    TManualClock clock;
    TBoardLink link{&clock};
    TMessageRecorder owner;
    std::unique_ptr<TComPort> worker;

    void Start() {
        worker = std::make_unique<TComPort>(
            false, &owner, &link, "sim0", 115200,
            [this] { return std::make_unique<TCountingPort>(wire, polls); }, &clock);
        QTRY_VERIFY(owner.Count(WM_PORT_OPENED) == 1);
    }
    // Sends bytes from the board and waits until the worker has read them.
    void Board(const QByteArray& bytes) {
        wire->SendToPanel(bytes);
        QTRY_COMPARE(wire->PendingToPanel(), 0);
    }
    // Waits until the worker has run `n` whole passes more.
    void Passes(int n) {
        const int from = polls;
        QTRY_VERIFY(polls > from + n);
    }
    // Command lines for the worker to write (a request queues them so).
    void Queue(const QByteArrayList& lines) {
        TListGuard g(link.OutgoingQueue);
        link.OutgoingQueue << lines;
    }
    // A stop ends the run with the port closed, the closing message last.
    void Stop() {
        worker->StopFlag = -1;
        QTRY_VERIFY(owner.Count(WM_PORT_CLOSED) == 1);
        QCOMPARE(owner.Messages().last(), WM_PORT_CLOSED);
        QVERIFY(!wire->PanelOpen());
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

    // The prompt counts as a line after more than 100 ms of quiet, once;
    // "=> " followed by more is no prompt however long the quiet.
    void promptRuleAt100And101Ms() {
        Rig r;
        r.clock.Set(5000);
        r.Start();
        r.Board("=>");
        r.clock.Set(5100);
        r.Passes(4);
        QVERIFY2(Snapshot(r.link.ResponseQueue).isEmpty(), "prompt passed on at 100 ms");
        r.clock.Set(5101);
        QTRY_COMPARE(Snapshot(r.link.ResponseQueue), QByteArrayList{"=>"});
        QCOMPARE(Snapshot(r.link.LogQueue).last(), QByteArray("=>"));
        // Prompts run together, as a board answering line after line with a
        // bare prompt leaves them: that many prompts.
        r.Board("=>=>");
        r.clock.Advance(101);
        QTRY_COMPARE(Snapshot(r.link.ResponseQueue), (QByteArrayList{"=>", "=>", "=>"}));
        {
            TListGuard g(r.link.ResponseQueue);
            r.link.ResponseQueue.resize(1);
        }
        r.Board("=> ");
        r.clock.Advance(1000);
        r.Passes(4);
        QCOMPARE(Snapshot(r.link.ResponseQueue).size(), 1); // the first once only
        r.Board("x\r\n");
        QTRY_COMPARE(Snapshot(r.link.ResponseQueue), (QByteArrayList{"=>", "=> x"}));
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
        r.Passes(4);
        QCOMPARE(r.wire->TakeFromPanel(0), QByteArray()); // the clock stands still
        r.clock.Advance(TComPort::MaxWriteDelayMs);
        r.Passes(4);
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
    // adapter) ends the run like a pulled cable: nothing dropped silently,
    // the log shows what went out, the port's error is reported and a new
    // worker on the replugged cable connects again.
    void runEndsOnAPortFault_data() {
        QTest::addColumn<bool>("stall");
        QTest::addColumn<QByteArray>("error");
        QTest::addColumn<QByteArrayList>("log");
        QTest::newRow("stalled write")
            << true << "Cannot write sim0 port, error: " + QByteArray::number(EAGAIN)
            << QByteArrayList{"cat"};
        QTest::newRow("pulled cable")
            << false << QByteArray("Lost sim0 port, error: 5") << QByteArrayList{};
    }
    void runEndsOnAPortFault() {
        QFETCH(bool, stall);
        QFETCH(QByteArray, error);
        Rig r;
        r.Start();
        if (stall) {
            r.wire->SetWriteRoom(4);
            r.Queue({"cat stab\r\n"});
        } else {
            r.wire->HangUp();
        }
        QTRY_COMPARE(r.owner.Count(WM_PORT_CLOSED), 1);
        QCOMPARE(r.wire->TakeFromPanel(0), stall ? QByteArray("cat ") : QByteArray());
        QCOMPARE(Snapshot(r.link.ErrorQueue), QByteArrayList{error});
        QTEST(Snapshot(r.link.LogQueue), "log");
        const QList<int> m = r.owner.Messages();
        QCOMPARE(m.mid(m.size() - 2), (QList<int>{WM_PORT_ERROR, WM_PORT_CLOSED}));
        QVERIFY(r.link.LinkGone());
        QVERIFY(!r.wire->PanelOpen());
        r.wire->Replug();
        r.worker.reset();
        r.owner.Entries.clear();
        r.Start();
        r.Stop();
    }

    // How bytes read in passes are cut into lines: "\r\n" only, across
    // reads; an unterminated flood cut at twice the longest answer line; "=>" run straight into a
    // telemetry line is the prompt, then the telemetry line, and "=>"
    // followed by anything else stays one line. A status query that fails
    // once is no error.
    void linesCut_data() {
        QTest::addColumn<QByteArrayList>("reads");
        QTest::addColumn<QByteArrayList>("responses");
        QTest::addColumn<QByteArray>("gyro");
        QTest::newRow("terminator split across reads")
            << QByteArrayList{"x = 1\r", "\nlone\rcr\nlf\r\n"}
            << QByteArrayList{"x = 1", "lone\rcr\nlf"} << QByteArray();
        QTest::newRow("flood cut at twice the longest answer line")
            << QByteArrayList{QByteArray(2 * TComPort::MaxLineBytes + 100, 'x'), "\r\n"}
            << QByteArrayList{QByteArray(TComPort::MaxLineBytes, 'x'),
                              QByteArray(TComPort::MaxLineBytes, 'x'), QByteArray(100, 'x')}
            << QByteArray();
        QTest::newRow("prompt, then telemetry")
            << QByteArrayList{"=>$GYRO:1 2 3\r\n"} << QByteArrayList{"=>"} << QByteArray("1 2 3");
        QTest::newRow("two prompts, then telemetry")
            << QByteArrayList{"=>=>$GYRO:4\r\n"} << QByteArrayList{"=>", "=>"} << QByteArray("4");
        QTest::newRow("prompt and text")
            << QByteArrayList{"=>$GYR\r\n"} << QByteArrayList{"=>$GYR"} << QByteArray();
        QTest::newRow("prompt and echo")
            << QByteArrayList{"=> ver\r\n"} << QByteArrayList{"=> ver"} << QByteArray();
        QTest::newRow("after a transient status error")
            << QByteArrayList{"", "ok\r\n"} << QByteArrayList{"ok"} << QByteArray();
    }
    void linesCut() {
        QFETCH(QByteArrayList, reads);
        Rig r;
        r.Start();
        if (reads[0].isEmpty())
            r.wire->FailNextStatus();
        for (const QByteArray& bytes : reads)
            r.Board(bytes);
        r.Passes(1); // the last read handled
        QTEST(Snapshot(r.link.ResponseQueue), "responses");
        QTEST(r.link.GyroData(), "gyro");
        QCOMPARE(r.owner.Count(WM_PORT_ERROR), 0);
        r.Stop();
    }

    // Noise in the line (a byte left there when the port opened) is no
    // answer in progress: quiet past the stale spell, it is passed on as a
    // line and the writes it held back go.
    void staleTextStopsHoldingTheWrites() {
        Rig r;
        r.Start();
        r.Board("\xff\x13");
        r.Queue({"\r\n", "echo off\r\n"});
        r.Passes(4);
        QCOMPARE(r.wire->TakeFromPanel(0), QByteArray());
        r.clock.Advance(TComPort::StaleQuietMs + 1);
        QByteArray written;
        QTRY_VERIFY((written += r.wire->TakeFromPanel(0)) == "\r\necho off\r\n");
        QCOMPARE(Snapshot(r.link.ResponseQueue), QByteArrayList{"\xff\x13"});
        QVERIFY(Snapshot(r.link.LogQueue).contains("\xff\x13"));
        r.Stop();
    }

    // A wait on the board ends as soon as the worker has lost the port (the
    // cable goes as the command is sent): the link's clock stands still, so
    // no limit can end it.
    void lostPortEndsEveryWaitAtOnce() {
        Rig r;
        r.Start();
        connect(&r.link, &TBoardLink::CommandSent, [&] { r.wire->HangUp(); });
        TRequest req;
        req.Commands = {"log dump 1\r\n"};
        req.SilenceMs = 1000;
        QCOMPARE(r.link.Request(req).End, TAnswerEnd::LinkLost);
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

    // A port that cannot be opened or set up, or a worker that fails in an
    // unexpected way, is never a silent end: the error text, WM_PORT_ERROR,
    // then WM_PORT_CLOSED. "%1" is a pty's path.
    void openFailures_data() {
        QTest::addColumn<QByteArray>("port");
        QTest::addColumn<int>("baud");
        QTest::addColumn<QByteArray>("error");
        QTest::newRow("no such device") << QByteArray("/nonexistent/ttyVANTOR") << 115200
                                        << QByteArray("Cannot open /nonexistent/ttyVANTOR port, "
                                                      "error: 2");
        QTest::newRow("held by another panel")
            << QByteArray("%1") << 115200
            << "Cannot open %1 port, error: " + QByteArray::number(EWOULDBLOCK);
        QTest::newRow("unsupported speed")
            << QByteArray("%1") << 0 << QByteArray("Connot set %1 params");
        QTest::newRow("port factory throws")
            << QByteArray("sim0") << 115200 << QByteArray("Port sim0 stopped: boom");
    }
    void openFailures() {
        QFETCH(QByteArray, port);
        QFETCH(int, baud);
        QFETCH(QByteArray, error);
        TPtyTransport pty;
        QVERIFY(pty.Create());
        TPosixSerialPort first;
        if (port == "%1" && baud > 0) // another panel holds it
            QVERIFY(first.Open(pty.SlavePath()));
        TPortFactory factory;
        if (port == "sim0")
            factory = []() -> std::unique_ptr<ISerialPort> { throw std::runtime_error("boom"); };
        TBoardLink link;
        TMessageRecorder owner;
        TComPort worker(false, &owner, &link, port.replace("%1", pty.SlavePath()), baud, factory);
        QTRY_COMPARE(owner.Count(WM_PORT_CLOSED), 1);
        QCOMPARE(Snapshot(link.ErrorQueue), QByteArrayList{error.replace("%1", pty.SlavePath())});
        QCOMPARE(owner.Messages(), (QList<int>{WM_PORT_ERROR, WM_PORT_CLOSED}));
        QCOMPARE(owner.Entries[0].WParam, 1);
        QVERIFY(link.LinkGone());
    }

    void ptyIsSwitchedToRawMode_data() {
        QTest::addColumn<int>("baud");
        QTest::newRow("115200") << 115200;
        // Outside the classic table: the kernel's arbitrary-rate interface
        // (250000 is set through the worker on the simulator's pty).
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
