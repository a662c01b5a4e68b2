// The channel window as the operator uses it: the row-line parser, what a
// listed row shows and what apply then sends (code mapping, clamping,
// unshown codes, whole rows, mixers), reset and relisting, a silent or
// garbling board, and the round trip against the simulated board. Then the
// PPM input monitor it opens: the stream commands on opening and closing
// (modally, waiting for the board when it is taken), what each tick lists
// and draws, the 1000-line cap, and the live stream of the simulated board.

#include "ScriptedDialogs.h"
#include "ScriptedPanel.h"
#include "SettingsShown.h"
#include "TestMain.h"
#include "TestPanel.h"
#include "TestSupport.h"
#include "link/Proc.h"
#include "settings/Dlg_PPM_MonitorUnit.h"
#include "settings/PpmBarsUnit.h"
#include "settings/WinChannelControlsUnit.h"

#include <QImage>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTimer>

namespace {
QByteArray IndexOf(const QByteArray& row) {
    return Trim(row.left(row.indexOf(':')));
}

// A whole listing as the board sends it: the heading, then every row in a
// neutral state, with `rows` replacing the rows of the same number and the
// rows numbered in `drop` left out.
QByteArrayList Listing(const QByteArray& table, const QByteArrayList& rows = {},
                       const QByteArrayList& drop = {}) {
    const bool mixers = table == "mixers";
    QByteArrayList out{mixers ? "# MIXERS N: Type G RE LE ELE RUD"
                              : "# N: type ch min neutral max"};
    for (int i = mixers ? 1 : 0; i < (mixers ? 16 : 24); ++i) {
        const QByteArray index = QByteArray::number(i);
        if (drop.contains(index))
            continue;
        QByteArray line = index + (mixers ? ": 100 0 0 0 0" : ": 0 0 1000 1500 2000");
        for (const QByteArray& r : rows)
            if (IndexOf(r) == index)
                line = r;
        out << line;
    }
    return out;
}

void Script(TScriptedPanel& panel, const QByteArrayList& in = {}, const QByteArrayList& out = {},
            const QByteArrayList& mix = {}) {
    panel.SetAnswer("cat control in", Listing("in", in));
    panel.SetAnswer("cat control out", Listing("out", out));
    panel.SetAnswer("cat control mixers", Listing("mixers", mix));
}

QString LastLine(const TDlg_PPM_Monitor* d) {
    return d->MonMemo->document()->lastBlock().text();
}

const QByteArrayList ListingCommands =
    Lines({"cat control in", "cat control out", "cat control mixers"});
} // namespace

