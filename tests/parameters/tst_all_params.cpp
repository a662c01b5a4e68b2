// The "Все параметры" window against the simulated board over the real
// worker: the table is every name = value parameter of every group, edits
// are verified by reading the board back, a file comparison marks what the
// board changed, and a cancelled read or a silent board leaves it usable.

#include "ScriptedDialogs.h"
#include "TestMain.h"
#include "TestPanel.h"
#include "archive/ArchiveWidgets.h"
#include "parameters/WinAllParamsUnit.h"
#include "ui/UnsavedChanges.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>

namespace {
// "GROUP|name=value" of every visible row, or of the board's groups.
QStringList Visible(TWinAllParams* w) {
    QStringList out;
    for (int i = 0; i < w->Grid->rowCount(); ++i)
        if (!w->Grid->isRowHidden(i))
            out << w->Grid->item(i, 0)->text() + "|" + w->Grid->item(i, 1)->text() + "=" +
                       w->Grid->item(i, 2)->text();
    return out;
}
QStringList BoardRows(TTestPanel& panel, const QString& nameHas = {}, const QString& only = {}) {
    QStringList out;
    panel.WithBoard([&](TBoardSim& sim) {
        for (const TExportSection* s : ParamSections()) {
            const QByteArray group = s->Command + 4, name = QByteArray(s->Name);
            for (const auto& p : sim.State().Groups.value(group.trimmed()))
                if (p.first.contains(nameHas.toLatin1().toLower()) &&
                    (only.isEmpty() || only == name))
                    out << name + "|" + p.first + "=" + p.second;
        }
    });
    return out;
}
TWinAllParams* OpenRead(TTestPanel& panel) {
    TWinAllParams* w = OpenTaskWindow(WinAllParams);
    if (w && !QTest::qWaitFor([&] { return !w->IsBusy() && w->Grid->rowCount() > 0; }, 10000))
        qWarning("table not read");
    panel.TakeBoardLines();
    return w;
}
} // namespace

class TestAllParams : public QObject {
    Q_OBJECT
private slots:
    void tableHoldsEveryParameterAndFilters() {
        TTestPanel panel;
        TScriptedDialogs dialogs;
        QVERIFY(panel.Connect());
        TWinAllParams* w = OpenRead(panel);
        QVERIFY(w);
        QCOMPARE(Visible(w), BoardRows(panel));
        QVERIFY(Visible(w).contains("STAB|gps_uart_baud=38400")); // shown by no window
        QCOMPARE(w->Grid->item(w->RowOf("STAB", "gps_uart_baud"), 4)->text(), "");
        QCOMPARE(w->Grid->item(w->RowOf("STAB", "GAZ_Cruise"), 4)->text(),
                 "Настройка параметров стабилизатора");
        w->SearchEdit->setText("GAZ");
        QCOMPARE(Visible(w), BoardRows(panel, "gaz"));
        w->GroupFilter->setCurrentText("OSD");
        QCOMPARE(Visible(w), QStringList());
        w->SearchEdit->clear();
        QCOMPARE(Visible(w), BoardRows(panel, {}, "OSD"));
        QVERIFY(dialogs.Messages.isEmpty() && dialogs.Errors.isEmpty());
    }

