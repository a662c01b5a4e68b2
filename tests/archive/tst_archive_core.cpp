// The archive core over scripted board answers: the export file's rules and
// its golden file, the load's section tracking, flight log lines, the
// calibration extremes, and what a silent board or a cancel leaves behind.

#include "KnownBoard.h"
#include "ScriptedBoard.h"
#include "TestSupport.h"
#include "archive/ConfigExport.h"
#include "archive/ConfigLoad.h"
#include "archive/FlightLogs.h"
#include "archive/MemsCalibration.h"
#include "link/Proc.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

namespace {
TRunHooks Quick(int silenceMs = 300) {
    TRunHooks h;
    h.SilenceMs = silenceMs;
    return h;
}

} // namespace

class TestArchiveCore : public QObject {
    Q_OBJECT
private slots:
    // Listing lines outside the known board's (the golden file's) cases.
    void sectionLines_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<bool>("counted");
        QTest::addColumn<QByteArrayList>("out");
        QTest::newRow("param without name counted only")
            << int(TSectionKind::Params) << QByteArray("=5") << true << QByteArrayList{};
        QTest::newRow("wp no colon")
            << int(TSectionKind::Waypoints) << QByteArray("none") << false << QByteArrayList{};
    }
    void sectionLines() {
        QFETCH(int, kind);
        QFETCH(QByteArray, line);
        const TSectionLine got = ConvertSectionLine(TSectionKind(kind), line);
        QTEST(got.Counted, "counted");
        QTEST(got.Lines, "out");
    }

    // A run cut short (by the operator, or by a board falling silent) leaves
    // an older file as it was, and no file where there was none.
    void runCutShortKeepsOldFile_data() {
        QTest::addColumn<bool>("dump");
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<bool>("oldFile");
        QTest::newRow("export cancelled, old file") << false << true << true;
        QTest::newRow("export silent, no file") << false << false << false;
        QTest::newRow("dump cancelled, old file") << true << true << true;
    }
    void runCutShortKeepsOldFile() {
        QFETCH(bool, dump);
        QFETCH(bool, cancel);
        QFETCH(bool, oldFile);
        TBoardLink link;
        TScriptedBoard board(link);
        FillKnownBoard(board);
        board.SetAnswer("log dump 3", {"1.0;2.0", "1.1;2.1", "1.2;2.2"}, false); // no end
        board.SetSilentAfter(cancel ? -1 : 4);
        QTemporaryDir dir;
        const QString path = dir.filePath(dump ? "f.csv" : "board.cfg");
        if (oldFile)
            WriteAll(path, OldFile);
        TRunHooks hooks = Quick(cancel ? 60000 : 300);
        int counter = 0;
        hooks.Progress = [&](const TProgress& p) { counter = p.Counter; };
        hooks.Cancel = [&] { return cancel && counter > (dump ? 2 : 6); };
        const TArchiveResult r =
            dump ? ExportFlightLog(link, 3, path, {}, hooks) : ExportConfig(link, path, hooks);
        QCOMPARE(r.Status, cancel ? TArchiveStatus::Cancelled : TArchiveStatus::BoardSilent);
        QCOMPARE(r.FileExisted, oldFile);
        QVERIFY(r.RussianText().contains(oldFile ? "оставлен без изменений" : "не создан"));
        QCOMPARE(ReadAll(path), oldFile ? OldFile : QByteArray("<missing>"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files),
                 oldFile ? QStringList{QFileInfo(path).fileName()} : QStringList{});
    }

    void fileLinesEndAtCrLfOrLoneCr() {
        QCOMPARE(SplitFileLines("a\rb\n\n\r\nc"), (QByteArrayList{"a", "b", "", "", "c"}));
    }

    void loadSendsCheckedSectionsInFileOrder_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("checked");
        QTest::addColumn<QByteArrayList>("sent");
        const QByteArray f = "set before 1\r\n"
                             "##### BEGIN STAB #####\r\n"
                             "set a 1\r\n"
                             "\r\n"
                             "  \t \r\n"
                             "   set b 2\r\n"
                             "##### END STAB #####\r\n"
                             "set between 1\r\n"
                             "##### BEGIN WP #####\r\n"
                             "set wp 1 x y z\r\n"
                             "##### BEGIN FUTURE #####\r\n"
                             "set wp 2 still wp\r\n"
                             "##### END FUTURE #####\r\n"
                             "set wp 3 after end\r\n"
                             "##### BEGIN CONTROL MIXERS #####\r\n"
                             "set mix 6 1 1\r\n"
                             "##### END CONTROL MIXERS #####\r\n";
        QTest::newRow("stab only: blanks skipped, leading blanks cut")
            << f << QStringList{"stab"} << QByteArrayList{"set a 1", "set b 2"};
        QTest::newRow("wp only: unknown BEGIN keeps wp")
            << f << QStringList{"wp"} << QByteArrayList{"set wp 1 x y z", "set wp 2 still wp"};
        QTest::newRow("all: file order") << f << QStringList{"stab", "wp", "control_mix"}
                                         << QByteArrayList{"set a 1", "set b 2", "set wp 1 x y z",
                                                           "set wp 2 still wp", "set mix 6 1 1"};
        QTest::newRow("none checked") << f << QStringList{} << QByteArrayList{};
        QTest::newRow("CONTROL IN vs MIXERS keyword")
            << QByteArray("##### BEGIN CONTROL IN #####\nset ch_in 1 a\n##### END CONTROL IN #####")
            << QStringList{"control_mix"} << QByteArrayList{};
    }
    void loadSendsCheckedSectionsInFileOrder() {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, checked);
        TBoardLink link;
        TScriptedBoard board(link);
        QTemporaryDir dir;
        const QString path = dir.filePath("in.cfg");
        WriteAll(path, file);
        QSet<int> boxes;
        for (const QString& c : checked)
            boxes << LoadSectionByBox(c);
        int lastCounter = 1;
        TRunHooks hooks;
        hooks.Progress = [&](const TProgress& p) { lastCounter = p.Counter; };
        const TArchiveResult r = LoadConfig(
            link, path, [&](int s) { return boxes.contains(s); }, hooks);
        QVERIFY(r.Ok());
        QTEST(board.Commands(), "sent");
        QCOMPARE(r.Lines, int(board.Commands().size()));
        QCOMPARE(lastCounter, 1 + int(board.Commands().size()));
    }

    void loadReadsCheckBoxForEveryLine() {
        TBoardLink link;
        TScriptedBoard board(link);
        QTemporaryDir dir;
        const QString path = dir.filePath("in.cfg");
        WriteAll(path, "##### BEGIN IMU #####\nset a 1\nset b 2\nset c 3\n##### END IMU #####\n");
        bool imu = true;
        board.connect(&link, &TBoardLink::CommandSent, [&] { imu = false; });
        QVERIFY(LoadConfig(link, path, [&](int) { return imu; }, {}).Ok());
        QCOMPARE(board.Commands(), QByteArrayList{"set a 1"});
    }

    // A missed prompt is passed over after a second; a board that gives none
    // A missed prompt is passed over after a second; a board that gives none
    // for the silence limit ends the load, with the lines sent so far.
    void loadStopsWhenTheBoardStopsPrompting_data() {
        QTest::addColumn<int>("silentAfter");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("sent");
        QTest::newRow("one slow answer") << -1 << int(TArchiveStatus::Ok) << 6;
        QTest::newRow("silent after two lines") << 2 << int(TArchiveStatus::BoardSilent) << 4;
    }
    void loadStopsWhenTheBoardStopsPrompting() {
        QFETCH(int, silentAfter);
        TBoardLink link;
        TScriptedBoard board(link);
        board.SetSilentAfter(silentAfter);
        board.SetAnswer("set b 2", {}, true, silentAfter < 0 ? 1200 : 0);
        QTemporaryDir dir;
        const QString path = dir.filePath("in.cfg");
        WriteAll(path, "##### BEGIN IMU #####\nset a 1\nset b 2\nset c 3\nset d 4\nset e 5\n"
                       "set f 6\n##### END IMU #####\n");
        TRunHooks hooks;
        hooks.SilenceMs = 1500;
        const TArchiveResult r = LoadConfig(
            link, path, [](int) { return true; }, hooks);
        QTEST(int(r.Status), "status");
        QTEST(int(board.Commands().size()), "sent");
        QCOMPARE(r.Lines, int(board.Commands().size()));
    }

    void flightRange_data() {
        QTest::addColumn<QByteArrayList>("lines");
        QTest::addColumn<QList<int>>("flights");
        QTest::newRow("3 to 7") << QByteArrayList{"Flight_ID_Min = 3", "flight_id_max = 7", "x"}
                                << QList<int>{7, 6, 5, 4, 3};
        QTest::newRow("later value wins")
            << QByteArrayList{"flight_id_max = 2", "flight_id_max = 4", "flight_id_min = 4"}
            << QList<int>{4};
        QTest::newRow("nothing reported: flight 0") << QByteArrayList{} << QList<int>{0};
        QTest::newRow("min above max: empty")
            << QByteArrayList{"flight_id_min = 5", "flight_id_max = 4"} << QList<int>{};
    }
    void flightRange() {
        QFETCH(QByteArrayList, lines);
        TBoardLink link;
        TScriptedBoard board(link);
        board.SetAnswer("log dir", lines);
        TFlightRange range;
        QVERIFY(ReadFlightRange(link, range, Quick()).Ok());
        QTEST(FlightNumbers(range), "flights");
    }

    // A board babbling without line ends: the worker cuts the text into
    // 64 KiB lines, which come faster than the dump's silence limit at the
    // wire rate. The first one ends the run; the old file stays.
    void logDumpEndsAtEndlessText() {
        TBoardLink link;
        TScriptedBoard board(link);
        board.SetAnswer("log dump 3", {"time_ms,alt", "0,1", QByteArray(64 * 1024, 'x')});
        QTemporaryDir dir;
        const QString path = dir.filePath("f.csv");
        WriteAll(path, OldFile);
        const TArchiveResult r = ExportFlightLog(link, 3, path, {}, Quick(60000));
        QCOMPARE(r.Status, TArchiveStatus::BadAnswer);
        QVERIFY2(r.RussianText().startsWith("Непонятный ответ платы: 'xxxx"),
                 qPrintable(r.RussianText()));
        QCOMPARE(ReadAll(path), OldFile);
    }

    void extremes_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QStringList>("values"); // "-" for a key not found
        QTest::newRow("all six") << QByteArray("x_max=10 x_min=-10 y_max=20 y_min=-20 z_max=30 "
                                               "z_min=-30")
                                 << QStringList{"10", "-10", "20", "-20", "30", "-30"};
        QTest::newRow("z_min only")
            << QByteArray("z_min=-5") << QStringList{"-", "-", "-", "-", "-", "-5"};
        QTest::newRow("last value without blank is empty")
            << QByteArray("x_max=1 y_min=4") << QStringList{"1", "-", "-", "", "-", "-"};
        QTest::newRow("earlier key out of order is not seen")
            << QByteArray("y_max=2 x_max=1 z_min=3") << QStringList{"1", "-", "-", "-", "-", "3"};
        QTest::newRow("z_min takes the rest")
            << QByteArray("z_min=1 2") << QStringList{"-", "-", "-", "-", "-", "1 2"};
    }
    void extremes() {
        QFETCH(QByteArray, line);
        QFETCH(QStringList, values);
        const TExtremes e = ParseExtremes(line);
        for (int i = 0; i < 6; ++i)
            QCOMPARE(e.Found[i] ? QString::fromLatin1(e.Values[i]) : QString("-"), values[i]);
    }

    // The first second of a calibration is dropped, counted from the command:
    // a board talking all through it does not stretch it. Every reading of
    // the clock moves it on 100 ms, so the k-th line of an answer comes at
    // k * 100 ms.
    void gyroCalibrationDropsAFixedFirstSecond() {
        TManualClock clock;
        TBoardLink link(&clock);
        TScriptedBoard board(link);
        board.SetAnswer("cal gyro", QByteArrayList{"gyro_bias_x = 99"} + // 100 ms: dropped
                                        QByteArrayList(9, "keep the board still") +
                                        QByteArrayList{"Gyro_Bias_X = -3", "note"}); // 1100 ms
        clock.SetAutoStep(100);
        QList<QByteArray> got;
        const TArchiveResult r = CalibrateGyro(
            link, [&](const QByteArray& n, const QByteArray& v) { got << n + "=" + v; },
            Quick(3000));
        QVERIFY(r.Ok());
        QCOMPARE(board.Commands(), QByteArrayList{"cal gyro"});
        QCOMPARE(got, QList<QByteArray>{"gyro_bias_x=-3"});
    }

    // The operator may turn the board for as long as it takes: half a
    // minute without an extremes line neither ends nor cancels the
    // calibration, and "Завершить" then saves it.
    void magCalibrationHasNoTimeLimit() {
        TManualClock clock;
        TBoardLink link(&clock);
        TScriptedBoard board(link);
        board.SetAnswer("cal mag", {}, false);
        board.SetAnswer("cal mag_save", {"mag_bias_x = 7"});
        bool calibrating = true;
        QByteArrayList sentWhileQuiet;
        QTimer::singleShot(100, [&] {
            clock.Advance(1500); // past the dropped first second
            board.Inject({"x_max=1 x_min=-1 y_max=2 y_min=-2 z_max=3 z_min=-3"});
            clock.Advance(30000);
        });
        QTimer::singleShot(600, [&] {
            sentWhileQuiet = board.Commands();
            calibrating = false;
        });
        int extremes = 0;
        QList<QByteArray> params;
        const TArchiveResult r = RunMagCalibration(
            link, [&] { return calibrating; }, [&](const TExtremes&) { ++extremes; },
            [&](const QByteArray& n, const QByteArray& v) { params << n + "=" + v; }, Quick());
        QVERIFY2(r.Ok(), qPrintable(r.EnglishText()));
        QCOMPARE(sentWhileQuiet, QByteArrayList{"cal mag"});
        QCOMPARE(extremes, 1);
        QCOMPARE(board.Commands(), (QByteArrayList{"cal mag", "cal mag_save"}));
        QCOMPARE(params, QList<QByteArray>{"mag_bias_x=7"});
    }
};

QTEST_GUILESS_MAIN(TestArchiveCore)
#include "tst_archive_core.moc"
