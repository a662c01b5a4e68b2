// The settings windows against the simulated board over the real serial
// worker: open a window, change one control of each kind, press
// "Применить", and check the lines the board executed and what it now holds.

#include "ScriptedDialogs.h"
#include "SettingsTestUtil.h"
#include "TestMain.h"
#include "TestPanel.h"
#include "settings/WinAdcSettingsUnit.h"
#include "settings/WinBatSettingsUnit.h"
#include "settings/WinHardConfigUnit.h"
#include "settings/WinImuSettingsUnit.h"
#include "settings/WinOSDControlsUnit.h"
#include "settings/WinStabControlUnit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

namespace {
using TEditFn = std::function<void(QWidget*)>;

TSettingsWindow* Open(const QByteArray& name) {
    if (name == "stab")
        return OpenTaskWindow(WinStabControl);
    if (name == "hard")
        return OpenTaskWindow(WinHardConfig);
    if (name == "osd")
        return OpenTaskWindow(WinOSDControls);
    if (name == "bat")
        return OpenTaskWindow(WinBatSettings);
    if (name == "adc")
        return OpenTaskWindow(WinAdcSettings);
    return OpenTaskWindow(WinImuSettings);
}
} // namespace
Q_DECLARE_METATYPE(TEditFn)

class TestSettingsE2E : public QObject {
    Q_OBJECT
private slots:
    void changeOfEachKindReachesTheBoard_data() {
        QTest::addColumn<QByteArray>("window");
        QTest::addColumn<QByteArray>("group");
        QTest::addColumn<TEditFn>("edit");
        QTest::addColumn<QByteArrayList>("executed"); // after the listing
        QTest::addColumn<QByteArrayList>("held");     // "name=value" on the board afterwards

        QTest::newRow("stabiliser: edit, sign flag, spin, plain flag, choice")
            << QByteArray("stab") << QByteArray("stab") << TEditFn([](QWidget* w) {
                   Ctl<QLineEdit>(w, "Roll_Sensitivity")->setText("1,5");
                   Ctl<QCheckBox>(w, "Board_Reverse_Pitch")->setChecked(true);
                   Ctl<QSpinBox>(w, "GAZ_Cruise")->setValue(600);
                   Ctl<QCheckBox>(w, "Flight_Logs_Allowed")->setChecked(false);
                   Ctl<QComboBox>(w, "Current_Autopilot_Mode")->setCurrentIndex(2);
               })
            << QByteArrayList{"set roll_sensitivity 1.5", "set board_reverse_pitch -1",
                              "set gaz_cruise 600", "set flight_logs_allowed 0",
                              "set current_autopilot_mode 2"}
            << QByteArrayList{"roll_sensitivity=1.5", "board_reverse_pitch=-1", "gaz_cruise=600",
                              "flight_logs_allowed=0", "current_autopilot_mode=2"};
        QTest::newRow("hardware: choice, plain flag")
            << QByteArray("hard") << QByteArray("stab") << TEditFn([](QWidget* w) {
                   Ctl<QComboBox>(w, "Receiver_Mode")->setCurrentIndex(2);
                   Ctl<QCheckBox>(w, "Mixers_Allowed")->setChecked(false);
               })
            << QByteArrayList{"set receiver_mode 2", "set mixers_allowed 0"}
            << QByteArrayList{"receiver_mode=2", "mixers_allowed=0"};
        QTest::newRow("OSD: choice, spin, flag, position pair")
            << QByteArray("osd") << QByteArray("osd") << TEditFn([](QWidget* w) {
                   Ctl<QComboBox>(w, "OSD_Resolution_Mode")->setCurrentIndex(0);
                   Ctl<QSpinBox>(w, "OSD_Comp_Voltage")->setValue(100);
                   Ctl<QCheckBox>(w, "OSD_Show_Horizon")->setChecked(false);
                   Ctl<QSpinBox>(w, "RSSI_X")->setValue(3);
                   Ctl<QSpinBox>(w, "RSSI_Y")->setValue(4);
               })
            << QByteArrayList{"set osd_resolution_mode 0", "set osd_comp_voltage 100",
                              "set osd_show_horizon 0", "set rssi_xy 3 4"}
            << QByteArrayList{"osd_resolution_mode=0", "osd_comp_voltage=100", "osd_show_horizon=0",
                              "rssi_xy=3,4"};
        QTest::newRow("batteries: edit with a decimal comma")
            << QByteArray("bat") << QByteArray("batteries") << TEditFn([](QWidget* w) {
                   Ctl<QLineEdit>(w, "Main_Battery_Full_V")->setText("12,7");
               })
            << QByteArrayList{"set main_battery_full_v 12.7"}
            << QByteArrayList{"main_battery_full_v=12.7"};
        QTest::newRow("ADC: edit")
            << QByteArray("adc") << QByteArray("adc_settings")
            << TEditFn([](QWidget* w) { Ctl<QLineEdit>(w, "CurrentSens_K")->setText("18.5"); })
            << QByteArrayList{"set currentsens_k 18.5"} << QByteArrayList{"currentsens_k=18.5"};
    }
    void changeOfEachKindReachesTheBoard() {
        QFETCH(QByteArray, window);
        QFETCH(QByteArray, group);
        QFETCH(TEditFn, edit);
        QFETCH(QByteArrayList, executed);
        QFETCH(QByteArrayList, held);
        TTestPanel panel;
        TScriptedDialogs dialogs;
        QVERIFY(panel.Connect());
        TSettingsWindow* w = Open(window);
        QVERIFY(w);
        QByteArrayList listing = panel.WaitBoardLines(window == "adc" ? 2 : 1);
        QCOMPARE(listing.value(0), "cat " + group);
        edit(w);
        w->BitBtn3->click();
        QByteArrayList lines = panel.WaitBoardLines(executed.size());
        lines.removeAll("mon on adc_values");
        QCOMPARE(lines, executed);
        for (const QByteArray& h : held) {
            const int eq = h.indexOf('=');
            QCOMPARE(panel.BoardValue(group, h.left(eq)), h.mid(eq + 1));
        }
        w->BitBtn3->click(); // nothing changed since
        w->close();
        QTest::qWait(100);
        QByteArrayList rest = panel.TakeBoardLines();
        rest.removeAll("mon off adc_values");
        QCOMPARE(rest, QByteArrayList{});
        QVERIFY(dialogs.Messages.isEmpty() && dialogs.Errors.isEmpty());
    }

