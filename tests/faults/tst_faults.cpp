// The fault matrix: every operation of the panel against every fault of the
// simulated board, end to end through the real main window, its windows and
// the serial worker (and vantor-cli on a pty). For each pair: the operation
// ends within its own silence limit plus a second, the operator is told, an
// existing file is never replaced by a partial one, a result reported as
// success is the one a quiet board gives, and after the fault is cleared the
// same operation succeeds again. One executable per fault column (built from
// this file with FAULT_COLUMN), so ctest runs them side by side; each prints
// its column of the matrix at the end.

#include "PanelRig.h"
#include "TestMain.h"
#include "TestSupport.h"
#include "archive/ArchiveRun.h"
#include "archive/AutoBackupUnit.h"
#include "archive/ConfigExport.h"
#include "archive/ConfigLoad.h"
#include "archive/FlightLogs.h"
#include "archive/MemsCalibration.h"
#include "archive/WinBackupConfigUnit.h"
#include "archive/WinExportLogsUnit.h"
#include "archive/WinMemsCalibrateUnit.h"
#include "archive/WinSaveSettingsUnit.h"
#include "archive/WndLoadSettingsUnit.h"
#include "monitor/WinMonitorFrame.h"
#include "settings/Dlg_PPM_MonitorUnit.h"
#include "settings/SettingsWindowUnit.h"
#include "settings/WinChannelControlsUnit.h"
#include "shell/WinDebugMonUnit.h"
#include "sim/Telemetry.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTimer>
#include <csignal>
#include <cstdio>

#ifndef FAULT_COLUMN
#define FAULT_COLUMN "silent"
#endif

