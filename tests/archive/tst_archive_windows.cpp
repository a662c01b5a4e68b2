// The archive windows as the operator uses them, against a scripted board:
// the lines that reach the board, the files written, the messages shown, and
// what a silent board, a pulled cable, a stop or a close leave behind.

#include "KnownBoard.h"
#include "ScriptedDialogs.h"
#include "ScriptedPanel.h"
#include "TestMain.h"
#include "TestSupport.h"
#include "archive/ArchiveWidgets.h"
#include "archive/WinBackupConfigUnit.h"
#include "archive/WinExportLogsUnit.h"
#include "archive/WinMemsCalibrateUnit.h"
#include "archive/WinSaveSettingsUnit.h"
#include "archive/WndLoadSettingsUnit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>

namespace {
void Click(QAbstractButton* b) {
    QTest::mouseClick(b, Qt::LeftButton);
}

// Clicks `b` from the event loop, so that a test can act while the run the
// click starts is still going.
void ClickLater(QAbstractButton* b, int ms = 0) {
    QTimer::singleShot(ms, b, [b] { b->click(); });
}

// A scripted panel whose windows show, so a test can see what is visible.
struct TShownPanel : TScriptedPanel {
    explicit TShownPanel(IClock* clock = nullptr) : TScriptedPanel(clock) { Area().show(); }
};

QLabel* Counter(QWidget* w) {
    return w->findChild<QLabel*>("secCount");
}
} // namespace

class TestArchiveWindows : public QObject {
    Q_OBJECT
private slots:
    void exportWritesGoldenFileAndReportsCompletion() {
        TShownPanel panel;
        FillKnownBoard(panel.Board);
        TScriptedDialogs dialogs;
        QTemporaryDir dir;
        const QString path = dir.filePath("backup.cfg");
        WriteAll(path, OldFile);
        TWinBackupConfig* w = OpenTaskWindow(WinBackupConfig);
        QVERIFY(panel.Board.Commands().isEmpty()); // opening sends nothing
        dialogs.SaveNames << path;
        Click(w->SpeedButton1);
        QCOMPARE(w->FileName->text(), path);
        bool disabledWhileRunning = false;
        QString counterDuringRun;
        panel.Board.connect(&panel.Link(), &TBoardLink::CommandSent, [&] {
            disabledWhileRunning = !w->BitBtn1->isEnabled();
            counterDuringRun = Counter(w)->isVisible() ? Counter(w)->text() : "hidden";
        });
        Click(w->BitBtn1);
        QCOMPARE(dialogs.Messages, QStringList{"Выгрузка конфигурации завершена"});
        QCOMPARE(ReadAll(path), ReadAll(QFINDTESTDATA("data/golden_export.cfg")));
        QCOMPARE(panel.Board.Commands(),
                 (QByteArrayList{"cat stab", "cat wp", "cat osd", "cat imu", "cat adc_settings",
                                 "cat batteries", "cat gyro", "cat mag", "cat control in",
                                 "cat control out", "cat control mixers"}));
        QVERIFY(disabledWhileRunning);
        QCOMPARE(counterDuringRun, QString("24")); // 23 lines counted before the mixers
        QVERIFY(!Counter(w)->isVisible());
        QVERIFY(w->BitBtn1->isEnabled());
        w->close();
    }

    // Without a usable file nothing reaches the board and the operator is told.
    void runWithoutUsableFileSendsNothing() {
        TShownPanel panel;
        TScriptedDialogs dialogs;
        TWinBackupConfig* w = OpenTaskWindow(WinBackupConfig);
        dialogs.SaveNames << "";
        Click(w->SpeedButton1); // cancelled dialog leaves the name empty
        Click(w->BitBtn1);
        // A file that cannot be created: the counter never shows.
        w->FileName->setText("/nonexistent/dir/backup.cfg");
        Click(w->BitBtn1);
        TWndLoadSettings* load = OpenTaskWindow(WndLoadSettings);
        load->FileName->setText("/nonexistent/file.cfg");
        Click(load->BitBtn1);
        QCOMPARE(dialogs.Messages,
                 (QStringList{"Не задан файл для выгрузки", "Не задан файл для загрузки"}));
        QCOMPARE(dialogs.Errors.size(), 1);
        QVERIFY(dialogs.Errors[0].startsWith("Не удалось создать файл"));
        QVERIFY(!Counter(w)->isVisible());
        QVERIFY(panel.Board.Commands().isEmpty());
    }

