// The port monitor and the About box, against a stand-in panel whose board
// answers "ver" from a script the moment the command is queued.

#include "ScriptedDialogs.h"
#include "TestMain.h"
#include "link/Clock.h"
#include "shell/WinDebugMonUnit.h"
#include "shell/about.h"

#include <QLabel>
#include <QMdiArea>
#include <QPlainTextEdit>
#include <QTextBlock>

namespace {
// MainForm for the shell's windows: a link without a worker; what the board
// "answers" to "ver" goes straight into the response queue.
class TScriptedPanel : public TPanelContext {
public:
    TManualClock Clock;
    TBoardLink BoardLink{&Clock};
    QByteArrayList VerAnswer; // lines the board sends after "ver"
    QByteArrayList Sent;

    TScriptedPanel() {
        MainForm = this;
        QObject::connect(&BoardLink, &TBoardLink::CommandSent, [this](const QByteArray& line) {
            Sent << line;
            if (line == "ver\r\n")
                for (const QByteArray& a : VerAnswer)
                    BoardLink.AppendResponse(a);
        });
    }
    ~TScriptedPanel() override { MainForm = nullptr; }
    TBoardLink& Link() override { return BoardLink; }
    void AddChildWindow(QMdiSubWindow* window) override { Area.addSubWindow(window); }
    QMdiArea Area;
};

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
        QVERIFY(mon.LogCtrl->isReadOnly());
        QCOMPARE(mon.LogCtrl->lineWrapMode(), QPlainTextEdit::NoWrap);
        QCOMPARE(mon.windowTitle(), "COM порт монитор");
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
        TScriptedPanel panel;
        panel.Connected = true;
        panel.VerAnswer = answer;
        // The silence limit passes in a few reads instead of real seconds.
        panel.Clock.SetAutoStep(1000);
        panel.BoardLink.ResponseQueue.append("=>"); // left over: must not end the query
        TAboutBox box(nullptr, "1.0.0.1");
        QCOMPARE(panel.Sent, QByteArrayList{"ver\r\n"});
        QCOMPARE(box.AP_Ver->text(), ap);
        QCOMPARE(box.STDAPP_Ver->text(), stdapp);
        QCOMPARE(box.CP_Ver->text(), "1.0.0.1");
    }

    void aboutBoxWhileNotConnected() {
        TScriptedPanel panel;
        TAboutBox box(nullptr, "1.2.3.4");
        QVERIFY(panel.Sent.isEmpty());
        QCOMPARE(box.AP_Ver->text(), "unknown");
        QCOMPARE(box.STDAPP_Ver->text(), "unknown");
        QCOMPARE(box.CP_Ver->text(), "1.2.3.4");
        QCOMPARE(box.windowTitle(), "About");
    }
};

VANTOR_TEST_MAIN(TestShell)
#include "tst_shell.moc"
