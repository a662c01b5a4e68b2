// The line queues and the command exchange used by every window.

#include "link/BoardLinkUnit.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <thread>

class TestQueues : public QObject {
    Q_OBJECT

    static void Fill(TBoardLink& link, const QByteArrayList& lines) {
        for (const QByteArray& l : lines)
            link.AppendResponse(l);
    }

private slots:
    void readResponseLineSkipsBlankAndTrims() {
        TBoardLink link;
        Fill(link, {"", "  ", " roll = 1\r", "=>"});
        QCOMPARE(link.ReadResponseLine(), QByteArray("roll = 1"));
        QCOMPARE(link.ResponseQueue.size(), 1);
        QCOMPARE(link.ReadResponseLine(), QByteArray("=>"));
        QCOMPARE(link.ReadResponseLine(), QByteArray());
    }

    void readResponseLineOnBlankOnlyQueueEmptiesIt() {
        TBoardLink link;
        Fill(link, {"", " ", "\t\r"});
        QCOMPARE(link.ReadResponseLine(), QByteArray());
        QVERIFY(link.ResponseQueue.isEmpty());
    }

    void clearResponsesDropsLeftoverPrompt() {
        TBoardLink link;
        Fill(link, {"=>"});
        link.ClearResponses();
        link.SendCommand("cat stab\r\n");
        Fill(link, {"a = 1", "=>"});
        QCOMPARE(link.ReadResponseLine(), QByteArray("a = 1"));
        QCOMPARE(link.OutgoingQueue, QByteArrayList{"cat stab\r\n"});
    }

    void sendCommandQueuesInOrderAndPopTakesOne() {
        TBoardLink link;
        link.SendCommand("set a 1\r\n");
        link.SendCommand("set b 2\r\n");
        QCOMPARE(link.PopOutgoing(), QByteArray("set a 1\r\n"));
        QCOMPARE(link.PopOutgoing(), QByteArray("set b 2\r\n"));
        QCOMPARE(link.PopOutgoing(), QByteArray());
    }

    void waitForPromptBehindOtherLinesReturnsAtOnce() {
        TManualClock clock;
        TBoardLink link(&clock);
        Fill(link, {"x = 1", "", "=>", "after"});
        QVERIFY(link.WaitForPrompt());
        QCOMPARE(link.ResponseQueue, QByteArrayList{"after"});
    }

    void waitForPromptGivesUpAfterItsLimit() {
        // The clock moves 50 ms per reading; the wait must end once more than
        // 1000 ms have passed on it, whatever the real time.
        TManualClock clock;
        clock.SetAutoStep(50);
        TBoardLink link(&clock);
        Fill(link, {"noise"});
        QVERIFY(!link.WaitForPrompt());
        QVERIFY(clock.NowMs() > 1000);
        QVERIFY(link.ResponseQueue.isEmpty());
    }

    void waitForPromptKeepsWindowsResponsive() {
        TBoardLink link;
        int fired = 0;
        QTimer t;
        connect(&t, &QTimer::timeout, [&] { ++fired; });
        t.start(50);
        QElapsedTimer real;
        real.start();
        QVERIFY(!link.WaitForPrompt(300));
        QVERIFY(real.elapsed() >= 300);
        QVERIFY2(fired >= 3, "timers did not run during the wait");
    }

    void waitResponseLineWakesOnWorkerAppend_data() {
        QTest::addColumn<int>("mode");
        QTest::newRow("no events") << int(TWaitMode::NoEvents);
        QTest::newRow("process events") << int(TWaitMode::ProcessEvents);
    }
    void waitResponseLineWakesOnWorkerAppend() {
        QFETCH(int, mode);
        TBoardLink link;
        std::thread producer([&] {
            QThread::msleep(30);
            link.AppendResponse(" late line ");
        });
        QByteArray line;
        QElapsedTimer real;
        real.start();
        QCOMPARE(link.WaitResponseLine(line, 5000, TWaitMode(mode)), TWaitResult::Line);
        producer.join();
        QCOMPARE(line, QByteArray("late line"));
        QVERIFY2(real.elapsed() < 2000, "the wait did not wake on the new line");
    }

