// The line queues and the one conversation with the board (TBoardLink's
// request routine, its turns and its settling after an interrupted answer),
// against a scripted board that answers from a thread of its own.

#include "ScriptedBoard.h"
#include "TestSupport.h"
#include "link/BoardLinkUnit.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <thread>

namespace {
void Fill(TBoardLink& link, const QByteArrayList& lines) {
    for (const QByteArray& l : lines)
        link.AppendResponse(l);
}

// What Exchange appends when an answer does not end at its prompt.
QByteArrayList Ended(TAnswerEnd end, QByteArrayList lines = {}) {
    return lines << "<end " + QByteArray::number(int(end)) + ">";
}
} // namespace

class TestConversation : public QObject {
    Q_OBJECT
private slots:
    // How an answer ends when the board does not do what the panel expects
    // of it: an extra prompt (dropped), an answer given twice (out of step),
    // its start-up lines or its echo back on (a restart: "echo off" goes
    // again before the next command), a prompt within the hold (complete,
    // its lines dropped), a late prompt counted by the next pipelined line.
    void answerEndsThatAreNotTheUsualOne_data() {
        QTest::addColumn<QByteArrayList>("answer"); // "cat stab"'s lines before its prompt
        QTest::addColumn<QByteArray>("late");       // a line the board sends 100 ms after
        QTest::addColumn<QByteArrayList>("result");
        QTest::addColumn<QByteArrayList>("nextSent"); // what the next request sends
        const QByteArrayList next{"cat osd\r\n"};
        const QByteArrayList echoFirst{"echo off\r\n", "cat osd\r\n"};
        QTest::newRow("extra prompt, late")
            << QByteArrayList{"a = 1"} << QByteArray("=>") << QByteArrayList{"a = 1"} << next;
        QTest::newRow("extra prompt, at once")
            << QByteArrayList{"a = 1", "=>"} << QByteArray() << QByteArrayList{"a = 1"} << next;
        QTest::newRow("answer given twice")
            << QByteArrayList{"a = 1", "=>", "a = 1"} << QByteArray()
            << Ended(TAnswerEnd::OutOfStep, {"a = 1"}) << next;
        QTest::newRow("prompt run into text") << QByteArrayList{"a = 1", "=>a = 1"} << QByteArray()
                                              << Ended(TAnswerEnd::OutOfStep, {"a = 1"}) << next;
        QTest::newRow("restart mid-answer")
            << QByteArrayList{"a = 1", "", "Vantor-Navigator autopilot",
                              "Autopilot software version: 3.2.7"}
            << QByteArray() << Ended(TAnswerEnd::Restarted, {"a = 1", "Vantor-Navigator autopilot"})
            << echoFirst;
        QTest::newRow("restart after the prompt")
            << QByteArrayList{"a = 1"} << QByteArray("Autopilot software version: 3.2.7")
            << Ended(TAnswerEnd::Restarted, {"a = 1"}) << echoFirst;
        QTest::newRow("echo back on") << QByteArrayList{"cat stab", "a = 1"} << QByteArray()
                                      << Ended(TAnswerEnd::Restarted) << echoFirst;
    }
    void answerEndsThatAreNotTheUsualOne() {
        QFETCH(QByteArrayList, answer);
        QFETCH(QByteArray, late);
        QFETCH(QByteArrayList, nextSent);
        TBoardLink link;
        TScriptedBoard board(link);
        QSignalSpy restarts(&link, &TBoardLink::BoardRestarted);
        QCOMPARE(Exchange(link, "echo off"), QByteArrayList{});
        board.SetAnswer("cat stab", answer);
        board.SetAnswer("cat osd", {"b = 2"});
        if (!late.isEmpty()) {
            // The worker saw more output straight after the prompt.
            link.NotePrompt(true);
            QTimer::singleShot(100, &link, [&] { board.Inject({late}); });
        }
        board.TakeSent();
        QTEST(Exchange(link, "cat stab", 2000, TWaitMode::ProcessEvents), "result");
        QCOMPARE(restarts.count(), nextSent.size() - 1);
        link.NotePrompt(false);
        QTRY_VERIFY(link.InStep() || link.Free());
        QCOMPARE(Exchange(link, "cat osd", 2000, TWaitMode::ProcessEvents),
                 QByteArrayList{"b = 2"});
        QCOMPARE(board.TakeSent().mid(1), nextSent);
    }

