// The ways back, against the simulated board through the real worker.
// An export loaded back restores the board, also with every stream on.
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
#include "archive/ConfigLoad.h"
#include "archive/WndLoadSettingsUnit.h"
#include "parameters/JournalRecorder.h"
#include "settings/WinOSDControlsUnit.h"
#include "shell/WinDebugMonUnit.h"
#include "sim/Telemetry.h"
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
#include <QTimeZone>
#include <QTimer>
#include <optional>

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

TBoardState Snapshot(TTestPanel& panel) {
    TBoardState s;
    panel.WithBoard([&](TBoardSim& sim) { s = sim.State(); });
    return s;
}

// Every part of the state an export carries (mixers 1 to 5 are not).
void CompareExported(const TBoardState& got, const TBoardState& want) {
    QCOMPARE(got.Groups, want.Groups);
    QVERIFY(got.Inputs == want.Inputs);
    QVERIFY(got.Outputs == want.Outputs);
    for (int m = 5; m < want.Mixers.size(); ++m)
        QVERIFY2(got.Mixers[m] == want.Mixers[m], qPrintable(QString("mixer %1").arg(m + 1)));
    QCOMPARE(got.Waypoints.keys(), want.Waypoints.keys());
    for (int k : want.Waypoints.keys()) {
        QCOMPARE(got.Waypoints[k].Lat, want.Waypoints[k].Lat);
        QCOMPARE(got.Waypoints[k].Lon, want.Waypoints[k].Lon);
        QCOMPARE(got.Waypoints[k].Alt, want.Waypoints[k].Alt);
    }
}

TRunHooks Hooks() {
    TRunHooks h;
    h.Mode = TWaitMode::ProcessEvents;
    return h;
}
} // namespace

namespace {
// The load's end message: done, and every setting read back as sent.
bool LoadedAndVerified(const QStringList& messages) {
    static const QRegularExpression all("^Загрузка конфигурации завершена\nПроверено чтением с "
                                        "платы: совпадают ([1-9][0-9]*) из \\1 параметров\\.$");
    return messages.size() == 1 && all.match(messages[0]).hasMatch();
}
} // namespace

class TestRestore : public QObject {
    Q_OBJECT
private slots:
    // An export loaded back restores every part of the board it carries.
    // With every stream on and a board that runs telemetry straight into its
    // prompt ("=>$GYRO:..."), a listing, the export and a load read each
    // answer to its own prompt all the same.
    void exportChangeLoadRestoresTheBoardAlsoUnderStreams() {
        TSimOptions options;
        options.PromptThenTelemetry = true;
        for (const QByteArray& s : TTelemetry::Streams())
            options.StreamPeriodMs.insert(s, 20);
        TTestPanel panel(options);
        QVERIFY(panel.Connect());
        QTemporaryDir dir;
        const QString quiet = dir.filePath("quiet.cfg"), busy = dir.filePath("busy.cfg");
        QVERIFY(ExportConfig(panel.Link(), quiet, {}).Ok());
        const TBoardState before = Snapshot(panel);
        panel.WithBoard([](TBoardSim& sim) {
            TBoardState& s = sim.State();
            for (auto& group : s.Groups)
                for (auto& p : group)
                    p.second = p.second.contains(',') ? "1,1" : "7";
            for (TChannelRow& r : s.Inputs)
                r = {1, 2, 900, 1400, 2100};
            for (TChannelRow& r : s.Outputs)
                r = {3, 4, 950, 1450, 2050};
            for (TMixerRow& m : s.Mixers)
                m = TMixerRow{{9, 8, 7, 6, 5}};
            for (TWaypoint& w : s.Waypoints)
                w = {"1.0", "2.0", "3"};
        });
        const TArchiveResult loaded = LoadConfig(panel.Link(), quiet, [](int) { return true; }, {});
        QVERIFY(loaded.Ok());
        // Every body line of the file went out.
        int body = 0;
        for (const QByteArray& l : SplitFileLines(ReadAll(quiet)))
            body += l.startsWith("set ");
        QCOMPARE(loaded.Lines, body);
        CompareExported(Snapshot(panel), before);

        TRequest on;
        for (const QByteArray& s : TTelemetry::Streams())
            on.Commands << "mon on " + s + "\r\n";
        QVERIFY(panel.Link().Request(on).Ok());
        QTRY_VERIFY(!panel.Link().StabData().isEmpty());
        QByteArrayList listed;
        panel.WithBoard([&](TBoardSim& sim) {
            for (const auto& p : sim.Group("batteries"))
                listed << p.first + " = " + p.second;
        });
        QCOMPARE(Exchange(panel.Link(), "cat batteries"), listed);
        QVERIFY(ExportConfig(panel.Link(), busy, {}).Ok());
        QCOMPARE(ReadAll(busy), ReadAll(quiet));
        panel.WithBoard([](TBoardSim& sim) {
            for (auto& p : sim.State().Groups["batteries"])
                p.second = "7";
            sim.State().Inputs[3] = {1, 2, 900, 1400, 2100};
        });
        const int bat = LoadSectionByBox("bat"), in = LoadSectionByBox("control_in");
        QVERIFY(
            LoadConfig(panel.Link(), busy, [&](int s) { return s == bat || s == in; }, {}).Ok());
        CompareExported(Snapshot(panel), before);
    }

