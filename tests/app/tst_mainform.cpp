// The main window as the operator uses it: start-up, the connect dialog and
// handshake against the simulated board (in-process on a memory wire, and
// once the real simulator program on a pty), the settings file, the link's
// states, closing, a pulled cable, the port monitor and the About box.

#include "PanelRig.h"
#include "TestMain.h"
#include "TestSupport.h"
#include "app/DlgConnectUnit.h"
#include "app/MAIN.h"
#include "archive/AutoBackupUnit.h"
#include "archive/WndLoadSettingsUnit.h"
#include "link/Proc.h"
#include "settings/WinImuSettingsUnit.h"
#include "settings/WinStabControlUnit.h"
#include "shell/WinDebugMonUnit.h"
#include "ui/TaskWindow.h"
#include "ui/UnsavedChanges.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

namespace {
const QStringList DeviceActions = {
    "ActionDebugWin",     "ActionIMU_Settings", "ActionChannelControls", "Action_OSD_Settings",
    "ActionADCSettings",  "ActionBatParams",    "ActionStabControls",    "ActionWinHardConfig",
    "ActionExportConfig", "ActionLoadConfig",   "ActionExportLogs",      "ActionCalibrate",
    "ActionSaveSettings", "ActionMonGyro",      "ActionMonAccel",        "ActionMonBaro",
    "ActionMonMag",       "ActionMonStab",      "ActionMonImu",          "ActionMonGps",
    "ActionAllParams"};
const QStringList AlwaysActions = {
    "HelpAbout1",          "FileExitItem",       "WindowCascade1",    "WindowTileHorizontal1",
    "WindowTileVertical1", "WindowMinimizeAll1", "WindowArrangeAll1", "ActionViewLog",
    "ActionJournal"};

// A task window that can be held busy, as a long operation holds it.
class TWinProbe : public TTaskWindow {
public:
    TWinProbe() { resize(300, 200); }
    void SetBusy(bool busy) { busy ? BeginBusy() : EndBusy(); }
};
QPointer<TWinProbe> WinProbe;

QStringList Sorted(QStringList l) {
    l.sort();
    return l;
}
} // namespace

class TestMainForm : public QObject {
    Q_OBJECT
private slots:
    void startShowsTheStoredOrDefaultConnection_data() {
        QTest::addColumn<QString>("stored"); // settings file text; empty: no file
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("first start, no settings file")
            << QString() << QStringList{DefaultPortName, "115200", "checked"};
        QTest::newRow("stored connection")
            << "[CONNECT]\nPort=/dev/ttyACM3\nPortSpeed=9600\nOpenDebugMon=0\n"
            << QStringList{"/dev/ttyACM3", "9600", "unchecked"};
        QTest::newRow("monitor flag other than 1 means no monitor")
            << "[CONNECT]\nOpenDebugMon=2\n"
            << QStringList{DefaultPortName, "115200", "unchecked"};
    }
    void startShowsTheStoredOrDefaultConnection() {
        QFETCH(QString, stored);
        QFETCH(QStringList, shown);
        TPanelRig rig;
        if (!stored.isEmpty()) {
            QFile f(rig.SettingsFile());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(stored.toUtf8());
        }
        rig.Accept = false;
        TMainForm& form = rig.Start(/*autoConnect=*/true);
        QTRY_COMPARE(rig.DialogFields, shown); // the dialog comes up by itself
        QCOMPARE(form.windowTitle(), "Контрольная панель :: " + form.AppVersion);
        QVERIFY(
            QRegularExpression("^\\d+\\.\\d+\\.\\d+\\.\\d+$").match(form.AppVersion).hasMatch());
        // Cancelled: idle, only connecting, About, exit and arrangement possible.
        QCOMPARE(rig.EnabledActions(), Sorted(AlwaysActions + QStringList{"ActionConnect"}));
        QVERIFY(!form.ComPort);
        QVERIFY(!form.DebugMon);
        QCOMPARE(QFile::exists(rig.SettingsFile()), !stored.isEmpty());
        form.Action("HelpAbout1")->trigger(); // no board: its versions are unknown
        QCOMPARE(rig.About, (QStringList{form.AppVersion, "unknown", "unknown"}));
    }