    void adcShowsTheBoardsLiveReadingsAndStopsTheStream() {
        TTestPanel panel;
        QVERIFY(panel.Connect());
        QVERIFY(OpenTaskWindow(WinAdcSettings));
        QCOMPARE(panel.WaitBoardLines(2),
                 (QByteArrayList{"cat adc_settings", "mon on adc_values"}));
        QTRY_VERIFY_WITH_TIMEOUT(
            Ctl<QLabel>(WinAdcSettings, "ADC_Main_bat")->text() != "ADC_Main_bat", 5000);
        WinAdcSettings->BitBtn2->click();
        QCOMPARE(panel.WaitBoardLines(1), QByteArrayList{"mon off adc_values"});
        panel.WithBoard([](TBoardSim& sim) { QVERIFY(!sim.StreamOn("adc_values")); });
    }

    void imuListsAndWritesTheFilterValues() {
        TTestPanel panel;
        QVERIFY(panel.Connect());
        QVERIFY(OpenTaskWindow(WinImuSettings));
        panel.WaitBoardLines(1);
        QCOMPARE(Ctl<QLineEdit>(WinImuSettings, "EKF_Mag_Variance")->text(), "0.5");
        Ctl<QLineEdit>(WinImuSettings, "EKF_Mag_Variance")->setText("0.7");
        WinImuSettings->BitBtn1->click();
        QCOMPARE(
            panel.WaitBoardLines(4),
            (QByteArrayList{"set EKF_Proc_Variance 0.0001", "set EKF_Accel_Variance 0.05",
                            "set EKF_Mag_Variance 0.7", "set EKF_Accel_Gravity_Cut_Off 0.15"}));
        QCOMPARE(panel.BoardValue("imu", "ekf_mag_variance"), QByteArray("0.7"));
    }

    void osdResetRestoresTheBoardsDefaults() {
        TTestPanel panel;
        QVERIFY(panel.Connect());
        QVERIFY(OpenTaskWindow(WinOSDControls));
        Ctl<QSpinBox>(WinOSDControls, "OSD_Comp_Voltage")->setValue(10);
        WinOSDControls->BitBtn3->click();
        // The reset follows at once: the set's prompt is still on its way.
        QTRY_COMPARE_WITH_TIMEOUT(panel.BoardValue("osd", "osd_comp_voltage"), QByteArray("10"),
                                  2000);
        panel.TakeBoardLines();
        Ctl<QPushButton>(WinOSDControls, "SpeedButton1")->click();
        QCOMPARE(panel.WaitBoardLines(2), (QByteArrayList{"reset osd", "cat osd"}));
        QCOMPARE(Ctl<QSpinBox>(WinOSDControls, "OSD_Comp_Voltage")->value(), 120);
        QCOMPARE(panel.BoardValue("osd", "osd_comp_voltage"), QByteArray("120"));
        WinOSDControls->close();
    }

    void silentBoardDoesNotHangAWindow_data() {
        QTest::addColumn<QByteArray>("window");
        // One window per way of listing ("stab", "hard" and "bat" list alike).
        for (const char* w : {"stab", "osd", "adc", "imu"})
            QTest::newRow(w) << QByteArray(w);
    }
    void silentBoardDoesNotHangAWindow() {
        QFETCH(QByteArray, window);
        TSimOptions options;
        options.Faults.SilenceAfterCommand = "echo off"; // silent once connected
        TTestPanel panel(options);
        TScriptedDialogs dialogs;
        QVERIFY(panel.Connect());
        QVERIFY(!Open(window)); // gives up after the silence limit, dropped
        QCOMPARE(dialogs.Messages.size(), 1);
        QVERIFY(dialogs.Messages[0].startsWith("Устройство не ответило"));
        QCOMPARE(panel.Area().subWindowList().size(), 0);
    }
};

VANTOR_TEST_MAIN(TestSettingsE2E)
#include "tst_settings_e2e.moc"
