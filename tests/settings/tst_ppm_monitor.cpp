// The PPM input monitor: the stream commands on opening and closing (from
// the channel window, modally, waiting for the board when it is taken),
// what each tick lists, the 1000-line cap, the channel bars, and the live
// stream of the simulated board.

#include "ScriptedDialogs.h"
#include "ScriptedPanel.h"
#include "TestMain.h"
#include "TestPanel.h"
#include "settings/Dlg_PPM_MonitorUnit.h"
#include "settings/PpmBarsUnit.h"
#include "settings/WinChannelControlsUnit.h"

#include <QDir>
#include <QImage>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTimer>

namespace {
QString LastLine(const TDlg_PPM_Monitor* d) {
    return d->MonMemo->document()->lastBlock().text();
}

} // namespace

class TestPpmMonitor : public QObject {
    Q_OBJECT
private slots:
    // Opened from the channel window: modal for the operator (the rest of
    // the panel takes no input), but without a loop of its own; "mon on
    // ppm_input" when it opens, "mon off ppm_input" when it closes, each a
    // conversation read to its prompt; the channel window is usable after.
    void openedModallyFromTheChannelWindow() {
        TScriptedPanel panel;
        TScriptedDialogs dialogs;
        // The frame away from the screen's centre: the monitor opens
        // centred on it.
        panel.Area().setGeometry(40, 60, 1024, 768);
        panel.Area().show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel.Area()));
        QVERIFY(OpenTaskWindow(WinChannelControls));
        panel.TakeSent();
        Ctl()->click();
        QPointer<TDlg_PPM_Monitor> d = WinChannelControls->Dlg_PPM_Monitor;
        QVERIFY(d && d->isVisible());
        const QPoint off = d->frameGeometry().center() - panel.Area().frameGeometry().center();
        QVERIFY2(off.manhattanLength() <= 4,
                 qPrintable(QString("%1,%2").arg(off.x()).arg(off.y())));
        QCOMPARE(d->windowModality(), Qt::ApplicationModal);
        QCOMPARE(d->windowTitle(), "Монитор значений входных каналов");
        QCOMPARE(panel.TakeSent(), QByteArrayList{"mon on ppm_input\r\n"});
        QVERIFY(panel.Link().InStep() && !d->WaitNote->isVisible());
        // Closing the channel window (the frame closing, say) closes the
        // monitor first, then the window.
        QVERIFY(WinChannelControls->close());
        QTRY_VERIFY(WinChannelControls.isNull() && d.isNull());
        QCOMPARE(panel.TakeSent(), QByteArrayList{"mon off ppm_input\r\n"});
    }

    // Opened while another operation holds the board: the dialog says it
    // waits, the stream goes on when the board is free; closed before that,
    // nothing is sent at all.
    void streamWaitsForTheBoard() {
        TScriptedPanel panel;
        for (bool closeFirst : {false, true}) {
            QPointer<TDlg_PPM_Monitor> d;
            {
                const TBoardTurn exportRunning(panel.Link());
                d = new TDlg_PPM_Monitor;
                d->show();
                QVERIFY(d->WaitNote->isVisible());
                QVERIFY(d->WaitNote->text().contains("занята"));
                if (closeFirst)
                    d->close();
            }
            if (closeFirst) {
                QTRY_VERIFY(d.isNull());
                QTest::qWait(50);
                QCOMPARE(panel.TakeSent(), QByteArrayList{});
                continue;
            }
            QByteArrayList sent;
            QTRY_COMPARE(sent += panel.TakeSent(), QByteArrayList{"mon on ppm_input\r\n"});
            QVERIFY(!d->WaitNote->isVisible());
            d->close();
            QTRY_COMPARE(sent += panel.TakeSent(),
                         (QByteArrayList{"mon on ppm_input\r\n", "mon off ppm_input\r\n"}));
        }
    }

    void tickListsThePayload_data() {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QString>("listed");
        QTest::addColumn<int>("bars"); // channels drawn, 0 = bars hidden
        QTest::newRow("no telemetry yet") << QByteArray() << "Данные отсутствуют" << 0;
        QTest::newRow("blanks only") << QByteArray("   \t ") << "Данные отсутствуют" << 0;
        QTest::newRow("leading and trailing blanks")
            << QByteArray("  1500 1520 1100 ") << "1500 1520 1100" << 3;
        QTest::newRow("twelve channels")
            << QByteArray("1500 1500 1100 1500 1900 1100 1500 1500 1500 1500 1500 1500")
            << "1500 1500 1100 1500 1900 1100 1500 1500 1500 1500 1500 1500" << 12;
        QTest::newRow("comma separated") << QByteArray("1000,2000") << "1000,2000" << 2;
        QTest::newRow("text is listed, not drawn")
            << QByteArray(" CH1=1500 CH2=1600") << "CH1=1500 CH2=1600" << 0;
        QTest::newRow("a number and a word") << QByteArray("1500 lost") << "1500 lost" << 0;
    }
    void tickListsThePayload() {
        QFETCH(QByteArray, payload);
        QFETCH(QString, listed);
        QFETCH(int, bars);
        TScriptedPanel panel;
        panel.Link().StoreTelemetry(TTelemetrySlot::Ppm, payload);
        QPointer<TDlg_PPM_Monitor> d = new TDlg_PPM_Monitor;
        d->show();
        QCOMPARE(d->MonMemo->toPlainText(), QString()); // each opening starts empty
        QVERIFY(d->Timer1->isActive() && d->Timer1->interval() == 200);
        d->Timer1Timer();
        QCOMPARE(d->MonMemo->toPlainText(), listed);
        QCOMPARE(d->Bars->isVisible(), bars > 0);
        if (bars)
            QCOMPARE(d->Bars->Values().size(), bars);
        d->close();
        QTRY_VERIFY(d.isNull());
    }

    void keepsTheNewest1000Lines() {
        TScriptedPanel panel;
        QPointer<TDlg_PPM_Monitor> d = new TDlg_PPM_Monitor;
        d->Timer1->stop();
        for (int i = 1; i <= 1005; ++i) {
            panel.Link().StoreTelemetry(TTelemetrySlot::Ppm, QByteArray::number(i));
            d->Timer1Timer();
        }
        QCOMPARE(d->MonMemo->blockCount(), 1000);
        QCOMPARE(d->MonMemo->document()->firstBlock().text(), "6");
        QCOMPARE(LastLine(d), "1005");
        d->close();
        QTRY_VERIFY(d.isNull());
    }

    void barScale_data() {
        QTest::addColumn<int>("us");
        QTest::addColumn<int>("position"); // on a 1200-pixel bar
        QTest::newRow("low end") << 900 << 0;
        QTest::newRow("neutral in the middle") << 1500 << 600;
        QTest::newRow("high end") << 2100 << 1200;
        QTest::newRow("below range held at the low end") << 800 << 0;
        QTest::newRow("above range held at the high end") << 2500 << 1200;
    }
    void barScale() {
        QFETCH(int, us);
        QFETCH(int, position);
        QCOMPARE(TPpmBars::Position(us, 1200), position);
    }

    void parsePpmValues_data() {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QList<int>>("values"); // empty = not a list of numbers
        QTest::newRow("blank separated")
            << QByteArray("1500  1600\t1700") << QList<int>{1500, 1600, 1700};
        QTest::newRow("comma separated") << QByteArray("1500, 1600") << QList<int>{1500, 1600};
        QTest::newRow("negative is a number") << QByteArray("-1 1500") << QList<int>{-1, 1500};
        QTest::newRow("empty") << QByteArray() << QList<int>{};
        QTest::newRow("a word") << QByteArray("1500 x") << QList<int>{};
        QTest::newRow("decimal point") << QByteArray("1500.5") << QList<int>{};
    }
    void parsePpmValues() {
        QFETCH(QByteArray, payload);
        QFETCH(QList<int>, values);
        QList<int> got;
        QCOMPARE(ParsePpmValues(payload, got), !values.isEmpty());
        if (!values.isEmpty())
            QCOMPARE(got, values);
    }

    // The bars are drawn as the values say: a full bar for 2100, an empty
    // one for 900, and the neutral mark in the middle of every bar.
    void barsAreDrawn() {
        TPpmBars bars;
        bars.SetValues({2100, 900, 1500});
        bars.resize(400, bars.sizeHint().height());
        const QImage img = bars.grab().toImage();
        const int line = bars.fontMetrics().height() + 4;
        const int fillRgb = QColor(70, 130, 200).rgb();
        auto px = [&](int row, double at) {
            // A point on the bar of `row`, `at` of the way along its length.
            const int labelW = bars.fontMetrics().horizontalAdvance("24") + 8;
            const int valueW = bars.fontMetrics().horizontalAdvance("00000") + 8;
            const int barW = 400 - labelW - valueW;
            const int x = labelW + static_cast<int>(barW * at);
            const int y = line * (row + 1) + line / 2;
            return img.pixel(x, y);
        };
        QCOMPARE(px(0, 0.9), QRgb(fillRgb));
        QVERIFY(px(1, 0.2) != QRgb(fillRgb));
        QCOMPARE(px(2, 0.3), QRgb(fillRgb));
        QVERIFY(px(2, 0.7) != QRgb(fillRgb));
    }

    // The monitor against the simulated board: the stream's twelve widths
    // are listed and drawn, and closing switches the stream off.
    void liveStreamFromTheBoard() {
        TTestPanel panel;
        QVERIFY(panel.Connect());
        QPointer<TDlg_PPM_Monitor> d = new TDlg_PPM_Monitor;
        d->show();
        QCOMPARE(panel.WaitBoardLines(1), QByteArrayList{"mon on ppm_input"});
        QTRY_VERIFY_WITH_TIMEOUT(d->Bars->isVisible(), 5000);
        QCOMPARE(d->Bars->Values().size(), 12);
        QCOMPARE(LastLine(d).split(' ').size(), 12);
        const QString dir = qEnvironmentVariable("VANTOR_SHOT_DIR");
        if (!dir.isEmpty()) {
            QTest::qWait(1500);
            d->grab().save(QDir(dir).filePath("ppm_monitor.png"));
        }
        d->close();
        QTRY_VERIFY(d.isNull());
        QCOMPARE(panel.WaitBoardLines(1), QByteArrayList{"mon off ppm_input"});
        panel.WithBoard([](TBoardSim& s) { QVERIFY(!s.StreamOn("ppm_input")); });
    }

private:
    QPushButton* Ctl() { return WinChannelControls->findChild<QPushButton*>("SpeedButton1"); }
};

VANTOR_TEST_MAIN(TestPpmMonitor)
#include "tst_ppm_monitor.moc"