    void promptWithinTheHoldEndsTheAnswerWhenItIsOver() {
        TBoardLink link;
        TScriptedBoard board(link);
        board.SetAnswer("cal gyro", {"gyro_bias_x = 3"});
        TRequest r;
        r.Commands = {"cal gyro\r\n"};
        r.HoldMs = 300;
        r.Mode = TWaitMode::ProcessEvents;
        QElapsedTimer t;
        t.start();
        const TAnswer a = link.Request(r);
        QVERIFY(a.Ok() && a.Held);
        QCOMPARE(a.Lines, 0);
        QVERIFY2(t.elapsed() >= 290 && t.elapsed() < 2000,
                 qPrintable(QString::number(t.elapsed())));
        QVERIFY(link.InStep());
    }

    // A line whose prompt is late does not hold the next pipelined one
    // back, and its prompt is counted when it comes.
    void latePromptIsCountedByThePipelinedNextLine() {
        TBoardLink link;
        TScriptedBoard board(link);
        board.SetAnswer("set a 1", {}, true, 400);
        TBoardTurn turn(link);
        TRequest r;
        r.Commands = {"set a 1\r\n"};
        r.LimitMs = 200;
        r.Pipelined = true;
        QCOMPARE(link.Request(r).End, TAnswerEnd::Silent);
        r.Commands = {"set b 2\r\n"};
        r.LimitMs = 2000;
        const TAnswer a = link.Request(r);
        QVERIFY(a.Ok());
        QCOMPARE(a.Late, 1);
        QVERIFY(link.InStep());
        QCOMPARE(board.Commands(), (QByteArrayList{"set a 1", "set b 2"}));
    }
    void readResponseLineSkipsBlankAndTrims() {
        TBoardLink link;
        Fill(link, {"", "  ", " roll = 1\r", "=>"});
        QCOMPARE(link.ReadResponseLine(), QByteArray("roll = 1"));
        QCOMPARE(link.ResponseQueue.size(), 1);
        QCOMPARE(link.ReadResponseLine(), QByteArray("=>"));
        QCOMPARE(link.ReadResponseLine(), QByteArray());
        Fill(link, {"", " ", "\t\r"});
        QCOMPARE(link.ReadResponseLine(), QByteArray());
        QVERIFY(link.ResponseQueue.isEmpty());
    }

    // The answer up to its prompt, whatever waited before the command (a
    // stale prompt, a greeting) dropped; each wait mode wakes on the board's
    // lines and keeps (ProcessEvents) the windows' timers running.
    void requestReadsItsOwnAnswerToThePrompt_data() {
        QTest::addColumn<int>("mode");
        QTest::newRow("no events") << int(TWaitMode::NoEvents);
        QTest::newRow("process events") << int(TWaitMode::ProcessEvents);
    }
    void requestReadsItsOwnAnswerToThePrompt() {
        QFETCH(int, mode);
        TBoardLink link;
        TScriptedBoard board(link);
        board.SetAnswer("cat stab", {" a = 1 ", "", "b = 2"}, true, 150, 20);
        Fill(link, {"=>", "Vantor-Navigator autopilot"});
        int ticks = 0;
        QTimer timer;
        connect(&timer, &QTimer::timeout, [&] { ++ticks; });
        timer.start(20);
        QCOMPARE(Exchange(link, "cat stab", 2000, TWaitMode(mode)),
                 (QByteArrayList{"a = 1", "b = 2"}));
        QCOMPARE(board.TakeSent(), QByteArrayList{"cat stab\r\n"});
        QVERIFY(mode == int(TWaitMode::NoEvents) ? ticks == 0 : ticks >= 3);
        QVERIFY(link.InStep());
    }

