// The simulated board's settings commands: every listing's shape, "set",
// the row forms, "reset", "save" and "ver".

#include "SimTestUtil.h"
#include "link/Proc.h"

#include <QTemporaryDir>
#include <QTest>

using namespace simtest;

class TestSimSettings : public QObject {
    Q_OBJECT

    static QByteArrayList Names(const QByteArrayList& listing) {
        QByteArrayList names;
        for (const QByteArray& l : listing) {
            QByteArray n, v;
            if (SplitParamLine(l, n, v))
                names << n;
        }
        return names;
    }

private slots:
    void groupListing_data() {
        QTest::addColumn<QByteArray>("group");
        QTest::addColumn<QByteArray>("separator");
        // Names each window binds; the board lists them all (and more).
        QTest::addColumn<QByteArrayList>("required");
        QTest::newRow("stab: stabiliser and hardware windows")
            << QByteArray("stab") << QByteArray(" = ")
            << QByteArrayList{"roll_sensitivity",
                              "board_reverse_pitch",
                              "servo_reverse_roll_left_out",
                              "stick_reverse_yaw",
                              "gaz_minimum",
                              "gaz_cruise",
                              "gaz_maximum",
                              "baro_altitude_inair_border",
                              "flight_logs_allowed",
                              "gaz_cruise_delta",
                              "home_point_alt",
                              "turn_damp_amplifier",
                              "nav_test_mode",
                              "current_autopilot_mode",
                              "test_ruder",
                              "receiver_mode",
                              "module_ppm_input_mode",
                              "mixers_allowed"};
        QTest::newRow("osd: flags, modes and position pairs")
            << QByteArray("osd") << QByteArray(" = ")
            << QByteArrayList{"osd_resolution_mode",
                              "osd_comp_voltage",
                              "osd_left_offset",
                              "osd_top_lines_offset",
                              "osd_lang",
                              "osd_show_horizon",
                              "osd_force_show",
                              "rssi_xy",
                              "start_mode_xy",
                              "adv_altitude_xy",
                              "adv_flight_time_xy",
                              "adv_horizon_type"};
        QTest::newRow("imu: the filter window's four, no blanks around =")
            << QByteArray("imu") << QByteArray("=")
            << QByteArrayList{"ekf_proc_variance", "ekf_accel_variance", "ekf_mag_variance",
                              "ekf_accel_gravity_cut_off"};
        QTest::newRow("adc_settings") << QByteArray("adc_settings") << QByteArray(" = ")
                                      << QByteArrayList{"mainbattery_c1", "air_speed_koef_k",
                                                        "rssi_sens_min_v", "currentsens_b"};
        QTest::newRow("batteries") << QByteArray("batteries") << QByteArray(" = ")
                                   << QByteArrayList{"main_battery_full_v", "main_battery_full_c",
                                                     "third_battery_empty_v"};
        QTest::newRow("gyro") << QByteArray("gyro") << QByteArray(" = ")
                              << QByteArrayList{"gyro_bias_x", "gyro_bias_y", "gyro_bias_z"};
        QTest::newRow("mag") << QByteArray("mag") << QByteArray(" = ")
                             << QByteArrayList{"mag_bias_x", "mag_bias_y", "mag_bias_z"};
    }
    void groupListing() {
        QFETCH(QByteArray, group);
        QFETCH(QByteArray, separator);
        QFETCH(QByteArrayList, required);
        TBoardSim sim;
        Quiet(sim);
        const QByteArray out = Ask(sim, "cat " + group);
        // The standing prompt is ended first; the listing ends with a bare prompt.
        QVERIFY(out.startsWith("\r\n"));
        QVERIFY(out.endsWith("\r\n=>"));
        const QByteArrayList lines = Listing(sim, "cat " + group);
        for (const QByteArray& l : lines) {
            QVERIFY2(l.count(separator.trimmed()) >= 1, l.constData());
            const QByteArray name = l.left(l.indexOf(separator));
            QVERIFY2(!name.isEmpty() && name == LowerAscii(name) && !name.contains(' '),
                     l.constData());
            QVERIFY2(l.indexOf(separator) == name.size() && !l.contains('\r'), l.constData());
        }
        const QByteArrayList names = Names(lines);
        for (const QByteArray& r : required)
            QVERIFY2(names.contains(r), r.constData());
        QVERIFY2(names.size() > required.size(), "a few parameters no window shows");
        QCOMPARE(QSet<QByteArray>(names.begin(), names.end()).size(), names.size());
    }