    void closingDuringExportCancelsQuietly() {
        TShownPanel panel;
        FillKnownBoard(panel.Board);
        panel.Board.SetSilentAfter(2);
        TScriptedDialogs dialogs;
        QTemporaryDir dir;
        const QString path = dir.filePath("backup.cfg");
        WriteAll(path, OldFile);
        TWinBackupConfig* w = OpenTaskWindow(WinBackupConfig);
        w->FileName->setText(path);
        QTimer::singleShot(100, w, [w] { w->close(); });
        Click(w->BitBtn1);
        QTRY_VERIFY(WinBackupConfig.isNull());
        QVERIFY(dialogs.Messages.isEmpty() && dialogs.Errors.isEmpty());
        QCOMPARE(ReadAll(path), OldFile);
    }

    void loadSendsCheckedSectionsOnly() {
        TShownPanel panel;
        TScriptedDialogs dialogs;
        TWndLoadSettings* w = OpenTaskWindow(WndLoadSettings);
        dialogs.OpenNames << QFINDTESTDATA("data/golden_export.cfg");
        Click(w->SpeedButton1);
        w->findChild<QCheckBox*>("wp")->setChecked(true);
        w->VerifyBox->setChecked(false); // no read-back: only the file's lines reach the board
        QString counterAtLastLine = "0";
        panel.Board.connect(&panel.Link(), &TBoardLink::CommandSent,
                            [&] { counterAtLastLine = Counter(w)->text(); });
        Click(w->BitBtn1);
        QCOMPARE(panel.Board.Commands(),
                 (QByteArrayList{"set wp 1 55.7512 37.6184 120", "set wp 2 55.7601 37.6302 150, 5",
                                 "set wp 03   home"}));
        QCOMPARE(counterAtLastLine, "4");
        QCOMPARE(dialogs.Messages, QStringList{"Загрузка конфигурации завершена"});
        w->close();
    }