    void applyIsVerifiedByReadingBack_data() {
        QTest::addColumn<QByteArray>("group");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QByteArray>("held");
        QTest::newRow("accepted") << QByteArray("stab") << QByteArray("gaz_cruise") << "600"
                                  << QByteArray("600") << QByteArray("600");
        QTest::newRow("clamped by the board is a mismatch")
            << QByteArray("stab") << QByteArray("gaz_cruise") << "5000" << QByteArray("5000")
            << QByteArray("1023");
        QTest::newRow("shown by no window, decimal comma")
            << QByteArray("imu") << QByteArray("gyro_lpf_hz") << "20,5" << QByteArray("20.5")
            << QByteArray("20.5");
        QTest::newRow("OSD pair") << QByteArray("osd") << QByteArray("rssi_xy") << "3,4"
                                  << QByteArray("3 4") << QByteArray("3,4");
    }
    void applyIsVerifiedByReadingBack() {
        QFETCH(QByteArray, group);
        QFETCH(QByteArray, name);
        QFETCH(QString, typed);
        QFETCH(QByteArray, sent);
        QFETCH(QByteArray, held);
        TTestPanel panel;
        TScriptedDialogs dialogs;
        QVERIFY(panel.Connect());
        TUnsavedChanges unsaved(panel.Link());
        TWinAllParams* w = OpenRead(panel);
        const int row = w->RowOf(group.toUpper(), name);
        w->Grid->item(row, 2)->setText(typed);
        QVERIFY(w->Edited(row));
        w->ApplyButton->click();
        QCOMPARE(panel.WaitBoardLines(2),
                 (QByteArrayList{"set " + name + " " + sent, "cat " + group}));
        QCOMPARE(panel.BoardValue(group, name), held);
        const bool mismatch = held != sent && !(name == "rssi_xy");
        QCOMPARE(w->Mismatch(w->RowOf(group.toUpper(), name)), mismatch);
        QCOMPARE(dialogs.Messages.size(), int(mismatch));
        if (mismatch)
            QVERIFY(dialogs.Messages[0].startsWith("Плата приняла другое значение: " +
                                                   QString::fromLatin1(name)));
        QCOMPARE(w->Grid->item(row, 2)->text(), QString::fromLatin1(held));
        QCOMPARE(unsaved.Count(), 1);
        w->FlashButton->click();
        QCOMPARE(panel.WaitBoardLines(2), (QByteArrayList{"save config", "save controls"}));
        QCOMPARE(unsaved.Count(), 0);
    }

    // The table follows what others change on the board while it is open:
    // typing the old value back undoes another's change. A flash save the
    // board could not write is no success.
    void followsTheBoardAndSaysWhenFlashFails() {
        QTemporaryDir flash; // a folder where the board's flash file should be
        TSimOptions options;
        options.StatePath = flash.path();
        TTestPanel panel(options);
        TScriptedDialogs dialogs;
        QVERIFY(panel.Connect());
        TUnsavedChanges unsaved(panel.Link());
        TWinAllParams* w = OpenRead(panel);
        const int row = w->RowOf("STAB", "gaz_cruise");
        const QString before = w->Grid->item(row, 2)->text();
        TRequest console; // another window's change
        console.Commands = {"set gaz_cruise 600\r\n"};
        QVERIFY(panel.Link().Request(console).Taken());
        QCOMPARE(w->Grid->item(row, 2)->text(), "600");
        panel.WithBoard([](TBoardSim& sim) { *sim.State().FindParam("gaz_minimum") = "7"; });
        console.Commands = {"cat stab\r\n"}; // another window's listing
        QVERIFY(panel.Link().Request(console).Ok());
        QCOMPARE(w->Grid->item(w->RowOf("STAB", "gaz_minimum"), 2)->text(), "7");
        w->Grid->item(row, 2)->setText(before);
        QVERIFY(w->ApplyButton->isEnabled());
        w->ApplyButton->click();
        QCOMPARE(panel.BoardValue("stab", "gaz_cruise"), before.toLatin1());
        QCOMPARE(unsaved.Count(), 2);
        w->FlashButton->click();
        QCOMPARE(dialogs.Errors.size(), 1);
        QVERIFY2(dialogs.Errors[0].contains("save config: Save failed"),
                 qPrintable(dialogs.Errors[0]));
        QVERIFY(w->StatusNote->text() != "Настройки сохранены во флеш");
        QCOMPARE(unsaved.Count(), 2);
    }

