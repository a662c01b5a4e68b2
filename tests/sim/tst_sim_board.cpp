// The simulated board driven directly: its settings commands (the listings'
// shape, "set" in the windows' forms, errors, "reset", what a restart keeps)
// and its activities over time (flight logs, calibration, telemetry streams,
// echo).

#include "SimTestUtil.h"
#include "archive/MemsCalibration.h"
#include "link/BoardLinkUnit.h"
#include "link/Proc.h"

#include <QTemporaryDir>
#include <QTest>

using namespace simtest;

namespace {
// The lines that are not telemetry (which alone starts with "$").
QByteArrayList WithoutTelemetry(const QByteArrayList& lines) {
    QByteArrayList out;
    for (const QByteArray& l : lines)
        if (!l.startsWith('$'))
            out << l;
    return out;
}

} // namespace

class TestSimBoard : public QObject {
    Q_OBJECT
private slots:
    // Each settings listing: "name = value" lines (the filter's without
    // blanks around "="), names lower-case and unique. That the board lists
    // every name a window binds is checked with the windows on this board.
    void groupListing_data() {
        QTest::addColumn<QByteArray>("group");
        QTest::addColumn<QByteArray>("separator");
        for (const char* g : {"stab", "osd", "adc_settings", "batteries", "gyro", "mag"})
            QTest::newRow(g) << QByteArray(g) << QByteArray(" = ");
        QTest::newRow("imu") << QByteArray("imu") << QByteArray("=");
    }
    void groupListing() {
        QFETCH(QByteArray, group);
        QFETCH(QByteArray, separator);
        TBoardSim sim;
        Quiet(sim);
        const QByteArray out = Ask(sim, "cat " + group);
        // The standing prompt is ended first; the listing ends with a bare prompt.
        QVERIFY(out.startsWith("\r\n"));
        QVERIFY(out.endsWith("\r\n=>"));
        const QByteArrayList lines = Listing(sim, "cat " + group);
        QSet<QByteArray> names;
        for (const QByteArray& l : lines) {
            const QByteArray name = l.left(l.indexOf(separator));
            QVERIFY2(l.contains(separator) && !name.isEmpty() && name == LowerAscii(name) &&
                         !name.contains(' ') && !l.contains('\r'),
                     l.constData());
            names << name;
        }
        QVERIFY(lines.size() >= 3);
        QCOMPARE(names.size(), lines.size());
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

    // A "set" in the forms the windows send, then its listing. (Plain values,
    // sign flags and decimals are set through the windows on this board; the
    // export's forms and every listing's rows make the export-load round trip
    // on it.)
    void setThenList_data() {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QByteArray>("listing");
        QTest::addColumn<QByteArray>("row");
        QTest::newRow("osd pair as two numbers")
            << QByteArray("set rssi_xy 10 25") << QByteArray("cat osd")
            << QByteArray("rssi_xy = 10,25");
        QTest::newRow("filter name spelled as the window does")
            << QByteArray("set EKF_Proc_Variance 1E-4") << QByteArray("cat imu")
            << QByteArray("ekf_proc_variance=1E-4");
        QTest::newRow("calibration bias")
            << QByteArray("set mag_bias_x -3.5") << QByteArray("cat mag")
            << QByteArray("mag_bias_x = -3.5");
        QTest::newRow("input, window form")
            << QByteArray("set ch_in  0 11 3 1000 1500 2000") << QByteArray("cat control in")
            << QByteArray("0: 11 3 1000 1500 2000");
        QTest::newRow("output, type -1 kept")
            << QByteArray("set ch_out  13 -1 0 1000 1500 2000") << QByteArray("cat control out")
            << QByteArray("13: -1 0 1000 1500 2000");
        QTest::newRow("mixer column")
            << QByteArray("set mix  7 2 -20") << QByteArray("cat control mixers")
            << QByteArray("7: 0 -20 0 0 0");
        QTest::newRow("waypoint appended") << QByteArray("set wp 9 1.5 2.5 50")
                                           << QByteArray("cat wp") << QByteArray("9: 1.5, 2.5, 50");
    }
    void setThenList() {
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

    void logDirGivesFlightRange() {
        TSimOptions opt;
        opt.FlightIdMin = 3;
        opt.FlightIdMax = 7;
        TBoardSim sim(opt);
        Quiet(sim);
        const QByteArrayList dir = Listing(sim, "log dir");
        QVERIFY2(dir.contains("flight_id_min = 3") && dir.contains("flight_id_max = 7"),
                 dir.join('|').constData());
    }

    // A dump of the size asked for, one row each 100 ms of the flight, read
    // off a wire of `wireBytes` every `stepMs`. With the streams on (-1: none,
    // 0: at their usual rates) the lines without the telemetry read exactly
    // as the dump alone, and the telemetry comes in whole lines between them;
    // at their highest rate on a 115200 bit/s wire the telemetry keeps the
    // backlog full, and the dump must still advance to its prompt.
    void logDump_data() {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<int>("streamMs");
        QTest::addColumn<int>("stepMs");
        QTest::addColumn<qint64>("wireBytes");
        const qint64 all = qint64(1) << 40;
        QTest::newRow("small") << qint64(2000) << -1 << 10 << all;
        QTest::newRow("default 32K") << qint64(32 * 1024) << -1 << 10 << all;
        QTest::newRow("a megabyte") << qint64(1024 * 1024) << -1 << 10 << all;
        QTest::newRow("streams, odd chunks") << qint64(20000) << 0 << 3 << qint64(97);
        QTest::newRow("streams at full rate") << qint64(4096) << 1 << 10 << qint64(115);
    }
    void logDump() {
        QFETCH(qint64, size);
        QFETCH(int, streamMs);
        QFETCH(int, stepMs);
        QFETCH(qint64, wireBytes);
        const auto dump = [&](bool streams) {
            TSimOptions opt;
            opt.LogDumpBytes = size;
            for (const QByteArray& s : TTelemetry::Streams())
                if (streamMs > 0)
                    opt.StreamPeriodMs.insert(s, streamMs);
            TBoardSim sim(opt);
            Quiet(sim);
            qint64 now = 0;
            for (const QByteArray& s : TTelemetry::Streams())
                if (streams)
                    Ask(sim, "mon on " + s, now);
            QByteArray out = Ask(sim, "log dump 4", now);
            qsizetype from = 0; // where the prompt may start
            for (int i = 0; i < 100000 && out.indexOf("\r\n=>", from) < 0; ++i) {
                from = qMax<qsizetype>(0, out.size() - 3);
                now += stepMs;
                sim.Tick(now);
                out += sim.TakeOutput(wireBytes);
            }
            return Lines(out);
        };
        const QByteArrayList alone = dump(false);
        QByteArray text = alone.join("\r\n");
        QVERIFY(text.size() >= size && text.size() < size + 400);
        QByteArrayList lines = alone;
        QCOMPARE(lines.takeFirst(), QByteArray()); // the ended previous prompt
        QCOMPARE(lines.takeLast(), QByteArray("=>"));
        const int columns = lines[0].count(',') + 1;
        QVERIFY(lines[0].startsWith("time_ms,") && columns >= 10);
        for (int i = 1; i < lines.size(); ++i) {
            QCOMPARE(lines[i].count(',') + 1, columns);
            QVERIFY(lines[i].startsWith(QByteArray::number((i - 1) * 100) + ","));
        }
        if (streamMs < 0)
            return;
        QByteArrayList with = dump(true);
        int telemetry = 0;
        for (const QByteArray& l : with) {
            telemetry += l.startsWith('$');
            QCOMPARE(l.count('$'), int(l.startsWith('$')));
        }
        QVERIFY(telemetry > 0);
        with = WithoutTelemetry(with);
        while (with.size() > alone.size() && with.last().isEmpty())
            with.removeLast(); // the telemetry after the prompt
        QCOMPARE(with, alone);
    }

    void commandsWaitForADumpToEnd() {
        TBoardSim sim;
        Quiet(sim);
        Ask(sim, "log dump 1");
        const QByteArray during = Ask(sim, "cat gyro", 5);
        QVERIFY(!during.contains("gyro_bias_x"));
        qint64 now = 5;
        QByteArray rest;
        while (!rest.contains("gyro_bias_x") && now < 60000) {
            now += 10;
            sim.Tick(now);
            rest += TakeAll(sim);
        }
        // The dump's prompt comes first, then the listing and its own prompt.
        QVERIFY(rest.indexOf("=>") < rest.indexOf("gyro_bias_x"));
        QVERIFY(rest.endsWith("=>"));
    }

    // Extremes every half second, in the form the panel reads, only
    // growing; the save ends the calibration with the new biases (the
    // centres of the extremes) listed.
    void magCalibrationSequence() {
        TBoardSim sim;
        Quiet(sim);
        QVERIFY(!Ask(sim, "cal mag", 0).contains("=>"));
        QList<TExtremes> extremes;
        for (const QByteArray& l : Lines(RunUntil(sim, 10, 3000))) {
            if (l.isEmpty())
                continue;
            extremes << ParseExtremes(l);
            for (int i = 0; i < 6; ++i)
                QVERIFY2(extremes.last().Found[i] && !extremes.last().Values[i].isEmpty(),
                         l.constData());
        }
        QCOMPARE(extremes.size(), 6);
        const auto value = [&](int at, int i) { return extremes[at].Values[i].toInt(); };
        QVERIFY(value(5, 0) >= value(0, 0) && value(5, 1) <= value(0, 1));
        const QByteArrayList saved = Lines(Ask(sim, "cal mag_save", 3000));
        QVERIFY(!sim.CalibratingMag());
        QCOMPARE(saved.last(), QByteArray("=>"));
        const QByteArray bias = sim.State().Value("mag", "mag_bias_x");
        QVERIFY(saved.contains("mag_bias_x = " + bias));
        QVERIFY2(qAbs(bias.toDouble() - (value(5, 0) + value(5, 1)) / 2.0) <= 2, bias.constData());
        QVERIFY(!RunUntil(sim, 3010, 5000).contains("x_max="));
    }

    void magCalibrationCancelKeepsBiases() {
        TBoardSim sim;
        Quiet(sim);
        const QByteArrayList before = Listing(sim, "cat mag");
        Ask(sim, "cal mag", 0);
        RunUntil(sim, 10, 1200);
        QVERIFY(Ask(sim, "cal mag_cancel", 1200).endsWith("=>"));
        QVERIFY(!sim.CalibratingMag());
        QCOMPARE(Listing(sim, "cat mag", 1300), before);
    }

    void echo() {
        TBoardSim sim;
        QCOMPARE(Ask(sim, ""), QByteArray("\r\n=>"));
        QCOMPARE(Ask(sim, "echo off"), QByteArray("echo off\r\n=>"));
        // The standing prompt is ended before the next one: "=>=>" would
        // never be taken for a prompt.
        QCOMPARE(Ask(sim, ""), QByteArray("\r\n=>"));
        Ask(sim, "echo on");
        QCOMPARE(Ask(sim, "cat nothing").left(13), QByteArray("cat nothing\r\n"));
        Ask(sim, "echo off");
        QVERIFY(Ask(sim, "cat nothing").startsWith("\r\nUnknown"));
        // Typed characters come back at once, and the line is ended before
        // a telemetry line.
        Ask(sim, "echo on");
        Ask(sim, "mon on gyro");
        sim.Receive("ca", 50);
        QCOMPARE(TakeAll(sim), QByteArray("ca"));
        sim.Tick(100);
        const QByteArray out = TakeAll(sim);
        QVERIFY2(out.startsWith("\r\n$GYRO:"), out.constData());
    }

    // Every stream the panel knows (its tag table) by the name it asks for.
    void streamPayloads_data() {
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<QByteArray>("tag");
        for (const TTelemetryTag& t : TelemetryTags)
            QTest::newRow(t.Stream) << QByteArray(t.Stream) << QByteArray(t.Tag);
    }
    void streamPayloads() {
        QFETCH(QByteArray, stream);
        QFETCH(QByteArray, tag);
        TBoardSim sim;
        Quiet(sim);
        Ask(sim, "mon on " + stream, 1);
        QVERIFY(sim.StreamOn(stream));
        const QByteArrayList lines = Lines(RunUntil(sim, 1, 1001));
        QByteArrayList payloads;
        for (const QByteArray& l : lines)
            if (!l.isEmpty()) {
                QVERIFY2(l.startsWith(tag), l.constData());
                payloads << l.mid(tag.size());
            }
        QVERIFY(!payloads.isEmpty());
        for (const QByteArray& p : payloads) {
            QVERIFY(!p.isEmpty() && !p.contains("  ") && p == Trim(p));
            QVERIFY(!p.contains('$'));
        }
        Ask(sim, "mon off " + stream, 1001);
        QVERIFY(!RunUntil(sim, 1011, 3000).contains(tag));
    }

    // The simulated flight moves smoothly: attitude steps of under 5 degrees
    // a sample (yaw wrapping at 360), sticks within the pulse limits, moving.
    void flightMovesSmoothly() {
        QSet<int> firstChannel;
        for (qint64 ms = 50; ms <= 20000; ms += 50) {
            const TTelemetry::TAttitude a = TTelemetry::Attitude(ms - 50);
            const TTelemetry::TAttitude b = TTelemetry::Attitude(ms);
            QVERIFY(qAbs(b.Roll - a.Roll) < 5 && qAbs(b.Pitch - a.Pitch) < 5);
            const double dy = qAbs(b.Yaw - a.Yaw);
            QVERIFY(b.Yaw >= 0 && b.Yaw < 360 && (dy < 5 || dy > 355));
            const QList<int> sticks = TTelemetry::Sticks(ms);
            QCOMPARE(sticks.size(), TTelemetry::PpmChannels);
            for (int c : sticks)
                QVERIFY(c >= 900 && c <= 2100);
            firstChannel << sticks[0];
        }
        QVERIFY(firstChannel.size() > 10);
    }

    // A stream runs at the period asked for; with nobody draining the
    // output the board drops samples instead of queueing them.
    void streamRateAndBacklog() {
        TSimOptions opt;
        opt.StreamPeriodMs["gyro"] = 5; // 200 Hz
        TBoardSim sim(opt);
        Quiet(sim);
        Ask(sim, "mon on gyro");
        QCOMPARE(RunUntil(sim, 1, 1000, 5).count("$GYRO:"), 200);
        for (qint64 t = 1000; t <= 11000; t += 10)
            sim.Tick(t);
        QVERIFY(sim.PendingOutput() < 2048);
    }

    // Some boards send a telemetry line straight after the prompt, without a
    // line end between them; the switch makes this one do so (an answer
    // still starts on a line of its own).
    void promptThenTelemetry_data() {
        QTest::addColumn<bool>("glued");
        QTest::newRow("prompt ended first") << false;
        QTest::newRow("telemetry run into the prompt") << true;
    }
    void promptThenTelemetry() {
        QFETCH(bool, glued);
        TSimOptions opt;
        opt.PromptThenTelemetry = glued;
        TBoardSim sim(opt);
        Quiet(sim);
        const QByteArray on = Ask(sim, "mon on gyro", 0);
        const QByteArray out = on + RunUntil(sim, 0, 200);
        QCOMPARE(out.contains("=>$GYRO:"), glued);
        QCOMPARE(out.contains("=>\r\n$GYRO:"), !glued);
        Ask(sim, "mon off gyro", 200);
        QVERIFY(Ask(sim, "ver", 210).startsWith("\r\nVantor"));
    }

    // The choices the board's interface leaves open, each as a switch: what
    // the board sends for two "set" lines and a "save config" (typed at 0,
    // run until 6 s).
    void interfaceVariants_data() {
        QTest::addColumn<QByteArray>("variant");
        QTest::addColumn<QByteArray>("output");
        QTest::newRow("usual") << QByteArray() << QByteArray("\r\n=>\r\n=>\r\nSaved\r\n=>");
        QTest::newRow("bare prompts") << QByteArray("bare") << QByteArray("=>=>\r\nSaved\r\n=>");
        QTest::newRow("slow flash")
            << QByteArray("flash") << QByteArray("\r\n=>\r\n=>\r\nSaved\r\n=>");
        QTest::newRow("extra prompt after save")
            << QByteArray("extra") << QByteArray("\r\n=>\r\n=>\r\nSaved\r\n=>\r\n=>");
    }
    void interfaceVariants() {
        QFETCH(QByteArray, variant);
        TSimOptions opt;
        opt.BarePrompts = variant == "bare";
        opt.Faults.SaveDelayMs = variant == "flash" ? 5000 : 0;
        opt.Faults.ExtraPromptAfterCommand = variant == "extra" ? "save" : "";
        TBoardSim sim(opt);
        Quiet(sim);
        sim.Receive("set gaz_cruise 600\r\nset gaz_minimum 100\r\nsave config\r\n", 0);
        QByteArray out = TakeAll(sim);
        if (variant == "flash")
            QVERIFY(!out.contains("Saved"));
        out += RunUntil(sim, 10, 6000, 500);
        QTEST(out, "output");
        QCOMPARE(*sim.Saved().FindParam("gaz_cruise"), QByteArray("600"));
    }
};

QTEST_GUILESS_MAIN(TestSimBoard)
#include "tst_sim_board.moc"