    void goodConnectionEnablesDeviceActionsAndStoresSettings() {
        TPanelRig rig;
        rig.Speed = "9600";
        TMainForm& form = rig.Start();
        QVERIFY(rig.Connect());
        QCOMPARE(form.StatusText(), "Соединение установлено");
        QCOMPARE(rig.EnabledActions(), Sorted(DeviceActions + AlwaysActions));
        // The handshake, then "ver", which names the board in the change journal.
        QCOMPARE(rig.BoardLines(), (QByteArrayList{"", "echo off", "ver"}));
        QCOMPARE(rig.Wire->BaudRate(), 9600);

        QSettings stored(rig.SettingsFile(), QSettings::IniFormat);
        QCOMPARE(stored.value("CONNECT/Port").toString(), "sim");
        QCOMPARE(stored.value("CONNECT/PortSpeed").toString(), "9600");
        QCOMPARE(stored.value("CONNECT/OpenDebugMon").toInt(), 1);

        // The monitor opened with the connection and shows both directions:
        // the empty command, the board's echo of it, the prompt, and so on.
        QVERIFY(form.DebugMon);
        QTRY_COMPARE(rig.MonitorLines().mid(0, 7),
                     (QStringList{"", "", "=>", "echo off", "echo off", "=>", "ver"}));
        QTRY_COMPARE(rig.MonitorLines().last(), "=>");
        Exchange(form.Link(), "cat stab");
        QTRY_VERIFY(rig.MonitorLines().contains("roll_sensitivity = 1.20"));
        QVERIFY(rig.MonitorLines().contains("cat stab"));

        // Connecting again is impossible while connected.
        QVERIFY(!form.Action("ActionConnect")->isEnabled());
        form.ActionConnectExecute();
        QCOMPARE(rig.DialogFields.size(), 3); // the dialog was shown once only
    }

    void greetingAndBlankLinesBeforeThePromptAreDropped() {
        TPanelRig rig;
        rig.Tap->Greeting = "Vantor autopilot\r\n\r\n   \r\nboot ok\r\n";
        rig.OpenMon = false;
        TMainForm& form = rig.Start();
        QVERIFY(rig.Connect());
        QVERIFY(rig.Dialogs.Messages.isEmpty());
        QCOMPARE(QSettings(rig.SettingsFile(), QSettings::IniFormat)
                     .value("CONNECT/OpenDebugMon")
                     .toInt(),
                 0);
        QVERIFY(!form.DebugMon);
    }

    void unrecognisedBoardAfterTheLimit_data() {
        QTest::addColumn<bool>("silentFromStart");
        QTest::newRow("answers the empty line, silent after echo off") << false;
        QTest::newRow("silent from the start") << true;
    }
    void unrecognisedBoardAfterTheLimit() {
        QFETCH(bool, silentFromStart);
        TPanelRig rig;
        rig.Tap->SilentAfterEchoOff = true;
        rig.Tap->ClockToRun = &rig.Clock;
        TMainForm& form = rig.Start(false, /*manualClock=*/true);
        if (silentFromStart) {
            rig.Tap->Silent = true;
            rig.Clock.SetAutoStep(2000);
        }
        form.Action("ActionConnect")->trigger();
        QCOMPARE(rig.Dialogs.Messages,
                 QStringList{"Ошибка соединения: ответ устройства не распознан"});
        QVERIFY(!QFile::exists(rig.SettingsFile()));
        // The port stays open: the window goes to the connected state.
        QTRY_VERIFY(form.Connected);
        QCOMPARE(form.StatusText(), "Соединение установлено");
    }

    void nonexistentPortReportsTheWorkersText_data() {
        QTest::addColumn<QString>("port");
        QTest::newRow("ascii") << "/dev/vantor-no-such-port";
        // The name goes to the system and comes back in the worker's text in
        // the system's encoding: shown as typed.
        QTest::newRow("not ascii") << "/dev/vantor-нет-порта";
    }
    void nonexistentPortReportsTheWorkersText() {
        QFETCH(QString, port);
        TPanelRig rig;
        rig.Port = port;
        TMainForm& form = rig.Start(false, false, &CreateSystemPort);
        form.Action("ActionConnect")->trigger();
        QCOMPARE(rig.Dialogs.Messages,
                 QStringList{"Ошибка соединения: Cannot open " + port + " port, error: 2\r\n"});
        QTRY_COMPARE(form.StatusText(), "Соединение разорвано");
        QVERIFY(!form.Connected);
        QVERIFY(form.Action("ActionConnect")->isEnabled());
        QVERIFY(!QFile::exists(rig.SettingsFile()));
    }