    void resetFromOsdWindowLeavesTheStateBeforeIt() {
        TRig rig;
        QVERIFY(rig.Panel.Connect());
        // The change journal tells the story of the windows' work.
        TJournal journal;
        QVERIFY(journal.Open(rig.Dir.filePath("journal.sqlite")));
        TJournalRecorder recorder(rig.Panel.Link(), journal);
        QObject::connect(&TAutoBackup::Instance(), &TAutoBackup::BackupWritten, &recorder,
                         &TJournalRecorder::NoteBackup);
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
        const QString osdTitle = osd->windowTitle();
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
        QVERIFY(LoadedAndVerified(rig.Dialogs.Messages));
        QCOMPARE(rig.Panel.BoardValue("osd", "osd_left_offset"), "12");
        QCOMPARE(rig.Panel.BoardValue("osd", "osd_lang"), "0");
        // The load made its own backup first, listed at the top.
        QCOMPARE(load->BackupList->count(), 2);
        QVERIFY(load->BackupList->item(0)->text().endsWith("— перед загрузкой"));
        QCOMPARE(rig.Dialogs.Questions, QStringList{});
        load->close();

        QStringList story;  // kind|origin of the rows of their own, oldest first
        QStringList offset; // the rows of osd_left_offset
        for (const TJournalRow& r : journal.Rows({})) {
            if (r.Name == "osd_left_offset")
                offset.prepend(
                    QString("%1|%2>%3>%4|%5").arg(r.Origin, r.Before, r.Sent, r.After, r.Outcome));
            else if (r.Kind != JournalKind::Change && r.Kind != JournalKind::Outside)
                story.prepend(r.Kind + "|" + r.Origin);
        }
        const QString from = "Загрузка: " + QFileInfo(backup).fileName();
        QCOMPARE(story, (QStringList{"backup|Автоматическая копия перед командой «reset osd»",
                                     "reset|" + osdTitle,
                                     "backup|Автоматическая копия перед загрузкой конфигурации",
                                     "load|" + from}));
        QCOMPARE(offset, (QStringList{"Панель|>12>12|verified", "После сброса|12>>46|done",
                                      from + "|46>12>12|verified"}));
    }

