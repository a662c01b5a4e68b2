// The simulated board's activities over time: flight logs, calibration,
// telemetry streams, echo and errors.

#include "SimTestUtil.h"
#include "link/Proc.h"

#include <QTest>

using namespace simtest;

namespace {
const QByteArrayList Tags = {
    "$GYRO:", "$ACCEL:", "$BARO:", "$MAG:", "$STAB:", "$GPS:", "$EKF:", "$PPM:", "$ADC:"};

bool IsTelemetry(const QByteArray& line) {
    for (const QByteArray& t : Tags)
        if (line.startsWith(t))
            return true;
    return false;
}

// Runs a command that answers over time (dump, calibration) to its prompt.
QByteArray RunToPrompt(TBoardSim& sim, const QByteArray& cmd, qint64& now) {
    QByteArray out = Ask(sim, cmd, now);
    for (int guard = 0; guard < 100000 && !out.endsWith("=>"); ++guard) {
        now += 10;
        sim.Tick(now);
        out += TakeAll(sim);
    }
    return out;
}

QByteArrayList WithoutBlank(const QByteArrayList& lines) {
    QByteArrayList out;
    for (const QByteArray& l : lines)
        if (!l.isEmpty())
            out << l;
    return out;
}

QByteArrayList WithoutTelemetry(const QByteArrayList& lines) {
    QByteArrayList out;
    for (const QByteArray& l : lines)
        if (!IsTelemetry(l))
            out << l;
    return out;
}
} // namespace

class TestSimActivity : public QObject {
    Q_OBJECT
private slots:
    void logDirGivesFlightRange() {
        TSimOptions opt;
        opt.FlightIdMin = 3;
        opt.FlightIdMax = 7;
        TBoardSim sim(opt);
        Quiet(sim);
        QByteArray min, max;
        for (const QByteArray& l : Listing(sim, "log dir")) {
            QByteArray n, v;
            if (SplitParamLine(l, n, v) && n == "flight_id_min")
                min = v;
            if (SplitParamLine(l, n, v) && n == "flight_id_max")
                max = v;
        }
        QCOMPARE(min, QByteArray("3"));
        QCOMPARE(max, QByteArray("7"));
    }

    void logDumpSizeAndShape_data() {
        QTest::addColumn<qint64>("size");
        QTest::newRow("small") << qint64(2000);
        QTest::newRow("default 32K") << qint64(32 * 1024);
        QTest::newRow("a megabyte") << qint64(1024 * 1024);
    }
    // On a wire at 115200 bit/s with every stream at its highest rate the
    // telemetry alone keeps the output backlog full; the dump must still
    // advance to its prompt.
    void logDumpEndsWithEveryStreamAtFullRate() {
        TSimOptions opt;
        opt.LogDumpBytes = 4096;
        for (const QByteArray& s : TTelemetry::Streams())
            opt.StreamPeriodMs.insert(s, 1);
        TBoardSim sim(opt);
        Quiet(sim);
        qint64 now = 0;
        for (const QByteArray& s : TTelemetry::Streams())
            Ask(sim, "mon on " + s, now);
        sim.Receive("log dump 4\r\n", now);
        QByteArray out;
        QByteArrayList answer;
        for (int i = 0; i < 6000 && !answer.contains("=>"); ++i) {
            now += 10;
            sim.Tick(now);
            out += sim.TakeOutput(115); // 10 ms of the wire
            if (i % 100 == 0)
                answer = WithoutTelemetry(Lines(out));
        }
        answer = WithoutBlank(WithoutTelemetry(Lines(out)));
        QVERIFY2(answer.contains("=>"), qPrintable(QString("after %1 ms").arg(now)));
        QVERIFY(answer.indexOf("=>") > 30);             // the rows came before it
        QVERIFY(Lines(out).size() > answer.size() * 2); // and streams between them
    }

    void logDumpSizeAndShape() {
        QFETCH(qint64, size);
        TSimOptions opt;
        opt.LogDumpBytes = size;
        TBoardSim sim(opt);
        Quiet(sim);
        qint64 now = 0;
        const QByteArray out = RunToPrompt(sim, "log dump 4", now);
        QByteArrayList lines = Lines(out);
        QCOMPARE(lines.takeFirst(), QByteArray()); // the ended previous prompt
        QCOMPARE(lines.takeLast(), QByteArray("=>"));
        const int columns = lines[0].count(',') + 1;
        QVERIFY(lines[0].startsWith("time_ms,"));
        QVERIFY(columns >= 10);
        for (int i = 1; i < lines.size(); ++i) {
            QCOMPARE(lines[i].count(',') + 1, columns);
            QVERIFY(lines[i].startsWith(QByteArray::number((i - 1) * 100) + ","));
        }
        QVERIFY(out.size() >= size);
        QVERIFY(out.size() < size + 400);
    }