    void speedThatIsNotANumber() {
        TPanelRig rig;
        rig.Speed = "115k";
        TMainForm& form = rig.Start(/*autoConnect=*/true);
        QTRY_COMPARE(rig.Dialogs.Errors, QStringList{"'115k' is not a valid integer value"});
        QVERIFY(!form.ComPort);
        QVERIFY(form.DebugMon); // asked for, so already open
        QVERIFY(rig.Dialogs.Messages.isEmpty());
        QVERIFY(!QFile::exists(rig.SettingsFile()));
        QVERIFY(form.Action("ActionConnect")->isEnabled());
        // A second attempt with a good speed connects.
        rig.Speed = "115200";
        QVERIFY(rig.Connect());
    }

    void closingWhileConnectedStopsTheWorker() {
        TPanelRig rig;
        TMainForm& form = rig.Start();
        QVERIFY(rig.Connect());
        QVERIFY(rig.Wire->PanelOpen());
        {
            // A command still waiting its turn (a closed monitor's "mon off")
            // goes out before the port closes.
            TBoardTurn busy(form.Link());
            form.Link().WhenFree(nullptr, [&] { Exchange(form.Link(), "mon off"); });
        }
        QCOMPARE(form.Link().Waiting(), 1);
        QVERIFY(form.close());
        QVERIFY(rig.BoardLines().contains("mon off"));
        QVERIFY(!form.Connected);
        QVERIFY(!form.ComPort);
        QVERIFY(!rig.Wire->PanelOpen());
        QCOMPARE(form.StatusText(), "Соединение разорвано");
    }

    void pulledCableReturnsToIdleAndReconnects() {
        TPanelRig rig;
        TMainForm& form = rig.Start();
        QVERIFY(rig.Connect());
        rig.BoardLines();
        rig.Wire->HangUp();
        QTRY_COMPARE(form.StatusText(), "Соединение разорвано");
        QVERIFY(!form.Connected);
        QCOMPARE(rig.EnabledActions(), Sorted(AlwaysActions + QStringList{"ActionConnect"}));
        QVERIFY(rig.Dialogs.Messages.isEmpty());

        rig.Wire->Replug();
        QVERIFY(rig.Connect());
        QCOMPARE(form.StatusText(), "Соединение установлено");
        QCOMPARE(rig.BoardLines(), (QByteArrayList{"", "echo off", "ver"}));
        QCOMPARE(rig.EnabledActions(), Sorted(DeviceActions + AlwaysActions));
    }