    // Each way an answer ends short, and what the request reports.
    void requestEndsShort_data() {
        QTest::addColumn<QByteArrayList>("answer");
        QTest::addColumn<int>("limitMs");
        QTest::addColumn<int>("end");
        QTest::newRow("silent board") << QByteArrayList{} << 0 << int(TAnswerEnd::Silent);
        QTest::newRow("talks past the overall limit")
            << QByteArrayList(40, "x = 1") << 300 << int(TAnswerEnd::Silent);
        QTest::newRow("endless text") << QByteArrayList{QByteArray(MaxAnswerLineBytes + 1, 'x')}
                                      << 0 << int(TAnswerEnd::Flood);
        QTest::newRow("endless text run into a prompt")
            << QByteArrayList{"=>" + QByteArray(MaxAnswerLineBytes, 'x')} << 0
            << int(TAnswerEnd::Flood);
    }
    void requestEndsShort() {
        QFETCH(QByteArrayList, answer);
        QFETCH(int, limitMs);
        QFETCH(int, end);
        TBoardLink link;
        TScriptedBoard board(link);
        board.SetAnswer("cat stab", answer, false, 0, 20);
        TRequest r;
        r.Commands = {"cat stab\r\n"};
        r.SilenceMs = 500;
        r.LimitMs = limitMs;
        const TAnswer a = link.Request(r);
        QCOMPARE(int(a.End), end);
        // A board silent for the whole limit owes nothing it will still send.
        QCOMPARE(link.InStep(), a.End == TAnswerEnd::Silent && answer.isEmpty());
    }

    // An answer cut short: the next request lets the board finish it (the
    // rest and its prompt discarded, then a moment of quiet) before its own
    // command goes, so it never reads the old answer as its own.
    void nextRequestWaitsForTheInterruptedAnswer() {
        TBoardLink link;
        TScriptedBoard board(link);
        QByteArrayList dump;
        for (int i = 0; i < 20; ++i)
            dump << "row " + QByteArray::number(i);
        board.SetAnswer("log dump 3", dump, true, 0, 15);
        board.SetAnswer("cat stab", {"a = 1"});
        int seen = 0;
        TRequest r;
        r.Commands = {"log dump 3\r\n"};
        r.Mode = TWaitMode::ProcessEvents;
        r.Cancel = [&] { return ++seen > 5; };
        QCOMPARE(link.Request(r).End, TAnswerEnd::Cancelled);
        QVERIFY(!link.InStep());
        // A wait that processes no window messages cannot settle: refused.
        QCOMPARE(Exchange(link, "cat stab"), Ended(TAnswerEnd::Unsettled));
        qint64 discarded = 0;
        QByteArrayList lines;
        r.Commands = {"cat stab\r\n"};
        r.Cancel = {};
        r.Settling = [&](qint64 bytes) { discarded = bytes; };
        r.OnLine = [&](const QByteArray& l) {
            lines << l;
            return true;
        };
        QVERIFY(link.Request(r).Ok());
        QCOMPARE(lines, QByteArrayList{"a = 1"});
        QVERIFY(discarded > 0);
        QCOMPARE(board.TakeSent(), (QByteArrayList{"log dump 3\r\n", "cat stab\r\n"}));
    }

    // A board that never gives the prompt it owes (it answers some command
    // without one) holds the link only until it has been quiet for the
    // interrupted answer's own silence limit; one that keeps talking past
    // the settling bound makes the next request fail without sending.
    void settlingIsBounded() {
        TManualClock clock;
        TBoardLink link(&clock);
        TScriptedBoard board(link);
        board.SetAnswer("mon on gyro", {}, false);
        board.SetAnswer("ver", {"v 1"});
        TRequest r;
        r.Commands = {"mon on gyro\r\n"};
        r.SilenceMs = 300;
        r.Cancel = [] { return true; };
        QCOMPARE(link.Request(r).End, TAnswerEnd::Cancelled);
        QVERIFY(!link.InStep());
        // The link's clock runs on 50 ms a tick; "ver" goes after 300 ms of quiet.
        QTimer ticks;
        connect(&ticks, &QTimer::timeout, [&] { clock.Advance(50); });
        ticks.start(5);
        qint64 sentAt = -1;
        connect(&link, &TBoardLink::CommandSent, [&] { sentAt = clock.NowMs(); });
        QCOMPARE(Exchange(link, "ver", 2000, TWaitMode::ProcessEvents), QByteArrayList{"v 1"});
        QVERIFY2(sentAt >= 300 && sentAt <= 400, QByteArray::number(sentAt));

        // Cut short again; then the old answer runs on past the bound.
        QCOMPARE(link.Request(r).End, TAnswerEnd::Cancelled);
        const QByteArray row(1000, 'r');
        for (qint64 n = 0; n <= TBoardLink::SettleLimitBytes / 1000 + 10; ++n)
            link.AppendResponse(row);
        r.Commands = {"ver\r\n"};
        r.Mode = TWaitMode::ProcessEvents;
        r.Cancel = {};
        const TAnswer a = link.Request(r);
        QCOMPARE(a.End, TAnswerEnd::Unsettled);
        QVERIFY(a.Discarded > TBoardLink::SettleLimitBytes);
        QCOMPARE(board.TakeSent().size(), 3); // "ver" not sent the second time
    }