    // The load reads its file before anything else: a missing or unreadable
    // one ends with the file's message, no backup and nothing to the board.
    void loadOfAFileItCannotReadAsksTheBoardNothing_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("says");
        QTest::newRow("missing") << "missing.cfg"
                                 << "Не задан файл для загрузки";
        QTest::newRow("unreadable, even by root") << "/proc/sys/vm/compact_memory"
                                                  << "Не удалось прочитать файл";
    }
    void loadOfAFileItCannotReadAsksTheBoardNothing() {
        QFETCH(QString, file);
        QFETCH(QString, says);
        TRig rig;
        QVERIFY(rig.Panel.Connect());
        TWndLoadSettings* load = OpenTaskWindow(WndLoadSettings);
        load->FileName->setText(QDir(rig.Dir.path()).filePath(file));
        rig.Panel.TakeBoardLines();
        load->BitBtn1Click();
        QVERIFY((rig.Dialogs.Messages + rig.Dialogs.Errors).join('|').contains(says));
        Exchange(rig.Panel.Link(), "ver"); // the sentinel is the first line the board gets
        QCOMPARE(rig.Panel.TakeBoardLines(), QByteArrayList{"ver"});
        QVERIFY(rig.Backups().isEmpty());
        load->close();
    }

    // A load the board partly refuses: read back, reported line by line, and
    // "Повторить" sends the differing lines again.
    void loadTheBoardPartlyRefusesIsReportedLineByLine() {
        TRig rig;
        QVERIFY(rig.Panel.Connect());
        TAutoBackup::Instance().SetEnabled(false);
        const QString file = rig.Dir.filePath("partly.cfg");
        WriteAll(file, "##### BEGIN STAB #####\r\nset gaz_cruise 5000\r\nset nosuch 1\r\n"
                       "set gaz_minimum 20\r\n##### END STAB #####\r\n");
        TWndLoadSettings* load = OpenTaskWindow(WndLoadSettings);
        load->FileName->setText(file);
        for (QCheckBox* b : load->Boxes)
            b->setChecked(b->objectName() == "stab");
        rig.Dialogs.Answers = {0, 1}; // "Повторить", then "Закрыть"
        load->BitBtn1Click();
        QCOMPARE(rig.Dialogs.Questions.size(), 2);
        const QString& first = rig.Dialogs.Questions[0];
        for (const char* says :
             {"совпадают 1 из 3 параметров",
              "Плата отказалась принять строки (1):\n  set nosuch "
              "1 — ответ платы: Unknown parameter nosuch",
              "Не совпадают с отправленным (2):\n  set gaz_cruise 5000 — на плате: set "
              "gaz_cruise 1023\n  set nosuch 1 — плата такой настройки не показывает"})
            QVERIFY2(first.contains(QString::fromUtf8(says)), qPrintable(first));
        QVERIFY(rig.Dialogs.Questions[1].startsWith("Повтор: плата приняла не всё."));
        const QByteArrayList sent = rig.Panel.TakeBoardLines();
        QCOMPARE(std::count_if(sent.begin(), sent.end(),
                               [](const QByteArray& l) { return l.startsWith("set "); }),
                 5); // three, then the two again
        QCOMPARE(rig.Panel.BoardValue("stab", "gaz_minimum"), "20");
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
        QVERIFY(LoadedAndVerified(rig.Dialogs.Messages));
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
        // Temporary files of backups: one a killed run left an hour ago goes,
        // one being written now stays.
        QFile stale(QDir(rig.Folder()).filePath(old[3] + ".x7Kq2Z"));
        QFile fresh(QDir(rig.Folder()).filePath(old[4] + ".b9Jw0P"));
        QVERIFY(stale.open(QIODevice::WriteOnly) && fresh.open(QIODevice::WriteOnly));
        QVERIFY(stale.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                                  QFileDevice::FileModificationTime));
        const QString spare = spareOldest ? QDir(rig.Folder()).filePath(old[0]) : QString();
        QVERIFY(TAutoBackup::Instance().BeforeChange(rig.Panel.Link(), "load", spare));
        QVERIFY(!stale.exists() && fresh.exists());

        const QStringList now = rig.Backups();
        QVERIFY(now.first().endsWith("_load.cfg"));
        QCOMPARE(now.size(), 20);
        QCOMPARE(now.contains(old[0]), spareOldest);
        QCOMPARE(now.contains(old[1]), !spareOldest);
        QVERIFY(notes.exists()); // not a backup: never touched
    }

    // Names carry UTC. Across the autumn clock change (02:30 summer time,
    // then 02:10 winter time, forty minutes later) the later backup is
    // listed first and outlives the pruning; a local-time name, as earlier
    // versions wrote them, sorts by its moment among them (the oldest goes).
    void backupsSortByTheirMomentAcrossTheClockChange() {
        QTemporaryDir dir;
        const TBackupStore store(dir.path());
        const QDate day(2025, 10, 26);
        QVERIFY(WriteAll(store.NewPath(QDateTime(day, QTime(2, 30), QTimeZone(7200)), "load"), ""));
        QVERIFY(
            WriteAll(store.NewPath(QDateTime(day, QTime(2, 10), QTimeZone(3600)), "reset"), ""));
        QVERIFY(WriteAll(dir.filePath("2025-10-25_00-00-00-000_load.cfg"), ""));
        store.Prune(2);
        QStringList names;
        for (const TBackupStore::TEntry& e : store.List())
            names << QFileInfo(e.Path).fileName();
        QCOMPARE(names, (QStringList{"2025-10-26_01-10-00-000Z_reset.cfg",
                                     "2025-10-26_00-30-00-000Z_load.cfg"}));
    }

    // A reset without a backup: the operator skips it in the progress
    // dialog, has switched backups off in the load window, or answers the
    // question a silent board brings. No backup, no half file; the reset
    // goes unless he said "Отмена".
    void resetWithoutABackup_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("resetSent");
        QTest::newRow("skipped in the progress dialog") << "skip" << true;
        QTest::newRow("switched off in the load window") << "off" << true;
        QTest::newRow("silent board, Продолжить") << "silent" << true;
        QTest::newRow("silent board, Отмена") << "silent" << false;
        QTest::newRow("silent board before a load, Отмена") << "silent load" << false;
        QTest::newRow("full disk, Продолжить") << "full" << true;
    }
    void resetWithoutABackup() {
        QFETCH(QString, how);
        QFETCH(bool, resetSent);
        TSimOptions o;
        if (how.startsWith("silent"))
            o.Faults.SilenceAfterCommand = "echo off"; // takes commands, answers nothing
        TRig rig(o);
        QVERIFY(rig.Panel.Connect());
        if (how == "off") {
            TWndLoadSettings* load = OpenTaskWindow(WndLoadSettings);
            load->AutoBackupBox->setChecked(false);
            QCOMPARE(rig.Prefs.Keys.value("BACKUP/Enabled"), QVariant(false));
            load->close();
        }
        rig.Dialogs.Answers << (resetSent ? 0 : 1);
        bool dialogSeen = false;
        QTimer skipper;
        connect(&skipper, &QTimer::timeout, [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* p = qobject_cast<QProgressDialog*>(w); p && p->isVisible()) {
                    dialogSeen = true;
                    p->cancel();
                }
        });
        if (how == "skip" || how == "off")
            skipper.start(0);
        std::optional<TFullDisk> full;
        if (how == "full")
            full.emplace();
        if (how == "silent load")
            QVERIFY(!TAutoBackup::Instance().BeforeChange(rig.Panel.Link(), "load"));
        else
            Exchange(rig.Panel.Link(), "reset osd", 1000, TWaitMode::ProcessEvents);
        full.reset();
        QCOMPARE(dialogSeen, how == "skip");
        const QString asked = rig.Dialogs.Questions.join('|');
        QCOMPARE(rig.Dialogs.Questions.size(), how.startsWith("silent") || how == "full" ? 1 : 0);
        QCOMPARE(asked.contains("Плата не отвечает"), how.startsWith("silent"));
        QCOMPARE(asked.contains("Ошибка записи в файл") && asked.contains("File too large"),
                 how == "full");
        // The load's question is Russian throughout: no Latin word in it but
        // in a file's path.
        QVERIFY2(how != "silent load" || !QString(asked)
                                              .remove(QRegularExpression("\\S*/\\S*"))
                                              .contains(QRegularExpression("[A-Za-z]")),
                 qPrintable(asked));
        QVERIFY(rig.Backups().isEmpty());
        QVERIFY(QDir(rig.Folder()).entryList(QDir::Files).isEmpty()); // no half file
        // A line after it, sent as typed: once the board has that, a reset
        // sent before would show.
        TRequest sentinel;
        sentinel.Commands = {"ver\r\n"};
        sentinel.Raw = true;
        sentinel.SilenceMs = 300;
        rig.Panel.Link().Request(sentinel);
        QByteArrayList executed;
        QTRY_VERIFY((executed += rig.Panel.TakeBoardLines()).contains("ver"));
        QCOMPARE(executed.contains("reset osd"), resetSent);
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
            // The run's own exchange gets its own answer, and nothing went before it.
            QVERIFY(Exchange(rig.Panel.Link(), "ver").join().contains("version"));
            QVERIFY(rig.Backups().isEmpty());
        }
        QByteArrayList executed;
        QTRY_VERIFY_WITH_TIMEOUT((executed += rig.Panel.TakeBoardLines()).contains("reset osd"),
                                 10000);
        QCOMPARE(executed.mid(0, 2), (QByteArrayList{"ver", "cat stab"})); // then the backup
        QCOMPARE(rig.Backups().size(), 1);
        QVERIFY(rig.Dialogs.Messages.isEmpty());
    }
};

VANTOR_TEST_MAIN(TestRestore)
#include "tst_restore.moc"