    void unsavedChangesNoteAndCloseQuestion_data() {
        QTest::addColumn<int>("answer"); // to the question; -1: the box closed
        QTest::addColumn<bool>("closed");
        QTest::addColumn<QByteArrayList>("savesSent");
        QTest::newRow("Сохранить: both saves reach the board, then the panel closes")
            << 0 << true << QByteArrayList{"save config", "save controls"};
        QTest::newRow("Не сохранять: closes, nothing saved") << 1 << true << QByteArrayList{};
        QTest::newRow("Отмена: stays connected") << 2 << false << QByteArrayList{};
        QTest::newRow("box closed without a choice: stays") << -1 << false << QByteArrayList{};
    }
    void unsavedChangesNoteAndCloseQuestion() {
        QFETCH(int, answer);
        QFETCH(bool, closed);
        QFETCH(QByteArrayList, savesSent);
        TPanelRig rig;
        TMainForm& form = rig.Start();
        QVERIFY(rig.Connect());
        QVERIFY(form.UnsavedNote()->isHidden());
        // Two changes typed in the console, one of them to a channel.
        QVERIFY(form.DebugMon);
        form.DebugMon->CommandLine->setText("set roll_sensitivity 2.5");
        form.DebugMon->CommandLineEnter();
        form.DebugMon->CommandLine->setText("set ch_out 3 1 1000 1500 2000 0");
        form.DebugMon->CommandLineEnter();
        QTRY_COMPARE(form.Unsaved().Count(), 2); // counted once the board has taken them
        QVERIFY(!form.UnsavedNote()->isHidden());
        QCOMPARE(form.UnsavedNote()->text(), "Изменения не сохранены во флеш: 2");
        QCOMPARE(form.StatusText(), "Соединение установлено"); // untouched
        QByteArrayList executed;
        QTRY_VERIFY((executed += rig.BoardLines()).contains("set ch_out 3 1 1000 1500 2000 0"));

        rig.Dialogs.Answers << answer;
        QCOMPARE(form.close(), closed);
        QCOMPARE(rig.Dialogs.Questions.size(), 1);
        QVERIFY(rig.Dialogs.Questions[0].contains("(2)"));
        QCOMPARE(form.Connected, !closed);
        QByteArrayList saves;
        for (const QByteArray& l : rig.BoardLines())
            if (l.startsWith("save"))
                saves << l;
        QCOMPARE(saves, savesSent);
        QVERIFY(rig.Dialogs.Messages.isEmpty());
        if (!closed) {
            // Saved from the save window later: the note goes, no question.
            Exchange(form.Link(), "save config");
            QCOMPARE(form.Unsaved().Count(), 1);
            Exchange(form.Link(), "save controls");
            QVERIFY(form.UnsavedNote()->isHidden());
            QVERIFY(form.close());
            QCOMPARE(rig.Dialogs.Questions.size(), 1);
        }
    }

    void unsavedCountFollowsApplyLoadAndSaves() {
        TPanelRig rig;
        rig.OpenMon = false;
        TMainForm& form = rig.Start();
        QVERIFY(rig.Connect());
        TAutoBackup::Instance().SetFolder(rig.Dir.filePath("backups"));
        // The IMU window's OK writes its four listed values back: no change.
        form.Action("ActionIMU_Settings")->trigger();
        QVERIFY(WinImuSettings);
        rig.BoardLines();
        WinImuSettings->BitBtn1->click();
        QTRY_VERIFY(!WinImuSettings);
        const QByteArrayList sets = rig.BoardLines();
        QCOMPARE(std::count_if(sets.begin(), sets.end(),
                               [](const QByteArray& l) { return l.startsWith("set "); }),
                 4);
        QCOMPARE(form.Unsaved().Count(), 0);
        // Apply in the stabiliser window: one changed value, one line.
        form.Action("ActionStabControls")->trigger();
        QVERIFY(WinStabControl);
        WinStabControl->findChild<QLineEdit*>("Roll_Sensitivity")->setText("2.5");
        WinStabControl->BitBtn3->click();
        QCOMPARE(form.Unsaved().Count(), 1);
        WinStabControl->close();
        // A load of three lines, one of them a channel row, one the value
        // the board holds.
        const QString file = rig.Dir.filePath("two.cfg");
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("##### BEGIN STAB #####\r\nset pitch_sensitivity 1.2\r\nset yaw_sensitivity "
                "0.8\r\n##### END STAB #####\r\n"
                "##### BEGIN CONTROL OUT #####\r\nset ch_out 3 1 1000 1500 2000 0\r\n"
                "##### END CONTROL OUT #####\r\n");
        f.close();
        form.Action("ActionLoadConfig")->trigger();
        QVERIFY(WndLoadSettings);
        WndLoadSettings->AutoBackupBox->setChecked(false);
        WndLoadSettings->FileName->setText(file);
        WndLoadSettings->findChild<QCheckBox*>("stab")->setChecked(true);
        WndLoadSettings->findChild<QCheckBox*>("control_out")->setChecked(true);
        WndLoadSettings->BitBtn1Click();
        WndLoadSettings->close();
        QCOMPARE(form.Unsaved().ConfigCount(), 2);
        QCOMPARE(form.Unsaved().ControlsCount(), 1);
        QCOMPARE(form.UnsavedNote()->text(), "Изменения не сохранены во флеш: 3");
        // The save window's two boxes, one after the other.
        Exchange(form.Link(), "save controls");
        QCOMPARE(form.UnsavedNote()->text(), "Изменения не сохранены во флеш: 2");
        Exchange(form.Link(), "save config");
        QVERIFY(form.UnsavedNote()->isHidden());
        QVERIFY(form.close());
        QVERIFY(rig.Dialogs.Questions.isEmpty());
    }

