// The channel window as the operator uses it: its form (every row control
// where the board binding looks for it), the row-line parser, what a listed
// row shows and what apply then sends (code mapping, clamping, unshown
// codes, whole rows, mixers), reset and relisting, a silent or garbling
// board, and the round trip against the simulated board.

#include "ScriptedDialogs.h"
#include "ScriptedPanel.h"
#include "SettingsTestUtil.h"
#include "TestMain.h"
#include "TestPanel.h"
#include "link/Proc.h"
#include "settings/WinChannelControlsUnit.h"
#include "ui/TaskRegistry.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSpinBox>
#include <QTabWidget>

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

QString Shown(QWidget* c) {
    if (auto* b = qobject_cast<QComboBox*>(c))
        return b->currentText();
    if (auto* s = qobject_cast<QSpinBox*>(c))
        return QString::number(s->value());
    return QString();
}

const QByteArrayList ListingCommands =
    Lines({"cat control in", "cat control out", "cat control mixers"});

using TEditFn = std::function<void(TWinChannelControls*)>;
} // namespace
Q_DECLARE_METATYPE(TEditFn)

class TestChannelControls : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { QTRY_VERIFY(WinChannelControls.isNull()); }

    // --- the row-line parser ---------------------------------------------------

    void parseRowLine_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<bool>("isRow");
        QTest::addColumn<QByteArrayList>("parts"); // index, then the five fields
        QTest::newRow("simulator row") << QByteArray("0: 2 1 1000 1500 2000") << true
                                       << QByteArrayList{"0", "2", "1", "1000", "1500", "2000"};
        QTest::newRow("mixed tabs and runs of blanks")
            << QByteArray("7:  100\t-20 0   0 50") << true
            << QByteArrayList{"7", "100", "-20", "0", "0", "50"};
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
        QTest::newRow("heading") << QByteArray("# N: type ch min neutral max") << false
                                 << QByteArrayList{};
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

    // Rows written with random runs of blanks and TABs parse back to the
    // numbers they were written from.
    void parseRowLineRandomized() {
        QRandomGenerator rng(4711);
        auto gap = [&] {
            QByteArray g;
            for (int n = 1 + rng.bounded(4); n > 0; --n)
                g += rng.bounded(2) ? ' ' : '\t';
            return g;
        };
        for (int round = 0; round < 2000; ++round) {
            const QByteArray index = QByteArray::number(rng.bounded(30));
            QByteArray line = index + ":";
            QByteArrayList fields;
            for (int i = 0; i < 5; ++i) {
                fields << QByteArray::number(rng.bounded(-3000, 3000));
                line += gap() + fields.last();
            }
            TRowLine row;
            QVERIFY2(ParseRowLine(line, row), line.constData());
            QCOMPARE(row.Index, index);
            for (int i = 0; i < 5; ++i)
                QCOMPARE(row.Fields[i], fields[i]);
            // Any line cut short before its fifth field is not a row.
            const QByteArray cut = line.left(line.lastIndexOf(fields[4]));
            QVERIFY2(!ParseRowLine(cut, row), cut.constData());
        }
    }

    void inputCodeMapping_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("item");
        for (int c = 0; c <= 5; ++c)
            QTest::addRow("code %d is item %d", c, c) << c << c;
        for (int c = 10; c <= 16; ++c)
            QTest::addRow("code %d is item %d", c, c - 4) << c << c - 4;
    }
    void inputCodeMapping() {
        QFETCH(int, code);
        QFETCH(int, item);
        QCOMPARE(InputItemFromCode(code), item);
        QCOMPARE(InputCodeFromItem(item), code);
        QVERIFY(InputCodeShown(code));
    }

    // --- the form ---------------------------------------------------------------

    void formHasEveryRowControl_data() {
        QTest::addColumn<QByteArray>("table");
        QTest::newRow("inputs") << QByteArray("in");
        QTest::newRow("outputs") << QByteArray("out");
        QTest::newRow("mixers") << QByteArray("mixers");
    }
    // Every control of every row exists once, as a direct child of its
    // sub-page, of the column's kind, range, default and items, with its
    // buddy edit named.
    void formHasEveryRowControl() {
        QFETCH(QByteArray, table);
        const TRowTable& t = table == "in"    ? InputTable()
                             : table == "out" ? OutputTable()
                                              : MixerTable();
        TScriptedPanel panel;
        TScriptedDialogs dialogs;
        Script(panel);
        TWinChannelControls* w = OpenTaskWindow(WinChannelControls);
        QVERIFY(w);
        for (int k = 1; k <= t.Rows; ++k) {
            const QByteArray page =
                t.RowsPerPage && k > t.RowsPerPage ? t.Containers[1] : t.Containers[0];
            for (const TRowColumn& c : t.Columns) {
                const QByteArray name = c.ControlName(k);
                QCOMPARE(w->findChildren<QWidget*>(QString::fromLatin1(name)).size(), 1);
                QWidget* control = Ctl<QWidget>(w, name);
                QCOMPARE(control->parentWidget()->objectName().toLatin1(), page);
                if (c.IsChoice()) {
                    auto* box = qobject_cast<QComboBox*>(control);
                    QVERIFY2(box && !box->isEditable(), name.constData());
                    const bool later = c.LaterPageItems && k > t.RowsPerPage;
                    QCOMPARE(box->count(), later ? c.LaterPageItems : int(c.Items.size()));
                } else {
                    auto* spin = qobject_cast<QSpinBox*>(control);
                    QVERIFY2(spin, name.constData());
                    QCOMPARE(spin->minimum(), c.Min);
                    QCOMPARE(spin->maximum(), c.Max);
                    QVERIFY(spin->findChild<QLineEdit*>(QString::fromLatin1(c.BuddyName(k))));
                }
            }
        }
        // ... and the pages hold no other row control.
        int controls = 0;
        for (const QByteArray& page : t.Containers)
            for (QObject* o : Ctl<QWidget>(w, page)->children())
                controls += qobject_cast<QComboBox*>(o) || qobject_cast<QSpinBox*>(o);
        QCOMPARE(controls, t.Rows * int(t.Columns.size()));
        w->close();
    }

    // --- listing and apply ------------------------------------------------------

    void openingListsInOrder() {
        TScriptedPanel panel;
        TScriptedDialogs dialogs;
        Script(panel);
        QVERIFY(OpenTaskWindow(WinChannelControls));
        QCOMPARE(panel.TakeSent(), ListingCommands);
        WinChannelControls->BitBtn3->click();
        QCOMPARE(panel.TakeSent(), QByteArrayList{}); // nothing changed
        WinChannelControls->BitBtn1->click();         // OK: applies (nothing) and closes
        QTRY_VERIFY(WinChannelControls.isNull());
        QCOMPARE(panel.TakeSent(), QByteArrayList{});
        QVERIFY(dialogs.Messages.isEmpty() && dialogs.Errors.isEmpty());
    }

    void rowCases_data() {
        QTest::addColumn<QByteArray>("table"); // listing the row belongs to
        QTest::addColumn<QByteArray>("row");
        QTest::addColumn<QByteArray>("control");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<TEditFn>("edit"); // the operator's change, or none
        QTest::addColumn<QByteArrayList>("sent");
        auto combo = [](const char* name, int item) {
            return TEditFn(
                [=](TWinChannelControls* w) { Ctl<QComboBox>(w, name)->setCurrentIndex(item); });
        };
        auto spin = [](const char* name, int value) {
            return TEditFn(
                [=](TWinChannelControls* w) { Ctl<QSpinBox>(w, name)->setValue(value); });
        };
        const TEditFn none;

        QTest::newRow("input code 11 selects Стабилизатор, unchanged sends nothing")
            << QByteArray("in") << QByteArray("0: 11 3 1000 1500 2000") << QByteArray("InType_1")
            << "Стабилизатор" << none << QByteArrayList{};
        QTest::newRow("selecting Газ sends the whole row with code 1")
            << QByteArray("in") << QByteArray("0: 11 3 1000 1500 2000") << QByteArray("InType_1")
            << "Стабилизатор" << combo("InType_1", 1) << Lines({"set ch_in  0 1 3 1000 1500 2000"});
        QTest::newRow("item 7 sends code 11")
            << QByteArray("in") << QByteArray("5: 0 6 1000 1500 2000") << QByteArray("InType_6")
            << "Не используется" << combo("InType_6", 7)
            << Lines({"set ch_in  5 11 6 1000 1500 2000"});
        QTest::newRow("code 16 is the last function")
            << QByteArray("in") << QByteArray("23: 16 24 1000 1500 2000") << QByteArray("InType_24")
            << "Сброс миссии" << none << QByteArrayList{};
        QTest::newRow("input code 7 is not offered: empty, kept while untouched")
            << QByteArray("in") << QByteArray("1: 7 2 1000 1500 2000") << QByteArray("InType_2")
            << "" << none << QByteArrayList{};
        QTest::newRow("input code 9 not offered, row edited: the board's code kept")
            << QByteArray("in") << QByteArray("1: 9 2 1000 1500 2000") << QByteArray("InType_2")
            << "" << spin("V_Cent_UpDown_2", 1510) << Lines({"set ch_in  1 9 2 1000 1510 2000"});
        QTest::newRow("input code 20 is beyond the list: empty, sent as -1")
            << QByteArray("in") << QByteArray("1: 20 2 1000 1500 2000") << QByteArray("InType_2")
            << "" << none << Lines({"set ch_in  1 -1 2 1000 1500 2000"});
        QTest::newRow("channel beyond 24 is empty, sent as -1")
            << QByteArray("in") << QByteArray("0: 1 30 1000 1500 2000") << QByteArray("ChNumber_1")
            << "" << none << Lines({"set ch_in  0 1 -1 1000 1500 2000"});
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
        QTest::newRow("output row 13 with type 11: empty, sent as -1")
            << QByteArray("out") << QByteArray("12: 11 2 1000 1500 2000")
            << QByteArray("OutType_13") << "" << none
            << Lines({"set ch_out  12 -1 2 1000 1500 2000"});
        QTest::newRow("output row 24 with type 5")
            << QByteArray("out") << QByteArray("23: 5 5 1000 1500 2000") << QByteArray("OutType_24")
            << "Руль направления" << none << QByteArrayList{};
        QTest::newRow("output range change sends the output row")
            << QByteArray("out") << QByteArray("2: 3 3 1000 1500 2000")
            << QByteArray("Out_V_Max_UpDown_3") << "2000" << spin("Out_V_Max_UpDown_3", 1900)
            << Lines({"set ch_out  2 3 3 1000 1500 1900"});
        QTest::newRow("mixer 7 with tabs and blanks, unchanged")
            << QByteArray("mixers") << QByteArray("7:  100\t-20 0   0 50")
            << QByteArray("Mix_RE_UD_7") << "-20" << none << QByteArrayList{};
        QTest::newRow("one column of mixer 8 sends all five")
            << QByteArray("mixers") << QByteArray("8: 10 20 30 40 50") << QByteArray("Mix_ELE_UD_8")
            << "40" << spin("Mix_ELE_UD_8", -45)
            << Lines({"set mix  8 1 10", "set mix  8 2 20", "set mix  8 3 30", "set mix  8 4 -45",
                      "set mix  8 5 50"});
        QTest::newRow("mixer value 200 shows and sends 150")
            << QByteArray("mixers") << QByteArray("15: 200 0 0 0 0") << QByteArray("Mix_G_UD_15")
            << "150" << none
            << Lines({"set mix  15 1 150", "set mix  15 2 0", "set mix  15 3 0", "set mix  15 4 0",
                      "set mix  15 5 0"});
        QTest::newRow("mixer 2 is never written")
            << QByteArray("mixers") << QByteArray("2: 0 100 0 0 0") << QByteArray("Mix_RE_UD_2")
            << "100" << spin("Mix_RE_UD_2", 50) << QByteArrayList{};
        QTest::newRow("mixer 5 is never written, even out of range")
            << QByteArray("mixers") << QByteArray("5: 0 0 0 0 400") << QByteArray("Mix_RUD_UD_5")
            << "150" << none << QByteArrayList{};
    }
    void rowCases() {
        QFETCH(QByteArray, table);
        QFETCH(QByteArray, row);
        QFETCH(QByteArray, control);
        QFETCH(QString, shown);
        QFETCH(TEditFn, edit);
        QFETCH(QByteArrayList, sent);
        TScriptedPanel panel;
        TScriptedDialogs dialogs;
        Script(panel, table == "in" ? QByteArrayList{row} : QByteArrayList{},
               table == "out" ? QByteArrayList{row} : QByteArrayList{},
               table == "mixers" ? QByteArrayList{row} : QByteArrayList{});
        TWinChannelControls* w = OpenTaskWindow(WinChannelControls);
        QVERIFY(w);
        QCOMPARE(Shown(Ctl<QWidget>(w, control)), shown);
        if (edit)
            edit(w);
        panel.TakeSent();
        w->BitBtn3->click();
        QCOMPARE(panel.TakeSent(), sent);
        w->BitBtn3->click(); // what was sent is now stored
        QCOMPARE(panel.TakeSent(), QByteArrayList{});
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
        panel.TakeSent();
        w->BitBtn3->click();
        // The boxes of the unlisted row select nothing: sent as -1.
        QCOMPARE(panel.TakeSent(),
                 Lines({"set ch_in  2 -1 -1 1000 1500 2000", "set mix  9 1 100", "set mix  9 2 100",
                        "set mix  9 3 100", "set mix  9 4 100", "set mix  9 5 100"}));
        w->BitBtn3->click();
        QCOMPARE(panel.TakeSent(), QByteArrayList{});
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

    void actionOpensTheWindowOnce() {
        static const bool registered = (RegisterSettingsWindows(), true);
        Q_UNUSED(registered);
        TScriptedPanel panel;
        Script(panel);
        TOpenWindowFn open = TaskWindowFor("ActionChannelControls");
        QVERIFY(open);
        open();
        open();
        QCOMPARE(panel.Area().subWindowList().size(), 1);
        QCOMPARE(panel.TakeSent(), ListingCommands);
        WinChannelControls->close();
    }

    // --- against the simulated board ---------------------------------------------

    void roundTripWithTheBoard() {
        TTestPanel panel;
        TScriptedDialogs dialogs;
        QVERIFY(panel.Connect());
        panel.WithBoard([](TBoardSim& s) {
            s.State().Inputs[5] = {13, 6, 1000, 1500, 2000}; // "Миссия"
            s.State().Mixers[9] = {{10, -20, 30, -40, 50}};
        });
        TWinChannelControls* w = OpenTaskWindow(WinChannelControls);
        QVERIFY(w);
        QCOMPARE(panel.WaitBoardLines(3),
                 (QByteArrayList{"cat control in", "cat control out", "cat control mixers"}));
        QCOMPARE(Shown(Ctl<QWidget>(w, "InType_6")), "Миссия");
        QCOMPARE(Shown(Ctl<QWidget>(w, "Mix_ELE_UD_10")), "-40");

        Ctl<QComboBox>(w, "InType_6")->setCurrentIndex(10); // "Потеря связи", code 14
        Ctl<QSpinBox>(w, "Out_V_Min_UpDown_2")->setValue(1050);
        Ctl<QSpinBox>(w, "Out_V_Max_UpDown_2")->setValue(1950);
        Ctl<QSpinBox>(w, "Mix_RUD_UD_10")->setValue(-150);
        w->BitBtn3->click();
        QCOMPARE(
            panel.WaitBoardLines(7),
            (QByteArrayList{"set ch_in  5 14 6 1000 1500 2000", "set ch_out  1 2 2 1050 1500 1950",
                            "set mix  10 1 10", "set mix  10 2 -20", "set mix  10 3 30",
                            "set mix  10 4 -40", "set mix  10 5 -150"}));
        panel.WithBoard([](TBoardSim& s) {
            QCOMPARE(s.State().Inputs[5], (TChannelRow{14, 6, 1000, 1500, 2000}));
            QCOMPARE(s.State().Outputs[1], (TChannelRow{2, 2, 1050, 1500, 1950}));
            QCOMPARE(s.State().Mixers[9], (TMixerRow{{10, -20, 30, -40, -150}}));
        });
        w->BitBtn1->click(); // OK, nothing left to send
        QTRY_VERIFY(WinChannelControls.isNull());
        // Reopened at once: the prompts of the "set" lines are still on
        // their way and must not end the new window's listings early.

        // A new window lists what the board now holds.
        QVERIFY(OpenTaskWindow(WinChannelControls));
        panel.WaitBoardLines(3);
        QCOMPARE(Shown(Ctl<QWidget>(WinChannelControls, "InType_6")), "Потеря связи");
        QCOMPARE(Shown(Ctl<QWidget>(WinChannelControls, "Out_V_Max_UpDown_2")), "1950");
        QCOMPARE(Shown(Ctl<QWidget>(WinChannelControls, "Mix_RUD_UD_10")), "-150");
        WinChannelControls->BitBtn3->click();
        QTest::qWait(100);
        QCOMPARE(panel.TakeBoardLines(), QByteArrayList{});
        WinChannelControls->close();
        QVERIFY(dialogs.Messages.isEmpty() && dialogs.Errors.isEmpty());
    }

    void resetWithTheBoard() {
        TTestPanel panel;
        TScriptedDialogs dialogs;
        QVERIFY(panel.Connect());
        QVERIFY(OpenTaskWindow(WinChannelControls));
        panel.WaitBoardLines(3);
        Ctl<QComboBox>(WinChannelControls, "InType_1")->setCurrentIndex(0);
        Ctl<QSpinBox>(WinChannelControls, "Mix_LE_UD_6")->setValue(77);
        WinChannelControls->BitBtn3->click();
        panel.WaitBoardLines(6);
        Ctl<QPushButton>(WinChannelControls, "SpeedButton2")->click();
        QCOMPARE(panel.WaitBoardLines(4),
                 (QByteArrayList{"reset control in", "cat control in", "cat control out",
                                 "cat control mixers"}));
        QCOMPARE(Shown(Ctl<QWidget>(WinChannelControls, "InType_1")), "Элерон правый");
        QCOMPARE(Shown(Ctl<QWidget>(WinChannelControls, "Mix_LE_UD_6")), "77"); // not reset
        Ctl<QPushButton>(WinChannelControls, "SpeedButton4")->click();
        panel.WaitBoardLines(4);
        QCOMPARE(Shown(Ctl<QWidget>(WinChannelControls, "Mix_LE_UD_6")), "0");
        WinChannelControls->close();
        QVERIFY(dialogs.Messages.isEmpty() && dialogs.Errors.isEmpty());
    }
};

VANTOR_TEST_MAIN(TestChannelControls)
#include "tst_channel_controls.moc"