    void osdPairsAreXCommaY() {
        TBoardSim sim;
        Quiet(sim);
        int pairs = 0;
        for (const QByteArray& l : Listing(sim, "cat osd")) {
            QByteArray n, v;
            SplitParamLine(l, n, v);
            if (!n.contains("_xy"))
                continue;
            ++pairs;
            const QByteArrayList xy = v.split(',');
            int x = -1, y = -1;
            QVERIFY2(xy.size() == 2 && TryStrToInt(xy[0], x) && TryStrToInt(xy[1], y), l.data());
            QVERIFY(x >= 0 && x <= 1000 && y >= 0 && y <= 1000);
        }
        QCOMPARE(pairs, 15 + 27);
    }

    void rowListings_data() {
        QTest::addColumn<QByteArray>("cmd");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("rows");
        QTest::newRow("control in") << QByteArray("cat control in") << 0 << 24;
        QTest::newRow("control out") << QByteArray("cat control out") << 0 << 24;
        QTest::newRow("control mixers") << QByteArray("cat control mixers") << 1 << 15;
    }
    void rowListings() {
        QFETCH(QByteArray, cmd);
        QFETCH(int, first);
        QFETCH(int, rows);
        TBoardSim sim;
        Quiet(sim);
        const QByteArrayList lines = Listing(sim, cmd);
        QCOMPARE(lines.size(), rows + 1);
        // The heading is skipped by the window ("#") and by the export
        // ("type" / "Type" and "MIXERS").
        QVERIFY(lines[0].startsWith('#'));
        QVERIFY(lines[0].contains("type") || lines[0].contains("MIXERS"));
        for (int i = 0; i < rows; ++i) {
            const QByteArray& l = lines[i + 1];
            QVERIFY2(l.startsWith(QByteArray::number(first + i) + ": "), l.constData());
            const QByteArrayList f = l.mid(l.indexOf(':') + 2).split(' ');
            QCOMPARE(f.size(), 5);
            for (const QByteArray& x : f) {
                int v;
                QVERIFY2(TryStrToInt(x, v), l.constData());
            }
            QVERIFY(!l.contains('='));
        }
    }

    void waypointListing() {
        TBoardSim sim;
        Quiet(sim);
        const QByteArrayList lines = Listing(sim, "cat wp");
        QVERIFY(lines.size() >= 3);
        QVERIFY(lines[0].contains("Waypoints"));
        QVERIFY(lines[1].contains("latitude"));
        QCOMPARE(lines[2], QByteArray("1: 55.751244, 37.618423, 120"));
        for (int i = 2; i < lines.size(); ++i)
            QCOMPARE(lines[i].count(", "), 2);
    }

    void setThenCat_data() {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QByteArray>("group");
        QTest::addColumn<QByteArray>("expectedLine");
        QTest::newRow("stab value") << QByteArray("set gaz_cruise 600") << QByteArray("stab")
                                    << QByteArray("gaz_cruise = 600");
        QTest::newRow("sign flag") << QByteArray("set board_reverse_pitch -1") << QByteArray("stab")
                                   << QByteArray("board_reverse_pitch = -1");
        QTest::newRow("osd pair as two numbers")
            << QByteArray("set rssi_xy 10 25") << QByteArray("osd")
            << QByteArray("rssi_xy = 10,25");
        QTest::newRow("filter name spelled as the window does")
            << QByteArray("set EKF_Proc_Variance 1E-4") << QByteArray("imu")
            << QByteArray("ekf_proc_variance=1E-4");
        QTest::newRow("battery decimal")
            << QByteArray("set main_battery_full_v 12.7") << QByteArray("batteries")
            << QByteArray("main_battery_full_v = 12.7");
        QTest::newRow("calibration bias") << QByteArray("set mag_bias_x -3.5") << QByteArray("mag")
                                          << QByteArray("mag_bias_x = -3.5");
        QTest::newRow("adc") << QByteArray("set currentsens_k 20.1") << QByteArray("adc_settings")
                             << QByteArray("currentsens_k = 20.1");
    }
    void setThenCat() {
        QFETCH(QByteArray, command);
        QFETCH(QByteArray, group);
        QFETCH(QByteArray, expectedLine);
        TBoardSim sim;
        Quiet(sim);
        QCOMPARE(Ask(sim, command), QByteArray("\r\n=>"));
        QVERIFY(Listing(sim, "cat " + group).contains(expectedLine));
    }

