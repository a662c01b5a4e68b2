// The settings windows as the operator uses them: each window's form
// against its table, the particular rules of each window (sign flags, spin
// bounds, choices, position pairs and pages, the live ADC readings and their
// stream, the IMU filter window) on a scripted board, and a change of each
// kind, the live readings and a reset against the simulated board.

#include "ScriptedDialogs.h"
#include "ScriptedPanel.h"
#include "SettingsShown.h"
#include "TestMain.h"
#include "TestPanel.h"
#include "TestSupport.h"
#include "link/Proc.h"
#include "settings/WinAdcSettingsUnit.h"
#include "settings/WinBatSettingsUnit.h"
#include "settings/WinHardConfigUnit.h"
#include "settings/WinImuSettingsUnit.h"
#include "settings/WinOSDControlsUnit.h"
#include "settings/WinStabControlUnit.h"

#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

namespace {
// Opens a settings window by name.
TSettingsWindow* OpenByName(const QByteArray& name) {
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

struct TWindowInfo {
    QByteArray Group; // the "cat" argument
    const TParamTable* Table;
};
TWindowInfo Info(const QByteArray& name) {
    if (name == "stab")
        return {"stab", &TWinStabControl::Table()};
    if (name == "hard")
        return {"stab", &TWinHardConfig::Table()};
    if (name == "osd")
        return {"osd", &TWinOSDControls::Table()};
    if (name == "bat")
        return {"batteries", &TWinBatSettings::Table()};
    if (name == "adc")
        return {"adc_settings", &TWinAdcSettings::Table()};
    return {"imu", nullptr};
}

int CountNamed(QWidget* root, const QByteArray& name) {
    int n = 0;
    for (QWidget* w : root->findChildren<QWidget*>())
        n += SameNameNoCase(w->objectName().toLatin1(), name);
    return n;
}
} // namespace

class TestSettingsWindows : public QObject {
    Q_OBJECT
private slots:
    void formIntegrity_data() {
        QTest::addColumn<QByteArray>("window");
        for (const char* w : {"stab", "hard", "osd", "bat", "adc"})
            QTest::newRow(w) << QByteArray(w);
    }
    // Every parameter of the table has exactly one control, where the
    // binding looks for it, and every control the binding handles there is
    // in the table.
    void formIntegrity() {
        QFETCH(QByteArray, window);
        TScriptedPanel panel;
        TScriptedDialogs dialogs;
        auto* w = static_cast<TParamWindow*>(OpenByName(window));
        QVERIFY(w);
        const TParamTable& table = *Info(window).Table;
        QSet<QByteArray> declared;
        for (const QByteArray& n : ControlNames(table)) {
            declared.insert(LowerAscii(n));
            QCOMPARE(CountNamed(w, n), 1);
            QWidget* c = w->Binding().FindParamControl(LowerAscii(n));
            QVERIFY2(c && c->objectName().toLatin1() == n, n.constData());
        }
        for (const QByteArray& container : w->Binding().Config().Containers) {
            QWidget* c = w->findChild<QWidget*>(container);
            QVERIFY(c);
            for (QObject* o : c->children())
                if (o->isWidgetType() &&
                    w->Binding().KindOf(static_cast<QWidget*>(o)) != TParamKind::None)
                    QVERIFY2(declared.contains(LowerAscii(o->objectName().toLatin1())),
                             qPrintable(o->objectName()));
        }
        w->close();
    }

    // The cases particular to each window.
    void windowCases_data() {
        QTest::addColumn<QByteArray>("window");
        QTest::addColumn<QByteArrayList>("listing");
        QTest::addColumn<QByteArray>("control");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("operatorSets"); // "" = untouched
        QTest::addColumn<QByteArrayList>("sent");
        QTest::newRow("receiver mode is not the stabiliser window's")
            << QByteArray("stab") << QByteArrayList{"receiver_mode = 2", "test_alt = 1"}
            << QByteArray("Test_Alt") << "1"
            << "" << QByteArrayList{};
        QTest::newRow("mixers allowed is a plain flag")
            << QByteArray("hard") << QByteArrayList{"mixers_allowed = 0"}
            << QByteArray("Mixers_Allowed") << "unchecked"
            << "checked" << Lines({"set mixers_allowed 1"});
        QTest::newRow("OSD item named like a pair's half is a plain spin")
            << QByteArray("osd") << QByteArrayList{"adv_altitude_x = 7"}
            << QByteArray("Adv_Altitude_X") << "7"
            << "8" << Lines({"set adv_altitude_x 8"});
    }
    void windowCases() {
        QFETCH(QByteArray, window);
        QFETCH(QByteArrayList, listing);
        QFETCH(QByteArray, control);
        QFETCH(QString, shown);
        QFETCH(QString, operatorSets);
        QFETCH(QByteArrayList, sent);
        TScriptedPanel panel;
        TScriptedDialogs dialogs;
        panel.SetAnswer("cat " + Info(window).Group, listing);
        TSettingsWindow* w = OpenByName(window);
        QVERIFY(w);
        QCOMPARE(Shown(Ctl<QWidget>(w, control)), shown);
        if (!operatorSets.isEmpty())
            Operate(w, {control + "=" + operatorSets});
        QCOMPARE(Applied(panel, w), sent);
        w->close();
        QVERIFY(dialogs.Errors.isEmpty() && dialogs.Messages.isEmpty());
    }

