// The port monitor and the About box, against a stand-in panel whose board
// answers from a script.

#include "MemoryPrefs.h"
#include "ScriptedDialogs.h"
#include "ScriptedPanel.h"
#include "TestMain.h"
#include "TestSupport.h"
#include "link/Clock.h"
#include "shell/WinDebugMonUnit.h"
#include "shell/about.h"
#include "ui/PanelPrefs.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
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
    // A typed line goes out exactly as typed; one that cannot be sent stays
    // in the line, with a message, and out of the history.
    void consoleSendsTheTypedLineOrKeepsIt_data() {
        QTest::addColumn<bool>("connected");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("sent"); // empty: kept
        QTest::newRow("a command") << true << "cat stab" << QByteArray("cat stab\r\n");
        QTest::newRow("blanks kept as typed")
            << true << "  set roll_kp 1.5 " << QByteArray("  set roll_kp 1.5 \r\n");
        QTest::newRow("empty line: the board answers its prompt")
            << true << "" << QByteArray("\r\n");
        QTest::newRow("8-bit text as Latin-1")
            << true << "echo \u00b0" << QByteArray("echo \xb0\r\n");
        QTest::newRow("not connected") << false << "cat stab" << QByteArray();
        QTest::newRow("letters the board has no code for") << true << "сохранить" << QByteArray();
    }
    void consoleSendsTheTypedLineOrKeepsIt() {
        QFETCH(bool, connected);
        QFETCH(QString, typed);
        QFETCH(QByteArray, sent);
        TScriptedPanel panel;
        panel.Connected = connected;
        TScriptedDialogs dialogs;
        TWinDebugMon mon;
        Type(mon.CommandLine, typed);
        QCOMPARE(panel.TakeSent(), sent.isEmpty() ? QByteArrayList{} : QByteArrayList{sent});
        QCOMPARE(mon.CommandLine->text(), sent.isEmpty() ? typed : QString());
        QCOMPARE(dialogs.Messages.size(), sent.isEmpty() ? 1 : 0);
        QCOMPARE(mon.History().Items().isEmpty(), sent.isEmpty() || typed.isEmpty());
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
        QTRY_VERIFY(panel.Link().Free() && panel.Board.Idle());
        QTimer::singleShot(300, [&] { QTest::keyClick(mon.CommandLine, Qt::Key_Escape); });
        Type(mon.CommandLine, "log dump 3");
        QVERIFY(!panel.Board.Idle()); // the board is still sending its rows

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
        QTest::newRow("more than the monitor holds, not paused") << 1001 << 0;
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
        // The newest of the first n lines, as many as the monitor holds.
        const auto newest = [&](int n) {
            return all.mid(0, n).mid(qMax(0, n - TWinDebugMon::MaxLines));
        };
        add(before);
        mon.PauseBox->setChecked(true);
        add(during);
        QCOMPARE(mon.ShownLines(), newest(before)); // nothing moves while paused
        mon.PauseBox->setChecked(false);
        add(1);
        mon.Flush();
        // Every line is there in order, within the monitor's limit.
        QCOMPARE(Lines(mon.LogCtrl), newest(all.size()));
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

    // The handshake's empty command comes first and must stay a line of its
    // own; blanks are not trimmed; every byte shows as one character. Lines
    // show in batches shortly after, without anyone flushing; the saved file
    // holds exactly the shown lines.
    void monitorShowsAndSavesLinesAsTheyCame() {
        TScriptedPanel panel;
        TScriptedDialogs dialogs;
        QTemporaryDir dir;
        TWinDebugMon mon;
        for (const QByteArray& l : QByteArrayList{"", "=>", "  x = 1 ", "\xB0"})
            mon.AddLogLine(l);
        QTRY_COMPARE(Lines(mon.LogCtrl), (QStringList{"", "=>", "  x = 1 ", QString(QChar(0xB0))}));
        mon.AddLogLine("next");
        QTRY_COMPARE(Lines(mon.LogCtrl).last(), "next");
        QCOMPARE(Lines(mon.LogCtrl).size(), 5);
        mon.PauseBox->setChecked(true);
        mon.AddLogLine("held back, not shown");
        const QString name = dir.filePath("port.txt");
        dialogs.SaveNames << name;
        QTest::mouseClick(mon.SaveButton, Qt::LeftButton);
        QFile f(name);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("\r\n=>\r\n  x = 1 \r\n\xB0\r\nnext\r\n"));
        QVERIFY(dialogs.Errors.isEmpty());
        {
            const TFullDisk full; // the old file stays as it was
            dialogs.SaveNames << name;
            mon.SaveButtonClick();
        }
        QCOMPARE(dialogs.Errors.size(), 1);
        QVERIFY(dialogs.Errors[0].contains("File too large\nПрежний файл оставлен без изменений."));
        QCOMPARE(ReadAll(name), QByteArray("\r\n=>\r\n  x = 1 \r\n\xB0\r\nnext\r\n"));

        dialogs.SaveNames << ""; // cancelled: nothing written, nothing said
        mon.SaveButtonClick();
        dialogs.SaveNames << dir.filePath("no-such-dir/port.txt");
        mon.SaveButtonClick();
        QCOMPARE(dialogs.Errors.size(), 2);
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
};

VANTOR_TEST_MAIN(TestShell)
#include "tst_shell.moc"
