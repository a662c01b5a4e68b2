// The ways back, against the simulated board through the real worker.
// Automatic backups: a reset from a settings window leaves the board's state
// before it in the backup folder, loading that backup restores it, the
// folder keeps the newest twenty, and a board that stays silent gets the
// operator's answer instead of a hang. Restore preview: the load window
// lists exactly the lines that would change a value, and sends only those
// when asked.

#include "MemoryPrefs.h"
#include "ScriptedDialogs.h"
#include "TestMain.h"
#include "TestPanel.h"
#include "TestSupport.h"
#include "archive/ArchiveWidgets.h"
#include "archive/AutoBackupUnit.h"
#include "archive/ConfigCompare.h"
#include "archive/ConfigExport.h"
#include "archive/WndLoadSettingsUnit.h"
#include "settings/WinOSDControlsUnit.h"
#include "shell/WinDebugMonUnit.h"
#include "ui/PanelPrefs.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMap>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

namespace {
// A panel as the program has it: a settings file (backups on by default), a
// backup folder of its own and the gate on the link.
struct TRig {
    QTemporaryDir Dir;
    TMemoryPrefs Prefs;
    TScriptedDialogs Dialogs;
    TTestPanel Panel;

    explicit TRig(TSimOptions options = {}) : Panel(std::move(options)) {
        TAutoBackup::Instance().SetFolder(Dir.filePath("backups"));
        TAutoBackup::Instance().Attach(Panel.Link());
    }
    ~TRig() { Panel.Link().SetSendGate({}); }
    QString Folder() const { return Dir.filePath("backups"); }
    // A line as the console sends it: in a conversation of its own, the
    // backup's listings first when it is a reset.
    void Send(const QByteArray& line) {
        const QByteArrayList answer = Exchange(Panel.Link(), line, 5000, TWaitMode::ProcessEvents);
        QVERIFY2(answer.isEmpty() || !answer.last().startsWith("<end"),
                 answer.join('|').constData());
    }
    QStringList Backups() const {
        QStringList out;
        for (const TBackupStore::TEntry& e : TAutoBackup::Instance().Store().List())
            out << QFileInfo(e.Path).fileName();
        return out;
    }
};

TRunHooks Hooks() {
    TRunHooks h;
    h.Mode = TWaitMode::ProcessEvents;
    return h;
}
} // namespace

class TestRestore : public QObject {
    Q_OBJECT
private slots:
    void resetFromOsdWindowLeavesTheStateBeforeIt() {
        TRig rig;
        QVERIFY(rig.Panel.Connect());
        rig.Send("set osd_left_offset 12");
        rig.Send("set osd_lang 0");
        rig.Send("set roll_sensitivity 2.50");
        const QString explicitFile = rig.Dir.filePath("explicit.cfg");
        QVERIFY(ExportConfig(rig.Panel.Link(), explicitFile, Hooks()).Ok());

        TWinOSDControls* osd = OpenTaskWindow(WinOSDControls);
        QVERIFY(osd);
        rig.Panel.TakeBoardLines();
        osd->findChild<QPushButton*>("SpeedButton1")->click();
        QCOMPARE(rig.Panel.BoardValue("osd", "osd_left_offset"), "46"); // reset done
        // The backup came first: every listing, then the reset.
        const QByteArrayList executed = rig.Panel.TakeBoardLines();
        QCOMPARE(executed.first(), "cat stab");
        QVERIFY(executed.indexOf("cat control mixers") < executed.indexOf("reset osd"));
        const QStringList backups = rig.Backups();
        QCOMPARE(backups.size(), 1);
        QVERIFY2(backups[0].endsWith("_reset-osd.cfg"), qPrintable(backups[0]));
        const QString backup = TAutoBackup::Instance().LastBackup();
        QCOMPARE(ReadAll(backup), ReadAll(explicitFile));
        osd->close();

        // The load window lists it; chosen and loaded, it restores the board.
        TWndLoadSettings* load = OpenTaskWindow(WndLoadSettings);
        QVERIFY(load->AutoBackupBox->isChecked());
        QCOMPARE(load->BackupList->count(), 1);
        QVERIFY(load->BackupList->item(0)->text().endsWith("— перед reset osd"));
        load->BackupList->setCurrentRow(0);
        QCOMPARE(load->FileName->text(), backup);
        load->findChild<QCheckBox*>("osd")->setChecked(true);
        load->BitBtn1Click();
        QCOMPARE(rig.Dialogs.Messages, QStringList{"Загрузка конфигурации завершена"});
        QCOMPARE(rig.Panel.BoardValue("osd", "osd_left_offset"), "12");
        QCOMPARE(rig.Panel.BoardValue("osd", "osd_lang"), "0");
        // The load made its own backup first, listed at the top.
        QCOMPARE(load->BackupList->count(), 2);
        QVERIFY(load->BackupList->item(0)->text().endsWith("— перед загрузкой"));
        QCOMPARE(rig.Dialogs.Questions, QStringList{});
        load->close();
    }