    void osdPageFollowsAppliedMode_data() {
        QTest::addColumn<QByteArray>("listed"); // osd_resolution_mode value, "" = not listed
        QTest::addColumn<bool>("lowShown");
        QTest::newRow("low resolution") << QByteArray("0") << true;
        QTest::newRow("high resolution") << QByteArray("1") << false;
        QTest::newRow("mode not listed: nothing selected") << QByteArray() << false;
    }
    void osdPageFollowsAppliedMode() {
        QFETCH(QByteArray, listed);
        QFETCH(bool, lowShown);
        TScriptedPanel panel;
        panel.SetAnswer("cat osd", listed.isEmpty()
                                       ? QByteArrayList{}
                                       : QByteArrayList{"osd_resolution_mode = " + listed});
        QVERIFY(OpenTaskWindow(WinOSDControls));
        TWinOSDControls* w = WinOSDControls;
        QTabWidget* tabs = w->PageControl1;
        auto low = [&] { return tabs->isTabVisible(tabs->indexOf(Ctl<QWidget>(w, "TabSheet2"))); };
        auto high = [&] { return tabs->isTabVisible(tabs->indexOf(Ctl<QWidget>(w, "TabSheet3"))); };
        QCOMPARE(low(), lowShown);
        QCOMPARE(high(), !lowShown);
        auto* mode = Ctl<QComboBox>(w, "OSD_Resolution_Mode");
        mode->setCurrentIndex(lowShown ? 1 : 0);
        QCOMPARE(low(), lowShown); // choosing alone does not switch
        panel.TakeSent();
        w->BitBtn3->click();
        QCOMPARE(panel.TakeSent(),
                 Lines({lowShown ? "set osd_resolution_mode 1" : "set osd_resolution_mode 0"})
                     .mid(0, listed.isEmpty() ? 0 : 1));
        QCOMPARE(low(), !lowShown);
        QCOMPARE(high(), lowShown);
        w->close();
    }

    void adcKeyWalking_data() {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QStringList>("shown"); // per AdcKeys, "-" = unchanged
        QTest::newRow("full payload")
            << QByteArray("BAT1=11.9 BAT2=0.0 BAT3=0.0 RSSI=1.20 AIR=0.51 CurV=0.60 CurI=2.3 "
                          "Cur_Used=120 AIR_Speed=0")
            << QStringList{"11.9 ", "0.0 ", "0.0 ", "1.20 ", "0.51 ", "0.60 ", "2.3 ", "120 ", "0"};
        QTest::newRow("no trailing blank after the last but one")
            << QByteArray("BAT1=1 BAT2=2 BAT3=3 RSSI=4 AIR=5 CurV=6 CurI=7 Cur_Used=120")
            << QStringList{"1 ", "2 ", "3 ", "4 ", "5 ", "6 ", "7 ", "", "-"};
        QTest::newRow("missing key leaves its label, later keys still filled")
            << QByteArray("BAT1=1 BAT2=2 BAT3=3 AIR=5 CurV=6 CurI=7 Cur_Used=8 AIR_Speed=9")
            << QStringList{"1 ", "2 ", "3 ", "-", "5 ", "6 ", "7 ", "8 ", "9"};
        QTest::newRow("keys out of order: the earlier one is lost")
            << QByteArray("BAT1=1 BAT2=2 AIR=5 BAT3=3 RSSI=4 CurV=6")
            << QStringList{"1 ", "2 ", "3 ", "4 ", "-", "", "-", "-", "-"};
        QTest::newRow("empty payload")
            << QByteArray() << QStringList{"-", "-", "-", "-", "-", "-", "-", "-", "-"};
    }
    void adcKeyWalking() {
        QFETCH(QByteArray, payload);
        QFETCH(QStringList, shown);
        TScriptedPanel panel;
        QVERIFY(OpenTaskWindow(WinAdcSettings));
        panel.Link().StoreTelemetry(TTelemetrySlot::Adc, payload);
        WinAdcSettings->Timer1Timer();
        for (int k = 0; k < 9; ++k) {
            const QString expected = shown[k] == "-" ? QString(AdcKeys[k].Label) : shown[k];
            QCOMPARE(Ctl<QLabel>(WinAdcSettings, AdcKeys[k].Label)->text(), expected);
        }
        WinAdcSettings->close();
    }