    void waitResponseLineTimesOutAndCancels() {
        TManualClock clock;
        clock.SetAutoStep(100);
        TBoardLink link(&clock);
        QByteArray line;
        QCOMPARE(link.WaitResponseLine(line, 3000, TWaitMode::NoEvents), TWaitResult::Timeout);
        bool cancel = false;
        QTimer::singleShot(20, [&] { cancel = true; });
        TBoardLink realLink;
        QCOMPARE(realLink.WaitResponseLine(line, 60000, TWaitMode::ProcessEvents,
                                           [&] { return cancel; }),
                 TWaitResult::Cancelled);
    }

    void producerAndReaderLoseAndDuplicateNothing() {
        TBoardLink link;
        constexpr int N = 20000;
        std::thread producer([&] {
            for (int i = 0; i < N; ++i)
                link.AppendResponse("line " + QByteArray::number(i));
        });
        int next = 0;
        QByteArray line;
        while (next < N) {
            QCOMPARE(link.WaitResponseLine(line, 5000, TWaitMode::NoEvents), TWaitResult::Line);
            QCOMPARE(line, "line " + QByteArray::number(next));
            ++next;
        }
        producer.join();
        QCOMPARE(link.ReadResponseLine(), QByteArray());
    }

    void clearResponsesWaitsForPromptsOwed() {
        // A line was written (popped by the worker) and its prompt is still
        // on the way: clearing must wait for it, or the late prompt would be
        // taken for the end of the next listing.
        TBoardLink link;
        link.SendCommand("set a 1\r\n");
        QCOMPARE(link.PopOutgoing(), QByteArray("set a 1\r\n"));
        QCOMPARE(link.PromptsOwed(), 1);
        std::thread board([&] {
            QThread::msleep(80);
            link.AppendResponse("=>");
        });
        link.ClearResponses();
        board.join();
        QVERIFY(link.ResponseQueue.isEmpty());
        QCOMPARE(link.PromptsOwed(), 0);
    }

    void clearResponsesSettleIsBounded() {
        // Nothing owed: no wait at all. A board that never prompts: the wait
        // ends SettleAfterWriteMs after the last write.
        TBoardLink link;
        QElapsedTimer t;
        t.start();
        link.ClearResponses();
        QVERIFY(t.elapsed() < TBoardLink::SettleAfterWriteMs);
        link.SendCommand("cal mag\r\n");
        link.PopOutgoing();
        t.restart();
        link.ClearResponses();
        QVERIFY(t.elapsed() >= TBoardLink::SettleAfterWriteMs - 50);
        QVERIFY(t.elapsed() < TBoardLink::SettleLimitMs);
    }

    void promptsAtLineStartEachSettleOne_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<int>("owedAfter");
        QTest::newRow("bare prompt") << QByteArray("=>") << 2;
        QTest::newRow("prompt then echo") << QByteArray("=>echo off") << 2;
        QTest::newRow("two prompts run together") << QByteArray("=>=>") << 1;
        QTest::newRow("not a prompt") << QByteArray("x => y") << 3;
        QTest::newRow("more prompts than owed") << QByteArray("=>=>=>=>") << 0;
    }
    void promptsAtLineStartEachSettleOne() {
        QFETCH(QByteArray, line);
        TBoardLink link;
        for (int i = 0; i < 3; ++i) {
            link.SendCommand("x\r\n");
            link.PopOutgoing();
        }
        link.AppendResponse(line);
        QTEST(link.PromptsOwed(), "owedAfter");
    }

    void wholeTextEndsEveryLineWithCrLf() {
        TSafeStringList l;
        l << "Cannot open x"
          << "second";
        QCOMPARE(l.Text(), QByteArray("Cannot open x\r\nsecond\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestQueues)
#include "tst_queues.moc"
