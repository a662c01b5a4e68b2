// The monitors as the operator uses them: the six sensor monitors (start and
// stop, the log file, the capped list, the plot, closing while a stream
// runs), the attitude monitor (the plate under every check box combination,
// any locale, unreadable payloads failing quietly, the horizon reset), both
// against the simulated board, and the payload parsers underneath. Runs
// under xvfb-run (with a GL view) and on the offscreen platform (where the
// attitude view is replaced by a note).

#include "ScriptedDialogs.h"
#include "ScriptedPanel.h"
#include "TestMain.h"
#include "TestPanel.h"
#include "TestSupport.h"
#include "monitor/MonitorList.h"
#include "monitor/MonitorPlot.h"
#include "monitor/PayloadNumbers.h"
#include "monitor/WinMonImuUnit.h"
#include "monitor/WinMonSensorUnit.h"
#include "support/PinGlDriver.h"
#include "ui/TaskRegistry.h"

#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QOpenGLWidget>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <clocale>
#include <cmath>

using TValues = QVector<double>;

class TestMonitor : public QObject {
    Q_OBJECT

    // Answers every command with its prompt and streams nothing: the tests
    // put the payloads in the slots themselves.
    std::unique_ptr<TScriptedPanel> m_panel;
    std::unique_ptr<TScriptedDialogs> m_dialogs;
    std::unique_ptr<QSignalSpy> m_sent;
    QTemporaryDir m_dir;

    // Commands the window handed to the link, in order.
    QByteArrayList Sent() const {
        QByteArrayList out;
        for (const auto& args : *m_sent)
            out << args.at(0).toByteArray();
        return out;
    }
    TWinMonGyro* OpenGyro() {
        TaskWindowFor("ActionMonGyro")();
        return TWinMonGyro::Instance();
    }
    TWinMonImu* OpenImu() {
        TaskWindowFor("ActionMonImu")();
        return TWinMonImu::Instance();
    }
    // Chooses `name` through the file dialog and ticks "Сохранять в файл".
    void ChooseFile(TWinSensorMonitor* w, const QString& name) {
        m_dialogs->SaveNames << name;
        w->SpeedButton1Click();
        w->CheckBox1->setChecked(true);
    }
    void Store(const QByteArray& payload, TTelemetrySlot slot = TTelemetrySlot::Gyro) {
        m_panel->Link().StoreTelemetry(slot, payload);
    }
    void StoreEkf(const QByteArray& payload) { Store(payload, TTelemetrySlot::Ekf); }
    static QVector3D Angles(TWinMonImu* w) {
        return QVector3D(w->Model()->ax, w->Model()->ay, w->Model()->az);
    }

private slots:
    void initTestCase() {
        void RegisterMonitorWindows(); // the monitor layer's, as the program declares it
        RegisterMonitorWindows();
    }
    void init() {
        m_panel = std::make_unique<TScriptedPanel>();
        m_dialogs = std::make_unique<TScriptedDialogs>();
        m_sent = std::make_unique<QSignalSpy>(&m_panel->Link(), &TBoardLink::CommandSent);
    }
    void cleanup() {
        QVERIFY2(m_dialogs->Unexpected.isEmpty(), qPrintable(m_dialogs->Unexpected.join("; ")));
        m_sent.reset();
        m_panel.reset();
        m_dialogs.reset();
    }

    // --- the sensor monitors ----------------------------------------------------