    void noCloseQuestionWhenDisconnected() {
        TPanelRig rig;
        TMainForm& form = rig.Start();
        QVERIFY(rig.Connect());
        Exchange(form.Link(), "set roll_sensitivity 2.5");
        QByteArrayList executed;
        QTRY_VERIFY((executed += rig.BoardLines()).contains("set roll_sensitivity 2.5"));
        rig.Wire->HangUp();
        QTRY_VERIFY(!form.Connected);
        QVERIFY(!form.UnsavedNote()->isHidden()); // still true, but nothing to save to
        QVERIFY(form.close());
        QVERIFY(rig.Dialogs.Questions.isEmpty());
    }

    // Closing while a window's operation runs: the operation is asked to stop
    // first; the frame closes when it has ended, asking about unsaved
    // changes once and saving them after the busy window.
    void closingWaitsForABusyWindow_data() {
        QTest::addColumn<bool>("unsaved");
        QTest::newRow("nothing unsaved") << false;
        QTest::newRow("unsaved, saved") << true;
    }
    void closingWaitsForABusyWindow() {
        QFETCH(bool, unsaved);
        TPanelRig rig;
        TMainForm& form = rig.Start();
        form.show();
        QVERIFY(rig.Connect());
        if (unsaved)
            Exchange(form.Link(), "reset osd");
        OpenTaskWindow(WinProbe)->SetBusy(true);
        rig.Dialogs.Answers << 0;
        QVERIFY(!form.close());
        QVERIFY(WinProbe->CancelRequested());
        QVERIFY(form.Connected);
        QCOMPARE(rig.Dialogs.Questions.size(), unsaved ? 1 : 0);
        WinProbe->SetBusy(false); // the operation ends: the window, then the frame close
        QTRY_VERIFY(!form.isVisible());
        QCOMPARE(rig.Dialogs.Questions.size(), unsaved ? 1 : 0);
        QCOMPARE(rig.BoardLines().contains("save controls"), unsaved);
        QVERIFY(!form.ComPort);
        QVERIFY(!rig.Wire->PanelOpen());
    }

    void closingDuringTheHandshake() {
        // A board that never gives its second prompt and a clock that stands
        // still: only the operator's close ends the wait.
        TPanelRig rig;
        rig.Tap->SilentAfterEchoOff = true;
        TMainForm& form = rig.Start(false, /*manualClock=*/true);
        form.show();
        QTimer::singleShot(300, &form, [&] { form.close(); });
        form.Action("ActionConnect")->trigger();
        QVERIFY(rig.Dialogs.Messages.isEmpty());
        QVERIFY(!QFile::exists(rig.SettingsFile()));
        QTRY_VERIFY(!form.isVisible());
        QVERIFY(!form.ComPort);
        QVERIFY(!rig.Wire->PanelOpen());
    }

    void settingsFileLocation() {
        QTemporaryDir program;
        QTemporaryDir user;
        QCOMPARE(SettingsFilePath(program.path(), user.path()), program.filePath("Vantor_CP.conf"));
        QCOMPARE(SettingsFilePath(program.filePath("gone"), user.filePath("cfg")),
                 user.filePath("cfg/Vantor_CP.conf"));
        QVERIFY(QFileInfo(user.filePath("cfg")).isDir());
#ifdef Q_OS_LINUX
        // Refused for want of permission: the device's group and how to join it.
        const QString group = QFileInfo("/dev/null").group();
        QCOMPARE(PortAccessHint("/dev/null", "Cannot open /dev/null port, error: 13"),
                 "Порт принадлежит группе \"" + group +
                     "\": добавьте себя в неё командой "
                     "\"sudo usermod -aG " +
                     group + " $USER\" и войдите в систему заново.");
        QVERIFY(PortAccessHint("/dev/null", "Cannot open /dev/null port, error: 2").isEmpty());
#endif
#ifndef Q_OS_WIN
        QCOMPARE(DevicePortName("/dev/ttyUSB0"), QByteArray("/dev/ttyUSB0"));
#else
        QCOMPARE(DevicePortName("COM18"), QByteArray("\\\\.\\COM18"));
#endif
    }