namespace {
const QString Column = QStringLiteral(FAULT_COLUMN);
// The "variants" column runs once per switch of the board: a choice its
// written interface leaves open, made the other way, or a restart.
const QString Variant = Column == "variants" ? qEnvironmentVariable("VANTOR_VARIANT") : QString();
// Faults that a paced wire shows as it would on the aircraft: a flood and
// full-rate streams compete with answers for 115200 bit/s.
bool PacedColumn() {
    return Column == "flood" || Column == "streams" || Column == "interrupted";
}

// What one run of an operation gave.
struct TOutcome {
    bool ReportedOk = false; // the panel said it succeeded
    QByteArray Result;       // what must equal a quiet board's (file, controls)
};

// Every control value of a window, in widget order: what the operator sees.
QByteArray ControlValues(QWidget* w) {
    QByteArray out;
    for (QWidget* c : w->findChildren<QWidget*>()) {
        if (c->objectName().isEmpty())
            continue;
        QString v;
        if (auto* e = qobject_cast<QLineEdit*>(c))
            v = e->text();
        else if (auto* s = qobject_cast<QSpinBox*>(c))
            v = QString::number(s->value());
        else if (auto* b = qobject_cast<QComboBox*>(c))
            v = QString::number(b->currentIndex());
        else if (auto* x = qobject_cast<QCheckBox*>(c))
            v = x->isChecked() ? "1" : "0";
        else
            continue;
        out += c->objectName().toUtf8() + "=" + v.toUtf8() + "\n";
    }
    return out;
}

// The window waits for its turn of the board.
bool Waits(QMdiSubWindow* w) {
    auto* t = qobject_cast<TTaskWindow*>(w);
    return t && t->WaitingForBoard();
}

QMdiSubWindow* NewestWindow(TPanelRig& rig) {
    const QList<QMdiSubWindow*> l = rig.Form->MdiArea()->subWindowList(QMdiArea::CreationOrder);
    return l.isEmpty() ? nullptr : l.last();
}

QByteArray BoardGroupText(TPanelRig& rig, const QByteArray& group) {
    QByteArray out;
    rig.WithBoard([&](TBoardSim& sim, qint64) {
        for (const auto& p : sim.Group(group))
            out += p.first + "=" + p.second + "\n";
    });
    return out;
}

// --- the operations ------------------------------------------------------------

struct TOp {
    QString Name;
    int LimitMs;                             // the operation's own silence limit
    std::function<void(TPanelRig&)> Prepare; // untimed, before every run
    std::function<TOutcome(TPanelRig&)> Run; // timed
    QString File;                            // a file it writes (relative to the rig's dir)
    bool Connects = false;                   // the operation is the connection itself
    // It takes no input while it waits (the handshake, a listing at a
    // window's opening): nobody can meddle with it.
    bool Blocks = false;
};

TOp SettingsOp(const char* action, const char* name) {
    TOp op{QString("settings ") + name, ListingSilenceMs, {}, {}, {}, false, true};
    op.Run = [action](TPanelRig& rig) {
        TOutcome o;
        rig.Form->Action(action)->trigger();
        // A window whose board is taken opens at once and lists when it is
        // free (or closes again with a message).
        QPointer<QMdiSubWindow> w = NewestWindow(rig);
        (void)QTest::qWaitFor([&] { return !w || !Waits(w); }, 60000);
        o.ReportedOk = w && rig.Shown().isEmpty();
        if (w)
            o.Result = ControlValues(w);
        rig.CloseWindows();
        return o;
    };
    return op;
}

QList<TOp> Operations() {
    QList<TOp> ops;
    TOp connect{"connect", TMainForm::ConnectPromptLimitMs, {}, {}, {}, true, true};
    connect.Run = [](TPanelRig& rig) {
        TOutcome o;
        rig.Form->Action("ActionConnect")->trigger();
        o.ReportedOk = rig.Form->Connected && rig.Shown().isEmpty() &&
                       rig.Form->StatusText() == "Соединение установлено";
        return o;
    };
    ops << connect;
    ops << SettingsOp("ActionStabControls", "stab") << SettingsOp("ActionWinHardConfig", "hard")
        << SettingsOp("Action_OSD_Settings", "osd") << SettingsOp("ActionADCSettings", "adc")
        << SettingsOp("ActionBatParams", "bat") << SettingsOp("ActionIMU_Settings", "imu")
        << SettingsOp("ActionChannelControls", "channels");

    TOp exportOp{"config export", ListingSilenceMs, {}, {}, "backup.cfg"};
    exportOp.Prepare = [](TPanelRig& rig) {
        OpenTaskWindow(WinBackupConfig)->FileName->setText(rig.Dir.filePath("backup.cfg"));
    };
    exportOp.Run = [](TPanelRig& rig) {
        if (!WinBackupConfig)
            return TOutcome{false, "window gone"};
        WinBackupConfig->BitBtn1->click();
        return TOutcome{rig.Shown() == QStringList{"Выгрузка конфигурации завершена"},
                        ReadAll(rig.Dir.filePath("backup.cfg"))};
    };
    ops << exportOp;

    // Loads the STAB section of a quiet board's export after the board's
    // stabiliser settings were spoilt: the result is the group the board holds.
    // A line whose prompt a noisy line lost costs the load its second, as
    // the interface's rhythm has it (the section has 56 lines).
    TOp load{"config load", ListingSilenceMs + 60 * LoadPromptWaitMs, {}, {}, {}};
    load.Prepare = [](TPanelRig& rig) {
        const QString path = rig.Dir.filePath("load.cfg");
        if (!QFile::exists(path)) {
            rig.Settle();
            TRunHooks hooks;
            QVERIFY(ExportConfig(rig.Form->Link(), path, hooks).Ok());
        }
        rig.WithBoard([](TBoardSim& sim, qint64) {
            for (auto& p : sim.State().Groups["stab"])
                if (!p.second.contains(','))
                    p.second = "7";
        });
        // The automatic backup before a load is an export, and the export
        // has its own row: here the fault is to strike the load itself.
        TAutoBackup::Instance().SetEnabled(false);
        TWndLoadSettings* w = OpenTaskWindow(WndLoadSettings);
        w->FileName->setText(path);
        for (QCheckBox* b : w->Boxes)
            b->setChecked(b->objectName() == "stab");
    };
    load.Run = [](TPanelRig& rig) {
        if (!WndLoadSettings)
            return TOutcome{false, "window gone"};
        WndLoadSettings->BitBtn1->click();
        // A slow board's load ends with a note of the lines answered late.
        const QStringList shown = rig.Shown();
        return TOutcome{shown.size() == 1 && shown[0].startsWith("Загрузка конфигурации завершена"),
                        BoardGroupText(rig, "stab")};
    };
    ops << load;

    // Three changed values of the stabiliser window sent with "Применить":
    // three "set" lines in one conversation. The result is the group the
    // board then holds.
    TOp apply{"settings apply", ListingSilenceMs, {}, {}, {}};
    apply.Prepare = [](TPanelRig& rig) {
        rig.CloseWindows();
        rig.Settle();
        rig.WithBoard([](TBoardSim& sim, qint64) {
            sim.State().Groups["stab"] = TBoardState::DefaultGroup("stab");
        });
        rig.Form->Action("ActionStabControls")->trigger();
        QPointer<QMdiSubWindow> w = NewestWindow(rig);
        (void)QTest::qWaitFor([&] { return !w || !Waits(w); }, 20000);
    };
    apply.Run = [](TPanelRig& rig) {
        auto* w = qobject_cast<TSettingsWindow*>(NewestWindow(rig));
        if (!w || !w->BitBtn3)
            return TOutcome{false, "window gone"};
        int i = 0;
        for (QSpinBox* b : w->findChildren<QSpinBox*>())
            b->setValue(100 + i++);
        w->BitBtn3->click();
        return TOutcome{rig.Shown().isEmpty(), BoardGroupText(rig, "stab")};
    };
    ops << apply;

    // Both stores saved to flash from the save window; the result is what
    // the board's flash then holds.
    TOp save{"flash save", FlashSaveSilenceMs, {}, {}, {}};
    save.Prepare = [](TPanelRig& rig) {
        rig.CloseWindows(); // the last run's window closed itself
        rig.WithBoard([](TBoardSim& sim, qint64) {
            sim.State() = TBoardState();
            sim.Saved() = sim.State();
            *sim.State().FindParam("gaz_cruise") = "555";
            sim.State().Inputs[2].Max = 1900;
        });
        OpenTaskWindow(WinSaveSettings);
        WinSaveSettings->CheckBox1->setChecked(true);
        WinSaveSettings->CheckBox2->setChecked(true);
    };
    save.Run = [](TPanelRig& rig) {
        if (!WinSaveSettings)
            return TOutcome{false, "window gone"};
        WinSaveSettings->BitBtn1->click();
        // The flash holds what the board held (a calibration cut short may
        // still have changed its biases meanwhile).
        QByteArray held;
        rig.WithBoard([&](TBoardSim& sim, qint64) {
            const QByteArrayList saved = sim.Saved().ConfigLines() + sim.Saved().ControlLines();
            held = saved == sim.State().ConfigLines() + sim.State().ControlLines()
                       ? QByteArray("flash holds the settings")
                       : saved.join('\n');
        });
        // The window closes once the board has taken both.
        return TOutcome{
            rig.Shown().isEmpty() && (!WinSaveSettings || !WinSaveSettings->isVisible()), held};
    };
    ops << save;

    TOp logs{"log download", LogDumpSilenceMs, {}, {}, "flight.csv"};
    logs.Prepare = [](TPanelRig& rig) {
        if (!WinExportLogs) {
            rig.Settle();
            OpenTaskWindow(WinExportLogs);
            (void)QTest::qWaitFor([] { return !WinExportLogs || !WinExportLogs->ReadingFlights(); },
                                  LogDumpSilenceMs + 5000);
        }
        if (!WinExportLogs)
            return;
        WinExportLogs->FileName->setText(rig.Dir.filePath("flight.csv"));
        WinExportLogs->FlightNumber->setCurrentIndex(2);
    };
    logs.Run = [](TPanelRig& rig) {
        if (!WinExportLogs)
            return TOutcome{false, "window gone"};
        WinExportLogs->BitBtn1->click();
        return TOutcome{rig.Shown() == QStringList{"Выгрузка завершена"},
                        ReadAll(rig.Dir.filePath("flight.csv"))};
    };
    ops << logs;

    auto openCal = [](TPanelRig& rig) {
        if (!WinMemsCalibrate) {
            rig.Settle();
            OpenTaskWindow(WinMemsCalibrate);
        }
    };
    // A calibration's values differ from run to run: the result is whether
    // the window shows what the board now holds.
    TOp gyro{"gyro calibration", CalibrationSilenceMs, openCal, {}, {}};
    gyro.Run = [](TPanelRig& rig) {
        if (!WinMemsCalibrate)
            return TOutcome{false, "window gone"};
        WinMemsCalibrate->SpeedButton1->click();
        const QByteArray shown = WinMemsCalibrate->Gyro_bias_X->text().toLatin1() + " " +
                                 WinMemsCalibrate->Gyro_bias_Z->text().toLatin1();
        QByteArray held;
        rig.WithBoard([&](TBoardSim& sim, qint64) {
            held =
                *sim.State().FindParam("gyro_bias_x") + " " + *sim.State().FindParam("gyro_bias_z");
        });
        return TOutcome{rig.Shown().isEmpty() && shown == held, shown == held ? "" : shown};
    };
    ops << gyro;
    TOp mag{"mag calibration", CalibrationSilenceMs, openCal, {}, {}};
    mag.Run = [](TPanelRig& rig) {
        if (!WinMemsCalibrate)
            return TOutcome{false, "window gone"};
        QTimer::singleShot(1500, WinMemsCalibrate, [] { WinMemsCalibrate->SpeedButton3->click(); });
        WinMemsCalibrate->SpeedButton2->click();
        const QByteArray shown = WinMemsCalibrate->Mag_bias_X->text().toLatin1() + " " +
                                 WinMemsCalibrate->Mag_bias_Z->text().toLatin1();
        QByteArray held;
        rig.WithBoard([&](TBoardSim& sim, qint64) {
            held =
                *sim.State().FindParam("mag_bias_x") + " " + *sim.State().FindParam("mag_bias_z");
        });
        return TOutcome{rig.Shown().isEmpty() && shown == held, shown == held ? "" : shown};
    };
    ops << mag;

    // The gyroscope monitor logging to a file for a second. Its values move
    // on, so the result is whether every logged line is a whole payload.
    TOp monitor{"gyro monitor + log", ListingSilenceMs, {}, {}, {}};
    monitor.Run = [](TPanelRig& rig) {
        const QString path = rig.Dir.filePath("gyro.txt");
        rig.Form->Action("ActionMonGyro")->trigger();
        QPointer<TWinMonitorFrame> w = qobject_cast<TWinMonitorFrame*>(NewestWindow(rig));
        if (!w)
            return TOutcome{false, "no window"};
        w->CheckBox1->setChecked(true);
        w->FileName->setText(path);
        w->SpeedButton2->click();
        // The stream goes on once the board is free (it may be finishing an
        // answer cut short, or busy with the meddling windows' listings).
        (void)QTest::qWaitFor([w] { return !w || w->Monitoring(); }, 10000);
        QTest::qWait(1200);
        // The meddlers' listings hold the interface while they read: the
        // logging goes on a little once they have had their turns.
        if (Column == "meddled") {
            (void)QTest::qWaitFor(
                [&] { return rig.Form->Link().Free() && rig.Form->Link().Waiting() == 0; }, 10000);
            QTest::qWait(600);
        }
        if (w)
            w->SpeedButton3->click();
        // Its own window only: others the operator opened meanwhile stay.
        if (w)
            w->close();
        (void)QTest::qWaitFor([w] { return !w; }, 5000);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        static const QRegularExpression payload("^-?\\d+\\.\\d+ -?\\d+\\.\\d+ -?\\d+\\.\\d+$");
        const QByteArrayList lines = ReadAll(path).split('\n');
        int good = 0;
        QByteArray bad;
        for (const QByteArray& l : lines) {
            const QByteArray t = l.trimmed();
            if (t.isEmpty())
                continue;
            if (payload.match(QString::fromLatin1(t)).hasMatch())
                ++good;
            else
                bad += t + "\n";
        }
        return TOutcome{rig.Shown().isEmpty() && good >= 5 && bad.isEmpty(), bad};
    };
    ops << monitor;

    TOp about{"about query", ListingSilenceMs, {}, {}, {}, false, true};
    about.Run = [](TPanelRig& rig) {
        rig.About.clear();
        rig.Form->Action("HelpAbout1")->trigger();
        // A box opened while the board is taken fills in once it is free.
        (void)QTest::qWaitFor([&] { return !rig.LastAbout || !rig.LastAbout->Waiting(); }, 60000);
        if (rig.LastAbout)
            rig.About =
                QStringList{rig.LastAbout->AP_Ver->text(), rig.LastAbout->STDAPP_Ver->text()};
        return TOutcome{rig.About == QStringList{"3.2.7", "1.4.0"}, rig.About.join(' ').toUtf8()};
    };
    ops << about;
    return ops;
}

// --- the faults ------------------------------------------------------------------

// Every stream "on" or "off", in one conversation.
void SwitchStreams(TPanelRig& rig, const QByteArray& how) {
    TRequest r;
    for (const QByteArray& s : TTelemetry::Streams())
        r.Commands << "mon " + how + " " + s + "\r\n";
    r.Mode = TWaitMode::ProcessEvents;
    QVERIFY(rig.Form->Request(r).Ok());
}

// Arms the column's fault to strike `offset` bytes into the operation's output.
void ArmFault(TPanelRig& rig, qint64 offset) {
    TBoardTap* tap = rig.Tap;
    if (Column == "silent") {
        tap->Strike = [](TBoardSim& sim, qint64 now) {
            sim.Faults().SilenceMs = 0;
            sim.StartSilence(now);
            return true;
        };
    } else if (Column == "unplug") {
        tap->Strike = [tap](TBoardSim& sim, qint64) {
            tap->PullCable();
            sim.OnHangUp();
            return true;
        };
    } else if (Column == "noise") {
        tap->Strike = [](TBoardSim& sim, qint64) {
            sim.Faults().DropRate = 0.004;
            sim.Faults().GarbleRate = 0.004;
            return false;
        };
    } else if (Column == "flood") {
        tap->Strike = [](TBoardSim& sim, qint64 now) {
            sim.Faults().FloodMs = 0;
            sim.StartFlood(now);
            return true;
        };
    } else { // streams: every stream at its highest rate from before the operation on
        SwitchStreams(rig, "on");
        QTest::qWait(300);
        return;
    }
    tap->FireAt = tap->Written + offset;
}

void ClearFault(TPanelRig& rig) {
    rig.Tap->FireAt = -1;
    if (Column == "streams")
        SwitchStreams(rig, "off");
    rig.WithBoard([](TBoardSim& sim, qint64 now) {
        TFaults& f = sim.Faults();
        f.DropRate = f.GarbleRate = 0;
        if (sim.Silent()) {
            f.SilenceMs = 1;
            sim.StartSilence(now);
        }
        if (sim.Flooding()) {
            f.FloodMs = 1;
            sim.StartFlood(now);
        }
    });
    rig.Settle();
}

// --- the matrix --------------------------------------------------------------------

QMap<QString, QString>& Matrix() {
    static QMap<QString, QString> m;
    return m;
}
QStringList& Order() {
    static QStringList l;
    return l;
}

// Marks the cell failed until the test function reaches its end.
class TCell {
public:
    explicit TCell(const QString& op) : m_op(op) {
        if (!Order().contains(op))
            Order() << op;
        Matrix()[op] = "FAIL";
    }
    void Pass(const QString& how) {
        if (!QTest::currentTestFailed())
            Matrix()[m_op] = how;
    }

private:
    QString m_op;
};

// --- vantor-cli on a pty -----------------------------------------------------------

QStringList CliFaultOptions() {
    static const QMap<QString, QStringList> variants = {
        {"bare", {"--bare-prompts"}},
        {"noise", {"--noise-at-open", "4"}},
        {"slow", {"--latency", "1200"}},
        {"flash", {"--save-delay", "5000"}},
        {"extra", {"--extra-prompt-after-cmd", "*"}},
        {"restart_cmd", {"--reboot-after-cmd", "cat imu"}},
        {"restart_mid", {"--reboot-after-bytes", "3000"}},
    };
    if (Column == "variants")
        return variants.value(Variant);
    if (Column == "interrupted")
        return {"--log-size", "48K"}; // some seconds of printing at 115200 bit/s
    if (Column == "silent")
        return {"--silence-after-bytes", "1200"}; // inside the first listing
    if (Column == "unplug")
        return {"--hangup-after-cmd", "cat imu"};
    if (Column == "noise")
        return {"--drop-rate", "0.004", "--garble-rate", "0.004"};
    if (Column == "flood")
        return {"--flood-after-cmd", "cat imu"};
    QStringList rates;
    for (const QByteArray& s : TTelemetry::Streams())
        rates << "--rate" << QString::fromLatin1(s) + "=1000";
    return rates;
}

// One timed run of an operation, and what the operator was shown; the run
// is logged with `what` (the column's circumstances).
struct TTimedRun {
    TOutcome Outcome;
    qint64 Ms = 0;
    QStringList Shown;
};
TTimedRun TimedRun(const TOp& op, TPanelRig& rig, qint64 quietMs, const QString& what) {
    QElapsedTimer t;
    t.start();
    TTimedRun r{op.Run(rig), 0, {}};
    r.Ms = t.elapsed();
    r.Shown = rig.Shown();
    qDebug("%s %s: %s in %lld ms (quiet %lld ms); shown: %s", qPrintable(op.Name), qPrintable(what),
           r.Outcome.ReportedOk ? "success" : "failure", r.Ms, quietMs,
           qPrintable(r.Shown.join(" | ").replace('\n', ' ')));
    return r;
}

// Before a run: the operation's own preparation, the old file in place when
// `oldFile`, the board quiet and nothing shown yet.
void PrepareRun(const TOp& op, TPanelRig& rig, bool oldFile) {
    if (op.Prepare)
        op.Prepare(rig);
    if (oldFile && !op.File.isEmpty())
        QVERIFY(WriteAll(rig.Dir.filePath(op.File), OldFile));
    rig.Settle();
    rig.ClearShown();
}

// A faulty run's outcome: the quiet board's result when it reported success;
// else a message (the About box shows its placeholders and a monitor its
// list: they have none of their own) and the old file kept. No temporary
// file is left beside the file either way.
void CheckOutcome(const TOp& op, TPanelRig& rig, const TTimedRun& run, const TOutcome& quiet) {
    const QString file = op.File.isEmpty() ? QString() : rig.Dir.filePath(op.File);
    if (run.Outcome.ReportedOk) {
        // Never a wrong result reported as success. Known gap: the board's
        // text carries no check sum, so a dropped or changed digit in a
        // listing or a dump cannot be told from the real thing (a file or
        // a window then holds it): marked as an expected failure.
        if (Column == "noise" && run.Outcome.Result != quiet.Result)
            QEXPECT_FAIL("", "no integrity check on the wire: noise passes as data", Continue);
        QCOMPARE(run.Outcome.Result, quiet.Result);
    } else {
        QVERIFY2(!run.Shown.isEmpty() || op.Name == "about query" || op.Name.contains("monitor"),
                 "failure without a message");
        for (const QString& s : run.Shown)
            QVERIFY2(!s.trimmed().isEmpty(), "empty message");
        if (!file.isEmpty())
            QVERIFY2(ReadAll(file) == OldFile, "the old file was replaced");
        if (op.Name == "about query") // placeholders, never a half-read version
            for (const QString& v : rig.About)
                QVERIFY2(v == "3.2.7" || v == "1.4.0" || v == "AP_Ver" || v == "STDAPP_Ver",
                         qPrintable(v));
    }
    if (!file.isEmpty())
        QCOMPARE(QDir(rig.Dir.path()).entryList({op.File + "*"}, QDir::Files),
                 QStringList{op.File});
}

// --- the conversation columns ------------------------------------------------------

// The operations another one may be cut short in, each stopped part-way into
// the board's answer (by the operator, or by its silence limit).
const QStringList Interruptions = {"stopped dump", "stopped export", "silent listing",
                                   "stopped calibration"};

// Cuts another operation short, as the operator (or a silence) would, and
// returns at once: the board may still be sending the rest of its answer.
void Interrupt(TPanelRig& rig, const QString& kind) {
    TBoardLink& link = rig.Form->Link();
    int lines = 0;
    QElapsedTimer t;
    t.start();
    TRunHooks hooks;
    hooks.Progress = [&](const TProgress& p) { lines = std::max(lines, p.Counter); };
    TArchiveStatus status = TArchiveStatus::Ok;
    if (kind == "stopped dump") {
        hooks.Cancel = [&] { return lines > 20; };
        status = ExportFlightLog(link, 3, rig.Dir.filePath("stopped.csv"), {}, hooks).Status;
    } else if (kind == "stopped export") {
        hooks.Cancel = [&] { return lines > 30; }; // inside the first section
        status = ExportConfig(link, rig.Dir.filePath("stopped.cfg"), hooks).Status;
    } else if (kind == "silent listing") {
        // The transmitter drops out for half a second part-way into the
        // listing: the rest of it is lost, and the listing waits out its
        // silence limit.
        rig.Tap->Strike = [](TBoardSim& sim, qint64 now) {
            sim.Faults().SilenceMs = 500;
            sim.StartSilence(now);
            return true;
        };
        rig.Tap->FireAt = rig.Tap->Written + 300;
        TRequest r;
        r.Commands = {"cat stab\r\n"};
        r.Mode = TWaitMode::ProcessEvents;
        status = link.Request(r).End == TAnswerEnd::Silent ? TArchiveStatus::Cancelled
                                                           : TArchiveStatus::Ok;
    } else {
        hooks.Cancel = [&] { return t.elapsed() > 500; };
        status = CalibrateGyro(
                     link, [](const QByteArray&, const QByteArray&) {}, hooks)
                     .Status;
    }
    QVERIFY2(status != TArchiveStatus::Ok, qPrintable(kind + ": not cut short"));
    // (A listing that waited out its silence limit owes nothing the board
    // will still send: in step at once.)
    QVERIFY2(kind == "silent listing" || !link.InStep(),
             qPrintable(kind + ": the link is in step already"));
}

// What the operator opens while an operation runs: every settings window,
// the About box, a sensor monitor started, the PPM monitor, and a console
// line. Whatever needs the board waits for its turn.
struct TMeddling {
    bool Fired = false;
    QStringList Windows; // settings windows opened, by action
    QPointer<TWinMonitorFrame> Monitor;
    QPointer<TWinDebugMon> Console;
};

const char* const SettingsActions[] = {
    "ActionStabControls", "ActionWinHardConfig", "Action_OSD_Settings",  "ActionADCSettings",
    "ActionBatParams",    "ActionIMU_Settings",  "ActionChannelControls"};

QMdiSubWindow* WindowOf(TPanelRig& rig, const char* action);

void Meddle(TPanelRig& rig, TMeddling& m) {
    m.Fired = true;
    for (const char* action : SettingsActions) {
        QAction* a = rig.Form->Action(action);
        if (!a->isEnabled())
            continue;
        a->trigger();
        if (WindowOf(rig, action))
            m.Windows << action;
    }
    if (WinChannelControls)
        WinChannelControls->SpeedButton1Click(); // the PPM monitor
    rig.Form->Action("HelpAbout1")->trigger();
    if (rig.Form->Action("ActionMonAccel")->isEnabled()) {
        rig.Form->Action("ActionMonAccel")->trigger();
        m.Monitor = qobject_cast<TWinMonitorFrame*>(WindowOf(rig, "ActionMonAccel"));
        if (m.Monitor)
            m.Monitor->SpeedButton2->click();
    }
    if (rig.Form->Action("ActionDebugWin")->isEnabled()) {
        rig.Form->Action("ActionDebugWin")->trigger();
        m.Console = rig.Form->DebugMon;
        m.Console->CommandLine->setText("ver");
        m.Console->CommandLineEnter();
    }
}

QMdiSubWindow* WindowOf(TPanelRig& rig, const char* action) {
    static const QMap<QByteArray, const char*> titles = {
        {"ActionStabControls", "Настройка параметров стабилизатора"},
        {"ActionWinHardConfig", "Аппаратная конфигурация"},
        {"Action_OSD_Settings", "Настройка OSD"},
        {"ActionADCSettings", "Настройка АЦП"},
        {"ActionBatParams", "Параметры батарей"},
        {"ActionIMU_Settings", "Настройка IMU"},
        {"ActionChannelControls", "Настройки каналов"},
        {"ActionMonAccel", "Монитор данных с акселерометра"},
    };
    for (QMdiSubWindow* w : rig.Form->MdiArea()->subWindowList())
        if (w->windowTitle() == QString::fromUtf8(titles.value(action)))
            return w;
    return nullptr;
}

// After the operation: every meddling window got its own answers, as a fresh
// window listing the board now gets them.
void CheckMeddling(TPanelRig& rig, TMeddling& m) {
    TBoardLink& link = rig.Form->Link();
    QVERIFY2(QTest::qWaitFor(
                 [&] {
                     bool waiting = !link.Free() || link.Waiting() > 0;
                     for (QMdiSubWindow* w : rig.Form->MdiArea()->subWindowList())
                         waiting = waiting || Waits(w);
                     return !waiting;
                 },
                 30000),
             "the meddling windows still wait for the board");
    QVERIFY(rig.LastAbout);
    QCOMPARE(rig.LastAbout->AP_Ver->text(), "3.2.7");
    QCOMPARE(rig.LastAbout->STDAPP_Ver->text(), "1.4.0");
    bool accel = false, ppm = false;
    QByteArrayList history;
    rig.WithBoard([&](TBoardSim& sim, qint64) {
        accel = sim.StreamOn("accel");
        ppm = sim.StreamOn("ppm_input");
        history = sim.History();
    });
    QVERIFY(m.Monitor && m.Monitor->Monitoring() && accel);
    QVERIFY(ppm);
    QVERIFY(WinChannelControls && WinChannelControls->Dlg_PPM_Monitor &&
            !WinChannelControls->Dlg_PPM_Monitor->WaitNote->isVisible());
    QVERIFY(m.Console && m.Console->ConsoleNote->text().isEmpty());
    QVERIFY(history.contains("ver"));
    if (WinChannelControls && WinChannelControls->Dlg_PPM_Monitor)
        WinChannelControls->Dlg_PPM_Monitor->close();
    for (const QString& action : m.Windows) {
        QMdiSubWindow* w = WindowOf(rig, qPrintable(action));
        QVERIFY2(w, qPrintable(action + " closed itself"));
        const QByteArray meddled = ControlValues(w);
        w->close();
        QTRY_VERIFY(!WindowOf(rig, qPrintable(action)));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        rig.Form->Action(action)->trigger();
        QPointer<QMdiSubWindow> fresh = WindowOf(rig, qPrintable(action));
        QVERIFY(fresh);
        QTRY_VERIFY(!Waits(fresh));
        const QByteArray now = ControlValues(fresh);
        QVERIFY2(now == meddled,
                 qPrintable(action + ": not its own answers:\n" + meddled + "\n" + now));
        fresh->close();
    }
}
// "Interrupted before": the operation right after another was cut short
// mid-answer, for each way one may be; its result is the quiet board's
// (or a failure with a message), within its limit plus a second.
void Interrupted(const TOp& op, TPanelRig& rig, const TOutcome& quiet, qint64 quietMs,
                 TCell& cell) {
    const QString file = op.File.isEmpty() ? QString() : rig.Dir.filePath(op.File);
    QStringList how;
    for (const QString& kind : Interruptions) {
        if (!rig.Form->Connected)
            QVERIFY(rig.Connect());
        PrepareRun(op, rig, true);
        TBoardLink& link = rig.Form->Link();
        QVERIFY2(QTest::qWaitFor([&] { return link.Free(); }, 10000),
                 qPrintable(QString("held %1, in step %2, waiting %3")
                                .arg(link.Held())
                                .arg(link.InStep())
                                .arg(link.Waiting())));
        rig.ClearShown();
        Interrupt(rig, kind);
        if (QTest::currentTestFailed())
            return;
        if (op.Connects)
            QVERIFY(rig.Disconnect());
        const TTimedRun run = TimedRun(op, rig, quietMs, "after a " + kind);
        const TOutcome& o = run.Outcome;
        QVERIFY2(run.Ms <= quietMs + op.LimitMs + 1000,
                 qPrintable(QString("took %1 ms").arg(run.Ms)));
        QVERIFY2(rig.Dialogs.Unexpected.isEmpty(), qPrintable(rig.Dialogs.Unexpected.join(" | ")));
        // A calibration cut short still completes on the board: its new
        // biases are then the quiet board's, as the same operation on it
        // right afterwards shows.
        const TOutcome reference =
            kind == "stopped calibration" && op.Name == "config export" ? op.Run(rig) : quiet;
        if (o.ReportedOk) {
            QVERIFY2(o.Result == reference.Result, qPrintable(kind + ": another answer taken"));
        } else {
            QVERIFY2(!run.Shown.isEmpty(), qPrintable(kind + ": failure without a message"));
            if (!file.isEmpty())
                QVERIFY2(ReadAll(file) == OldFile, "the old file was replaced");
        }
        how << (o.ReportedOk ? "ok" : "msg");
        rig.CloseWindows();
    }
    cell.Pass("pass (" + how.join(' ') + ")");
}

// "Meddled": while the operation runs, the operator opens every window
// that needs the board and types a console line. The operation's result
// is the quiet board's; the meddlers get their own answers afterwards.
void Meddled(const TOp& op, TPanelRig& rig, const TOutcome& quiet, qint64 quietMs, TCell& cell) {
    if (!op.Connects && !rig.Form->Connected)
        QVERIFY(rig.Connect());
    PrepareRun(op, rig, false);
    TMeddling m;
    QTimer meddler;
    meddler.setSingleShot(true);
    QObject::connect(&meddler, &QTimer::timeout, [&] { Meddle(rig, m); });
    if (!op.Blocks)
        meddler.start(static_cast<int>(std::max<qint64>(50, quietMs / 3)));
    const TTimedRun run = TimedRun(op, rig, quietMs, "meddled");
    meddler.stop();
    QVERIFY2(run.Ms <= quietMs + op.LimitMs + 1000, qPrintable(QString("took %1 ms").arg(run.Ms)));
    QVERIFY2(run.Outcome.ReportedOk,
             qPrintable(run.Shown.join(" | ") + " " + QString::fromLatin1(run.Outcome.Result)));
    QVERIFY2(run.Outcome.Result == quiet.Result, "another answer taken");
    if (m.Fired) {
        CheckMeddling(rig, m);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(rig.Shown(), run.Shown); // the meddlers said nothing
    }
    QVERIFY2(rig.Dialogs.Unexpected.isEmpty(), qPrintable(rig.Dialogs.Unexpected.join(" | ")));
    cell.Pass(m.Fired     ? "pass (meddled)"
              : op.Blocks ? "n/a (takes no input while it runs)"
                          : "n/a (ended before)");
}

// "Variants": the board makes a choice its interface leaves open the other
// way (or restarts during the operation). The operation gives the quiet
// board's result, or fails with a message, within its limit plus a second
// (plus what the board's own slowness adds); a board that keeps the
// interface is never a failure.
const QStringList RestartVariants = {"restart_cmd", "restart_mid"};
constexpr int SlowAnswerMs = 1200;
constexpr int SlowSaveMs = 5000;

void SetVariant(TPanelRig& rig, bool on) {
    rig.Wire->SetNoiseAtOpen(on && Variant == "noise" ? QByteArray("\xff\x13~\x80") : QByteArray());
    rig.WithBoard([on](TBoardSim& sim, qint64) {
        TFaults& f = sim.Faults();
        sim.Options().BarePrompts = on && Variant == "bare";
        f.LatencyMs = on && Variant == "slow" ? SlowAnswerMs : 0;
        f.SaveDelayMs = on && Variant == "flash" ? SlowSaveMs : 0;
        f.ExtraPromptAfterCommand = on && Variant == "extra" ? "*" : "";
        f.RebootAfterCommand.clear();
    });
    rig.Tap->FireAt = -1;
}

// A restart part-way into the operation's output: at once (mid-answer), or
// once the answer being sent then is complete.
void ArmRestart(TPanelRig& rig, qint64 offset) {
    rig.Tap->Strike = [](TBoardSim& sim, qint64 now) {
        if (Variant == "restart_mid") {
            sim.StartReboot(now);
            return true;
        }
        sim.Faults().RebootAfterCommand = sim.History().value(sim.History().size() - 1);
        return false;
    };
    rig.Tap->FireAt = rig.Tap->Written + offset;
}

void Variants(const TOp& op, TPanelRig& rig, const TOutcome& quiet, qint64 quietMs, qint64 bytes,
              TCell& cell) {
    const QString file = op.File.isEmpty() ? QString() : rig.Dir.filePath(op.File);
    const bool restart = RestartVariants.contains(Variant);
    // The connection itself meets the noise in the line.
    if (Variant == "noise" && rig.Form->Connected)
        QVERIFY(rig.Disconnect());
    SetVariant(rig, true);
    if (!op.Connects && !rig.Form->Connected)
        QVERIFY(rig.Connect());
    PrepareRun(op, rig, true);
    rig.BoardLines();
    if (restart)
        ArmRestart(rig, std::max<qint64>(2, bytes * 2 / 5));
    const TTimedRun run = TimedRun(op, rig, quietMs, "/ " + Variant);
    const qint64 commands = rig.BoardLines().size();
    qint64 allowedMs = quietMs + op.LimitMs + 1000;
    if (Variant == "slow")
        allowedMs += commands * SlowAnswerMs;
    if (Variant == "flash")
        allowedMs += SlowSaveMs;
    if (Variant == "extra") // each answer read on until the line is quiet
        allowedMs += commands * TBoardLink::AfterPromptQuietMs;
    if (restart)
        allowedMs += TFaults().RebootMs + ListingSilenceMs;
    QVERIFY2(run.Ms <= allowedMs, qPrintable(QString("took %1 ms").arg(run.Ms)));
    QVERIFY2(rig.Dialogs.Unexpected.isEmpty(), qPrintable(rig.Dialogs.Unexpected.join(" | ")));
    // An extra prompt is told from an answer's own only by what follows it:
    // where a further answer follows (the second store of a flash save), the
    // operation fails as out of step, which is allowed; elsewhere it passes.
    if (!restart && Variant != "extra")
        QVERIFY2(run.Outcome.ReportedOk,
                 qPrintable(run.Shown.join(" | ") + " " + QString::fromLatin1(run.Outcome.Result)));
    CheckOutcome(op, rig, run, quiet);
    cell.Pass(run.Outcome.ReportedOk ? "pass (ok)" : "pass (msg)");
}

} // namespace