    // A file that cannot be used: refused before anything is sent.
    void badFileIsRefused_data() {
        QTest::addColumn<QString>("file"); // "" = none chosen
        QTest::addColumn<QString>("error");
        QTest::newRow("no file chosen") << QString() << "Файл задан неправильно";
        QTest::newRow("unopenable") << "no/such/folder/log.txt"
                                    << "no/such/folder/log.txt";
    }
    void badFileIsRefused() {
        QFETCH(QString, file);
        QFETCH(QString, error);
        TWinMonGyro* w = OpenGyro();
        if (file.isEmpty())
            w->CheckBox1->setChecked(true);
        else
            ChooseFile(w, m_dir.filePath(file));
        w->SpeedButton2Click();
        const QStringList shown = m_dialogs->Messages + m_dialogs->Errors;
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].contains(error), qPrintable(shown[0]));
        QCOMPARE(m_sent->size(), 0);
        QVERIFY(!w->Monitoring());
        w->close();
    }

    // One CR LF line per tick in the chosen file, cut at every start; a
    // second start closes the first file.
    void secondStartClosesTheFirstFile() {
        const QString first = m_dir.filePath("first.txt"), second = m_dir.filePath("second.txt");
        WriteAll(first, "old data that must go\r\n");
        TWinMonGyro* w = OpenGyro();
        ChooseFile(w, first);
        QCOMPARE(w->FileName->text(), first);
        Store("a");
        w->SpeedButton2Click();
        w->Timer1Timer();
        w->Timer1Timer();
        ChooseFile(w, second);
        w->SpeedButton2Click(); // first closed, second opened
        Store("b");
        w->Timer1Timer();
        QCOMPARE(ReadAll(first), QByteArray("a\r\na\r\n"));
        QCOMPARE(ReadAll(second), QByteArray("b\r\n"));
        // The same file again is cut again.
        w->SpeedButton2Click();
        Store("c");
        w->Timer1Timer();
        QCOMPARE(ReadAll(second), QByteArray("c\r\n"));
        // Unchecked: the file is closed at the next start and left alone.
        w->CheckBox1->setChecked(false);
        w->Timer1Timer();
        QCOMPARE(ReadAll(second), QByteArray("c\r\nc\r\n")); // no effect until Start
        w->SpeedButton2Click();
        QVERIFY(!w->HasLogFile());
        w->Timer1Timer();
        QCOMPARE(ReadAll(second), QByteArray("c\r\nc\r\n"));
        QCOMPARE(Sent().count("mon on gyro\r\n"), 4);
        w->close();
    }

    void listKeepsTheNewest2000Lines() {
        TWinMonGyro* w = OpenGyro();
        w->SpeedButton2Click();
        for (int i = 0; i < 2005; ++i) {
            Store(QByteArray::number(i));
            w->Timer1Timer();
        }
        const QStringList lines = w->Monitor->Lines();
        QCOMPARE(lines.size(), 2000);
        QCOMPARE(lines.first(), QString("5"));
        QCOMPARE(lines.last(), QString("2004"));
        w->close();
    }

    // The list moves its picture up a row and draws only the new one: the
    // screen then shows what a whole repaint draws. A selection stays with
    // its lines while the oldest go; a view scrolled back holds still.
    void listScrollsCopiesAndHolds() {
        if (QGuiApplication::platformName() != "xcb")
            QSKIP("needs a screen to read back");
        TMonitorList list(50);
        list.resize(260, 150);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        const auto add = [&](int from, int to) {
            for (int i = from; i < to; ++i) {
                list.AppendLine(QString("line %1").arg(i));
                QCoreApplication::processEvents();
            }
        };
        const auto shown = [&] { return list.screen()->grabWindow(list.winId()).toImage(); };
        add(0, 45);
        const QImage incremental = shown();
        list.viewport()->repaint();
        QCOMPARE(shown(), incremental);
        QScrollBar* bar = list.verticalScrollBar();
        QCOMPARE(bar->value(), bar->maximum());

        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, QPoint(20, 5));
        QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::ShiftModifier, QPoint(20, 25));
        const QString selected = list.SelectedText();
        QVERIFY(selected.count('\n') >= 1);
        bar->setValue(bar->value() - 3);
        const int top = bar->value();
        add(45, 60); // the oldest ten go
        QCOMPARE(bar->value(), top - 10);
        QCOMPARE(list.SelectedText(), selected);
        list.setFocus();
        QTest::keySequence(&list, QKeySequence::Copy);
        QCOMPARE(QGuiApplication::clipboard()->text(), selected);
        QCOMPARE(list.Lines().first(), QString("line 10"));
    }

    void stopAndClose_data() {
        QTest::addColumn<bool>("start");
        QTest::addColumn<bool>("stopFirst");
        QTest::addColumn<QByteArrayList>("sent");
        QTest::newRow("stop while idle still sends stop")
            << false << true << QByteArrayList{"mon off gyro\r\n"};
        QTest::newRow("close while monitoring sends stop once")
            << true << false << QByteArrayList{"mon on gyro\r\n", "mon off gyro\r\n"};
        QTest::newRow("close after stop sends nothing more")
            << true << true << QByteArrayList{"mon on gyro\r\n", "mon off gyro\r\n"};
        QTest::newRow("close while idle sends nothing") << false << false << QByteArrayList{};
    }
    void stopAndClose() {
        QFETCH(bool, start);
        QFETCH(bool, stopFirst);
        QFETCH(QByteArrayList, sent);
        const QString name = m_dir.filePath("close.txt");
        TWinMonGyro* w = OpenGyro();
        ChooseFile(w, name);
        if (start)
            w->SpeedButton2Click();
        Store("7");
        if (start)
            w->Timer1Timer();
        if (stopFirst)
            w->SpeedButton3Click();
        QCOMPARE(w->HasLogFile(), start && !stopFirst); // stop closes the file
        w->close();
        QTRY_VERIFY(TWinMonGyro::Instance().isNull());
        QCOMPARE(Sent(), sent);
        if (start)
            QCOMPARE(ReadAll(name), QByteArray("7\r\n")); // closed with what was written
    }

    // Each tick lists the payload as received (an empty line before the
    // first, the same payload again when nothing new came) and plots its
    // numbers.
    void ticksListAndPlotThePayload() {
        TWinMonGyro* w = OpenGyro();
        w->SpeedButton2Click();
        w->Timer1Timer();
        w->Timer1Timer();
        QCOMPARE(w->Plot->SampleCount(), 0);
        const QStringList payloads{"x=1.5 y=-2 z=3e2", "x=2.5 y=-1 z=4", "NO DATA", " x=3.5 y=0 "};
        for (const QString& payload : payloads) { // NO DATA listed, not plotted;
            Store(payload.toLatin1());            // z missing: a gap in the third line
            w->Timer1Timer();
        }
        TMonitorPlot* plot = w->Plot;
        QCOMPARE(plot->SampleCount(), 3);
        QCOMPARE(plot->LineCount(), 3);
        QCOMPARE(plot->Line(0), (QVector<double>{1.5, 2.5, 3.5}));
        QCOMPARE(plot->Line(1), (QVector<double>{-2, -1, 0}));
        QCOMPARE(plot->Line(2).mid(0, 2), (QVector<double>{300, 4}));
        QVERIFY(std::isnan(plot->Line(2).at(2)));
        QCOMPARE(plot->Legend(0), QString("x"));
        w->Timer1Timer();
        QCOMPARE(w->Monitor->Lines(), QStringList({"", ""}) + payloads + payloads.mid(3));
        w->close();
    }

    void plotKeepsTheLast200Seconds() {
        TMonitorPlot plot;
        for (qint64 ms = 0; ms <= 300000; ms += 100)
            plot.AddSample(ms, {double(ms)});
        QCOMPARE(plot.SampleCount(), 2001); // 100 s .. 300 s inclusive
        QCOMPARE(plot.Line(0).first(), 100000.0);
        QCOMPARE(plot.Legend(0), QString("1"));
        plot.AddSample(300100, {1e300, -1e300});
        QVERIFY(std::isnan(plot.Line(0).last()) && std::isnan(plot.Line(1).last()));
        QVERIFY(!plot.grab().isNull()); // paints with gaps only
    }

    // Against the simulated board: each member starts its own stream (only
    // that one runs), lists and plots its payloads, and really stops it.
    void streamsAgainstTheBoard_data() {
        QTest::addColumn<int>("kind");
        for (int k = 0; k < int(TSensorKind::Count); ++k)
            QTest::newRow(SensorMonitors[k].Stream) << k;
    }
    void streamsAgainstTheBoard() {
        QFETCH(int, kind);
        const TMonitorMember& m = SensorMonitors[kind];
        m_sent.reset();
        m_panel.reset();
        TTestPanel board;
        QVERIFY(board.Connect());
        TaskWindowFor(m.Action)();
        auto* w = qobject_cast<TWinSensorMonitor*>(board.Area().subWindowList().value(0));
        QVERIFY(w);
        w->SpeedButton2Click();
        QCOMPARE(board.WaitBoardLines(1), QByteArrayList{"mon on " + QByteArray(m.Stream)});
        QTRY_VERIFY(w->Plot->SampleCount() >= 3);
        QVERIFY(w->Plot->LineCount() >= 3);
        const QString last = w->Monitor->Lines().last();
        QVERIFY(!last.isEmpty());
        QVERIFY(!last.startsWith('$')); // the payload, without its tag
        w->SpeedButton3Click();
        QCOMPARE(board.WaitBoardLines(1), QByteArrayList{"mon off " + QByteArray(m.Stream)});
        bool on = true;
        board.WithBoard([&](TBoardSim& sim) { on = sim.StreamOn(m.Stream); });
        QVERIFY(!on);
        w->close();
    }

    // --- the attitude monitor ---------------------------------------------------

    void imuOpensIdleWithTheModelInPlace() {
        TWinMonImu* w = OpenImu();
        QVERIFY(!w->Monitoring());
        if (TsceneGL::OpenGLAvailable())
            QVERIFY(w->Scene()->active && w->Scene()->View()->isVisibleTo(w->Panel3));
        else
            QVERIFY(w->Panel3->findChild<QLabel*>());
        QCOMPARE(m_sent->size(), 0);
        // The horizon reset while idle; closing idle sends nothing.
        QTest::mouseClick(w->SpeedButton4, Qt::LeftButton);
        w->close();
        QTRY_VERIFY(TWinMonImu::Instance().isNull());
        QCOMPARE(Sent(), QByteArrayList{"save ref\r\n"});
    }

    void imuCheckBoxes_data() {
        QTest::addColumn<int>("boxes"); // bit 0 reverse roll, 1 pitch, 2 yaw, 3 yaw on
        for (int boxes = 0; boxes < 16; ++boxes) {
            const QString name = QString("roll%1 pitch%2 yaw%3 %4")
                                     .arg(boxes & 1 ? "-" : "+", boxes & 2 ? "-" : "+",
                                          boxes & 4 ? "-" : "+", boxes & 8 ? "yaw on" : "yaw off");
            QTest::newRow(qPrintable(name)) << boxes;
        }
    }
    void imuCheckBoxes() {
        QFETCH(int, boxes);
        TWinMonImu* w = OpenImu();
        QTest::mouseClick(w->CheckBox2, Qt::LeftButton); // check and clear again:
        QTest::mouseClick(w->CheckBox2, Qt::LeftButton); // the factor follows the box
        w->CheckBox2->setChecked(boxes & 1);
        w->CheckBox3->setChecked(boxes & 2);
        w->CheckBox4->setChecked(boxes & 4);
        w->CheckBox5->setChecked(boxes & 8);
        w->SpeedButton2Click();
        StoreEkf("t=1200 r=10 p=-5 y=90");
        w->Timer1Timer();
        const float roll = boxes & 1 ? -10 : 10;
        const float pitch = boxes & 2 ? 5 : -5;
        const float yaw = boxes & 4 ? -90 : 90;
        QCOMPARE(Angles(w), QVector3D(pitch, boxes & 8 ? yaw : 0, roll));
        QCOMPARE(w->yaw, yaw); // kept after the factor even while yaw is off
        QCOMPARE(w->StatusText->text(), QString());
        QVERIFY(m_dialogs->Messages.isEmpty() && m_dialogs->Errors.isEmpty());
        w->close();
    }

    // Qt's default locale and the C library's numeric locale both with a
    // decimal comma (the C one compiled into a temporary folder when the
    // system has none installed).
    void imuDecimalCommaLocaleReadsPoints() {
        QTemporaryDir locales;
        if (QProcess::execute("localedef",
                              {"-i", "de_DE", "-f", "UTF-8", locales.filePath("de_DE.UTF-8")}) == 0)
            qputenv("LOCPATH", QFile::encodeName(locales.path()));
        const QByteArray cSaved = std::setlocale(LC_NUMERIC, nullptr);
        if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") ||
            std::localeconv()->decimal_point[0] != ',') {
            std::setlocale(LC_NUMERIC, cSaved.constData());
            qunsetenv("LOCPATH");
            QSKIP("no C locale with a decimal comma could be made (localedef -i de_DE)");
        }
        const QLocale saved;
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        TWinMonImu* w = OpenImu();
        w->SpeedButton2Click();
        StoreEkf("0 r=1.5 p=-2.25 y=3.75e1");
        w->Timer1Timer();
        std::setlocale(LC_NUMERIC, cSaved.constData());
        QLocale::setDefault(saved);
        qunsetenv("LOCPATH");
        QCOMPARE(Angles(w), QVector3D(-2.25f, 0, 1.5f));
        QCOMPARE(w->yaw, 37.5f);
        w->close();
    }

    // What the parser refuses is in the ekf table below; here the window's
    // own rules: angles beyond a float, the count, no dialog, going on.
    void imuUnreadablePayloadsFailQuietly_data() {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QString>("status");
        QTest::newRow("beyond a float")
            << QByteArray("t=1 r=1e300 p=2 y=3") << "Нечитаемых пакетов: 1";
        QTest::newRow("nothing yet") << QByteArray() << "Нет данных EKF";
    }
    void imuUnreadablePayloadsFailQuietly() {
        QFETCH(QByteArray, payload);
        QFETCH(QString, status);
        TWinMonImu* w = OpenImu();
        w->SpeedButton2Click();
        StoreEkf("0 r=10 p=20 y=30");
        w->CheckBox5->setChecked(true);
        w->Timer1Timer();
        StoreEkf(payload);
        w->Timer1Timer();
        QCOMPARE(Angles(w), QVector3D(20, 30, 10)); // the last attitude stays
        QCOMPARE(w->StatusText->text(), status);
        QCOMPARE(w->Monitor->Lines().last(), QString::fromLatin1(payload)); // still listed
        QVERIFY(w->Monitoring());                                           // goes on
        StoreEkf("0 r=1 p=2 y=3");
        w->Timer1Timer();
        QCOMPARE(Angles(w), QVector3D(2, 3, 1));
        QVERIFY(m_dialogs->Messages.isEmpty() && m_dialogs->Errors.isEmpty());
        w->close();
    }

    // Against the simulated board: the plate turns by the angles of the
    // board's payload, and the horizon reset reaches the board.
    void imuFollowsTheBoard() {
        m_sent.reset();
        m_panel.reset();
        TTestPanel board;
        QVERIFY(board.Connect());
        TWinMonImu* w = OpenImu();
        w->CheckBox5->setChecked(true);
        w->SpeedButton2Click();
        QCOMPARE(board.WaitBoardLines(1), QByteArrayList{"mon on ekf"});
        // A tick on a payload that stays put while it runs: the plate shows
        // that payload's angles.
        const auto showsThePayload = [&] {
            const QByteArray payload = board.Link().EkfData();
            double r = 0, p = 0, y = 0;
            w->Timer1Timer();
            return ParseEkfAttitude(payload, r, p, y) && payload == board.Link().EkfData() &&
                   (r != 0 || p != 0 || y != 0) &&
                   Angles(w) == QVector3D(float(p), float(y), float(r));
        };
        QTRY_VERIFY(showsThePayload());
        QCOMPARE(w->UnreadablePayloads(), 0);
        QTest::mouseClick(w->SpeedButton4, Qt::LeftButton);
        QCOMPARE(board.WaitBoardLines(1), QByteArrayList{"save ref"});
        w->close();
        QCOMPARE(board.WaitBoardLines(1), QByteArrayList{"mon off ekf"});
    }

    // --- the payload parsers ----------------------------------------------------

    void numbers_data() {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<TValues>("values");
        QTest::addColumn<QByteArrayList>("keys");
        QTest::newRow("bare numbers") << QByteArray("0.123 -0.456 0.02")
                                      << TValues{0.123, -0.456, 0.02} << QByteArrayList{"", "", ""};
        QTest::newRow("keyed numbers") << QByteArray("x=1.5 y=-2 z=3e2") << TValues{1.5, -2, 300}
                                       << QByteArrayList{"x", "y", "z"};
        QTest::newRow("digits inside a word are not numbers")
            << QByteArray("BAT1=12.6 RSSI=80 x2") << TValues{12.6, 80}
            << QByteArrayList{"BAT1", "RSSI"};
        QTest::newRow("comma separated")
            << QByteArray("1,2, -3") << TValues{1, 2, -3} << QByteArrayList{"", "", ""};
        QTest::newRow("tab and semicolon, keys on some")
            << QByteArray("  k0=-12.125\t7.5;k2=0.001 ") << TValues{-12.125, 7.5, 0.001}
            << QByteArrayList{"k0", "", "k2"};
        QTest::newRow("time of day")
            << QByteArray("12:34:56") << TValues{12, 34, 56} << QByteArrayList{"", "", ""};
        QTest::newRow("fraction only, explicit plus")
            << QByteArray("-.5 +7") << TValues{-0.5, 7} << QByteArrayList{"", ""};
        QTest::newRow("incomplete exponent stays out")
            << QByteArray("5e x") << TValues{5} << QByteArrayList{""};
        QTest::newRow("dotted triple gives its first number")
            << QByteArray("1.2.3") << TValues{1.2} << QByteArrayList{""};
        QTest::newRow("empty") << QByteArray() << TValues{} << QByteArrayList{};
        QTest::newRow("text only") << QByteArray("NO FIX") << TValues{} << QByteArrayList{};
        QTest::newRow("huge number left out")
            << QByteArray("1e999 4") << TValues{4} << QByteArrayList{""};
    }
    void numbers() {
        QFETCH(QByteArray, payload);
        QFETCH(TValues, values);
        QFETCH(QByteArrayList, keys);
        TValues gotValues;
        QByteArrayList gotKeys;
        for (const auto& n : PayloadNumbers(payload)) {
            gotValues << n.Value;
            gotKeys << n.Key;
        }
        QCOMPARE(gotValues, values);
        QCOMPARE(gotKeys, keys);
    }

    void ekf_data() {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<double>("roll");
        QTest::addColumn<double>("pitch");
        QTest::addColumn<double>("yaw");
        QTest::newRow("roll 10, pitch -5, yaw 90")
            << QByteArray("t=1200 r=10 p=-5 y=90") << true << 10.0 << -5.0 << 90.0;
        QTest::newRow("fractions and exponent")
            << QByteArray("0 r=1.25 p=-0.5e1 y=359.9") << true << 1.25 << -5.0 << 359.9;
        QTest::newRow("blanks at both ends trimmed")
            << QByteArray(" \t0 r=1 p=2 y=3 \r") << true << 1.0 << 2.0 << 3.0;
        QTest::newRow("further tokens ignored")
            << QByteArray("0 r=1 p=2 y=3 q=junk") << true << 1.0 << 2.0 << 3.0;
        QTest::newRow("every occurrence of the key removed")
            << QByteArray("0 r=r=1 p=2 y=3") << true << 1.0 << 2.0 << 3.0;
        QTest::newRow("bare numbers") << QByteArray("0 1 2 3") << true << 1.0 << 2.0 << 3.0;
        QTest::newRow("two blanks shift the tokens")
            << QByteArray("0  r=1 p=2 y=3") << false << 0.0 << 0.0 << 0.0;
        QTest::newRow("pitch in token 2 misread")
            << QByteArray("0 p=2 r=1 y=3") << false << 0.0 << 0.0 << 0.0;
        QTest::newRow("decimal comma is not a number")
            << QByteArray("0 r=1,5 p=2 y=3") << false << 0.0 << 0.0 << 0.0;
        QTest::newRow("three tokens") << QByteArray("0 r=1 p=2") << false << 0.0 << 0.0 << 0.0;
        QTest::newRow("empty") << QByteArray() << false << 0.0 << 0.0 << 0.0;
        QTest::newRow("key without number")
            << QByteArray("0 r= p=2 y=3") << false << 0.0 << 0.0 << 0.0;
        QTest::newRow("not a finite number")
            << QByteArray("0 r=inf p=nan y=3") << false << 0.0 << 0.0 << 0.0;
    }
    void ekf() {
        QFETCH(QByteArray, payload);
        QFETCH(bool, ok);
        QFETCH(double, roll);
        QFETCH(double, pitch);
        QFETCH(double, yaw);
        double r = 0, p = 0, y = 0;
        QCOMPARE(ParseEkfAttitude(payload, r, p, y), ok);
        QCOMPARE(r, roll); // unchanged (0) on failure
        QCOMPARE(p, pitch);
        QCOMPARE(y, yaw);
    }
};

VANTOR_TEST_MAIN(TestMonitor)
#include "tst_monitor.moc"