    void adcStreamStopsOnceOnEveryWayOfClosing_data() {
        QTest::addColumn<int>("way");
        QTest::newRow("Отмена") << 0;
        QTest::newRow("OK") << 1;
        QTest::newRow("close box") << 2;
        QTest::newRow("frame closes") << 3;
    }
    void adcStreamStopsOnceOnEveryWayOfClosing() {
        QFETCH(int, way);
        QByteArrayList sent;
        {
            TScriptedPanel panel;
            panel.SetAnswer("cat adc_settings", {"mainbattery_c1 = 3"});
            QVERIFY(OpenTaskWindow(WinAdcSettings));
            // The stream starts in a turn of its own right after the listing.
            QByteArrayList opened;
            QTRY_COMPARE(opened += panel.TakeSent(),
                         Lines({"cat adc_settings", "mon on adc_values"}));
            switch (way) {
            case 0:
                WinAdcSettings->BitBtn2->click();
                break;
            case 1:
                WinAdcSettings->BitBtn1->click();
                break;
            case 2:
                WinAdcSettings->close();
                break;
            default:
                panel.Area().closeAllSubWindows();
            }
            QTRY_VERIFY(WinAdcSettings.isNull());
            sent = panel.TakeSent();
        }
        QCOMPARE(sent, Lines({"mon off adc_values"}));
    }

    void adcWithSilentBoardIsDroppedWithoutStream() {
        TManualClock clock;
        clock.SetAutoStep(1000);
        TScriptedPanel panel(&clock);
        TScriptedDialogs dialogs;
        panel.SetSilent(true);
        QVERIFY(!OpenTaskWindow(WinAdcSettings));
        QCOMPARE(panel.TakeSent(), Lines({"cat adc_settings"}));
        QCOMPARE(dialogs.Messages.size(), 1);
    }

    // The IMU filter window: its matcher (blanks around "=" allowed), OK
    // sending only values the board listed or the operator typed, defaults
    // and horizon reference.
    void imuListingAndOk_data() {
        QTest::addColumn<QByteArrayList>("listing");
        QTest::addColumn<QStringList>("typed"); // per edit, "" = untouched
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QByteArrayList>("sent");
        QTest::newRow("name matched without case, value as received")
            << QByteArrayList{"ekf_proc_variance=1E-4"} << QStringList{"", "", "", ""}
            << QStringList{"1E-4", "EKF_Accel_Variance", "EKF_Mag_Variance",
                           "EKF_Accel_Gravity_Cut_Off"}
            << Lines({"set EKF_Proc_Variance 1E-4"});
        QTest::newRow("blanks around the equals sign")
            << QByteArrayList{"ekf_proc_variance = 0.001", "ekf_accel_variance = 0.5",
                              "ekf_mag_variance = 0.8", "ekf_accel_gravity_cut_off = 0.15"}
            << QStringList{"", "", "", ""} << QStringList{"0.001", "0.5", "0.8", "0.15"}
            << Lines({"set EKF_Proc_Variance 0.001", "set EKF_Accel_Variance 0.5",
                      "set EKF_Mag_Variance 0.8", "set EKF_Accel_Gravity_Cut_Off 0.15"});
        QTest::newRow("unlisted and untouched is never sent; typed is, unchanged")
            << QByteArrayList{"EKF_Mag_Variance=0.5", "other=1"} << QStringList{"", "0,2", "", ""}
            << QStringList{"EKF_Proc_Variance", "0,2", "0.5", "EKF_Accel_Gravity_Cut_Off"}
            << Lines({"set EKF_Accel_Variance 0,2", "set EKF_Mag_Variance 0.5"});
        QTest::newRow("emptied edit is not sent")
            << QByteArrayList{"EKF_Mag_Variance=0.5"} << QStringList{"", "", "-", ""}
            << QStringList{"EKF_Proc_Variance", "EKF_Accel_Variance", "",
                           "EKF_Accel_Gravity_Cut_Off"}
            << QByteArrayList{};
    }
    void imuListingAndOk() {
        QFETCH(QByteArrayList, listing);
        QFETCH(QStringList, typed);
        QFETCH(QStringList, shown);
        QFETCH(QByteArrayList, sent);
        TScriptedPanel panel;
        panel.SetAnswer("cat imu", listing);
        QVERIFY(OpenTaskWindow(WinImuSettings));
        for (int i = 0; i < 4; ++i) {
            auto* e = Ctl<QLineEdit>(WinImuSettings, TWinImuSettings::Names()[i]);
            if (typed[i] == "-")
                e->clear();
            else if (!typed[i].isEmpty())
                e->setText(typed[i]);
            QCOMPARE(e->text(), shown[i]);
        }
        panel.TakeSent();
        WinImuSettings->BitBtn1->click();
        QTRY_VERIFY(WinImuSettings.isNull());
        QCOMPARE(panel.TakeSent(), sent);
    }

