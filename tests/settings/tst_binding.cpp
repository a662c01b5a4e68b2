// The parameter binding every settings window shares: the stored value list,
// the control kinds with their conversions, the container search, listing,
// apply, reset and the bottom buttons, on a small probe window whose board
// is a script.

#include "ScriptedDialogs.h"
#include "ScriptedPanel.h"
#include "SettingsTestUtil.h"
#include "TestMain.h"
#include "link/Proc.h"
#include "settings/ParamFormUnit.h"
#include "settings/ParamWindowUnit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {
using namespace Def;

const TParamTable ProbeTable = {
    Edit("Probe_Edit", "Правка", "Panel1"),
    Choice("Probe_Choice", "Выбор", {"a", "b", "c", "d"}, "Panel1"),
    Spin("Probe_Spin", "Число", 0, 1023, 0, "Panel1"),
    Flag("Probe_Flag", "Флаг", "Panel1"),
    SignFlag("Probe_Sign", "Реверс", "Panel2"),
    PositionPair("Probe_Pos", "Позиция", 0, 1000, 46, "Panel2"),
    Edit("Second_Edit", "Правка 2", "Panel2"),
};

// A settings window over ProbeTable with two containers; "Shared" exists in
// both (the first container must win) and "Nested" sits one level too deep.
class TWinProbe : public TParamWindow {
public:
    explicit TWinProbe(unsigned kinds = AllKinds, bool pairs = true) : TParamWindow("Проба", true) {
        auto* v = new QVBoxLayout(Content());
        QWidget* panels[2];
        TParamFormBuilder builder;
        for (int i = 0; i < 2; ++i) {
            panels[i] = new QWidget;
            panels[i]->setObjectName(QString("Panel%1").arg(i + 1));
            v->addWidget(panels[i]);
            auto* grid = new QGridLayout(panels[i]);
            builder.AddGrid(panels[i]->objectName().toLatin1(), grid);
        }
        builder.Build(ProbeTable);
        (new QLineEdit("first", panels[0]))->setObjectName("Shared");
        (new QLineEdit("second", panels[1]))->setObjectName("SHARED");
        auto* deep = new QWidget(panels[1]);
        (new QLineEdit("deep", deep))->setObjectName("Nested");
        InitBinding({"cat probe\r\n", "reset probe\r\n", {"Panel1", "Panel2"}, kinds, pairs});
    }
    template <class T> T* Ctl(const char* name) { return Content()->findChild<T*>(name); }
};
QPointer<TWinProbe> WinProbe;

// A QLineEdit subclass: not an edit for the binding (exact class only).
class TDerivedEdit : public QLineEdit {
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;
};

QString Shown(QWidget* w) {
    if (auto* e = qobject_cast<QLineEdit*>(w))
        return e->text();
    if (auto* b = qobject_cast<QComboBox*>(w))
        return QString::number(b->currentIndex());
    if (auto* s = qobject_cast<QSpinBox*>(w))
        return QString::number(s->value());
    if (auto* c = qobject_cast<QCheckBox*>(w))
        return c->isChecked() ? "checked" : "unchecked";
    return "?";
}

using TEditFn = std::function<void(TWinProbe*)>;

} // namespace
Q_DECLARE_METATYPE(TEditFn)

class TestBinding : public QObject {
    Q_OBJECT
private slots:
    void storedValueList_data() {
        QTest::addColumn<QByteArrayList>("ops"); // "name=value"
        QTest::addColumn<QByteArrayList>("expected");
        QTest::newRow("first listing order kept")
            << QByteArrayList{"b=1", "a=2", "c=3"} << QByteArrayList{"b=1", "a=2", "c=3"};
        QTest::newRow("replace keeps place")
            << QByteArrayList{"b=1", "a=2", "b=9"} << QByteArrayList{"b=9", "a=2"};
        QTest::newRow("names differ only in case")
            << QByteArrayList{"Roll=1", "x=0", "ROLL=2"} << QByteArrayList{"Roll=2", "x=0"};
        QTest::newRow("empty value removes")
            << QByteArrayList{"a=1", "b=2", "a="} << QByteArrayList{"b=2"};
        QTest::newRow("empty value adds nothing") << QByteArrayList{"a="} << QByteArrayList{};
    }
    void storedValueList() {
        QFETCH(QByteArrayList, ops);
        QFETCH(QByteArrayList, expected);
        TStoredValues list;
        for (const QByteArray& op : ops) {
            const int eq = op.indexOf('=');
            list.Set(op.left(eq), op.mid(eq + 1));
        }
        QByteArrayList got;
        for (int i = 0; i < list.Count(); ++i)
            got << list.NameAt(i) + "=" + list.ValueAt(i);
        QCOMPARE(got, expected);
        if (!expected.isEmpty())
            QCOMPARE(list.Value(LowerAscii(expected[0].left(expected[0].indexOf('=')))),
                     expected[0].mid(expected[0].indexOf('=') + 1));
    }

