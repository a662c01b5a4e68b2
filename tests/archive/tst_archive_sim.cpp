// The archive against the simulated board through the real worker: a full
// export / change / load round trip, the calibration windows' sequences, and
// a board that pulls the cable or falls silent half-way.

#include "ScriptedDialogs.h"
#include "TestMain.h"
#include "TestPanel.h"
#include "TestSupport.h"
#include "archive/ConfigExport.h"
#include "archive/ConfigLoad.h"
#include "archive/FlightLogs.h"
#include "archive/WinBackupConfigUnit.h"
#include "archive/WinMemsCalibrateUnit.h"
#include "sim/Telemetry.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

namespace {
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

} // namespace

class TestArchiveSim : public QObject {
    Q_OBJECT
private slots:
    void exportChangeLoadRestoresTheBoard() {
        TTestPanel panel;
        QVERIFY(panel.Connect());
        QTemporaryDir dir;
        const QString path = dir.filePath("board.cfg");
        const TArchiveResult exported = ExportConfig(panel.Link(), path, {});
        QVERIFY2(exported.Ok(), qPrintable(exported.EnglishText()));
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
        QVERIFY(!(Snapshot(panel).Inputs == before.Inputs));

        const TArchiveResult loaded = LoadConfig(panel.Link(), path, [](int) { return true; }, {});
        QVERIFY(loaded.Ok());
        // Every body line of the file went out.
        int body = 0;
        for (const QByteArray& l : SplitFileLines(ReadAll(path)))
            body += l.startsWith("set ");
        QCOMPARE(loaded.Lines, body);
        CompareExported(Snapshot(panel), before);
        // And exporting again gives the same file, byte for byte.
        const QString again = dir.filePath("again.cfg");
        QVERIFY(ExportConfig(panel.Link(), again, {}).Ok());
        QCOMPARE(ReadAll(again), ReadAll(path));
    }

    // With every stream on and a board that runs telemetry straight into its
    // prompt ("=>$GYRO:..."), a listing, the export and a load read each
    // answer to its own prompt all the same.
    void listingsExportAndLoadUnderStreams() {
        TSimOptions options;
        options.PromptThenTelemetry = true;
        for (const QByteArray& s : TTelemetry::Streams())
            options.StreamPeriodMs.insert(s, 20);
        TTestPanel panel(options);
        QVERIFY(panel.Connect());
        QTemporaryDir dir;
        const QString quiet = dir.filePath("quiet.cfg"), busy = dir.filePath("busy.cfg");
        QVERIFY(ExportConfig(panel.Link(), quiet, {}).Ok());
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

        const TBoardState before = Snapshot(panel);
        panel.WithBoard([](TBoardSim& sim) {
            for (auto& p : sim.State().Groups["batteries"])
                p.second = "7";
            sim.State().Inputs[3] = {1, 2, 900, 1400, 2100};
        });
        const int bat = LoadSectionByBox("bat"), in = LoadSectionByBox("control_in");
        QVERIFY(
            LoadConfig(panel.Link(), busy, [&](int s) { return s == bat || s == in; }, {}).Ok());
        QCOMPARE(Snapshot(panel).Groups["batteries"], before.Groups["batteries"]);
        QVERIFY(Snapshot(panel).Inputs == before.Inputs);
    }

    void magCalibrationWindowAgainstBoard() {
        TTestPanel panel;
        QVERIFY(panel.Connect());
        TWinMemsCalibrate* w = OpenTaskWindow(WinMemsCalibrate);
        QCOMPARE(w->Mag_bias_X->text().toLatin1(), panel.BoardValue("mag", "mag_bias_x"));
        bool extremesShown = false;
        QTimer::singleShot(2600, w, [&] {
            extremesShown = !w->Extremes[0]->isHidden() && w->Extremes[0]->text() != "x_max";
            w->SpeedButton3->click();
        });
        QTest::mouseClick(w->SpeedButton2, Qt::LeftButton);
        QVERIFY(extremesShown);
        QVERIFY(w->Extremes[0]->isHidden());
        const QByteArrayList lines = panel.WaitBoardLines(4);
        QCOMPARE(lines.mid(0, 3), (QByteArrayList{"cat mag", "cat gyro", "cal mag"}));
        QVERIFY(lines.contains("cal mag_save"));
        QCOMPARE(w->Mag_bias_X->text().toLatin1(), panel.BoardValue("mag", "mag_bias_x"));
        w->close();
        QTRY_VERIFY(WinMemsCalibrate.isNull());
    }

    void gyroCalibrationWindowAgainstBoard() {
        TSimOptions options;
        options.CalGyroMs = 1500;
        TTestPanel panel(options);
        QVERIFY(panel.Connect());
        TWinMemsCalibrate* w = OpenTaskWindow(WinMemsCalibrate);
        panel.WithBoard([](TBoardSim& sim) { sim.State().FindParam("gyro_bias_x")->clear(); });
        QTest::mouseClick(w->SpeedButton1, Qt::LeftButton);
        QVERIFY(w->Label8->isHidden());
        QCOMPARE(w->Gyro_bias_X->text().toLatin1(), panel.BoardValue("gyro", "gyro_bias_x"));
        QVERIFY(!w->Gyro_bias_X->text().isEmpty());
        w->close();
    }
};

VANTOR_TEST_MAIN(TestArchiveSim)
#include "tst_archive_sim.moc"