    void imuButtons() {
        TScriptedPanel panel;
        panel.SetAnswer("cat imu", {"EKF_Proc_Variance=1"});
        QVERIFY(OpenTaskWindow(WinImuSettings));
        panel.TakeSent();
        Ctl<QPushButton>(WinImuSettings, "SpeedButton2")->click();
        QCOMPARE(panel.TakeSent(), Lines({"save ref"}));
        auto* proc = Ctl<QLineEdit>(WinImuSettings, "EKF_Proc_Variance");
        QCOMPARE(proc->text(), "1");
        panel.SetAnswer("cat imu", {"EKF_Proc_Variance=0.001"});
        Ctl<QPushButton>(WinImuSettings, "SpeedButton1")->click();
        QCOMPARE(panel.TakeSent(), Lines({"reset imu", "cat imu"}));
        QCOMPARE(proc->text(), "0.001");
        WinImuSettings->BitBtn2->click(); // Отмена
        QTRY_VERIFY(WinImuSettings.isNull());
        QCOMPARE(panel.TakeSent(), QByteArrayList{});
    }

    // --- against the simulated board ---------------------------------------------

    void changeOfEachKindReachesTheBoard_data() {
        QTest::addColumn<QByteArray>("window");
        QTest::addColumn<QStringList>("edits");
        QTest::addColumn<QByteArrayList>("executed"); // after the listing
        QTest::addColumn<QByteArrayList>("held");     // "name=value" on the board afterwards
        QTest::newRow("stabiliser: edit, sign flag, spin, plain flag, choice")
            << QByteArray("stab")
            << QStringList{"Roll_Sensitivity=1,5", "Board_Reverse_Pitch=checked", "GAZ_Cruise=600",
                           "Flight_Logs_Allowed=unchecked", "Current_Autopilot_Mode=Стабилизатор"}
            << QByteArrayList{"set roll_sensitivity 1.5", "set board_reverse_pitch -1",
                              "set gaz_cruise 600", "set flight_logs_allowed 0",
                              "set current_autopilot_mode 2"}
            << QByteArrayList{"roll_sensitivity=1.5", "board_reverse_pitch=-1", "gaz_cruise=600",
                              "flight_logs_allowed=0", "current_autopilot_mode=2"};
        QTest::newRow("hardware: choice, plain flag")
            << QByteArray("hard") << QStringList{"Receiver_Mode=СТДАПП", "Mixers_Allowed=unchecked"}
            << QByteArrayList{"set receiver_mode 2", "set mixers_allowed 0"}
            << QByteArrayList{"receiver_mode=2", "mixers_allowed=0"};
        QTest::newRow("OSD: choice, spin, flag, position pair")
            << QByteArray("osd")
            << QStringList{"OSD_Resolution_Mode=Низкое разрешение, простая графика",
                           "OSD_Comp_Voltage=100", "OSD_Show_Horizon=unchecked", "RSSI_X=3",
                           "RSSI_Y=4"}
            << QByteArrayList{"set osd_resolution_mode 0", "set osd_comp_voltage 100",
                              "set osd_show_horizon 0", "set rssi_xy 3 4"}
            << QByteArrayList{"osd_resolution_mode=0", "osd_comp_voltage=100", "osd_show_horizon=0",
                              "rssi_xy=3,4", "osd_lang=5"};
        QTest::newRow("batteries: edit with a decimal comma")
            << QByteArray("bat") << QStringList{"Main_Battery_Full_V=12,7"}
            << QByteArrayList{"set main_battery_full_v 12.7"}
            << QByteArrayList{"main_battery_full_v=12.7"};
        QTest::newRow("ADC: edit")
            << QByteArray("adc") << QStringList{"CurrentSens_K=18.5"}
            << QByteArrayList{"set currentsens_k 18.5"} << QByteArrayList{"currentsens_k=18.5"};
        QTest::newRow("IMU: OK sends every listed value")
            << QByteArray("imu") << QStringList{"EKF_Mag_Variance=0.7"}
            << QByteArrayList{"set EKF_Proc_Variance 0.0001", "set EKF_Accel_Variance 0.05",
                              "set EKF_Mag_Variance 0.7", "set EKF_Accel_Gravity_Cut_Off 0.15"}
            << QByteArrayList{"ekf_mag_variance=0.7"};
    }
    void changeOfEachKindReachesTheBoard() {
        QFETCH(QByteArray, window);
        QFETCH(QStringList, edits);
        QFETCH(QByteArrayList, executed);
        QFETCH(QByteArrayList, held);
        TTestPanel panel;
        TScriptedDialogs dialogs;
        QVERIFY(panel.Connect());
        // A choice listed beyond its items (osd_lang has two) stays as listed.
        panel.WithBoard([](TBoardSim& sim) {
            for (auto& p : sim.State().Groups["osd"])
                p.second = p.first == "osd_lang" ? "5" : p.second;
        });
        const QPointer<TSettingsWindow> w = OpenByName(window);
        QVERIFY(w);
        const QByteArray group = Info(window).Group;
        QCOMPARE(panel.WaitBoardLines(window == "adc" ? 2 : 1).value(0), "cat " + group);
        Operate(w, edits);
        QPushButton* apply = w->BitBtn3;
        (apply ? apply : w->BitBtn1)->click(); // the IMU window has OK only
        QCOMPARE(panel.WaitBoardLines(executed.size()), executed);
        for (const QByteArray& h : held)
            QCOMPARE(panel.BoardValue(group, h.left(h.indexOf('='))), h.mid(h.indexOf('=') + 1));
        if (apply) {
            apply->click(); // nothing changed since
            w->close();
        }
        QTRY_VERIFY(w.isNull());
        Exchange(panel.Link(), "ver"); // the sentinel: nothing before it but the stream's end
        QByteArrayList rest = panel.TakeBoardLines();
        rest.removeAll("mon off adc_values");
        QCOMPARE(rest, QByteArrayList{"ver"});
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
        Ctl<QPushButton>(WinAdcSettings, "SpeedButton1")->click();
        QCOMPARE(panel.WaitBoardLines(1), QByteArrayList{"start current_integ"});
        WinAdcSettings->BitBtn2->click();
        QCOMPARE(panel.WaitBoardLines(1), QByteArrayList{"mon off adc_values"});
        panel.WithBoard([](TBoardSim& sim) { QVERIFY(!sim.StreamOn("adc_values")); });
    }

    void osdResetRestoresTheBoardsDefaults() {
        TTestPanel panel;
        QVERIFY(panel.Connect());
        QVERIFY(OpenTaskWindow(WinOSDControls));
        Ctl<QSpinBox>(WinOSDControls, "OSD_Comp_Voltage")->setValue(10);
        panel.WaitBoardLines(1);
        WinOSDControls->BitBtn3->click();
        // The reset follows at once: the set's prompt must not be taken for
        // the reset's, nor the reset's end the relisting.
        Ctl<QPushButton>(WinOSDControls, "SpeedButton1")->click();
        QCOMPARE(panel.WaitBoardLines(3),
                 (QByteArrayList{"set osd_comp_voltage 10", "reset osd", "cat osd"}));
        QCOMPARE(Ctl<QSpinBox>(WinOSDControls, "OSD_Comp_Voltage")->value(), 120);
        QCOMPARE(panel.BoardValue("osd", "osd_comp_voltage"), QByteArray("120"));
        WinOSDControls->close();
    }
};

VANTOR_TEST_MAIN(TestSettingsWindows)
#include "tst_settings_windows.moc"