    void settingKeys_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QByteArray>("value");
        QTest::newRow("parameter")
            << QByteArray("set roll_kp 1.5") << QByteArray("set roll_kp") << QByteArray("1.5");
        QTest::newRow("osd pair, case and blanks")
            << QByteArray("SET  OSD_Alt_Pos  10   20") << QByteArray("set osd_alt_pos")
            << QByteArray("10 20");
        QTest::newRow("waypoint row") << QByteArray("set wp 3 55.1 37.2 120")
                                      << QByteArray("set wp 3") << QByteArray("55.1 37.2 120");
        QTest::newRow("channel row")
            << QByteArray("set ch_out 2 1 1000 1500 2000 0") << QByteArray("set ch_out 2")
            << QByteArray("1 1000 1500 2000 0");
        QTest::newRow("mixer column")
            << QByteArray("set mix 7 2 -50") << QByteArray("set mix 7 2") << QByteArray("-50");
        QTest::newRow("parameter without a value")
            << QByteArray("set name ") << QByteArray("set name") << QByteArray("");
        QTest::newRow("not a set line")
            << QByteArray("reset osd") << QByteArray() << QByteArray("reset osd");
    }
    void settingKeys() {
        QFETCH(QByteArray, line);
        QFETCH(QByteArray, key);
        QFETCH(QByteArray, value);
        QCOMPARE(SettingKey(line), key);
        QCOMPARE(SettingValue(line), value);
    }

    void previewListsAndSendsExactlyTheChangedLines() {
        TRig rig;
        rig.Prefs.Keys["BACKUP/Enabled"] = false; // only the preview's own reading
        QVERIFY(rig.Panel.Connect());
        const QString file = rig.Dir.filePath("saved.cfg");
        QVERIFY(ExportConfig(rig.Panel.Link(), file, Hooks()).Ok());
        // The board moves away from the file in known places; the gyro
        // section is not going to be checked.
        rig.Send("set roll_sensitivity 2.50");
        rig.Send("set osd_left_offset 12");
        rig.Send("set osd_lang 0");
        rig.Send("set gyro_scale 99");

        TWndLoadSettings* load = OpenTaskWindow(WndLoadSettings);
        QVERIFY(!load->ChangedOnlyBox->isChecked());
        load->FileName->setText(file);
        for (const char* box : {"stab", "osd", "IMU"})
            load->findChild<QCheckBox*>(box)->setChecked(true);
        rig.Panel.TakeBoardLines();
        load->CompareButton->click();
        const QStringList text = load->PreviewText->toPlainText().split('\n');
        QStringList changed = text.filter(QRegularExpression("^    "));
        changed.sort();
        QCOMPARE(changed, (QStringList{"    osd_lang: 0 → 1", "    osd_left_offset: 12 → 46",
                                       "    roll_sensitivity: 2.50 → 1.20"}));
        QCOMPARE(text.filter(QRegularExpression("^IMU: 0 из [1-9]")).size(), 1); // IMU
        QCOMPARE(text.filter(QRegularExpression("^OSD: 2 из [1-9]")).size(), 1);
        // Comparing only reads.
        for (const QByteArray& l : rig.Panel.TakeBoardLines())
            QVERIFY2(l.startsWith("cat "), l.constData());

        load->ChangedOnlyBox->setChecked(true);
        load->BitBtn1Click();
        QCOMPARE(rig.Dialogs.Messages, QStringList{"Загрузка конфигурации завершена"});
        QByteArrayList sent;
        for (const QByteArray& l : rig.Panel.TakeBoardLines())
            if (!l.startsWith("cat "))
                sent << l;
        QCOMPARE(sent, (QByteArrayList{"set roll_sensitivity 1.20", "set osd_left_offset 46",
                                       "set osd_lang 1"}));
        QCOMPARE(rig.Panel.BoardValue("gyro", "gyro_scale"), "99");
        QCOMPARE(rig.Panel.BoardValue("osd", "osd_lang"), "1");
        QVERIFY(rig.Dialogs.Errors.isEmpty());
        load->close();
    }

    void folderKeepsTheNewestTwenty_data() {
        QTest::addColumn<bool>("spareOldest");
        QTest::newRow("the oldest goes") << false;
        QTest::newRow("the file about to be loaded stays, the next oldest goes") << true;
    }
    void folderKeepsTheNewestTwenty() {
        QFETCH(bool, spareOldest);
        TRig rig;
        QVERIFY(rig.Panel.Connect());
        QDir().mkpath(rig.Folder());
        QStringList old;
        for (int i = 0; i < TBackupStore::KeptBackups; ++i) {
            old << QString("2020-01-01_00-%1-00-000_reset-osd.cfg").arg(i, 2, 10, QChar('0'));
            QFile f(QDir(rig.Folder()).filePath(old.last()));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        QFile notes(QDir(rig.Folder()).filePath("my notes.cfg"));
        QVERIFY(notes.open(QIODevice::WriteOnly));
        notes.close();
        const QString spare = spareOldest ? QDir(rig.Folder()).filePath(old[0]) : QString();
        QVERIFY(TAutoBackup::Instance().BeforeChange(rig.Panel.Link(), "load", spare));

        const QStringList now = rig.Backups();
        QVERIFY(now.first().endsWith("_load.cfg"));
        QCOMPARE(now.size(), 20);
        QCOMPARE(now.contains(old[0]), spareOldest);
        QCOMPARE(now.contains(old[1]), !spareOldest);
        QVERIFY(notes.exists()); // not a backup: never touched
    }

    void silentBoardAsksWhetherToGoOn_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("resetSent");
        QTest::newRow("Продолжить: the reset goes without a backup") << 0 << true;
        QTest::newRow("Отмена: the reset is not sent") << 1 << false;
    }
    void silentBoardAsksWhetherToGoOn() {
        QFETCH(int, answer);
        QFETCH(bool, resetSent);
        TSimOptions o;
        o.Faults.SilenceAfterCommand = "echo off"; // takes commands, answers nothing
        TRig rig(o);
        QVERIFY(rig.Panel.Connect());
        rig.Dialogs.Answers << answer;
        Exchange(rig.Panel.Link(), "reset osd", 1000, TWaitMode::ProcessEvents);
        QCOMPARE(rig.Dialogs.Questions.size(), 1);
        QVERIFY(rig.Dialogs.Questions[0].contains("Плата не отвечает"));
        QVERIFY(rig.Backups().isEmpty());
        QVERIFY(QDir(rig.Folder()).entryList(QDir::Files).isEmpty()); // no half file
        QByteArrayList executed;
        if (resetSent)
            QTRY_VERIFY((executed += rig.Panel.TakeBoardLines()).contains("reset osd"));
        else
            QVERIFY(!rig.Panel.WaitBoardLines(12, 500).contains("reset osd"));
    }

    // A reset typed in the console while an archive run holds the board
    // waits for its turn: it must not take the run's answers, nor its
    // backup; once the board is free the backup and the reset go.
    void resetWaitsWhileAnotherRunHoldsTheBoard() {
        TRig rig;
        QVERIFY(rig.Panel.Connect());
        TWinDebugMon mon;
        {
            const TBoardTurn exportRunning(rig.Panel.Link());
            mon.CommandLine->setText("reset osd");
            mon.CommandLineEnter();
            QVERIFY(mon.WaitingForBoard());
            QVERIFY(!rig.Panel.WaitBoardLines(1, 300).contains("reset osd"));
            QVERIFY(rig.Backups().isEmpty());
        }
        QByteArrayList executed;
        QTRY_VERIFY_WITH_TIMEOUT((executed += rig.Panel.TakeBoardLines()).contains("reset osd"),
                                 10000);
        QCOMPARE(executed.first(), QByteArray("cat stab")); // the backup went first
        QCOMPARE(rig.Backups().size(), 1);
        QVERIFY(rig.Dialogs.Messages.isEmpty());
    }

    void skippedOrSwitchedOffTheResetGoesAtOnce_data() {
        QTest::addColumn<bool>("switchedOff");
        QTest::newRow("skipped in the progress dialog") << false;
        QTest::newRow("switched off in the load window") << true;
    }
    void skippedOrSwitchedOffTheResetGoesAtOnce() {
        QFETCH(bool, switchedOff);
        TRig rig;
        QVERIFY(rig.Panel.Connect());
        if (switchedOff) {
            TWndLoadSettings* load = OpenTaskWindow(WndLoadSettings);
            load->AutoBackupBox->setChecked(false);
            QCOMPARE(rig.Prefs.Keys.value("BACKUP/Enabled"), QVariant(false));
            load->close();
        }
        bool dialogSeen = false;
        QTimer skipper;
        connect(&skipper, &QTimer::timeout, [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* p = qobject_cast<QProgressDialog*>(w); p && p->isVisible()) {
                    dialogSeen = true;
                    p->cancel();
                }
        });
        skipper.start(0);
        rig.Send("reset imu");
        QCOMPARE(dialogSeen, !switchedOff);
        QVERIFY(rig.Backups().isEmpty());
        QVERIFY(rig.Dialogs.Questions.isEmpty());
        QByteArrayList executed;
        QTRY_VERIFY((executed += rig.Panel.TakeBoardLines()).contains("reset imu"));
    }
};

VANTOR_TEST_MAIN(TestRestore)
#include "tst_restore.moc"