class TestFaults : public QObject {
    Q_OBJECT
private slots:
    void operation_data() {
        QTest::addColumn<int>("index");
        const QList<TOp> ops = Operations();
        for (int i = 0; i < ops.size(); ++i)
            QTest::newRow(qPrintable(ops[i].Name)) << i;
    }
    void operation() {
        QFETCH(int, index);
        const TOp op = Operations()[index];
        TCell cell(op.Name);
        TSimOptions options;
        options.LogDumpBytes = 12 * 1024;
        options.CalGyroMs = 1000;
        options.CalMagPeriodMs = 200;
        for (const QByteArray& s : TTelemetry::Streams())
            options.StreamPeriodMs.insert(s, 1); // the highest rate, when switched on
        TPanelRig rig(options, PacedColumn());
        rig.OpenMon = false;
        rig.Start();
        const QString file = op.File.isEmpty() ? QString() : rig.Dir.filePath(op.File);

        // A quiet board first: the reference result, time and output size.
        if (!op.Connects)
            QVERIFY(rig.Connect());
        PrepareRun(op, rig, false);
        QElapsedTimer t;
        t.start();
        qint64 bytes = rig.Tap->Written;
        const TOutcome quiet = op.Run(rig);
        const qint64 quietMs = t.elapsed();
        bytes = rig.Tap->Written - bytes;
        QVERIFY2(quiet.ReportedOk, qPrintable(rig.Shown().join(" | ")));
        if (op.Connects)
            QVERIFY(rig.Disconnect());

        if (Column == "interrupted") {
            Interrupted(op, rig, quiet, quietMs, cell);
            return;
        }
        if (Column == "meddled") {
            Meddled(op, rig, quiet, quietMs, cell);
            return;
        }
        if (Column == "variants") {
            Variants(op, rig, quiet, quietMs, bytes, cell);
            return;
        }
        // The fault, striking part-way into the operation's output.
        PrepareRun(op, rig, true);
        if (op.Connects && Column == "streams") {
            // Streams left running by an earlier session greet the connection.
            QVERIFY(rig.Connect());
            ArmFault(rig, 0);
            QVERIFY(rig.Disconnect());
        } else {
            ArmFault(rig, std::max<qint64>(2, bytes * 2 / 5));
        }
        const TTimedRun run =
            TimedRun(op, rig, quietMs, QString("/ %1 (at byte %2)").arg(Column).arg(bytes * 2 / 5));
        const TOutcome& faulty = run.Outcome;
        // Streams share the wire with the answers: the operation may take up
        // to twice as long, on top of its limit.
        const qint64 allowedMs = (Column == "streams" ? 2 : 1) * quietMs + op.LimitMs + 1000;
        QVERIFY2(run.Ms <= allowedMs, qPrintable(QString("took %1 ms").arg(run.Ms)));
        QVERIFY2(rig.Dialogs.Unexpected.isEmpty(), qPrintable(rig.Dialogs.Unexpected.join(" | ")));
        if (Column == "streams")
            QVERIFY2(faulty.ReportedOk, "full-rate streams disturbed the operation");
        CheckOutcome(op, rig, run, quiet);
        if (QTest::currentTestFailed())
            return;

        // Cleared: the panel connects (again, if it lost the link) and the
        // operation succeeds with the quiet board's result.
        ClearFault(rig);
        if (op.Connects && rig.Form->Connected)
            QVERIFY(rig.Disconnect());
        if (!op.Connects && !rig.Form->Connected) {
            rig.CloseWindows();
            QVERIFY(rig.Disconnect());
            QVERIFY(rig.Connect());
        }
        PrepareRun(op, rig, false);
        const TOutcome again = op.Run(rig);
        QVERIFY2(again.ReportedOk, qPrintable(rig.Shown().join(" | ")));
        QCOMPARE(again.Result, quiet.Result);
        cell.Pass(!faulty.ReportedOk              ? "pass (msg)"
                  : faulty.Result == quiet.Result ? "pass (ok)"
                                                  : "XFAIL (wrong data reported as success)");
    }

