// The settings windows as the operator uses them, against a scripted board:
// each window's form matches its table, the particular rules of each window
// (sign flags, spin bounds, choices, position pairs and pages, the live ADC
// readings and their stream, the IMU filter window), and how each looks.

#include "ScriptedDialogs.h"
#include "ScriptedPanel.h"
#include "SettingsTestUtil.h"
#include "TestMain.h"
#include "TestPanel.h"
#include "link/Proc.h"
#include "settings/WinAdcSettingsUnit.h"
#include "settings/WinBatSettingsUnit.h"
#include "settings/WinHardConfigUnit.h"
#include "settings/WinImuSettingsUnit.h"
#include "settings/WinOSDControlsUnit.h"
#include "settings/WinStabControlUnit.h"
#include "ui/TaskRegistry.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>

namespace {
// Opens one of the five binding windows by name.
TParamWindow* OpenByName(const QByteArray& name) {
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
    return nullptr;
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
    return {"adc_settings", &TWinAdcSettings::Table()};
}

TParamKind KindFor(TDefKind k) {
    switch (k) {
    case TDefKind::Edit:
        return TParamKind::Edit;
    case TDefKind::Choice:
        return TParamKind::Choice;
    case TDefKind::Spin:
    case TDefKind::PositionPair:
        return TParamKind::Spin;
    case TDefKind::Flag:
        return TParamKind::Flag;
    case TDefKind::SignFlag:
        return TParamKind::SignFlag;
    }
    return TParamKind::None;
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
    // Every parameter of the table has exactly one control, the binding finds
    // it with the table's kind, and every bound control is in the table.
    void formIntegrity() {
        QFETCH(QByteArray, window);
        TScriptedPanel panel;
        TScriptedDialogs dialogs;
        TParamWindow* w = OpenByName(window);
        QVERIFY(w);
        const TParamTable& table = *Info(window).Table;
        QSet<QByteArray> declared;
        for (const QByteArray& n : ControlNames(table))
            declared.insert(LowerAscii(n));
        for (const TParamDef& d : table) {
            QByteArrayList names = d.Kind == TDefKind::PositionPair
                                       ? QByteArrayList{d.Name + "_X", d.Name + "_Y"}
                                       : QByteArrayList{d.Name};
            for (const QByteArray& n : names) {
                QCOMPARE(CountNamed(w, n), 1);
                QWidget* c = w->Binding().FindParamControl(LowerAscii(n));
                QVERIFY2(c && c->objectName().toLatin1() == n, n.constData());
                QCOMPARE(int(w->Binding().KindOf(c)), int(KindFor(d.Kind)));
            }
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

    void actionsOpenTheirWindows_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("caption");
        QTest::newRow("stab") << "ActionStabControls"
                              << "Настройка параметров стабилизатора";
        QTest::newRow("hard") << "ActionWinHardConfig"
                              << "Аппаратная конфигурация";
        QTest::newRow("osd") << "Action_OSD_Settings"
                             << "Настройка OSD";
        QTest::newRow("adc") << "ActionADCSettings"
                             << "Настройка АЦП";
        QTest::newRow("bat") << "ActionBatParams"
                             << "Параметры батарей";
        QTest::newRow("imu") << "ActionIMU_Settings"
                             << "Настройка IMU";
    }
    void actionsOpenTheirWindows() {
        QFETCH(QString, action);
        QFETCH(QString, caption);
        static const bool registered = (RegisterSettingsWindows(), true);
        Q_UNUSED(registered);
        TScriptedPanel panel;
        TOpenWindowFn open = TaskWindowFor(action);
        QVERIFY(open);
        open();
        open(); // one instance
        QCOMPARE(panel.Area().subWindowList().size(), 1);
        QCOMPARE(panel.Area().subWindowList()[0]->windowTitle(), caption);
    }

    // The cases particular to the "stab" windows and the batteries window.
    void windowCases_data() {
        QTest::addColumn<QByteArray>("window");
        QTest::addColumn<QByteArrayList>("listing");
        QTest::addColumn<QByteArray>("control");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("operatorSets"); // "" = untouched
        QTest::addColumn<QByteArrayList>("sent");
        QTest::newRow("reversed board pitch, unchecked by the operator")
            << QByteArray("stab") << QByteArrayList{"board_reverse_pitch = -1"}
            << QByteArray("Board_Reverse_Pitch") << "checked"
            << "unchecked" << Lines({"set board_reverse_pitch 1"});
        QTest::newRow("cruise throttle above range")
            << QByteArray("stab") << QByteArrayList{"gaz_cruise = 2000"} << QByteArray("GAZ_Cruise")
            << "1023"
            << "" << Lines({"set gaz_cruise 1023"});
        QTest::newRow("receiver mode is not the stabiliser window's")
            << QByteArray("stab") << QByteArrayList{"receiver_mode = 2", "test_alt = 1"}
            << QByteArray("Test_Alt") << "1"
            << "" << QByteArrayList{};
        QTest::newRow("hardware window selects the receiver")
            << QByteArray("hard") << QByteArrayList{"roll_sensitivity = 1", "receiver_mode = 2"}
            << QByteArray("Receiver_Mode") << "СТДАПП"
            << "Специализированный" << Lines({"set receiver_mode 1"});
        QTest::newRow("mixers allowed is a plain flag")
            << QByteArray("hard") << QByteArrayList{"mixers_allowed = 0"}
            << QByteArray("Mixers_Allowed") << "unchecked"
            << "checked" << Lines({"set mixers_allowed 1"});
        QTest::newRow("vario test value with a decimal comma")
            << QByteArray("stab") << QByteArrayList{"test_alt_spd = 0"}
            << QByteArray("Test_Alt_Spd") << "0"
            << "3,5" << Lines({"set test_alt_spd 3.5"});
        QTest::newRow("autopilot mode choice")
            << QByteArray("stab") << QByteArrayList{"current_autopilot_mode = 1"}
            << QByteArray("Current_Autopilot_Mode") << "Ручное управление"
            << "Возврат на БАЗУ" << Lines({"set current_autopilot_mode 3"});
        QTest::newRow("battery voltage with a decimal comma")
            << QByteArray("bat") << QByteArrayList{"main_battery_full_v = 12.6"}
            << QByteArray("Main_Battery_Full_V") << "12.6"
            << "12,7" << Lines({"set main_battery_full_v 12.7"});
        QTest::newRow("adc formula factor")
            << QByteArray("adc") << QByteArrayList{"air_speed_koef_b = 1", "currentsens_k = 2"}
            << QByteArray("CurrentSens_K") << "2"
            << "2,5" << Lines({"set currentsens_k 2.5"});
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
        TParamWindow* w = OpenByName(window);
        QVERIFY(w);
        QWidget* c = Ctl<QWidget>(w, control);
        auto show = [&]() -> QString {
            if (auto* e = qobject_cast<QLineEdit*>(c))
                return e->text();
            if (auto* b = qobject_cast<QComboBox*>(c))
                return b->currentText();
            if (auto* s = qobject_cast<QSpinBox*>(c))
                return QString::number(s->value());
            return static_cast<QCheckBox*>(c)->isChecked() ? "checked" : "unchecked";
        };
        QCOMPARE(show(), shown);
        if (!operatorSets.isEmpty()) {
            if (auto* e = qobject_cast<QLineEdit*>(c))
                e->setText(operatorSets);
            else if (auto* b = qobject_cast<QComboBox*>(c))
                b->setCurrentText(operatorSets);
            else if (auto* ch = qobject_cast<QCheckBox*>(c))
                ch->setChecked(operatorSets == "checked");
        }
        panel.TakeSent();
        w->BitBtn3->click();
        QCOMPARE(panel.TakeSent(), sent);
        w->close();
        QVERIFY(dialogs.Errors.isEmpty() && dialogs.Messages.isEmpty());
    }

    void osdPositionPairs() {
        TScriptedPanel panel;
        panel.SetAnswer("cat osd", {"rssi_xy = 10,20", "main_bat_xy = 10", "adv_altitude_x = 7",
                                    "osd_resolution_mode = 0"});
        QVERIFY(OpenTaskWindow(WinOSDControls));
        TWinOSDControls* w = WinOSDControls;
        QCOMPARE(Ctl<QSpinBox>(w, "RSSI_X")->value(), 10);
        QCOMPARE(Ctl<QSpinBox>(w, "RSSI_Y")->value(), 20);
        QCOMPARE(w->Binding().Stored().Value("rssi_xy"), QByteArray("10,20"));
        QCOMPARE(Ctl<QSpinBox>(w, "Main_Bat_X")->value(), 46); // no comma: ignored
        QVERIFY(!w->Binding().Stored().Contains("main_bat_xy"));
        QCOMPARE(Ctl<QSpinBox>(w, "Adv_Altitude_X")->value(), 7); // own name: plain spin
        Ctl<QSpinBox>(w, "RSSI_Y")->setValue(25);
        Ctl<QSpinBox>(w, "Main_Bat_Y")->setValue(99);
        Ctl<QSpinBox>(w, "Adv_Altitude_X")->setValue(8);
        panel.TakeSent();
        w->BitBtn3->click();
        QCOMPARE(panel.TakeSent(), Lines({"set rssi_xy 10 25", "set adv_altitude_x 8"}));
        QCOMPARE(w->Binding().Stored().Value("rssi_xy"), QByteArray("10,25"));
        w->close();
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

    void adcTimerShowsLiveReadings() {
        TScriptedPanel panel;
        QVERIFY(OpenTaskWindow(WinAdcSettings));
        QCOMPARE(WinAdcSettings->Timer1->interval(), 250);
        panel.Link().StoreTelemetry(TTelemetrySlot::Adc, "BAT1=12.1 BAT2=0.0");
        QTRY_COMPARE(Ctl<QLabel>(WinAdcSettings, "ADC_Main_bat")->text(), "12.1 ");
        panel.TakeSent();
        Ctl<QPushButton>(WinAdcSettings, "SpeedButton1")->click();
        QCOMPARE(panel.TakeSent(), Lines({"start current_integ"}));
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
        QCOMPARE(WinImuSettings->BitBtn3, nullptr); // no "Применить"
        for (int i = 0; i < 4; ++i) {
            // Four plain edits, one of each name.
            QCOMPARE(CountNamed(WinImuSettings, TWinImuSettings::Names()[i]), 1);
            auto* e = Ctl<QLineEdit>(WinImuSettings, TWinImuSettings::Names()[i]);
            QVERIFY(e && e->metaObject() == &QLineEdit::staticMetaObject);
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
};

VANTOR_TEST_MAIN(TestSettingsWindows)
#include "tst_settings_windows.moc"