class TestChannelControls : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { QTRY_VERIFY(WinChannelControls.isNull()); }

    // --- the row-line parser ---------------------------------------------------

    void parseRowLine_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<bool>("isRow");
        QTest::addColumn<QByteArrayList>("parts"); // index, then the five fields
        QTest::newRow("tabs only") << QByteArray("3:\t1\t2\t\t3\t4\t5") << true
                                   << QByteArrayList{"3", "1", "2", "3", "4", "5"};
        QTest::newRow("index is kept as written") << QByteArray("12 : 1 2 3 4 5") << true
                                                  << QByteArrayList{"12 ", "1", "2", "3", "4", "5"};
        QTest::newRow("the fifth field is the rest of the line")
            << QByteArray("1: 1 2 3 4 5 6") << true
            << QByteArrayList{"1", "1", "2", "3", "4", "5 6"};
        QTest::newRow("fewer than five fields")
            << QByteArray("0: 1 2 3 4") << false << QByteArrayList{};
        QTest::newRow("no colon") << QByteArray("0 1 2 3 4 5") << false << QByteArrayList{};
        QTest::newRow("heading after a tab")
            << QByteArray("\t# MIXERS N: Type G RE LE ELE RUD") << false << QByteArrayList{};
        QTest::newRow("name = value line")
            << QByteArray("mixers_allowed = 1: 2 3 4 5") << false << QByteArrayList{};
        QTest::newRow("prompt") << QByteArray("=>") << false << QByteArrayList{};
        QTest::newRow("colon and nothing else") << QByteArray("5:") << false << QByteArrayList{};
    }
    void parseRowLine() {
        QFETCH(QByteArray, line);
        QFETCH(bool, isRow);
        QFETCH(QByteArrayList, parts);
        TRowLine row;
        QCOMPARE(ParseRowLine(line, row), isRow);
        if (!isRow)
            return;
        QCOMPARE(row.Index, parts[0]);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(row.Fields[i], parts[i + 1]);
    }

    void rowCases_data() {
        QTest::addColumn<QByteArray>("table"); // listing the row belongs to
        QTest::addColumn<QByteArray>("row");
        QTest::addColumn<QByteArray>("control");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QStringList>("edits"); // the operator's changes
        QTest::addColumn<QByteArrayList>("sent");
        const QStringList none;

        QTest::newRow("input code 11 selects Стабилизатор, unchanged sends nothing")
            << QByteArray("in") << QByteArray("0: 11 3 1000 1500 2000") << QByteArray("InType_1")
            << "Стабилизатор" << none << QByteArrayList{};
        QTest::newRow("selecting Газ sends the whole row with code 1")
            << QByteArray("in") << QByteArray("0: 11 3 1000 1500 2000") << QByteArray("InType_1")
            << "Стабилизатор" << QStringList{"InType_1=Газ"}
            << Lines({"set ch_in  0 1 3 1000 1500 2000"});
        QTest::newRow("item 7 sends code 11")
            << QByteArray("in") << QByteArray("5: 0 6 1000 1500 2000") << QByteArray("InType_6")
            << "Не используется" << QStringList{"InType_6=Стабилизатор"}
            << Lines({"set ch_in  5 11 6 1000 1500 2000"});
        QTest::newRow("input code 7 is not offered: empty, kept while untouched")
            << QByteArray("in") << QByteArray("1: 7 2 1000 1500 2000") << QByteArray("InType_2")
            << "" << none << QByteArrayList{};
        QTest::newRow("input code 9 not offered, row edited: the board's code kept")
            << QByteArray("in") << QByteArray("1: 9 2 1000 1500 2000") << QByteArray("InType_2")
            << "" << QStringList{"V_Cent_UpDown_2=1510"}
            << Lines({"set ch_in  1 9 2 1000 1510 2000"});
        QTest::newRow("input code 20 beyond the list, row edited: the board's code kept")
            << QByteArray("in") << QByteArray("1: 20 2 1000 1500 2000") << QByteArray("InType_2")
            << "" << QStringList{"V_Cent_UpDown_2=1510"}
            << Lines({"set ch_in  1 20 2 1000 1510 2000"});
        QTest::newRow("channel beyond 24 is empty, row edited: the board's channel kept")
            << QByteArray("in") << QByteArray("0: 1 30 1000 1500 2000") << QByteArray("ChNumber_1")
            << "" << QStringList{"InType_1=Элерон правый"}
            << Lines({"set ch_in  0 2 30 1000 1500 2000"});
        QTest::newRow("minimum 800 shows and sends 900")
            << QByteArray("in") << QByteArray("4: 1 2 800 1500 2000")
            << QByteArray("V_Min_UpDown_5") << "900" << none
            << Lines({"set ch_in  4 1 2 900 1500 2000"});
        QTest::newRow("maximum 2500 shows and sends 2100")
            << QByteArray("in") << QByteArray("13: 1 2 1000 1500 2500")
            << QByteArray("V_Max_UpDown_14") << "2100" << none
            << Lines({"set ch_in  13 1 2 1000 1500 2100"});
        QTest::newRow("output type 11 on row 1 shows Тип 11 and is kept")
            << QByteArray("out") << QByteArray("0: 11 7 1000 1500 2000") << QByteArray("OutType_1")
            << "Тип 11" << none << QByteArrayList{};
        QTest::newRow("output row 13 with type 11 is empty, row edited: type 11 kept")
            << QByteArray("out") << QByteArray("12: 11 2 1000 1500 2000")
            << QByteArray("OutType_13") << "" << QStringList{"Out_ChNumber_13=5"}
            << Lines({"set ch_out  12 11 5 1000 1500 2000"});
        QTest::newRow("output range change sends the output row")
            << QByteArray("out") << QByteArray("2: 3 3 1000 1500 2000")
            << QByteArray("Out_V_Max_UpDown_3") << "2000" << QStringList{"Out_V_Max_UpDown_3=1900"}
            << Lines({"set ch_out  2 3 3 1000 1500 1900"});
        QTest::newRow("mixer 7 with tabs and blanks, unchanged")
            << QByteArray("mixers") << QByteArray("7:  100\t-20 0   0 50")
            << QByteArray("Mix_RE_UD_7") << "-20" << none << QByteArrayList{};
        QTest::newRow("one column of mixer 8 sends all five")
            << QByteArray("mixers") << QByteArray("8: 10 20 30 40 50") << QByteArray("Mix_ELE_UD_8")
            << "40" << QStringList{"Mix_ELE_UD_8=-45"}
            << Lines({"set mix  8 1 10", "set mix  8 2 20", "set mix  8 3 30", "set mix  8 4 -45",
                      "set mix  8 5 50"});
        QTest::newRow("mixer value 200 shows and sends 150")
            << QByteArray("mixers") << QByteArray("15: 200 0 0 0 0") << QByteArray("Mix_G_UD_15")
            << "150" << none
            << Lines({"set mix  15 1 150", "set mix  15 2 0", "set mix  15 3 0", "set mix  15 4 0",
                      "set mix  15 5 0"});
        QTest::newRow("mixer 2 is never written")
            << QByteArray("mixers") << QByteArray("2: 0 100 0 0 0") << QByteArray("Mix_RE_UD_2")
            << "100" << QStringList{"Mix_RE_UD_2=50"} << QByteArrayList{};
        QTest::newRow("mixer 5 is never written, even out of range")
            << QByteArray("mixers") << QByteArray("5: 0 0 0 0 400") << QByteArray("Mix_RUD_UD_5")
            << "150" << none << QByteArrayList{};
    }
    void rowCases() {
        QFETCH(QByteArray, table);
        QFETCH(QByteArray, row);
        QFETCH(QByteArray, control);
        QFETCH(QString, shown);
        QFETCH(QStringList, edits);
        QFETCH(QByteArrayList, sent);
        TScriptedPanel panel;
        TScriptedDialogs dialogs;
        Script(panel, table == "in" ? QByteArrayList{row} : QByteArrayList{},
               table == "out" ? QByteArrayList{row} : QByteArrayList{},
               table == "mixers" ? QByteArrayList{row} : QByteArrayList{});
        TWinChannelControls* w = OpenTaskWindow(WinChannelControls);
        QVERIFY(w);
        QCOMPARE(Shown(Ctl<QWidget>(w, control)), shown);
        Operate(w, edits);
        QCOMPARE(Applied(panel, w), sent);
        w->close();
        QVERIFY(dialogs.Messages.isEmpty() && dialogs.Errors.isEmpty());
    }

    void rowsMissingFromTheListingAreSentWhole() {
        TScriptedPanel panel;
        TScriptedDialogs dialogs;
        Script(panel);
        panel.SetAnswer("cat control in", Listing("in", {}, {"2"}));
        panel.SetAnswer("cat control mixers", Listing("mixers", {}, {"9"}));
        TWinChannelControls* w = OpenTaskWindow(WinChannelControls);
        QVERIFY(w);
        QVERIFY(!w->Stored().Contains("InType_3"));
        // The boxes of the unlisted row select nothing: sent as -1.
        QCOMPARE(Applied(panel, w),
                 Lines({"set ch_in  2 -1 -1 1000 1500 2000", "set mix  9 1 100", "set mix  9 2 100",
                        "set mix  9 3 100", "set mix  9 4 100", "set mix  9 5 100"}));
        w->close();
    }

    void rowsWithoutControlsAreSkipped() {
        TScriptedPanel panel;
        Script(panel);
        TWinChannelControls* w = OpenTaskWindow(WinChannelControls);
        QVERIFY(w);
        w->FillInputRow({"24", {"1", "1", "1000", "1500", "2000"}});
        w->FillOutputRow({"-1", {"1", "1", "1000", "1500", "2000"}});
        w->FillMixerRow({"0", {"1", "1", "1", "1", "1"}});
        w->FillMixerRow({"16", {"1", "1", "1", "1", "1"}});
        w->FillMixerRow({"7 ", {"1", "1", "1", "1", "1"}}); // the number is used as written
        QCOMPARE(Ctl<QSpinBox>(w, "Mix_G_UD_7")->value(), 100);
        QCOMPARE(w->Stored().Count(), 5 * 24 * 2 + 5 * 15);
        w->close();
    }

    void conversionErrorEndsTheListing() {
        TScriptedPanel panel;
        TScriptedDialogs dialogs;
        Script(panel, {"0: 2 1 1100 1500 2000", "1: 3 x 1000 1500 2000"});
        QVERIFY(OpenTaskWindow(WinChannelControls));
        QCOMPARE(dialogs.Errors, QStringList{"'x' is not a valid integer value"});
        QCOMPARE(panel.TakeSent(), Lines({"cat control in"}));
        // Filled up to the bad field; the window opens with that.
        QCOMPARE(Shown(Ctl<QWidget>(WinChannelControls, "V_Min_UpDown_1")), "1100");
        QCOMPARE(Shown(Ctl<QWidget>(WinChannelControls, "InType_2")), "Элерон левый");
        QCOMPARE(Shown(Ctl<QWidget>(WinChannelControls, "ChNumber_2")), "");
        WinChannelControls->close();
    }

    void silentBoard_data() {
        QTest::addColumn<QByteArray>("silentFrom"); // first listing left unanswered
        QTest::addColumn<bool>("opens");
        QTest::addColumn<QString>("message");
        QTest::newRow("silent from the start: not opened")
            << QByteArray("cat control in") << false
            << "Устройство не ответило на запрос \"cat control in\".\nОкно \"Настройки каналов\" "
               "не открыто: проверьте подключение к плате.";
        QTest::newRow("silent after the inputs: opened with them")
            << QByteArray("cat control out") << true
            << "Устройство не ответило до конца на запрос \"cat control out\".\nОкно открыто "
               "только "
               "с полученными значениями.";
    }
    void silentBoard() {
        QFETCH(QByteArray, silentFrom);
        QFETCH(bool, opens);
        QFETCH(QString, message);
        TScriptedPanel panel;
        TScriptedDialogs dialogs;
        Script(panel, {"0: 11 3 1000 1500 2000"});
        panel.SetAnswer(silentFrom, {}, false);
        QCOMPARE(OpenTaskWindow(WinChannelControls) != nullptr, opens);
        QCOMPARE(dialogs.Messages, QStringList{message});
        // No listing is asked of a board that has fallen silent.
        QCOMPARE(panel.TakeSent().size(), ListingCommands.indexOf(silentFrom + "\r\n") + 1);
        if (opens) {
            QCOMPARE(Shown(Ctl<QWidget>(WinChannelControls, "InType_1")), "Стабилизатор");
            WinChannelControls->close();
        }
    }

    // --- reset ----------------------------------------------------------------

    void resetRelists_data() {
        QTest::addColumn<QByteArray>("button");
        QTest::addColumn<QByteArray>("command");
        QTest::newRow("inputs") << QByteArray("SpeedButton2") << QByteArray("reset control in");
        QTest::newRow("outputs") << QByteArray("SpeedButton3")
                                 << QByteArray("reset control mixers");
        QTest::newRow("mixers") << QByteArray("SpeedButton4") << QByteArray("reset control mixers");
    }
    void resetRelists() {
        QFETCH(QByteArray, button);
        QFETCH(QByteArray, command);
        TScriptedPanel panel;
        TScriptedDialogs dialogs;
        Script(panel, {"0: 11 3 1000 1500 2000"}, {"0: 1 1 1000 1000 2000"}, {"6: 1 2 3 4 5"});
        TWinChannelControls* w = OpenTaskWindow(WinChannelControls);
        QVERIFY(w);
        Ctl<QSpinBox>(w, "Mix_G_UD_6")->setValue(-7); // an edit the reset discards
        Script(panel, {"0: 1 3 1000 1500 2000"}, {"0: 1 1 1000 1100 2000"}, {"6: 0 0 0 0 0"});
        panel.TakeSent();
        Ctl<QPushButton>(w, button)->click();
        QCOMPARE(panel.TakeSent(), Lines({command.constData()}) + ListingCommands);
        QCOMPARE(Shown(Ctl<QWidget>(w, "InType_1")), "Газ");
        QCOMPARE(Shown(Ctl<QWidget>(w, "Out_V_Cent_UpDown_1")), "1100");
        QCOMPARE(Shown(Ctl<QWidget>(w, "Mix_G_UD_6")), "0");
        w->BitBtn3->click();
        QCOMPARE(panel.TakeSent(), QByteArrayList{});
        w->close();
        QVERIFY(dialogs.Messages.isEmpty() && dialogs.Errors.isEmpty());
    }

    // --- against the simulated board ---------------------------------------------

    void roundTripWithTheBoard() {
        TTestPanel panel;
        TScriptedDialogs dialogs;
        QVERIFY(panel.Connect());
        panel.WithBoard([](TBoardSim& s) {
            s.State().Inputs[5] = {13, 6, 1000, 1500, 2000}; // "Миссия"
            s.State().Mixers[9] = {{10, -20, 30, -40, 50}};
            // Beyond what the boxes show; the operator does not touch them.
            s.State().Inputs[2] = {20, 30, 1000, 1500, 2000};
            s.State().Outputs[13] = {7, 2, 1000, 1500, 2000};
        });
        TWinChannelControls* w = OpenTaskWindow(WinChannelControls);
        QVERIFY(w);
        QCOMPARE(panel.WaitBoardLines(3),
                 (QByteArrayList{"cat control in", "cat control out", "cat control mixers"}));
        QCOMPARE(Shown(Ctl<QWidget>(w, "InType_6")), "Миссия");
        QCOMPARE(Shown(Ctl<QWidget>(w, "Mix_ELE_UD_10")), "-40");

        Operate(w, {"InType_6=Потеря связи", "Out_V_Min_UpDown_2=1050", "Out_V_Max_UpDown_2=1950",
                    "Mix_RUD_UD_10=-150"});
        w->BitBtn1->click(); // OK: applies and closes
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(WinChannelControls.isNull());
        // Reopened at once: no prompt of the "set" lines may still be on its
        // way to end the new window's listings early.
        QVERIFY(OpenTaskWindow(WinChannelControls));
        QCOMPARE(
            panel.WaitBoardLines(10),
            (QByteArrayList{"set ch_in  5 14 6 1000 1500 2000", "set ch_out  1 2 2 1050 1500 1950",
                            "set mix  10 1 10", "set mix  10 2 -20", "set mix  10 3 30",
                            "set mix  10 4 -40", "set mix  10 5 -150", "cat control in",
                            "cat control out", "cat control mixers"}));
        panel.WithBoard([](TBoardSim& s) {
            QCOMPARE(s.State().Inputs[5], (TChannelRow{14, 6, 1000, 1500, 2000}));
            QCOMPARE(s.State().Outputs[1], (TChannelRow{2, 2, 1050, 1500, 1950}));
            QCOMPARE(s.State().Mixers[9], (TMixerRow{{10, -20, 30, -40, -150}}));
            QCOMPARE(s.State().Inputs[2], (TChannelRow{20, 30, 1000, 1500, 2000}));
            QCOMPARE(s.State().Outputs[13], (TChannelRow{7, 2, 1000, 1500, 2000}));
        });
        // The new window shows what the board now holds.
        QCOMPARE(Shown(Ctl<QWidget>(WinChannelControls, "InType_6")), "Потеря связи");
        QCOMPARE(Shown(Ctl<QWidget>(WinChannelControls, "Out_V_Max_UpDown_2")), "1950");
        QCOMPARE(Shown(Ctl<QWidget>(WinChannelControls, "Mix_RUD_UD_10")), "-150");
        WinChannelControls->BitBtn3->click(); // nothing changed: nothing sent
        Exchange(panel.Link(), "ver");        // so the sentinel is the next line
        QCOMPARE(panel.TakeBoardLines(), QByteArrayList{"ver"});
        WinChannelControls->close();
        QVERIFY(dialogs.Messages.isEmpty() && dialogs.Errors.isEmpty());
    }

    // --- the PPM input monitor -------------------------------------------------

    // Opened from the channel window: modal for the operator (the rest of
    // the panel takes no input), but without a loop of its own; "mon on
    // ppm_input" when it opens, "mon off ppm_input" when it closes, each a
    // conversation read to its prompt; the channel window is usable after.
    void openedModallyFromTheChannelWindow() {
        TScriptedPanel panel;
        TScriptedDialogs dialogs;
        // The frame away from the screen's centre: the monitor opens
        // centred on it.
        panel.Area().setGeometry(40, 60, 1024, 768);
        panel.Area().show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel.Area()));
        QVERIFY(OpenTaskWindow(WinChannelControls));
        panel.TakeSent();
        Ctl<QPushButton>(WinChannelControls, "SpeedButton1")->click();
        QPointer<TDlg_PPM_Monitor> d = WinChannelControls->Dlg_PPM_Monitor;
        QVERIFY(d && d->isVisible());
        const QPoint off = d->frameGeometry().center() - panel.Area().frameGeometry().center();
        QVERIFY2(off.manhattanLength() <= 4,
                 qPrintable(QString("%1,%2").arg(off.x()).arg(off.y())));
        QCOMPARE(d->windowModality(), Qt::ApplicationModal);
        QCOMPARE(d->windowTitle(), "Монитор значений входных каналов");
        QCOMPARE(panel.TakeSent(), QByteArrayList{"mon on ppm_input\r\n"});
        QVERIFY(panel.Link().InStep() && !d->WaitNote->isVisible());
        // Closing the channel window (the frame closing, say) closes the
        // monitor first, then the window.
        QVERIFY(WinChannelControls->close());
        QTRY_VERIFY(WinChannelControls.isNull() && d.isNull());
        QCOMPARE(panel.TakeSent(), QByteArrayList{"mon off ppm_input\r\n"});
    }

    // Opened while another operation holds the board: the dialog says it
    // waits; closed before the board is free, nothing is sent at all. (That
    // the stream starts once the board is free, the fault matrix checks
    // under every operation.)
    void closedWhileWaitingForTheBoardSendsNothing() {
        TScriptedPanel panel;
        QPointer<TDlg_PPM_Monitor> d;
        {
            const TBoardTurn exportRunning(panel.Link());
            d = new TDlg_PPM_Monitor;
            d->show();
            QVERIFY(d->WaitNote->isVisible());
            QVERIFY(d->WaitNote->text().contains("занята"));
            d->close();
        }
        QTRY_VERIFY(d.isNull());
        Exchange(panel.Link(), "ver"); // the sentinel is the first line sent
        QCOMPARE(panel.TakeSent(), QByteArrayList{"ver\r\n"});
    }

    // What each tick lists and draws: a line of whole numbers (blanks or
    // commas between) as bars, anything else listed only.
    void tickListsThePayload_data() {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QString>("listed");
        QTest::addColumn<QList<int>>("bars"); // empty = bars hidden
        QTest::newRow("no telemetry yet") << QByteArray() << "Данные отсутствуют" << QList<int>{};
        QTest::newRow("blanks only")
            << QByteArray("   \t ") << "Данные отсутствуют" << QList<int>{};
        QTest::newRow("leading, trailing and inner runs of blanks")
            << QByteArray("  1500  1520\t1100 ") << "1500  1520\t1100"
            << QList<int>{1500, 1520, 1100};
        QTest::newRow("comma separated")
            << QByteArray("1000, 2000") << "1000, 2000" << QList<int>{1000, 2000};
        QTest::newRow("negative is a number")
            << QByteArray("-1 1500") << "-1 1500" << QList<int>{-1, 1500};
        QTest::newRow("text is listed, not drawn")
            << QByteArray(" CH1=1500 CH2=1600") << "CH1=1500 CH2=1600" << QList<int>{};
        QTest::newRow("a number and a word")
            << QByteArray("1500 lost") << "1500 lost" << QList<int>{};
        QTest::newRow("decimal point") << QByteArray("1500.5") << "1500.5" << QList<int>{};
    }
    void tickListsThePayload() {
        QFETCH(QByteArray, payload);
        QFETCH(QString, listed);
        QFETCH(QList<int>, bars);
        TScriptedPanel panel;
        panel.Link().StoreTelemetry(TTelemetrySlot::Ppm, payload);
        QPointer<TDlg_PPM_Monitor> d = new TDlg_PPM_Monitor;
        d->show();
        QCOMPARE(d->MonMemo->toPlainText(), QString()); // each opening starts empty
        d->Timer1Timer();
        QCOMPARE(d->MonMemo->toPlainText(), listed);
        QCOMPARE(d->Bars->isVisible(), !bars.isEmpty());
        if (!bars.isEmpty())
            QCOMPARE(d->Bars->Values(), bars);
        d->close();
        QTRY_VERIFY(d.isNull());
    }

    void keepsTheNewest1000Lines() {
        TScriptedPanel panel;
        QPointer<TDlg_PPM_Monitor> d = new TDlg_PPM_Monitor;
        d->Timer1->stop();
        for (int i = 1; i <= 1005; ++i) {
            panel.Link().StoreTelemetry(TTelemetrySlot::Ppm, QByteArray::number(i));
            d->Timer1Timer();
        }
        QCOMPARE(d->MonMemo->blockCount(), 1000);
        QCOMPARE(d->MonMemo->document()->firstBlock().text(), "6");
        QCOMPARE(LastLine(d), "1005");
        d->close();
        QTRY_VERIFY(d.isNull());
    }

    // The bars are drawn as the values say: full at 2100, empty at 900, half
    // at 1500; widths beyond the range held at its ends, in another colour.
    void barsAreDrawn() {
        TPpmBars bars;
        bars.SetValues({2100, 900, 1500, 2500, 800});
        bars.resize(400, bars.sizeHint().height());
        const QImage img = bars.grab().toImage();
        const int line = bars.fontMetrics().height() + 4;
        const int fillRgb = QColor(70, 130, 200).rgb();
        auto px = [&](int row, double at) {
            // A point on the bar of `row`, `at` of the way along its length.
            const int labelW = bars.fontMetrics().horizontalAdvance("24") + 8;
            const int valueW = bars.fontMetrics().horizontalAdvance("00000") + 8;
            const int barW = 400 - labelW - valueW;
            const int x = labelW + static_cast<int>(barW * at);
            const int y = line * (row + 1) + line / 2;
            return img.pixel(x, y);
        };
        QCOMPARE(px(0, 0.9), QRgb(fillRgb));
        QVERIFY(px(1, 0.2) != QRgb(fillRgb));
        QCOMPARE(px(2, 0.3), QRgb(fillRgb));
        QVERIFY(px(2, 0.7) != QRgb(fillRgb));
        QCOMPARE(px(3, 0.9), QColor(200, 90, 60).rgb()); // full, in the warning colour
        QCOMPARE(px(4, 0.2), px(1, 0.2));                // empty
    }

    // The monitor against the simulated board: the stream's twelve widths
    // are listed and drawn, and closing switches the stream off.
    void liveStreamFromTheBoard() {
        TTestPanel panel;
        QVERIFY(panel.Connect());
        QPointer<TDlg_PPM_Monitor> d = new TDlg_PPM_Monitor;
        d->show();
        QCOMPARE(panel.WaitBoardLines(1), QByteArrayList{"mon on ppm_input"});
        QTRY_VERIFY_WITH_TIMEOUT(d->Bars->isVisible(), 5000);
        QCOMPARE(d->Bars->Values().size(), 12);
        QCOMPARE(LastLine(d).split(' ').size(), 12);
        d->close();
        QTRY_VERIFY(d.isNull());
        QCOMPARE(panel.WaitBoardLines(1), QByteArrayList{"mon off ppm_input"});
        panel.WithBoard([](TBoardSim& s) { QVERIFY(!s.StreamOn("ppm_input")); });
    }
};

VANTOR_TEST_MAIN(TestChannelControls)
#include "tst_channel_controls.moc"
