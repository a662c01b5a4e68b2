// The port monitor and the About box, against a stand-in panel whose board
// answers from a script.

#include "MemoryPrefs.h"
#include "ScriptedDialogs.h"
#include "ScriptedPanel.h"
#include "TestMain.h"
#include "link/Clock.h"
#include "shell/WinDebugMonUnit.h"
#include "shell/about.h"
#include "ui/PanelPrefs.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QMdiArea>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTimer>

namespace {
void Type(QLineEdit* edit, const QString& text) {
    edit->clear();
    // QTest types ASCII only; other text is put in as if pasted.
    bool ascii = true;
    for (QChar c : text)
        ascii = ascii && c.unicode() < 0x80;
    if (ascii)
        QTest::keyClicks(edit, text);
    else
        edit->insert(text);
    QTest::keyClick(edit, Qt::Key_Return);
}

QStringList Lines(QPlainTextEdit* edit) {
    QStringList out;
    for (QTextBlock b = edit->document()->begin(); b.isValid(); b = b.next())
        out << b.text();
    return out;
}
} // namespace

class TestShell : public QObject {
    Q_OBJECT
private slots:
    void monitorKeepsTheNewestThousandLines() {
        TScriptedPanel panel;
        TWinDebugMon mon;
        for (int i = 1; i <= 1001; ++i)
            mon.AddLogLine("line " + QByteArray::number(i));
        mon.Flush();
        const QStringList lines = Lines(mon.LogCtrl);
        QCOMPARE(lines.size(), 1000);
        QCOMPARE(lines.first(), "line 2");
        QCOMPARE(lines.last(), "line 1001");
    }

    void monitorShowsLinesAsTheyCame() {
        // The handshake's empty command comes first and must stay a line of
        // its own; blanks are not trimmed; every byte shows as one character.
        TScriptedPanel panel;
        TWinDebugMon mon;
        for (const QByteArray& l : QByteArrayList{"", "=>", "  x = 1 ", "\xB0"})
            mon.AddLogLine(l);
        // Shown in one batch shortly after, without anyone flushing.
        QTRY_COMPARE(Lines(mon.LogCtrl), (QStringList{"", "=>", "  x = 1 ", QString(QChar(0xB0))}));
        mon.AddLogLine("next");
        QTRY_COMPARE(Lines(mon.LogCtrl).last(), "next");
        QCOMPARE(Lines(mon.LogCtrl).size(), 5);
    }