    void refusedValuesSendNothing() {
        TTestPanel panel;
        TScriptedDialogs dialogs;
        QVERIFY(panel.Connect());
        TWinAllParams* w = OpenRead(panel);
        const int row = w->RowOf("STAB", "gaz_cruise");
        QSignalSpy queued(&panel.Link(), &TBoardLink::CommandSent);
        for (const QString& bad : {QString(" "), QString("6\n00"), QString("6ё0")}) {
            w->Grid->item(row, 2)->setText(bad);
            w->ApplyButton->click();
        }
        QCOMPARE(dialogs.Messages.size(), 3);
        w->RevertButton->click();
        QVERIFY(!w->Edited(row));
        QCOMPARE(queued.size(), 0);
    }

    void compareMarksWhatTheBoardChangedAndTakesFileValues() {
        TTestPanel panel;
        TScriptedDialogs dialogs;
        QVERIFY(panel.Connect());
        QTemporaryDir dir;
        const QString file = dir.filePath("board.cfg");
        QVERIFY(ExportConfig(panel.Link(), file, {}).Ok());
        panel.WithBoard([](TBoardSim& sim) {
            *sim.State().FindParam("gaz_cruise") = "700";
            *sim.State().FindParam("rssi_xy") = "9,9";
            *sim.State().FindParam("mag_bias_x") = "1";
        });
        TWinAllParams* w = OpenRead(panel);
        dialogs.OpenNames << file;
        w->CompareButton->click();
        QStringList differ;
        for (int i = 0; i < w->Grid->rowCount(); ++i)
            if (w->DiffersFromFile(i))
                differ << w->Grid->item(i, 1)->text() + "=" + w->Grid->item(i, 3)->text();
        QCOMPARE(differ, (QStringList{"gaz_cruise=560", "rssi_xy=2,2", "mag_bias_x=35"}));
        w->ChangedOnly->setChecked(true);
        QCOMPARE(Visible(w).size(), 3);
        w->Grid->selectAll();
        QSignalSpy queued(&panel.Link(), &TBoardLink::CommandSent);
        w->TakeButton->click();
        QCOMPARE(queued.size(), 0); // nothing sent before "Применить"
        w->ApplyButton->click();
        QTRY_COMPARE(panel.BoardValue("mag", "mag_bias_x"), QByteArray("35"));
        QTRY_VERIFY(!w->IsBusy());
        QCOMPARE(panel.BoardValue("osd", "rssi_xy"), QByteArray("2,2"));
        QCOMPARE(Visible(w), QStringList());
        QVERIFY(dialogs.Messages.isEmpty() && dialogs.Errors.isEmpty());
    }

    void cancelledReadThenSilentBoard() {
        TTestPanel panel;
        TScriptedDialogs dialogs;
        QVERIFY(panel.Connect());
        TWinAllParams* w = OpenTaskWindow(WinAllParams);
        // Stopped once the first group is read: that group stays, whole.
        const auto stop = connect(w->Run->Progress, &QProgressBar::valueChanged, w, [w](int done) {
            if (done == 1)
                w->Run->StopButton->click();
        });
        QTRY_VERIFY(w->Grid->rowCount() > 0 && !w->IsBusy());
        disconnect(stop);
        QCOMPARE(dialogs.Messages, QStringList{"Операция отменена."});
        QCOMPARE(Visible(w), BoardRows(panel, {}, "STAB"));
        w->ReadButton->click();
        QTRY_VERIFY_WITH_TIMEOUT(!w->IsBusy() && Visible(w) == BoardRows(panel), 10000);
        w->close();
        QTRY_VERIFY(!WinAllParams);
        // From here on the board answers nothing.
        panel.WithBoard([](TBoardSim& sim) { sim.Faults().SilenceAfterBytes = 0; });
        w = OpenTaskWindow(WinAllParams);
        QTRY_VERIFY_WITH_TIMEOUT(!dialogs.Errors.isEmpty(), 10000);
        QVERIFY(dialogs.Errors[0].startsWith("Плата не отвечает"));
        QTRY_VERIFY(!w->IsBusy());
        QCOMPARE(w->Grid->rowCount(), 0);
        QVERIFY(w->SearchEdit->isEnabled() && w->ReadButton->isEnabled());
    }
};

VANTOR_TEST_MAIN(TestAllParams)
#include "tst_all_params.moc"