    // A command the board does not take gets one error line, then the
    // prompt, and changes nothing; an action it takes gets at most one line.
    void answersOfOneLine_data() {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<bool>("error");
        QTest::newRow("unknown parameter") << QByteArray("set no_such_thing 1") << true;
        QTest::newRow("missing value") << QByteArray("set gaz_cruise") << true;
        QTest::newRow("row index out of range")
            << QByteArray("set ch_in  24 1 1 1000 1500 2000") << true;
        QTest::newRow("row with a word") << QByteArray("set ch_out  1 x 1 1000 1500 2000") << true;
        QTest::newRow("mixer column 6") << QByteArray("set mix  7 6 10") << true;
        QTest::newRow("mixer 0") << QByteArray("set mix  0 1 10") << true;
        QTest::newRow("word") << QByteArray("fly away") << true;
        QTest::newRow("cat of nothing") << QByteArray("cat nothing") << true;
        QTest::newRow("mon of unknown stream") << QByteArray("mon on radar") << true;
        QTest::newRow("reset of unknown") << QByteArray("reset everything") << true;
        QTest::newRow("cal of unknown") << QByteArray("cal baro") << true;
        QTest::newRow("echo maybe") << QByteArray("echo maybe") << true;
        QTest::newRow("dump of an unknown flight") << QByteArray("log dump 99") << true;
        QTest::newRow("save ref") << QByteArray("save ref") << false;
        QTest::newRow("start current_integ") << QByteArray("start current_integ") << false;
        QTest::newRow("mon on") << QByteArray("mon on gyro") << false;
        QTest::newRow("mon off") << QByteArray("mon off gyro") << false;
    }
    void answersOfOneLine() {
        QFETCH(QByteArray, command);
        QFETCH(bool, error);
        TBoardSim sim;
        Quiet(sim);
        const TBoardState before = sim.State();
        const QByteArray out = Ask(sim, command);
        if (!error) { // the prompt, perhaps after a line saying what was done
            QVERIFY2(out.endsWith("\r\n=>") && out.count("\r\n") <= 2, out.constData());
            return;
        }
        const QByteArrayList lines = Lines(out);
        QCOMPARE(lines.size(), 3); // prompt's line end, the error, the prompt
        QVERIFY(!lines[1].isEmpty());
        QCOMPARE(lines[2], QByteArray("=>"));
        QCOMPARE(sim.State().Inputs, before.Inputs);
        QCOMPARE(sim.State().Mixers, before.Mixers);
        QCOMPARE(sim.State().Groups, before.Groups);
    }

    void rowSetForms_data() {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QByteArray>("listing");
        QTest::addColumn<QByteArray>("row");
        QTest::newRow("input, window form")
            << QByteArray("set ch_in  0 11 3 1000 1500 2000") << QByteArray("cat control in")
            << QByteArray("0: 11 3 1000 1500 2000");
        QTest::newRow("input, export form")
            << QByteArray("set ch_in 23 16 24 900 1450 2100") << QByteArray("cat control in")
            << QByteArray("23: 16 24 900 1450 2100");
        QTest::newRow("output, type -1 kept")
            << QByteArray("set ch_out  13 -1 0 1000 1500 2000") << QByteArray("cat control out")
            << QByteArray("13: -1 0 1000 1500 2000");
        QTest::newRow("mixer column")
            << QByteArray("set mix  7 2 -20") << QByteArray("cat control mixers")
            << QByteArray("7: 0 -20 0 0 0");
        QTest::newRow("mixer, export form")
            << QByteArray("set mix 15 5 150") << QByteArray("cat control mixers")
            << QByteArray("15: 0 0 0 0 150");
        QTest::newRow("waypoint, export form")
            << QByteArray("set wp 2 55.1 37.2 300") << QByteArray("cat wp")
            << QByteArray("2: 55.1, 37.2, 300");
        QTest::newRow("waypoint appended") << QByteArray("set wp 9 1.5 2.5 50")
                                           << QByteArray("cat wp") << QByteArray("9: 1.5, 2.5, 50");
    }
    void rowSetForms() {
        QFETCH(QByteArray, command);
        QFETCH(QByteArray, listing);
        QFETCH(QByteArray, row);
        TBoardSim sim;
        Quiet(sim);
        QCOMPARE(Ask(sim, command), QByteArray("\r\n=>"));
        QVERIFY2(Listing(sim, listing).contains(row), row.constData());
    }

