// The change journal's window: newest rows first, each filter narrows them,
// pages load as the table scrolls, the CSV holds every filtered row; undo and
// return put values back on the simulated board, themselves journaled.

#include "ScriptedDialogs.h"
#include "TestMain.h"
#include "TestPanel.h"
#include "parameters/JournalRecorder.h"
#include "parameters/WinJournalUnit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>

namespace {
// "board|name|origin" of every loaded row, top down.
QStringList Shown(TWinJournal* w) {
    QStringList out;
    for (int i = 0; i < w->Model->rowCount(); ++i) {
        const TJournalRow& r = w->Model->Row(i);
        out << r.Board + "|" + QString::fromLatin1(r.Name) + "|" + r.Origin;
    }
    return out;
}
void Select(TWinJournal* w, int row) {
    w->Grid->selectionModel()->select(w->Model->index(row, 0), QItemSelectionModel::ClearAndSelect |
                                                                   QItemSelectionModel::Rows);
}
qint64 Add(const QString& board, const QByteArray& name, const QString& origin,
           const QString& outcome, const QDateTime& at) {
    TJournalRow r;
    r.TimeMs = at.toMSecsSinceEpoch();
    r.Board = board;
    r.Kind = JournalKind::Change;
    r.Origin = origin;
    r.Group = "STAB";
    r.Name = name;
    r.Before = "1";
    r.Sent = "2";
    r.Outcome = outcome;
    return TJournal::Instance().Add(r);
}
} // namespace

class TestJournalWindow : public QObject {
    Q_OBJECT
private slots:
    void filtersPagesAndExport() {
        TTestPanel panel; // not connected
        TScriptedDialogs dialogs;
        const QDateTime day(QDate::currentDate().addDays(-1), QTime(10, 0));
        for (int i = TJournalModel::PageRows + 50; i > 0; --i) // written oldest first
            Add("C @ r", "pitch_kp", "Консоль", JournalOutcome::Taken, day.addDays(-10 - i));
        Add("B @ q", "gaz_cruise", "Загрузка: x.cfg", JournalOutcome::Taken, day.addDays(-3));
        Add("A @ p", "gaz_cruise", "Консоль", JournalOutcome::Verified, day);
        Add("A @ p", "roll_kp", "Все параметры", JournalOutcome::Refused, day.addSecs(3600));
        QVERIFY(TJournal::Instance().Flush());
        TWinJournal* w = OpenTaskWindow(WinJournal);
        QVERIFY(w);
        QCOMPARE(w->BoardFilter->currentText(), "Все платы");
        QCOMPARE(Shown(w).mid(0, 3),
                 (QStringList{"A @ p|roll_kp|Все параметры", "A @ p|gaz_cruise|Консоль",
                              "B @ q|gaz_cruise|Загрузка: x.cfg"}));
        w->BoardFilter->setCurrentText("B @ q");
        QCOMPARE(Shown(w), QStringList{"B @ q|gaz_cruise|Загрузка: x.cfg"});
        w->BoardFilter->setCurrentIndex(0);
        w->SearchEdit->setText("GAZ");
        QTRY_COMPARE(w->Model->rowCount(), 2); // after the typing pause
        w->OriginFilter->setText("онсол");
        QTRY_COMPARE(Shown(w), QStringList{"A @ p|gaz_cruise|Консоль"});
        w->SearchEdit->clear();
        w->OriginFilter->clear();
        w->Requery();
        w->OutcomeFilter->setCurrentIndex(w->OutcomeFilter->findData("refused"));
        QCOMPARE(Shown(w), QStringList{"A @ p|roll_kp|Все параметры"});
        w->OutcomeFilter->setCurrentIndex(0);
        w->FromDate->setDate(day.date().addDays(-3));
        w->ToDate->setDate(day.date().addDays(-1));
        w->DateFilter->setChecked(true);
        QCOMPARE(Shown(w), QStringList{"B @ q|gaz_cruise|Загрузка: x.cfg"});
        w->DateFilter->setChecked(false);

        // More rows than a page: the rest load as the table scrolls, and the
        // export takes them all.
        w->BoardFilter->setCurrentText("C @ r");
        QCOMPARE(w->Model->rowCount(), TJournalModel::PageRows);
        w->Grid->scrollToBottom();
        QTRY_COMPARE(w->Model->rowCount(), TJournalModel::PageRows + 50);
        QTemporaryDir dir;
        dialogs.SaveNames << dir.filePath("c.csv");
        w->ExportButton->click();
        QFile csv(dir.filePath("c.csv"));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QByteArrayList lines = csv.readAll().trimmed().split('\n');
        QCOMPARE(lines.size(), 1 + TJournalModel::PageRows + 50);
        QVERIFY(lines[1].contains("pitch_kp") && lines[1].contains("C @ r"));

        Select(w, 0); // no board to send to
        w->UndoButton->click();
        QCOMPARE(dialogs.Messages.size(), 1);
        QVERIFY(dialogs.Messages[0].startsWith("Плата не подключена"));
        QVERIFY(dialogs.Errors.isEmpty() && dialogs.Unexpected.isEmpty());
    }

    void undoAndReturnOnTheBoard() {
        TTestPanel panel;
        TScriptedDialogs dialogs;
        QVERIFY(panel.Connect());
        TJournalRecorder recorder(panel.Link(), TJournal::Instance());
        recorder.SetBoard("sim @ memory");
        TRequest console;
        console.Commands = {"cat stab\r\n"}; // the value before the change is known
        QVERIFY(panel.Link().Request(console).Ok());
        {
            const TJournalOrigin origin("Консоль");
            console.Commands = {"set gaz_cruise 600\r\n"};
            QVERIFY(panel.Link().Request(console).Taken());
        }
        QVERIFY(TJournal::Instance().Flush());
        TWinJournal* w = OpenTaskWindow(WinJournal);
        QCOMPARE(w->BoardFilter->currentText(), "sim @ memory");
        QCOMPARE(Shown(w).value(0), "sim @ memory|gaz_cruise|Консоль");
        const qint64 change = w->Model->Row(0).Id;
        Select(w, 0);
        dialogs.Answers << 0;
        w->UndoButton->click();
        QCOMPARE(panel.BoardValue("stab", "gaz_cruise"), QByteArray("560"));
        QVERIFY(dialogs.Questions.value(0).contains("set gaz_cruise 560"));
        QVERIFY2(dialogs.Messages.value(0).contains("Проверено чтением с платы"),
                 qPrintable(dialogs.Messages.join('\n') + dialogs.Errors.join('\n')));
        // The window follows the journal: the undo's row comes on top.
        QTRY_COMPARE(w->Model->Row(0).Origin, "Отмена строк " + QString::number(change));

        Select(w, w->Model->RowOfId(change));
        dialogs.Answers << 0;
        w->ReturnButton->click();
        QVERIFY(dialogs.Questions.value(1).contains("gaz_cruise: сейчас 560, тогда 600"));
        QCOMPARE(panel.BoardValue("stab", "gaz_cruise"), QByteArray("600"));
        QTRY_VERIFY(w->Model->Row(0).Origin.startsWith("Возврат к "));
        QVERIFY(dialogs.Errors.isEmpty() && dialogs.Unexpected.isEmpty());
    }
};

VANTOR_TEST_MAIN(TestJournalWindow)
#include "tst_journal_window.moc"