    void logDumpsAreRepeatableAndDifferPerFlight() {
        auto dump = [](int flight) {
            TBoardSim sim;
            Quiet(sim);
            qint64 now = 0;
            return RunToPrompt(sim, "log dump " + QByteArray::number(flight), now);
        };
        QCOMPARE(dump(2), dump(2));
        QVERIFY(dump(2) != dump(3));
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

    void gyroCalibrationPausesThenLists() {
        TSimOptions opt;
        opt.CalGyroMs = 2000;
        TBoardSim sim(opt);
        Quiet(sim);
        const QByteArray first = Ask(sim, "cal gyro", 0);
        QVERIFY(!first.contains("=>"));
        // The panel drops what comes in the first second; the listing must
        // come after it.
        QVERIFY(!RunUntil(sim, 10, 1500).contains("gyro_bias"));
        const QByteArrayList lines = Lines(RunUntil(sim, 1510, 2100));
        QVERIFY(lines.size() >= 4);
        QCOMPARE(lines.back(), QByteArray("=>"));
        QVERIFY(lines[0].startsWith("gyro_bias_x = "));
    }

    void magCalibrationSequence() {
        TBoardSim sim;
        Quiet(sim);
        QVERIFY(!Ask(sim, "cal mag", 0).contains("=>"));
        const QByteArrayList lines = Lines(RunUntil(sim, 10, 3000));
        QByteArrayList extremes;
        for (const QByteArray& l : lines)
            if (l.startsWith("x_max="))
                extremes << l;
        QCOMPARE(extremes.size(), 6); // every half second
        for (const QByteArray& l : extremes) {
            const QByteArrayList items = l.split(' ');
            QCOMPARE(items.size(), 6);
            const char* keys[] = {"x_max=", "x_min=", "y_max=", "y_min=", "z_max=", "z_min="};
            for (int i = 0; i < 6; ++i) {
                QVERIFY2(items[i].startsWith(keys[i]), l.constData());
                int v;
                QVERIFY(TryStrToInt(items[i].mid(6), v));
            }
        }
        // Extremes only grow.
        auto value = [](const QByteArray& l, int i) { return l.split(' ')[i].mid(6).toInt(); };
        QVERIFY(value(extremes.last(), 0) >= value(extremes.first(), 0));
        QVERIFY(value(extremes.last(), 1) <= value(extremes.first(), 1));

        const QByteArray saved = Ask(sim, "cal mag_save", 3000);
        QVERIFY(!sim.CalibratingMag());
        QVERIFY(saved.endsWith("\r\n=>"));
        // The new biases are the centres of the extremes.
        const QByteArray last = extremes.last();
        const int cx = qRound((value(last, 0) + value(last, 1)) / 2.0);
        QByteArray n, v;
        for (const QByteArray& l : Lines(saved))
            if (SplitParamLine(l, n, v) && n == "mag_bias_x")
                QVERIFY2(qAbs(v.toInt() - cx) <= 2, l.constData());
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

    void echoOnReturnsTypedCharacters() {
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
        Ask(sim, "echo on");
        sim.Receive("ve", 0);
        QCOMPARE(TakeAll(sim), QByteArray("ve"));
    }

    void telemetryNeverJoinsATypedLine() {
        TBoardSim sim;
        Ask(sim, "mon on gyro", 0);
        TakeAll(sim);
        sim.Receive("ca", 50);
        sim.Tick(100);
        const QByteArray out = TakeAll(sim);
        QVERIFY2(out.startsWith("ca\r\n$GYRO:"), out.constData());
    }

    void streamPayloads_data() {
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<QByteArray>("tag");
        QTest::addColumn<int>("defaultPerSecond");
        QTest::newRow("gyro") << QByteArray("gyro") << QByteArray("$GYRO:") << 10;
        QTest::newRow("accel") << QByteArray("accel") << QByteArray("$ACCEL:") << 10;
        QTest::newRow("baro") << QByteArray("baro") << QByteArray("$BARO:") << 5;
        QTest::newRow("mag") << QByteArray("mag") << QByteArray("$MAG:") << 10;
        QTest::newRow("stab") << QByteArray("stab") << QByteArray("$STAB:") << 10;
        QTest::newRow("gps") << QByteArray("gps") << QByteArray("$GPS:") << 5;
        QTest::newRow("ekf") << QByteArray("ekf") << QByteArray("$EKF:") << 20;
        QTest::newRow("ppm") << QByteArray("ppm_input") << QByteArray("$PPM:") << 10;
        QTest::newRow("adc") << QByteArray("adc_values") << QByteArray("$ADC:") << 4;
    }
    void streamPayloads() {
        QFETCH(QByteArray, stream);
        QFETCH(QByteArray, tag);
        QFETCH(int, defaultPerSecond);
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
        QCOMPARE(payloads.size(), defaultPerSecond);
        for (const QByteArray& p : payloads) {
            QVERIFY(!p.isEmpty() && !p.contains("  ") && p == Trim(p));
            QVERIFY(!p.contains('$'));
        }
        Ask(sim, "mon off " + stream, 1001);
        QVERIFY(!RunUntil(sim, 1011, 3000).contains(tag));
    }

    void ekfAttitudeMovesSmoothly() {
        TBoardSim sim;
        Quiet(sim);
        Ask(sim, "mon on ekf");
        double last[3] = {0, 0, 0};
        int samples = 0;
        for (const QByteArray& l : Lines(RunUntil(sim, 0, 20000))) {
            if (!l.startsWith("$EKF:"))
                continue;
            const QByteArrayList t = l.mid(5).split(' ');
            QVERIFY(t.size() >= 4);
            QVERIFY(t[1].startsWith("r=") && t[2].startsWith("p=") && t[3].startsWith("y="));
            bool ok[3];
            const double v[3] = {t[1].mid(2).toDouble(&ok[0]), t[2].mid(2).toDouble(&ok[1]),
                                 t[3].mid(2).toDouble(&ok[2])};
            QVERIFY(ok[0] && ok[1] && ok[2]);
            QVERIFY(v[2] >= 0 && v[2] < 360);
            if (samples++ > 0) {
                QVERIFY2(qAbs(v[0] - last[0]) < 5 && qAbs(v[1] - last[1]) < 5, l.constData());
                const double dy = qAbs(v[2] - last[2]);
                QVERIFY2(dy < 5 || dy > 355, l.constData());
            }
            std::copy(v, v + 3, last);
        }
        QCOMPARE(samples, 401);
    }

    void adcKeysInThePanelsOrder() {
        TBoardSim sim;
        Quiet(sim);
        Ask(sim, "mon on adc_values");
        const QByteArrayList lines = WithoutBlank(Lines(RunUntil(sim, 0, 0)));
        QCOMPARE(lines.size(), 1);
        QVERIFY(lines[0].startsWith("$ADC:"));
        const QByteArrayList items = lines[0].mid(5).split(' ');
        const QByteArrayList keys = {"BAT1=", "BAT2=", "BAT3=",     "RSSI=",     "AIR=",
                                     "CurV=", "CurI=", "Cur_Used=", "AIR_Speed="};
        QCOMPARE(items.size(), keys.size());
        for (int i = 0; i < keys.size(); ++i) {
            QVERIFY2(items[i].startsWith(keys[i]), items[i].constData());
            bool ok;
            items[i].mid(keys[i].size()).toDouble(&ok);
            QVERIFY(ok);
        }
    }

    void ppmFollowsSticks() {
        TBoardSim sim;
        Quiet(sim);
        Ask(sim, "mon on ppm_input");
        QSet<QByteArray> firstChannel;
        for (const QByteArray& l : Lines(RunUntil(sim, 0, 3000))) {
            if (!l.startsWith("$PPM:"))
                continue;
            const QByteArrayList ch = l.mid(5).split(' ');
            QCOMPARE(ch.size(), TTelemetry::PpmChannels);
            for (const QByteArray& c : ch)
                QVERIFY(c.toInt() >= 900 && c.toInt() <= 2100);
            firstChannel << ch[0];
        }
        QVERIFY(firstChannel.size() > 10);
    }

    void rateOptionChangesPeriod() {
        TSimOptions opt;
        opt.StreamPeriodMs["gyro"] = 5; // 200 Hz
        TBoardSim sim(opt);
        Quiet(sim);
        Ask(sim, "mon on gyro");
        QCOMPARE(RunUntil(sim, 1, 1000, 5).count("$GYRO:"), 200);
    }

    void backlogDropsSamplesInsteadOfQueueing() {
        TSimOptions opt;
        opt.StreamPeriodMs["gyro"] = 1;
        TBoardSim sim(opt);
        Quiet(sim);
        Ask(sim, "mon on gyro");
        for (qint64 t = 0; t <= 10000; t += 10)
            sim.Tick(t); // nobody drains the output
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

    void streamsInterleaveWholeLinesOnly() {
        // A dump with every stream on reads, without the telemetry lines,
        // exactly as the dump alone.
        auto dump = [](bool streams) {
            TSimOptions opt;
            opt.LogDumpBytes = 20000;
            TBoardSim sim(opt);
            Quiet(sim);
            qint64 now = 0;
            if (streams)
                for (const QByteArray& s : TTelemetry::Streams())
                    Ask(sim, "mon on " + s, now);
            QByteArray out;
            Ask(sim, "log dump 1", now);
            // Drain in odd-sized chunks, like a wire.
            for (int i = 0; i < 5000 && !out.endsWith("=>"); ++i) {
                now += 3;
                sim.Tick(now);
                out += sim.TakeOutput(97);
            }
            return out;
        };
        const QByteArrayList with = Lines(dump(true));
        const QByteArrayList without = Lines(dump(false));
        int telemetry = 0;
        for (const QByteArray& l : with) {
            if (IsTelemetry(l)) {
                ++telemetry;
                QCOMPARE(l.count('$'), 1);
            } else {
                QVERIFY2(!l.contains('$'), l.constData());
            }
        }
        QVERIFY(telemetry > 0);
        QCOMPARE(WithoutTelemetry(with), without);
    }
};

QTEST_GUILESS_MAIN(TestSimActivity)
#include "tst_sim_activity.moc"