    void resetRestoresDefaults_data() {
        QTest::addColumn<QByteArrayList>("changes");
        QTest::addColumn<QByteArray>("reset");
        QTest::addColumn<QByteArrayList>("listings");
        QTest::addColumn<QByteArray>("untouched"); // a listing the reset leaves alone
        QTest::newRow("osd") << QByteArrayList{"set osd_lang 0", "set rssi_xy 1 1"}
                             << QByteArray("reset osd") << QByteArrayList{"cat osd"}
                             << QByteArray("cat stab");
        QTest::newRow("imu") << QByteArrayList{"set ekf_mag_variance 9"} << QByteArray("reset imu")
                             << QByteArrayList{"cat imu"} << QByteArray("cat osd");
        QTest::newRow("control in")
            << QByteArrayList{"set ch_in  0 0 0 900 900 900"} << QByteArray("reset control in")
            << QByteArrayList{"cat control in"} << QByteArray("cat control mixers");
        QTest::newRow("control mixers resets outputs and mixers")
            << QByteArrayList{"set ch_out  0 0 0 900 900 900", "set mix  6 1 50"}
            << QByteArray("reset control mixers")
            << QByteArrayList{"cat control out", "cat control mixers"}
            << QByteArray("cat control in");
    }
    void resetRestoresDefaults() {
        QFETCH(QByteArrayList, changes);
        QFETCH(QByteArray, reset);
        QFETCH(QByteArrayList, listings);
        QFETCH(QByteArray, untouched);
        TBoardSim sim;
        Quiet(sim);
        QList<QByteArrayList> defaults;
        for (const QByteArray& l : listings)
            defaults << Listing(sim, l);
        Ask(sim, "set gaz_cruise 700");
        Ask(sim, "set ch_in  5 1 1 1 1 1");
        Ask(sim, "set mix  9 1 1");
        const QByteArrayList otherBefore = Listing(sim, untouched);
        for (const QByteArray& c : changes)
            Ask(sim, c);
        QVERIFY(Listing(sim, listings[0]) != defaults[0]);
        const QByteArrayList answer = Lines(Ask(sim, reset));
        QCOMPARE(answer.last(), QByteArray("=>"));
        for (int i = 0; i < listings.size(); ++i)
            QCOMPARE(Listing(sim, listings[i]), defaults[i]);
        QCOMPARE(Listing(sim, untouched), otherBefore);
    }

    // What outlives a restart: with a state file, what the saves stored (a
    // damaged file keeps the defaults of what it cannot read); without one,
    // nothing.
    void persistenceAcrossRestart_data() {
        QTest::addColumn<bool>("stateFile");
        QTest::addColumn<QByteArray>("fileText"); // written before the first start
        QTest::addColumn<QByteArrayList>("typed");
        QTest::addColumn<QByteArrayList>("expected"); // "group|line"
        QTest::newRow("both saves")
            << true << QByteArray()
            << QByteArrayList{"set gaz_cruise 640",     "set rssi_xy 7 9",
                              "set wp 5 1.0 2.0 30",    "set ch_in  2 13 7 950 1500 2050",
                              "set mix  8 3 -45",       "save config",
                              "set home_point_alt 999", "save controls"}
            << QByteArrayList{"stab|gaz_cruise = 640",
                              "stab|home_point_alt = 120",
                              "osd|rssi_xy = 7,9",
                              "wp|5: 1.0, 2.0, 30",
                              "control in|2: 13 7 950 1500 2050",
                              "control mixers|8: 0 0 -45 0 0"};
        QTest::newRow("save config keeps the controls unsaved")
            << true << QByteArray()
            << QByteArrayList{"set ch_in  0 1 1 1000 1500 2000", "set gaz_cruise 610",
                              "save config"}
            << QByteArrayList{"stab|gaz_cruise = 610", "control in|0: 2 1 1000 1500 2000"};
        QTest::newRow("without a state file nothing persists")
            << false << QByteArray() << QByteArrayList{"set gaz_cruise 640", "save config"}
            << QByteArrayList{"stab|gaz_cruise = 560"};
        QTest::newRow("damaged state file")
            << true
            << QByteArray("stab.gaz_cruise=600\ngarbage\nin.99=1 2 3 4 5\nin.1=1 2\n"
                          "mix.3=1 2 3 4 5\n")
            << QByteArrayList{}
            << QByteArrayList{"stab|gaz_cruise = 600", "control in|1: 3 1 1000 1500 2000",
                              "control mixers|3: 1 2 3 4 5"};
    }
    void persistenceAcrossRestart() {
        QFETCH(bool, stateFile);
        QFETCH(QByteArray, fileText);
        QFETCH(QByteArrayList, typed);
        QFETCH(QByteArrayList, expected);
        QTemporaryDir dir;
        TSimOptions opt;
        if (stateFile)
            opt.StatePath = dir.filePath("board.state");
        if (!fileText.isEmpty()) {
            QFile f(opt.StatePath);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(fileText) == fileText.size());
        }
        {
            TBoardSim sim(opt);
            Quiet(sim);
            for (const QByteArray& line : typed)
                Ask(sim, line);
        }
        TBoardSim sim(opt);
        Quiet(sim);
        for (const QByteArray& e : expected) {
            const QByteArrayList parts = e.split('|');
            QVERIFY2(Listing(sim, "cat " + parts[0]).contains(parts[1]), e.constData());
        }
    }
};

QTEST_GUILESS_MAIN(TestSimSettings)
#include "tst_sim_settings.moc"
