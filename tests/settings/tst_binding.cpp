// The parameter binding every settings window shares: the control kinds
// with their conversions, the container search, listing, apply, reset and
// the bottom buttons, on a small probe window whose board is a script.

#include "ScriptedDialogs.h"
#include "ScriptedPanel.h"
#include "SettingsShown.h"
#include "TestMain.h"
#include "link/Proc.h"
#include "settings/ParamFormUnit.h"
#include "settings/ParamWindowUnit.h"

#include <QGridLayout>
#include <QPushButton>
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
} // namespace

class TestBinding : public QObject {
    Q_OBJECT
private slots:
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
                                      << QByteArray("Probe_Choice") << "c" << QByteArrayList{};
        QTest::newRow("choice beyond its items is empty and never sent")
            << QByteArray("probe_choice = 7") << QByteArray("Probe_Choice") << ""
            << QByteArrayList{};
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
        QCOMPARE(Applied(panel, WinProbe), sent);
        QVERIFY(dialogs.Messages.isEmpty() && dialogs.Errors.isEmpty());
    }

    // What the operator does, and the lines one "Применить" sends.
    void applySendsChangedValuesInListOrder_data() {
        QTest::addColumn<QStringList>("edits");
        QTest::addColumn<QByteArrayList>("sent");
        QTest::newRow("untouched sends nothing") << QStringList{} << QByteArrayList{};
        QTest::newRow("decimal comma sent as point")
            << QStringList{"Probe_Edit=12,7"} << Lines({"set probe_edit 12.7"});
        QTest::newRow("emptied edit sends nothing")
            << QStringList{"Probe_Edit="} << QByteArrayList{};
        QTest::newRow("sign flag cleared")
            << QStringList{"Probe_Sign=unchecked"} << Lines({"set probe_sign 1"});
        QTest::newRow("edits in reverse order go out in listing order")
            << QStringList{"Second_Edit=7", "Probe_Pos_Y=25", "Probe_Flag=checked",
                           "Probe_Choice=d", "Probe_Spin=5"}
            << Lines({"set probe_choice 3", "set probe_spin 5", "set probe_flag 1",
                      "set probe_pos_xy 10 25", "set second_edit 7"});
    }
    void applySendsChangedValuesInListOrder() {
        QFETCH(QStringList, edits);
        QFETCH(QByteArrayList, sent);
        TScriptedPanel panel;
        panel.SetAnswer("cat probe",
                        {"probe_edit = 12.6", "probe_choice = 1", "probe_spin = 3",
                         "probe_flag = 0", "probe_sign = -1", "probe_pos_xy = 10,20",
                         "second_edit = 1", "unknown = 4", "heading without equals", "= 5"});
        QVERIFY(OpenTaskWindow(WinProbe));
        Operate(WinProbe, edits);
        QCOMPARE(Applied(panel, WinProbe), sent);
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

    // A conversion error ends the first listing; the window opens and stays
    // usable, and a later listing is a relisting: a silent board then gets
    // the relisting's message. The reset gives up within its bounded waits.
    void conversionErrorEndsTheFirstListing() {
        TManualClock clock;
        clock.SetAutoStep(200);
        TScriptedPanel panel(&clock);
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
        panel.SetSilent(true);
        WinProbe->SpeedButton1Click();
        QCOMPARE(panel.TakeSent(), Lines({"reset probe", "cat probe"}));
        QCOMPARE(dialogs.Messages,
                 QStringList{"Устройство не ответило до конца на запрос \"cat probe\".\nЧасть "
                             "значений в окне может не совпадать с платой."});
        QVERIFY(!WinProbe.isNull());
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
};

VANTOR_TEST_MAIN(TestBinding)
#include "tst_binding.moc"