    void cliExport() {
        TCell cell("vantor-cli export");
        if (qEnvironmentVariable("VANTOR_CLI_BIN").isEmpty())
            QSKIP("VANTOR_CLI_BIN not set");
        if (Column == "meddled") {
            cell.Pass("n/a (nobody meddles with a script)");
            return;
        }
        const QStringList pace = PacedColumn() ? QStringList{} : QStringList{"--no-pace"};
        QTemporaryDir dir;
        const QString file = dir.filePath("backup.cfg");
        QByteArray reference;
        qint64 quietMs;
        {
            TSimProcess quiet(pace);
            QVERIFY(quiet.Ok);
            const TCliRun r = RunCli({"export", file}, quiet.Path, 60000);
            QCOMPARE(r.Exit, 0);
            reference = ReadAll(file);
            quietMs = r.Ms;
        }
        QVERIFY(WriteAll(file, OldFile));
        QString how = "pass (msg)";
        {
            TSimProcess board(pace + CliFaultOptions());
            QVERIFY(board.Ok);
            if (Column == "streams") {
                // Another program switched every stream on and left.
                QFile pty(board.Path);
                QVERIFY(pty.open(QIODevice::ReadWrite | QIODevice::Unbuffered));
                for (const QByteArray& s : TTelemetry::Streams())
                    pty.write("mon on " + s + "\r\n");
                QTest::qWait(500);
            }
            if (Column == "interrupted") {
                // An earlier run stopped with Ctrl-C part-way into a flight
                // log: the board is still printing it when the export starts.
                QProcess dump;
                dump.start(qEnvironmentVariable("VANTOR_CLI_BIN"),
                           {"--port", board.Path, "logs", "--flight", "3", dir.filePath("f.csv")});
                QVERIFY(dump.waitForStarted());
                QTest::qWait(1500);
                ::kill(static_cast<pid_t>(dump.processId()), SIGINT);
                QVERIFY(dump.waitForFinished(5000));
                QCOMPARE(dump.exitCode(), 1);
                QVERIFY(!QFile::exists(dir.filePath("f.csv")));
            }
            const TCliRun r = RunCli({"export", file}, board.Path, 60000);
            qDebug("vantor-cli export / %s: exit %d in %lld ms (quiet %lld ms): %s",
                   qPrintable(Column), r.Exit, r.Ms, quietMs, r.Err.trimmed().constData());
            // Its limits: 10 s for each prompt of the handshake, 3 s of
            // silence in a listing.
            const qint64 slowMs = Variant == "slow" ? 13 * SlowAnswerMs : 0;
            QVERIFY2(r.Ms <= quietMs + TMainForm::ConnectPromptLimitMs + 1000 + slowMs,
                     qPrintable(r.Err));
            // A board that keeps the interface, however it makes its choices.
            if (Column == "streams" || (!Variant.isEmpty() && !RestartVariants.contains(Variant)))
                QCOMPARE(r.Exit, 0);
            if (r.Exit == 0) {
                how = ReadAll(file) == reference ? "pass (ok)"
                                                 : "XFAIL (wrong data reported as success)";
                if (Column == "noise" && ReadAll(file) != reference)
                    QEXPECT_FAIL("", "no integrity check on the wire: noise passes as data",
                                 Continue);
                QCOMPARE(ReadAll(file), reference);
            } else {
                QCOMPARE(r.Exit, 1);
                const QByteArray line = r.Err.trimmed();
                QVERIFY2(!line.isEmpty() && !line.contains('\n'), r.Err.constData());
                for (char c : line)
                    QVERIFY2(c >= 0x20 && c < 0x7f, r.Err.constData()); // one English line
                QVERIFY2(line.startsWith("vantor-cli: "), r.Err.constData());
                if (Column == "silent" || Column == "unplug") // struck inside the export
                    QVERIFY2(line.contains("left unchanged"), r.Err.constData());
                QCOMPARE(ReadAll(file), OldFile);
            }
            QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"backup.cfg"});
        }
        // A sound board again: the same export succeeds.
        TSimProcess again(pace);
        QVERIFY(again.Ok);
        QCOMPARE(RunCli({"export", file}, again.Path, 60000).Exit, 0);
        QCOMPARE(ReadAll(file), reference);
        cell.Pass(how);
    }

    void cleanupTestCase() {
        std::printf("\nFault matrix, column \"%s\":\n",
                    qPrintable(Variant.isEmpty() ? Column : Column + " / " + Variant));
        bool allPass = true;
        for (const QString& op : Order()) {
            std::printf("  %-22s %s\n", qPrintable(op), qPrintable(Matrix()[op]));
            allPass = allPass && !Matrix()[op].startsWith("FAIL");
        }
        std::printf("  => %s\n\n", allPass ? "all pass" : "FAILURES");
        std::fflush(stdout);
    }
};

VANTOR_TEST_MAIN(TestFaults)
#include "tst_faults.moc"
