// The six sensor monitors as the operator uses them: start and stop, the
// log file, the capped list, the plot, closing while a stream runs, and one
// monitor against the simulated board.

#include "ScriptedDialogs.h"
#include "ScriptedPanel.h"
#include "TestMain.h"
#include "TestPanel.h"
#include "TestSupport.h"
#include "monitor/MonitorPlot.h"
#include "monitor/WinMonSensorUnit.h"
#include "ui/TaskRegistry.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

namespace {
// Commands the window handed to the link, in order.
QByteArrayList Sent(const QSignalSpy& spy) {
    QByteArrayList out;
    for (const auto& args : spy)
        out << args.at(0).toByteArray();
    return out;
}

} // namespace

class TestMonitor : public QObject {
    Q_OBJECT

    // Answers every command with its prompt and streams nothing: the tests
    // put the payloads in the slots themselves.
    std::unique_ptr<TScriptedPanel> m_panel;
    std::unique_ptr<TScriptedDialogs> m_dialogs;
    std::unique_ptr<QSignalSpy> m_sent;
    QTemporaryDir m_dir;

    TWinMonGyro* OpenGyro() {
        TaskWindowFor("ActionMonGyro")();
        return TWinMonGyro::Instance();
    }
    // Chooses `name` through the file dialog and ticks "Сохранять в файл".
    void ChooseFile(TWinSensorMonitor* w, const QString& name) {
        m_dialogs->SaveNames << name;
        w->SpeedButton1Click();
        w->CheckBox1->setChecked(true);
    }
    void Store(const QByteArray& payload) {
        m_panel->Link().StoreTelemetry(TTelemetrySlot::Gyro, payload);
    }

private slots:
    void initTestCase() { RegisterMonitorWindows(); }
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