    // A board that keeps sending lines of its own (a calibration left
    // running) but never the prompt it owes is asked for one with an empty
    // line once it has talked for the interrupted answer's silence limit;
    // its prompt puts the link back in step.
    void boardTalkingWithoutItsPromptIsAskedForIt() {
        TBoardLink link;
        TScriptedBoard board(link);
        board.SetAnswer("cal mag", {}, false);
        board.SetAnswer("ver", {"v 1"});
        TRequest r;
        r.Commands = {"cal mag\r\n"};
        r.SilenceMs = 400;
        r.Cancel = [] { return true; };
        QCOMPARE(link.Request(r).End, TAnswerEnd::Cancelled);
        std::atomic<bool> talk{true};
        std::thread extremes([&] {
            while (talk) {
                link.AppendResponse("x_max=1 x_min=-1");
                QThread::msleep(50);
            }
        });
        const QByteArrayList ver = Exchange(link, "ver", 2000, TWaitMode::ProcessEvents);
        talk = false;
        extremes.join();
        QCOMPARE(ver, QByteArrayList{"v 1"});
        QCOMPARE(board.TakeSent(), (QByteArrayList{"cal mag\r\n", "\r\n", "ver\r\n"}));
    }

    // Prompts at a line's start each count ("=>=>" is two, "=>echo off" a
    // prompt run into the echo of the next line); a prompt elsewhere is not.
    void promptsAtTheLineStart_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<int>("prompts");
        QTest::addColumn<QByteArray>("rest");
        QTest::newRow("bare") << QByteArray("=>") << 1 << QByteArray();
        QTest::newRow("two run together") << QByteArray("=>=>") << 2 << QByteArray();
        QTest::newRow("echo after it") << QByteArray("=> echo off") << 1 << QByteArray("echo off");
        QTest::newRow("not at the start") << QByteArray("x => y") << 0 << QByteArray("x => y");
    }
    void promptsAtTheLineStart() {
        QFETCH(QByteArray, line);
        QByteArray rest;
        QTEST(LeadingPrompts(line, &rest), "prompts");
        QTEST(rest, "rest");
        // Two commands sent together end at the second prompt.
        TBoardLink link;
        TScriptedBoard board(link);
        board.SetAnswer("set a 1", {}, false);
        board.SetAnswer("set b 2", {"=>=>"}, false);
        TRequest r;
        r.Commands = {"set a 1\r\n", "set b 2\r\n"};
        QVERIFY(link.Request(r).Ok());
        QVERIFY(link.InStep());
    }

    // One conversation at a time: a turn keeps a second holder out; requests
    // asked for meanwhile run in order once it is released, those whose
    // window went are dropped, and a lost link fails them all at once.
    void turnsAndWaitingRequests() {
        TBoardLink link;
        TScriptedBoard board(link);
        QStringList ran;
        auto context = std::make_unique<QObject>();
        {
            TBoardTurn turn(link);
            QVERIFY(turn.Held());
            QVERIFY(!TBoardTurn(link).Held());
            QVERIFY(!link.WhenFree(nullptr, [&] { ran << "first"; }));
            QVERIFY(!link.WhenFree(context.get(), [&] { ran << "gone"; }));
            QVERIFY(!link.WhenFree(nullptr, [&] {
                ran << "third";
                Exchange(link, "ver");
            }));
            context.reset();
            QCoreApplication::processEvents();
            QVERIFY(ran.isEmpty());
        }
        QTRY_COMPARE(ran, (QStringList{"first", "third"}));
        QCOMPARE(board.TakeSent(), QByteArrayList{"ver\r\n"});
        QVERIFY(link.WhenFree(nullptr, [&] { ran << "at once"; }));
        QCOMPARE(ran.last(), "at once");

        QStringList failed;
        {
            TBoardTurn turn(link);
            link.WhenFree(
                nullptr, [&] { ran << "never"; },
                [&](const TAnswer& a) { failed << QString::number(int(a.End)); });
            link.PortGone();
            QCOMPARE(Exchange(link, "ver", 60000), Ended(TAnswerEnd::LinkLost));
        }
        QTRY_COMPARE(failed, QStringList{QString::number(int(TAnswerEnd::LinkLost))});
        QVERIFY(!ran.contains("never"));
    }

    // A request made from a window message handled during another's wait
    // finds the board taken; the operator's console line goes out even
    // while the link is out of step and ends at the first prompt it sees.
    void nestedAndRawRequests() {
        TBoardLink link;
        TScriptedBoard board(link);
        board.SetAnswer("cal mag", {"x_max=1", "x_max=2", "x_max=3"}, false, 0, 100);
        QByteArrayList nested;
        QTimer::singleShot(50, [&] { nested = Exchange(link, "ver"); });
        QCOMPARE(Exchange(link, "cal mag", 600, TWaitMode::ProcessEvents),
                 Ended(TAnswerEnd::Silent, {"x_max=1", "x_max=2", "x_max=3"}));
        QCOMPARE(nested, Ended(TAnswerEnd::Busy));
        board.SetAnswer("cal mag_save", {"mag_bias_x = 5"});
        TRequest r;
        r.Commands = {"cal mag_save\r\n"};
        r.Mode = TWaitMode::ProcessEvents;
        r.Raw = true;
        QVERIFY(link.Request(r).Ok());
        QCOMPARE(board.TakeSent(), (QByteArrayList{"cal mag\r\n", "cal mag_save\r\n"}));
    }

    // A conversion error thrown while a line is handled leaves the rest of
    // the answer to be discarded before the next command; the send gate can
    // hold a command back.
    void callerErrorsAndTheGate() {
        TBoardLink link;
        TScriptedBoard board(link);
        board.SetAnswer("cat osd", {"a = x", "b = 2"}, true, 0, 30);
        TRequest r;
        r.Commands = {"cat osd\r\n"};
        r.OnLine = [](const QByteArray&) -> bool { throw std::runtime_error("not a number"); };
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, link.Request(r));
        QVERIFY(!link.InStep());
        QCOMPARE(Exchange(link, "ver", 2000, TWaitMode::ProcessEvents), QByteArrayList{});

        QByteArrayList asked;
        link.SetSendGate([&](const QByteArray& line) {
            asked << line;
            return !line.startsWith("reset");
        });
        QCOMPARE(Exchange(link, "reset osd"), Ended(TAnswerEnd::Refused));
        QCOMPARE(Exchange(link, "ver"), QByteArrayList{});
        QCOMPARE(asked, (QByteArrayList{"reset osd\r\n", "ver\r\n"}));
        QCOMPARE(board.TakeSent(), (QByteArrayList{"cat osd\r\n", "ver\r\n", "ver\r\n"}));
    }

    void producerAndReaderLoseAndDuplicateNothing() {
        TBoardLink link;
        constexpr int N = 20000;
        QByteArrayList got;
        TRequest r;
        r.Commands = {"log dump 1\r\n"};
        r.OnLine = [&](const QByteArray& l) {
            got << l;
            return true;
        };
        std::thread producer;
        connect(&link, &TBoardLink::CommandSent, [&] {
            producer = std::thread([&] {
                for (int i = 0; i < N; ++i)
                    link.AppendResponse("line " + QByteArray::number(i));
                link.AppendResponse("=>");
            });
        });
        QVERIFY(link.Request(r).Ok());
        producer.join();
        QCOMPARE(got.size(), N);
        for (int i = 0; i < N; ++i)
            QCOMPARE(got[i], "line " + QByteArray::number(i));
    }
};

QTEST_GUILESS_MAIN(TestConversation)
#include "tst_conversation.moc"