    // The program's command line, answered before any window: run with no
    // display at all, so the answer must not need one.
    void commandLine_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exit");
        QTest::addColumn<QByteArray>("says");
        QTest::newRow("help") << QStringList{"--help"} << 0 << QByteArray("--view-log <FILE>");
        QTest::newRow("version") << QStringList{"-v"} << 0
                                 << GetFileVersionText({}, "vantor-cp %d.%d.%d.%d\n").toLatin1();
        QTest::newRow("a toolkit option is not refused")
            << QStringList{"-style", "fusion", "--help"} << 0 << QByteArray("--demo");
        QTest::newRow("unknown option")
            << QStringList{"--demo", "--nosuch"} << 2 << QByteArray("Unknown option 'nosuch'");
        QTest::newRow("missing value")
            << QStringList{"--view-log"} << 2 << QByteArray("Missing value after '--view-log'");
        QTest::newRow("stray argument")
            << QStringList{"flight.csv"} << 2 << QByteArray("unexpected argument 'flight.csv'");
    }
    void commandLine() {
        QFETCH(QStringList, args);
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(name);
        p.setProcessEnvironment(env);
        p.start(qEnvironmentVariable("VANTOR_CP_BIN"), args);
        QVERIFY(p.waitForFinished());
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QTEST(p.exitCode(), "exit");
        QFETCH(QByteArray, says);
        const QByteArray out = p.readAllStandardOutput() + p.readAllStandardError();
        QVERIFY2(out.contains(says), out.constData());
    }

    // The real program pieces end to end: the simulator program on a pty,
    // the system's serial port code, the dialog as shown on screen.
    void connectsToTheSimulatorOnAPty() {
        const QString sim = qEnvironmentVariable("VANTOR_SIM_BIN");
        if (sim.isEmpty())
            QSKIP("VANTOR_SIM_BIN not set");
        QTemporaryDir dir;
        // The board pulls its cable after "cat stab"; a new pty then appears
        // behind the link path.
        QProcess board;
        board.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        board.start(sim, {"--link", dir.filePath("board"), "--hangup-after-cmd", "cat stab"});
        QVERIFY(board.waitForStarted());
        QVERIFY(QTest::qWaitFor([&] { return board.canReadLine(); }, 5000));
        const QString pty = QString::fromLocal8Bit(board.readLine()).trimmed();

        TScriptedDialogs dialogs;
        TMainFormOptions o;
        o.SettingsFile = dir.filePath("Vantor_CP.conf");
        TMainForm form(o);
        form.show();
        // Fill the dialog and press its OK button as the operator would.
        QString port = pty;
        QTimer driver;
        connect(&driver, &QTimer::timeout, [&] {
            auto* dlg = qobject_cast<TDlgConnect*>(QApplication::activeModalWidget());
            if (!dlg)
                return;
            driver.stop();
            dlg->PortNum->setText(port);
            QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
        });
        driver.start(20);
        QTRY_VERIFY_WITH_TIMEOUT(form.Connected, 15000);
        QVERIFY(dialogs.Messages.isEmpty());
        QCOMPARE(form.StatusText(), "Соединение установлено");
        QCOMPARE(QSettings(o.SettingsFile, QSettings::IniFormat).value("CONNECT/Port").toString(),
                 pty);

        // Cable pulled: idle again, and the next connection works.
        Exchange(form.Link(), "cat stab");
        QTRY_COMPARE_WITH_TIMEOUT(form.StatusText(), "Соединение разорвано", 10000);
        QVERIFY(form.Action("ActionConnect")->isEnabled());
        port = dir.filePath("board");
        driver.start(20);
        form.Action("ActionConnect")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(form.Connected, 15000);
        QVERIFY(dialogs.Messages.isEmpty());

        QVERIFY(form.close());
        QVERIFY(!form.ComPort);
        board.terminate();
        QVERIFY(board.waitForFinished());
    }
};

VANTOR_TEST_MAIN(TestMainForm)
#include "tst_mainform.moc"