    void everyMemberRunsItsOwnStream_data() {
        QTest::addColumn<int>("kind");
        for (int k = 0; k < int(TSensorKind::Count); ++k)
            QTest::newRow(SensorMonitors[k].Stream) << k;
    }
    void everyMemberRunsItsOwnStream() {
        QFETCH(int, kind);
        const TMonitorMember& m = SensorMonitors[kind];
        TaskWindowFor(m.Action)();
        QCOMPARE(m_panel->Area().subWindowList().size(), 1);
        auto* w = qobject_cast<TWinSensorMonitor*>(m_panel->Area().subWindowList().first());
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), QString::fromUtf8(m.Caption));
        QCOMPARE(w->Label3->text(), QString::fromUtf8(m.Heading));
        QVERIFY(!w->CheckBox1->isChecked());
        QVERIFY(!w->Monitoring());
        QCOMPARE(m_sent->size(), 0); // opening sends nothing

        // The menu entry again restores the minimised window, no second one.
        w->showMinimized();
        TaskWindowFor(m.Action)();
        QCOMPARE(m_panel->Area().subWindowList().size(), 1);
        QVERIFY(!w->isMinimized());

        // Its own slot only: another stream's payload does not show.
        for (int other = 0; other < int(TSensorKind::Count); ++other)
            m_panel->Link().StoreTelemetry(SensorMonitors[other].Slot, "other");
        m_panel->Link().StoreTelemetry(m.Slot, "own 42");
        w->SpeedButton2Click();
        QVERIFY(w->Monitoring());
        QCOMPARE(w->Timer1->interval(), 100);
        w->Timer1Timer();
        QCOMPARE(w->Monitor->Lines().last(), QString("own 42"));
        w->SpeedButton3Click();
        QVERIFY(!w->Monitoring());
        QCOMPARE(Sent(*m_sent), (QByteArrayList{"mon on " + QByteArray(m.Stream) + "\r\n",
                                                "mon off " + QByteArray(m.Stream) + "\r\n"}));
        w->close();
    }

    void savingWithoutFileIsRefused() {
        TWinMonGyro* w = OpenGyro();
        w->CheckBox1->setChecked(true);
        w->SpeedButton2Click();
        QCOMPARE(m_dialogs->Messages, QStringList{"Файл задан неправильно"});
        QCOMPARE(m_sent->size(), 0);
        QVERIFY(!w->Monitoring());
        w->close();
    }

    void unopenableFileIsReportedAndNothingSent() {
        TWinMonGyro* w = OpenGyro();
        ChooseFile(w, m_dir.filePath("no/such/folder/log.txt"));
        w->SpeedButton2Click();
        QCOMPARE(m_dialogs->Errors.size(), 1);
        QVERIFY(m_dialogs->Errors.first().contains("no/such/folder/log.txt"));
        QCOMPARE(m_sent->size(), 0);
        QVERIFY(!w->Monitoring());
        w->close();
    }

    // The file is cut to nothing and holds one CR LF line per tick, under
    // the real timer.
    void logFileHoldsOneLinePerTick() {
        const QString name = m_dir.filePath("gyro.txt");
        WriteAll(name, "old data that must go\r\nsecond old line\r\n");
        TWinMonGyro* w = OpenGyro();
        ChooseFile(w, name);
        QCOMPARE(w->FileName->text(), name);
        Store("0.1 0.2 0.3");
        w->SpeedButton2Click();
        QVERIFY(w->HasLogFile());
        QTRY_VERIFY(w->Monitor->LineCount() >= 3);
        Store("0.4 0.5 0.6");
        QTRY_VERIFY(w->Monitor->LineCount() >= 5);
        w->SpeedButton3Click();
        QVERIFY(!w->HasLogFile());
        const QByteArray data = ReadAll(name);
        const QStringList listed = w->Monitor->Lines();
        QCOMPARE(data, (listed.join("\r\n") + "\r\n").toLatin1());
        QCOMPARE(data.count("\r\n"), listed.size());
        QVERIFY(!data.contains("old"));
        w->close();
    }

    void secondStartClosesTheFirstFile() {
        const QString first = m_dir.filePath("first.txt"), second = m_dir.filePath("second.txt");
        TWinMonGyro* w = OpenGyro();
        ChooseFile(w, first);
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
        QCOMPARE(Sent(*m_sent).count("mon on gyro\r\n"), 4);
        w->close();
    }

    void emptyLinesBeforeTheFirstPayload() {
        TWinMonGyro* w = OpenGyro();
        w->SpeedButton2Click();
        w->Timer1Timer();
        w->Timer1Timer();
        w->Timer1Timer();
        QCOMPARE(w->Monitor->Lines(), (QStringList{"", "", ""}));
        QCOMPARE(w->Plot->SampleCount(), 0);
        Store("  1.5 2  ");
        w->Timer1Timer();
        w->Timer1Timer(); // the same payload again is listed again
        QCOMPARE(w->Monitor->Lines(), (QStringList{"", "", "", "  1.5 2  ", "  1.5 2  "}));
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
        w->close();
        QTRY_VERIFY(TWinMonGyro::Instance().isNull());
        QCOMPARE(Sent(*m_sent), sent);
        if (start)
            QCOMPARE(ReadAll(name), QByteArray("7\r\n")); // closed with what was written
    }

    void plotTakesThePayloadNumbers() {
        TWinMonGyro* w = OpenGyro();
        w->SpeedButton2Click();
        Store("x=1.5 y=-2 z=3e2");
        w->Timer1Timer();
        Store("x=2.5 y=-1 z=4");
        w->Timer1Timer();
        Store("NO DATA");
        w->Timer1Timer(); // listed, not plotted
        Store("x=3.5 y=0");
        w->Timer1Timer(); // z missing: a gap in the third line
        TMonitorPlot* plot = w->Plot;
        QCOMPARE(plot->SampleCount(), 3);
        QCOMPARE(plot->LineCount(), 3);
        QCOMPARE(plot->Line(0), (QVector<double>{1.5, 2.5, 3.5}));
        QCOMPARE(plot->Line(1), (QVector<double>{-2, -1, 0}));
        QCOMPARE(plot->Line(2).mid(0, 2), (QVector<double>{300, 4}));
        QVERIFY(std::isnan(plot->Line(2).at(2)));
        QCOMPARE(plot->Legend(0), QString("x"));
        QCOMPARE(w->Monitor->LineCount(), 4);
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

    // Against the simulated board: each stream really starts, its payloads
    // are listed and plotted, and it really stops.
    void streamsAgainstTheBoard_data() { everyMemberRunsItsOwnStream_data(); }
    void streamsAgainstTheBoard() {
        QFETCH(int, kind);
        const TMonitorMember& m = SensorMonitors[kind];
        m_sent.reset();
        m_panel.reset();
        TTestPanel board;
        QVERIFY(board.Connect());
        TaskWindowFor(m.Action)();
        auto* w = qobject_cast<TWinSensorMonitor*>(board.Area().subWindowList().first());
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
};

VANTOR_TEST_MAIN(TestMonitor)
#include "tst_monitor.moc"