    // Each kind filled from a listed value, and what the next apply sends
    // although the operator touched nothing.
    void fillAndReadBack_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QByteArray>("control");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QByteArrayList>("sent");
        QTest::newRow("edit text as listed")
            << QByteArray("probe_edit = 12.6") << QByteArray("Probe_Edit") << "12.6"
            << QByteArrayList{};
        QTest::newRow("choice index") << QByteArray("probe_choice = 2")
                                      << QByteArray("Probe_Choice") << "2" << QByteArrayList{};
        QTest::newRow("choice beyond its items is empty, sends -1")
            << QByteArray("probe_choice = 7") << QByteArray("Probe_Choice") << "-1"
            << Lines({"set probe_choice -1"});
        QTest::newRow("spin within range") << QByteArray("probe_spin = 560")
                                           << QByteArray("Probe_Spin") << "560" << QByteArrayList{};
        QTest::newRow("spin above range shows and sends the bound")
            << QByteArray("probe_spin = 2000") << QByteArray("Probe_Spin") << "1023"
            << Lines({"set probe_spin 1023"});
        QTest::newRow("spin below range")
            << QByteArray("probe_spin = -5") << QByteArray("Probe_Spin") << "0"
            << Lines({"set probe_spin 0"});
        QTest::newRow("plain flag 0") << QByteArray("probe_flag = 0") << QByteArray("Probe_Flag")
                                      << "unchecked" << QByteArrayList{};
        QTest::newRow("plain flag 5 is checked, sends 1")
            << QByteArray("probe_flag = 5") << QByteArray("Probe_Flag") << "checked"
            << Lines({"set probe_flag 1"});
        QTest::newRow("sign flag -1 checked")
            << QByteArray("probe_sign = -1") << QByteArray("Probe_Sign") << "checked"
            << QByteArrayList{};
        QTest::newRow("sign flag 1 unchecked")
            << QByteArray("probe_sign = 1") << QByteArray("Probe_Sign") << "unchecked"
            << QByteArrayList{};
        QTest::newRow("sign flag 0 counts as reversed")
            << QByteArray("probe_sign = 0") << QByteArray("Probe_Sign") << "checked"
            << Lines({"set probe_sign -1"});
        QTest::newRow("position pair x") << QByteArray("probe_pos_xy = 10,20")
                                         << QByteArray("Probe_Pos_X") << "10" << QByteArrayList{};
        QTest::newRow("position pair y") << QByteArray("probe_pos_xy = 10,20")
                                         << QByteArray("Probe_Pos_Y") << "20" << QByteArrayList{};
        QTest::newRow("pair without comma ignored")
            << QByteArray("probe_pos_xy = 10") << QByteArray("Probe_Pos_X") << "46"
            << QByteArrayList{};
        QTest::newRow("upper-case listing finds the control")
            << QByteArray("PROBE_EDIT = AbC") << QByteArray("Probe_Edit") << "abc"
            << QByteArrayList{};
        QTest::newRow("empty value empties an edit and is never sent")
            << QByteArray("probe_edit =") << QByteArray("Probe_Edit") << "" << QByteArrayList{};
    }
    void fillAndReadBack() {
        QFETCH(QByteArray, line);
        QFETCH(QByteArray, control);
        QFETCH(QString, shown);
        QFETCH(QByteArrayList, sent);
        TScriptedPanel panel;
        TScriptedDialogs dialogs;
        panel.SetAnswer("cat probe", {line});
        QVERIFY(OpenTaskWindow(WinProbe));
        QCOMPARE(Shown(WinProbe->Ctl<QWidget>(control)), shown);
        QCOMPARE(panel.TakeSent(), Lines({"cat probe"}));
        WinProbe->BitBtn3->click();
        QCOMPARE(panel.TakeSent(), sent);
        WinProbe->BitBtn3->click();
        QCOMPARE(panel.TakeSent(), QByteArrayList{}); // stored what it sent
        QVERIFY(dialogs.Messages.isEmpty() && dialogs.Errors.isEmpty());
    }

    // What the operator does, and the lines one "Применить" sends.
    void applySendsChangedValuesInListOrder_data() {
        QTest::addColumn<TEditFn>("edit");
        QTest::addColumn<QByteArrayList>("sent");
        QTest::newRow("untouched sends nothing") << TEditFn([](auto*) {}) << QByteArrayList{};
        QTest::newRow("decimal comma sent as point")
            << TEditFn([](TWinProbe* w) { w->Ctl<QLineEdit>("Probe_Edit")->setText("12,7"); })
            << Lines({"set probe_edit 12.7"});
        QTest::newRow("emptied edit sends nothing")
            << TEditFn([](TWinProbe* w) { w->Ctl<QLineEdit>("Probe_Edit")->clear(); })
            << QByteArrayList{};
        QTest::newRow("sign flag toggled both ways")
            << TEditFn([](TWinProbe* w) { w->Ctl<QCheckBox>("Probe_Sign")->setChecked(false); })
            << Lines({"set probe_sign 1"});
        QTest::newRow("edits in reverse order go out in listing order")
            << TEditFn([](TWinProbe* w) {
                   w->Ctl<QLineEdit>("Second_Edit")->setText("7");
                   w->Ctl<QSpinBox>("Probe_Pos_Y")->setValue(25);
                   w->Ctl<QCheckBox>("Probe_Flag")->setChecked(true);
                   w->Ctl<QComboBox>("Probe_Choice")->setCurrentIndex(3);
                   w->Ctl<QSpinBox>("Probe_Spin")->setValue(5);
               })
            << Lines({"set probe_choice 3", "set probe_spin 5", "set probe_flag 1",
                      "set probe_pos_xy 10 25", "set second_edit 7"});
    }
    void applySendsChangedValuesInListOrder() {
        QFETCH(TEditFn, edit);
        QFETCH(QByteArrayList, sent);
        TScriptedPanel panel;
        panel.SetAnswer("cat probe",
                        {"probe_edit = 12.6", "probe_choice = 1", "probe_spin = 3",
                         "probe_flag = 0", "probe_sign = -1", "probe_pos_xy = 10,20",
                         "second_edit = 1", "unknown = 4", "heading without equals", "= 5"});
        QVERIFY(OpenTaskWindow(WinProbe));
        panel.TakeSent();
        edit(WinProbe);
        WinProbe->BitBtn3->click();
        QCOMPARE(panel.TakeSent(), sent);
        WinProbe->BitBtn3->click();
        QCOMPARE(panel.TakeSent(), QByteArrayList{});
        QVERIFY(!WinProbe->Binding().Stored().Contains("unknown"));
        QCOMPARE(WinProbe->Binding().Stored().Count(), 7);
    }

    void buttonsOkCancel() {
        TScriptedPanel panel;
        panel.SetAnswer("cat probe", {"probe_edit = 1"});
        QVERIFY(OpenTaskWindow(WinProbe));
        WinProbe->Ctl<QLineEdit>("Probe_Edit")->setText("2");
        panel.TakeSent();
        WinProbe->BitBtn2->click(); // Отмена
        QTRY_VERIFY(WinProbe.isNull());
        QCOMPARE(panel.TakeSent(), QByteArrayList{});

        QVERIFY(OpenTaskWindow(WinProbe)); // lists the board again
        QCOMPARE(WinProbe->Ctl<QLineEdit>("Probe_Edit")->text(), "1");
        WinProbe->Ctl<QLineEdit>("Probe_Edit")->setText("3");
        panel.TakeSent();
        WinProbe->BitBtn1->click(); // OK
        QTRY_VERIFY(WinProbe.isNull());
        QCOMPARE(panel.TakeSent(), Lines({"set probe_edit 3"}));
    }

    void textThatWouldBreakTheLineIsRefused() {
        TScriptedPanel panel;
        TScriptedDialogs dialogs;
        panel.SetAnswer("cat probe", {"probe_edit = 1", "probe_spin = 1"});
        QVERIFY(OpenTaskWindow(WinProbe));
        panel.TakeSent();
        WinProbe->Ctl<QSpinBox>("Probe_Spin")->setValue(9);
        WinProbe->Ctl<QLineEdit>("Probe_Edit")->setText("1\rsave config");
        WinProbe->BitBtn1->click();
        QCOMPARE(dialogs.Messages.size(), 1);
        QVERIFY(dialogs.Messages[0].contains("Probe_Edit"));
        QCOMPARE(panel.TakeSent(), QByteArrayList{}); // nothing, not even the valid change
        QVERIFY(!WinProbe.isNull());                  // OK did not close: nothing lost
        WinProbe->close();
    }

    void conversionErrorEndsListingAndWindowStaysUsable() {
        TScriptedPanel panel;
        TScriptedDialogs dialogs;
        panel.SetAnswer("cat probe", {"probe_edit = 5", "probe_spin = fast", "probe_flag = 1"});
        QVERIFY(OpenTaskWindow(WinProbe));
        QCOMPARE(dialogs.Errors, QStringList{"'fast' is not a valid integer value"});
        QCOMPARE(WinProbe->Ctl<QLineEdit>("Probe_Edit")->text(), "5");
        QVERIFY(!WinProbe->Ctl<QCheckBox>("Probe_Flag")->isChecked()); // after the error
        panel.TakeSent();
        WinProbe->Ctl<QLineEdit>("Probe_Edit")->setText("6");
        WinProbe->BitBtn3->click();
        QCOMPARE(panel.TakeSent(), Lines({"set probe_edit 6"}));
        WinProbe->close();
    }

    // Which controls the binding finds and handles.
    void findAndKinds_data() {
        QTest::addColumn<unsigned>("kinds");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("foundParent");
        QTest::addColumn<int>("kind");
        const int edit = int(TParamKind::Edit), none = int(TParamKind::None);
        QTest::newRow("any case") << unsigned(AllKinds) << QByteArray("pRoBe_eDiT")
                                  << QByteArray("Panel1") << edit;
        QTest::newRow("first container wins")
            << unsigned(AllKinds) << QByteArray("shared") << QByteArray("Panel1") << edit;
        QTest::newRow("nested deeper is not found")
            << unsigned(AllKinds) << QByteArray("nested") << QByteArray() << none;
        QTest::newRow("buddy edit of a spin is not found")
            << unsigned(AllKinds) << QByteArray("probe_spin_edit") << QByteArray() << none;
        QTest::newRow("edit in a window without edits has no kind")
            << unsigned(KindChoice | KindSpin | KindFlag) << QByteArray("probe_edit")
            << QByteArray("Panel1") << none;
        QTest::newRow("sign flag in a window without sign flags is plain")
            << unsigned(KindEdit | KindFlag) << QByteArray("probe_sign") << QByteArray("Panel2")
            << int(TParamKind::Flag);
        QTest::newRow("derived class has no kind")
            << unsigned(AllKinds) << QByteArray("derived") << QByteArray("Panel1") << none;
        QTest::newRow("editable combo box has no kind")
            << unsigned(AllKinds) << QByteArray("editable") << QByteArray("Panel1") << none;
    }
    void findAndKinds() {
        QFETCH(unsigned, kinds);
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, foundParent);
        QFETCH(int, kind);
        TScriptedPanel panel;
        TWinProbe w(kinds);
        QWidget* p1 = w.Ctl<QWidget>("Panel1");
        (new TDerivedEdit(p1))->setObjectName("Derived");
        auto* editable = new QComboBox(p1);
        editable->setEditable(true);
        editable->setObjectName("Editable");
        QWidget* found = w.Binding().FindParamControl(name);
        QCOMPARE(found ? found->parentWidget()->objectName().toLatin1() : QByteArray(),
                 foundParent);
        QCOMPARE(int(w.Binding().KindOf(found)), kind);
    }

    // Random listing lines (names of the probe's controls in any case, pairs,
    // junk values): only conversion errors may come out, and the stored list
    // keeps unique names that all have a control.
    void randomListingLinesKeepTheListSound() {
        TScriptedPanel panel;
        TWinProbe w;
        QRandomGenerator rng(7);
        const QByteArrayList names = {"probe_edit",
                                      "PROBE_CHOICE",
                                      "probe_spin",
                                      "Probe_Flag",
                                      "probe_sign",
                                      "probe_pos_xy",
                                      "probe_pos_x",
                                      "nested",
                                      "probe_spin_edit",
                                      "unknown",
                                      ""};
        const QByteArrayList values = {"1",   "-1", "0", "5",     "70000",       "fast",  "",
                                       "1,2", "1,", ",", "3 , 4", "99999999999", "a = b", "12,5"};
        TParamBinding& b = w.Binding();
        b.BeginListing();
        for (int i = 0; i < 3000; ++i) {
            const QByteArray line = names[rng.bounded(int(names.size()))] +
                                    (rng.bounded(8) ? " = " : " ") +
                                    values[rng.bounded(int(values.size()))];
            try {
                b.ListingLine(line);
            } catch (const EConvertError& e) {
                QVERIFY(e.Message().endsWith("is not a valid integer value"));
            }
        }
        QSet<QByteArray> seen;
        for (int i = 0; i < b.Stored().Count(); ++i) {
            const QByteArray n = LowerAscii(b.Stored().NameAt(i));
            QVERIFY(!seen.contains(n));
            seen.insert(n);
            QVERIFY(!b.Stored().ValueAt(i).isEmpty());
            QVERIFY2(n == "probe_pos_xy" || b.FindParamControl(n), n.constData());
        }
        QString error;
        QList<TParamBinding::TChange> changes;
        QVERIFY(b.ChangedValues(changes, error));
        for (const auto& c : changes)
            QVERIFY(c.Command.startsWith("set ") && c.Command.count('\n') == 1);
    }

    void silentBoard_data() {
        QTest::addColumn<QByteArrayList>("lines");
        QTest::addColumn<bool>("opens");
        QTest::newRow("nothing at all: dropped") << QByteArrayList{} << false;
        QTest::newRow("lines without prompt: opens with them")
            << QByteArrayList{"probe_edit = 8"} << true;
    }
    void silentBoard() {
        QFETCH(QByteArrayList, lines);
        QFETCH(bool, opens);
        TManualClock clock;
        clock.SetAutoStep(500); // the silence limit passes after a few reads
        TScriptedPanel panel(&clock);
        TScriptedDialogs dialogs;
        panel.SetAnswer("cat probe", lines, false);
        QCOMPARE(OpenTaskWindow(WinProbe) != nullptr, opens);
        QCOMPARE(dialogs.Messages.size(), 1);
        QVERIFY(dialogs.Messages[0].startsWith("Устройство не ответило"));
        QVERIFY(dialogs.Messages[0].contains("\"cat probe\""));
        if (opens) {
            QCOMPARE(WinProbe->Ctl<QLineEdit>("Probe_Edit")->text(), "8");
            WinProbe->close();
        }
    }

    // The prompt of a "set" sent just before must not be taken for the
    // reset's own: apply waits for the set's prompt (however late), the
    // reset for its own, then the window relists.
    void resetWaitsForItsOwnPromptAndRelists_data() {
        QTest::addColumn<int>("setAnswerMs");
        QTest::newRow("set answered at once") << 0;
        QTest::newRow("set answered late") << 200;
    }
    void resetWaitsForItsOwnPromptAndRelists() {
        QFETCH(int, setAnswerMs);
        TScriptedPanel panel;
        TScriptedDialogs dialogs;
        panel.SetAnswer("cat probe", {"probe_edit = 1", "probe_spin = 2"});
        panel.SetAnswer("set probe_edit 5", {}, true, setAnswerMs);
        QVERIFY(OpenTaskWindow(WinProbe));
        WinProbe->Ctl<QLineEdit>("Probe_Edit")->setText("5");
        WinProbe->BitBtn3->click();
        QVERIFY(panel.Link().InStep());
        QVERIFY(panel.Link().ResponseQueue.isEmpty());
        panel.SetAnswer("reset probe", {}, true, 100);
        panel.SetAnswer("cat probe", {"probe_edit = 0"});
        panel.TakeSent();
        WinProbe->SpeedButton1Click();
        QCOMPARE(panel.TakeSent(), Lines({"reset probe", "cat probe"}));
        QCOMPARE(WinProbe->Ctl<QLineEdit>("Probe_Edit")->text(), "0");
        // A fresh stored list: the spin was not relisted, so it is not sent.
        WinProbe->Ctl<QSpinBox>("Probe_Spin")->setValue(7);
        WinProbe->BitBtn3->click();
        QCOMPARE(panel.TakeSent(), QByteArrayList{});
        QVERIFY(dialogs.Messages.isEmpty());
        QVERIFY(WinProbe->isEnabled() && WinProbe->BitBtn1->isEnabled());
        WinProbe->close();
    }

    void resetWithSilentBoardGivesUpAfterOneSecond() {
        TManualClock clock;
        clock.SetAutoStep(200);
        TScriptedPanel panel(&clock);
        TScriptedDialogs dialogs;
        panel.SetAnswer("cat probe", {"probe_edit = 1"});
        QVERIFY(OpenTaskWindow(WinProbe));
        panel.SetSilent(true);
        panel.TakeSent();
        WinProbe->SpeedButton1Click(); // returns: the waits are bounded
        QCOMPARE(panel.TakeSent(), Lines({"reset probe", "cat probe"}));
        QCOMPARE(dialogs.Messages.size(), 1);
        QVERIFY(!WinProbe.isNull());
        WinProbe->close();
    }
};

VANTOR_TEST_MAIN(TestBinding)
#include "tst_binding.moc"