    void loadCutShortSaysHowFarItGot_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("stop button") << "stop";
        QTest::newRow("Отмена") << "cancel";
        QTest::newRow("window closed") << "close";
    }
    void loadCutShortSaysHowFarItGot() {
        QFETCH(QString, how);
        TShownPanel panel;
        TScriptedDialogs dialogs;
        panel.Board.SetSilentAfter(0); // each line waits its second for a prompt
        QPointer<TWndLoadSettings> w = OpenTaskWindow(WndLoadSettings);
        w->FileName->setText(QFINDTESTDATA("data/golden_export.cfg"));
        w->findChild<QCheckBox*>("control_mix")->setChecked(true);
        if (how == "stop")
            ClickLater(w->Run->StopButton, 300);
        else if (how == "cancel")
            ClickLater(w->BitBtn2, 300);
        else
            QTimer::singleShot(300, w, [w] { w->close(); });
        Click(w->BitBtn1);
        QCOMPARE(panel.Board.Commands(), QByteArrayList{"set mix 6 1 1"});
        QCOMPARE(dialogs.Messages.size(), 1);
        QVERIFY(dialogs.Messages[0].contains("Отправлено строк: 1."));
        QVERIFY(dialogs.Messages[0].contains("загружена частично"));
        if (how == "stop")
            w->close();
        QTRY_VERIFY(!w);
    }

    void saveSendsExactlyTheCheckedCommands_data() {
        QTest::addColumn<bool>("config");
        QTest::addColumn<bool>("controls");
        QTest::addColumn<QByteArrayList>("sent");
        QTest::newRow("both") << true << true << QByteArrayList{"save config", "save controls"};
        QTest::newRow("controls") << false << true << QByteArrayList{"save controls"};
        QTest::newRow("none") << false << false << QByteArrayList{};
    }
    void saveSendsExactlyTheCheckedCommands() {
        QFETCH(bool, config);
        QFETCH(bool, controls);
        TShownPanel panel;
        TWinSaveSettings* w = OpenTaskWindow(WinSaveSettings);
        w->CheckBox1->setChecked(config);
        w->CheckBox2->setChecked(controls);
        Click(w->BitBtn1);
        QTEST(panel.Board.Commands(), "sent");
        QTRY_VERIFY(WinSaveSettings.isNull());
    }

    void logsListFlightsAndDumpTheChosenOne() {
        TShownPanel panel;
        TScriptedDialogs dialogs;
        // A board that answers late is waited for.
        panel.Board.SetAnswer("log dir", {"flight_id_min = 3", "flight_id_max = 7"}, true, 5000);
        panel.Board.SetAnswer("log dump 5", {"time;alt", "", "  1.25;100.5 ", "   ", "2.5;101"});
        QTemporaryDir dir;
        const QString path = dir.filePath("flight.csv");
        WriteAll(path, OldFile);
        TWinExportLogs* w = OpenTaskWindow(WinExportLogs);
        QVERIFY(w->ReadingFlights());
        QCOMPARE(w->FlightNumber->placeholderText(), "Чтение списка полётов…");
        QVERIFY(!w->BitBtn1->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(!w->ReadingFlights(), 8000);
        QStringList entries;
        for (int i = 0; i < w->FlightNumber->count(); ++i)
            entries << w->FlightNumber->itemText(i);
        QCOMPARE(entries,
                 (QStringList{"Полет № 7", "Полет № 6", "Полет № 5", "Полет № 4", "Полет № 3"}));
        QCOMPARE(w->FlightNumber->currentIndex(), 0);
        QVERIFY(w->ReplacePoints->isChecked());
        w->FlightNumber->setCurrentIndex(2);
        dialogs.SaveNames << path;
        Click(w->SpeedButton1);
        Click(w->BitBtn1);
        QCOMPARE(panel.Board.Commands(), (QByteArrayList{"log dir", "log dump 5"}));
        QCOMPARE(ReadAll(path), QByteArray("time;alt\r\n1,25;100,5\r\n2,5;101\r\n"));
        QCOMPARE(dialogs.Messages, QStringList{"Выгрузка завершена"});
        w->ReplacePoints->setChecked(false);
        Click(w->BitBtn1);
        QCOMPARE(ReadAll(path), QByteArray("time;alt\r\n1.25;100.5\r\n2.5;101\r\n"));
        w->close();
    }

    void logsWindowOpensWhenBoardGivesNoFlights_data() {
        QTest::addColumn<QByteArrayList>("answer");
        QTest::addColumn<bool>("silent");
        QTest::addColumn<QString>("error");
        QTest::newRow("silent board") << QByteArrayList{} << true << "Плата не отвечает";
        QTest::newRow("bad number")
            << QByteArrayList{"flight_id_max = 7x"} << false << "Непонятный ответ платы: '7x'";
    }
    void logsWindowOpensWhenBoardGivesNoFlights() {
        QFETCH(QByteArrayList, answer);
        QFETCH(bool, silent);
        QFETCH(QString, error);
        TShownPanel panel;
        TScriptedDialogs dialogs;
        panel.Board.SetAnswer("log dir", answer);
        panel.Board.SetSilentAfter(silent ? 0 : -1);
        TWinExportLogs* w = OpenTaskWindow(WinExportLogs);
        QVERIFY(w);
        QTRY_VERIFY_WITH_TIMEOUT(!w->ReadingFlights(), 15000);
        QCOMPARE(dialogs.Errors.size(), 1);
        QVERIFY2(dialogs.Errors[0].startsWith(error), qPrintable(dialogs.Errors[0]));
        QCOMPARE(w->FlightNumber->count(), 0);
        w->FileName->setText(QDir::temp().filePath("never.csv"));
        Click(w->BitBtn1);
        QCOMPARE(dialogs.Messages, QStringList{"Плата не сообщила ни одного полета"});
        QCOMPARE(panel.Board.Commands(), QByteArrayList{"log dir"});
        w->close();
    }

    void calibrationOpensWithBiasValuesAndApplies() {
        TShownPanel panel;
        panel.Board.SetAnswer("cat mag", {"Mag_Bias_X = 12", "mag_bias_y = -3", "other = 1"});
        panel.Board.SetAnswer("cat gyro", {"gyro_bias_z = 0.5"});
        TWinMemsCalibrate* w = OpenTaskWindow(WinMemsCalibrate);
        QCOMPARE(panel.Board.Commands(), (QByteArrayList{"cat mag", "cat gyro"}));
        QCOMPARE(w->Mag_bias_X->text(), QString("12"));
        QCOMPARE(w->Gyro_bias_X->text(), QString("0"));
        QCOMPARE(w->Gyro_bias_Z->text(), QString("0.5"));
        panel.Board.TakeSent();
        Click(w->BitBtn2);
        QVERIFY(panel.Board.Commands().isEmpty()); // nothing edited
        w->Mag_bias_X->setText("12,75");
        Click(w->BitBtn2);
        QCOMPARE(panel.Board.Commands(), QByteArrayList{"set mag_bias_x 12.75"});
        Click(w->BitBtn2);
        QCOMPARE(panel.Board.Commands().size(), 1);
        TScriptedDialogs dialogs;
        Click(w->SpeedButton4);
        QCOMPARE(panel.Board.Commands().last(), QByteArray("save ref"));
        QCOMPARE(dialogs.Messages, QStringList{"Выполнено"});
        w->close();
    }

    void magCalibrationShowsExtremesThenSaves() {
        TManualClock clock;
        TShownPanel panel(&clock);
        // The board repeats its extremes, as a real one does; those of the
        // first second are dropped (each reading of the clock moves it on
        // 100 ms, so the k-th line comes at k * 100 ms).
        const QByteArray early = "x_max=1 x_min=-1 y_max=1 y_min=-1 z_max=1 z_min=-1";
        const QByteArray late = "x_max=10 x_min=-11 y_max=12 y_min=-13 z_max=14 z_min=-15";
        panel.Board.SetAnswer("cal mag", QByteArrayList(9, early) + QByteArrayList(3, late), false);
        panel.Board.SetAnswer("cal mag_save", {"x_max=9 x_min=-9 y_max=8 y_min=-8 z_max=7 z_min=-7",
                                               "mag_bias_x = 44", "mag_bias_z = -2"});
        TWinMemsCalibrate* w = OpenTaskWindow(WinMemsCalibrate);
        panel.Board.TakeSent();
        clock.SetAutoStep(100);
        bool shownDuringRun = false;
        QTimer finisher; // "Завершить" once the board's extremes show
        connect(&finisher, &QTimer::timeout, [&] {
            if (w->Extremes[0]->text() == "1" || w->Extremes[0]->text() == "10") {
                shownDuringRun = w->Label9->isVisible() && w->Extremes[0]->isVisible() &&
                                 w->Extremes[0]->text() == "10" &&
                                 w->Extremes[5]->text() == "-15" && !w->SpeedButton1->isEnabled();
                w->SpeedButton3->click();
            }
        });
        finisher.start(10);
        Click(w->SpeedButton2);
        QVERIFY(shownDuringRun);
        QCOMPARE(panel.Board.Commands(), (QByteArrayList{"cal mag", "cal mag_save"}));
        QCOMPARE(w->Mag_bias_X->text(), QString("44"));
        QCOMPARE(w->Mag_bias_Z->text(), QString("-2"));
        QVERIFY(!w->Label9->isVisible());
        QVERIFY(!w->Extremes[3]->isVisible());
        QVERIFY(!w->Calibrating());
        w->close();
        QTRY_VERIFY(WinMemsCalibrate.isNull());
        QCOMPARE(panel.Board.Commands().size(), 2); // no cancel after a saved calibration
    }

    void closingDuringMagCalibrationCancelsOnce() {
        TShownPanel panel;
        TScriptedDialogs dialogs;
        TWinMemsCalibrate* w = OpenTaskWindow(WinMemsCalibrate);
        panel.Board.TakeSent();
        // A quiet board: the window says so and the calibration goes on.
        QString note;
        QTimer::singleShot(4500, w, [w, &note] {
            note = w->MagQuietNote->isVisible() ? w->MagQuietNote->text() : QString();
            w->close();
        });
        Click(w->SpeedButton2);
        QTRY_VERIFY(WinMemsCalibrate.isNull());
        QVERIFY2(note.startsWith("Нет данных от платы "), qPrintable(note));
        QCOMPARE(panel.Board.Commands(), (QByteArrayList{"cal mag", "cal mag_cancel"}));
        QVERIFY(dialogs.Messages.isEmpty() && dialogs.Errors.isEmpty());
    }

    void closingAfterBoardEndedCalibrationStillCancels() {
        TManualClock clock;
        TShownPanel panel(&clock);
        // The board ends the loop with a prompt past the dropped first second
        // (each reading of the clock moves it on 100 ms).
        panel.Board.SetAnswer("cal mag", QByteArrayList(12, "x_max=1"));
        TWinMemsCalibrate* w = OpenTaskWindow(WinMemsCalibrate);
        panel.Board.TakeSent();
        clock.SetAutoStep(100);
        Click(w->SpeedButton2);
        QCOMPARE(panel.Board.Commands(), (QByteArrayList{"cal mag", "cal mag_save"}));
        QVERIFY(w->Calibrating());
        w->close();
        QTRY_VERIFY(WinMemsCalibrate.isNull());
        QCOMPARE(panel.Board.Commands().last(), QByteArray("cal mag_cancel"));
    }

    void secondRunWaitsForTheFirst() {
        TShownPanel panel;
        TScriptedDialogs dialogs;
        TWinMemsCalibrate* cal = OpenTaskWindow(WinMemsCalibrate);
        TWinBackupConfig* exp = OpenTaskWindow(WinBackupConfig);
        exp->FileName->setText(QDir::temp().filePath("never.cfg"));
        panel.Board.TakeSent();
        QTimer::singleShot(300, exp->BitBtn1, [exp] { exp->BitBtn1->click(); });
        QTimer::singleShot(600, cal->SpeedButton3, [cal] { cal->SpeedButton3->click(); });
        Click(cal->SpeedButton2);
        QCOMPARE(dialogs.Messages.value(0), QString("Дождитесь окончания выполняемой операции"));
        QVERIFY(!panel.Board.Commands().contains("cat stab"));
        cal->close();
        exp->close();
    }
};

VANTOR_TEST_MAIN(TestArchiveWindows)
#include "tst_archive_windows.moc"