    void consoleSendsExactlyTheTypedLine_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("sent");
        QTest::newRow("a command") << "cat stab" << QByteArray("cat stab\r\n");
        QTest::newRow("blanks kept as typed")
            << "  set roll_kp 1.5 " << QByteArray("  set roll_kp 1.5 \r\n");
        QTest::newRow("empty line: the board answers its prompt") << "" << QByteArray("\r\n");
        QTest::newRow("8-bit text as Latin-1") << "echo \u00b0" << QByteArray("echo \xb0\r\n");
    }
    void consoleSendsExactlyTheTypedLine() {
        QFETCH(QString, typed);
        QFETCH(QByteArray, sent);
        TScriptedPanel panel;
        TScriptedDialogs dialogs;
        TWinDebugMon mon;
        Type(mon.CommandLine, typed);
        QCOMPARE(panel.TakeSent(), QByteArrayList{sent});
        QVERIFY(mon.CommandLine->text().isEmpty());
        QVERIFY(dialogs.Messages.isEmpty());
    }

    // A console line holds the board until its prompt; one typed while it
    // still waits (the board's calibration streams, no prompt) goes out at
    // once, as in a terminal; Esc stops waiting. While another operation
    // holds the board, typed lines wait and say so.
    void consoleConversation() {
        TScriptedPanel panel;
        panel.Board.SetAnswer("cal mag", {"x_max=1", "x_max=2", "x_max=3", "x_max=4"}, false, 0,
                              150);
        panel.Board.SetAnswer("cal mag_save", {"mag_bias_x = 5"}, true, 50);
        TWinDebugMon mon;
        QTimer::singleShot(200, [&] { Type(mon.CommandLine, "cal mag_save"); });
        Type(mon.CommandLine, "cal mag");
        QCOMPARE(panel.TakeSent(), (QByteArrayList{"cal mag\r\n", "cal mag_save\r\n"}));
        QVERIFY(mon.ConsoleNote->text().isEmpty());

        panel.Board.SetAnswer("log dump 3", QByteArrayList(50, "row"), true, 0, 100);
        QTimer::singleShot(300, [&] { QTest::keyClick(mon.CommandLine, Qt::Key_Escape); });
        QElapsedTimer t;
        t.start();
        Type(mon.CommandLine, "log dump 3");
        QVERIFY(t.elapsed() < 2000);

        {
            const TBoardTurn exportRunning(panel.Link());
            Type(mon.CommandLine, "ver");
            QVERIFY(mon.WaitingForBoard());
            QVERIFY(mon.ConsoleNote->text().contains("ждёт"));
        }
        QByteArrayList sent;
        QTRY_VERIFY_WITH_TIMEOUT((sent += panel.TakeSent()).contains("ver\r\n"), 10000);
        QCOMPARE(sent.first(), QByteArray("log dump 3\r\n"));
    }

    void consoleKeepsWhatItCannotSend_data() {
        QTest::addColumn<bool>("connected");
        QTest::addColumn<QString>("typed");
        QTest::newRow("not connected") << false << "cat stab";
        QTest::newRow("letters the board has no code for") << true << "сохранить";
    }
    void consoleKeepsWhatItCannotSend() {
        QFETCH(bool, connected);
        QFETCH(QString, typed);
        TScriptedPanel panel;
        panel.Connected = connected;
        TScriptedDialogs dialogs;
        TWinDebugMon mon;
        Type(mon.CommandLine, typed);
        QVERIFY(panel.TakeSent().isEmpty());
        QCOMPARE(mon.CommandLine->text(), typed);
        QCOMPARE(dialogs.Messages.size(), 1);
        QVERIFY(mon.History().Items().isEmpty());
    }

    void consoleHistoryRecallAndPersistence() {
        TScriptedPanel panel;
        TMemoryPrefs prefs;
        {
            TWinDebugMon mon;
            for (const char* c : {"cat stab", "ver", "ver", "", "cat osd"})
                Type(mon.CommandLine, c);
            // A repeat and the empty line are not kept.
            QCOMPARE(mon.History().Items(), (QStringList{"cat stab", "ver", "cat osd"}));
            QTest::keyClicks(mon.CommandLine, "set x");
            QStringList seen;
            for (Qt::Key k : {Qt::Key_Up, Qt::Key_Up, Qt::Key_Up, Qt::Key_Up, Qt::Key_Down,
                              Qt::Key_Down, Qt::Key_Down, Qt::Key_Down}) {
                QTest::keyClick(mon.CommandLine, k);
                seen << mon.CommandLine->text();
            }
            QCOMPARE(seen, (QStringList{"cat osd", "ver", "cat stab", "cat stab", "ver", "cat osd",
                                        "set x", "set x"}));
            // A recalled command is sent as shown.
            QTest::keyClick(mon.CommandLine, Qt::Key_Up);
            QTest::keyClick(mon.CommandLine, Qt::Key_Up);
            panel.TakeSent();
            QTest::keyClick(mon.CommandLine, Qt::Key_Return);
            QCOMPARE(panel.TakeSent(), QByteArrayList{"ver\r\n"});
        }
        // The next run (a new monitor on the same settings) has it.
        TWinDebugMon again;
        QCOMPARE(again.History().Items(), (QStringList{"cat stab", "ver", "cat osd", "ver"}));
        QTest::keyClick(again.CommandLine, Qt::Key_Up);
        QCOMPARE(again.CommandLine->text(), "ver");

        // Only the newest hundred are kept.
        for (int i = 0; i < 150; ++i)
            Type(again.CommandLine, QString("cmd %1").arg(i));
        const QStringList stored = prefs.Keys.value("CONSOLE/History").toStringList();
        QCOMPARE(stored.size(), 100);
        QCOMPARE(stored.first(), "cmd 50");
        QCOMPARE(stored.last(), "cmd 149");
    }

    void pauseHoldsLinesUntilResumed_data() {
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("during");
        QTest::newRow("a few lines") << 3 << 7;
        QTest::newRow("more than the monitor holds while paused") << 500 << 1200;
    }
    void pauseHoldsLinesUntilResumed() {
        QFETCH(int, before);
        QFETCH(int, during);
        TScriptedPanel panel;
        TWinDebugMon mon;
        QStringList all;
        const auto add = [&](int n) {
            for (int i = 0; i < n; ++i) {
                const QByteArray line = "line " + QByteArray::number(all.size());
                all << QString::fromLatin1(line);
                mon.AddLogLine(line);
            }
        };
        add(before);
        mon.PauseBox->setChecked(true);
        add(during);
        QCOMPARE(mon.ShownLines(), all.mid(0, before)); // nothing moves while paused
        mon.PauseBox->setChecked(false);
        // Every line is there in order, within the monitor's limit.
        QCOMPARE(mon.ShownLines(), all.mid(qMax(0, int(all.size()) - TWinDebugMon::MaxLines)));
        add(1);
        QCOMPARE(mon.ShownLines().last(), all.last());
    }

    void timeStampsOnlyWhenAskedFor() {
        TScriptedPanel panel;
        TWinDebugMon mon;
        QVERIFY(!mon.TimeBox->isChecked());
        mon.AddLogLine("=>");
        mon.TimeBox->setChecked(true);
        mon.AddLogLine("cat stab");
        const QStringList lines = mon.ShownLines();
        QCOMPARE(lines.first(), "=>");
        QVERIFY2(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d  cat stab$")
                     .match(lines.last())
                     .hasMatch(),
                 qPrintable(lines.last()));
    }

    void savedFileHoldsExactlyTheShownLines() {
        TScriptedPanel panel;
        TScriptedDialogs dialogs;
        QTemporaryDir dir;
        TWinDebugMon mon;
        for (const QByteArray& l : QByteArrayList{"", "=>", "  x = 1 ", "t\xB0"})
            mon.AddLogLine(l);
        mon.PauseBox->setChecked(true);
        mon.AddLogLine("held back, not shown");
        const QString name = dir.filePath("port.txt");
        dialogs.SaveNames << name;
        QTest::mouseClick(mon.SaveButton, Qt::LeftButton);
        QFile f(name);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("\r\n=>\r\n  x = 1 \r\nt\xB0\r\n"));
        QVERIFY(dialogs.Errors.isEmpty());

        dialogs.SaveNames << ""; // cancelled: nothing written, nothing said
        mon.SaveButtonClick();
        dialogs.SaveNames << dir.filePath("no-such-dir/port.txt");
        mon.SaveButtonClick();
        QCOMPARE(dialogs.Errors.size(), 1);
        QVERIFY(dialogs.Unexpected.isEmpty());
    }

    void aboutBoxReadsVersions_data() {
        QTest::addColumn<QByteArrayList>("answer");
        QTest::addColumn<QString>("ap");
        QTest::addColumn<QString>("stdapp");
        QTest::newRow("both lines, blanks around the numbers")
            << QByteArrayList{"Vantor board", "Autopilot software version:  2.7.1 ",
                              "Receiver software version:\t1.04\r", "=>"}
            << "2.7.1"
            << "1.04";
        QTest::newRow("one line naming both: both take the text after its first colon")
            << QByteArrayList{"Autopilot software version: Receiver software version: 9", "=>"}
            << "Receiver software version: 9"
            << "Receiver software version: 9";
        QTest::newRow("only the autopilot line: the other keeps its design text")
            << QByteArrayList{"", "Autopilot software version: 3.0", "=>"} << "3.0"
            << "STDAPP_Ver";
        QTest::newRow("silent board: design texts, the box still opens")
            << QByteArrayList{} << "AP_Ver"
            << "STDAPP_Ver";
        QTest::newRow("board stops before its prompt")
            << QByteArrayList{"Autopilot software version: 4.4"} << "4.4"
            << "STDAPP_Ver";
    }
    void aboutBoxReadsVersions() {
        QFETCH(QByteArrayList, answer);
        QFETCH(QString, ap);
        QFETCH(QString, stdapp);
        // The silence limit passes in a few reads instead of real seconds.
        TManualClock clock;
        clock.SetAutoStep(1000);
        TScriptedPanel panel(&clock);
        panel.SetAnswer("ver", answer, false);
        panel.Inject({"=>"}); // left over: must not end the query
        TAboutBox box(nullptr, "1.0.0.1");
        QCOMPARE(panel.TakeSent(), QByteArrayList{"ver\r\n"});
        QCOMPARE(box.AP_Ver->text(), ap);
        QCOMPARE(box.STDAPP_Ver->text(), stdapp);
        QCOMPARE(box.CP_Ver->text(), "1.0.0.1");
    }

    // While another operation holds the board the box says it waits, and
    // fills in the versions once the board is free.
    void aboutBoxWaitsForTheBoard() {
        TScriptedPanel panel;
        panel.SetAnswer("ver", {"Autopilot software version: 5.1", "Receiver software version: 2"});
        std::unique_ptr<TAboutBox> box;
        {
            const TBoardTurn exportRunning(panel.Link());
            box = std::make_unique<TAboutBox>(nullptr, "1.0.0.1");
            QVERIFY(box->Waiting());
            QVERIFY(box->AP_Ver->text().contains("ожидание"));
            QVERIFY(panel.TakeSent().isEmpty());
        }
        QTRY_VERIFY(!box->Waiting());
        QCOMPARE(box->AP_Ver->text(), "5.1");
        QCOMPARE(box->STDAPP_Ver->text(), "2");
    }
};

VANTOR_TEST_MAIN(TestShell)
#include "tst_shell.moc"
