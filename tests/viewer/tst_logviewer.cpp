// The flight log viewer on a flight downloaded from the simulated board
// through the logs window, with points or decimal commas: the cursor reads
// out the board's numbers of its row, the ground track appears, the strips
// get only what their pixels show, a click moves the cursor. A flight whose
// GPS loses its fix and whose file was cut by a power loss.

#include "ScriptedDialogs.h"
#include "TestMain.h"
#include "TestPanel.h"
#include "TestSupport.h"
#include "archive/WinExportLogsUnit.h"
#include "sim/FlightLog.h"
#include "viewer/FlightLogPlot.h"
#include "viewer/WinViewLogUnit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <qcustomplot.h>

class TestLogViewer : public QObject {
    Q_OBJECT
private slots:
    void downloadedFlightReadsOutAtCursor_data() {
        QTest::addColumn<bool>("decimalComma");
        QTest::newRow("points") << false;
        QTest::newRow("decimal commas, as the window offers") << true;
    }
    void downloadedFlightReadsOutAtCursor() {
        QFETCH(bool, decimalComma);
        TSimOptions options;
        // Less than the wire keeps unread: a busy machine loses nothing.
        options.LogDumpBytes = 48 * 1024;
        TTestPanel panel(options);
        QVERIFY(panel.Connect());
        TScriptedDialogs dialogs;
        QTemporaryDir dir;
        const QString path = dir.filePath("flight.csv");
        TWinExportLogs* logs = OpenTaskWindow(WinExportLogs);
        QTRY_VERIFY(!logs->ReadingFlights());
        logs->FileName->setText(path);
        logs->ReplacePoints->setChecked(decimalComma);
        QVERIFY(logs->ViewButton->isHidden());
        QTest::mouseClick(logs->BitBtn1, Qt::LeftButton);
        QCOMPARE(dialogs.Messages, QStringList{"Выгрузка завершена"});
        QVERIFY(!logs->ViewButton->isHidden());
        logs->ViewButton->click();
        QVERIFY(WinViewLog);
        TWinViewLog* view = WinViewLog;
        QTRY_VERIFY(!view->Loading());
        QVERIFY2(dialogs.Errors.isEmpty(), qPrintable(dialogs.Errors.join('\n')));

        // The file's rows are the simulated board's flight 12, whose rows
        // with points tell where each number of a decimal-comma row ends.
        QByteArrayList lines = ReadAll(path).split('\n');
        const QByteArrayList header = lines.takeFirst().trimmed().split(',');
        lines.removeAll(QByteArray());
        TFlightLog flight(12, TSimOptions().Seed);
        for (QByteArray& line : lines) {
            const QByteArray row = flight.NextRow();
            QCOMPARE(line.trimmed(), decimalComma ? QByteArray(row).replace('.', ',') : row);
            line = row;
        }
        const int n = int(lines.size());
        QCOMPARE(view->Table().RowCount(), n);
        QVERIFY(view->Plot->Track() != nullptr);
        const QList<int> picked = view->Plot->Columns();
        QVERIFY(picked.contains(header.indexOf("alt")) && picked.contains(header.indexOf("bat_v")));
        QVERIFY(view->Plot->ShownPoints() <= picked.size() * 4 * (view->Plot->width() + 2));
        for (int row : {0, 1, n / 2, n - 1}) {
            view->Plot->SetCursorTime(lines[row].split(',')[0].toDouble());
            QCOMPARE(view->Plot->CursorRow(), row);
            const QByteArrayList fields = lines[row].trimmed().split(',');
            const QStringList readout = view->Readout();
            QCOMPARE(readout.size(), picked.size() + 1);
            for (const QString& item : readout) {
                const QStringList nameValue = item.split(" = ");
                const int c = header.indexOf(nameValue[0].toLatin1());
                QVERIFY(c >= 0);
                QCOMPARE(nameValue[1].toDouble(), fields[c].toDouble());
            }
        }
        // The operator's click in a strip moves the cursor there.
        QCustomPlot* strips = view->Plot->Strips();
        strips->replot(); // laid out at its size on screen
        const QRect r = strips->axisRect(0)->rect();
        QTest::mouseClick(strips, Qt::LeftButton, {}, r.center());
        QVERIFY(std::abs(view->Plot->CursorRow() - n / 2) < n / 50);
        // The picture is written whole, or the old one stays.
        const QString png = dir.filePath("plot.png");
        dialogs.SaveNames << png << png;
        view->SavePngButtonClick();
        const QByteArray picture = ReadAll(png);
        QVERIFY(picture.startsWith("\x89PNG"));
        {
            const TFullDisk full;
            view->SavePngButtonClick();
        }
        QCOMPARE(ReadAll(png), picture);
        QCOMPARE(dialogs.Errors.size(), 1);
        view->close();
        logs->close();
        QTRY_VERIFY(WinViewLog.isNull());
    }

    // The rows before the NUL tail are shown and the damage named; the track,
    // drawn only once its tab is shown, leaves out the samples without a fix
    // (once they made it span the globe and froze the panel) and says so.
    void gpsWithoutFixInDamagedFile() {
        TScriptedDialogs dialogs;
        QTemporaryDir dir;
        QByteArray text = TFlightLog::Header() + "\r\n";
        TFlightLog flight(3, 1);
        for (int i = 0; i < 3000; ++i) {
            QByteArrayList f = flight.NextRow().split(',');
            if (i % 3 == 1)
                f[2] = f[3] = "0.000000";
            text += f.join(',') + "\r\n";
        }
        QVERIFY(WriteAll(dir.filePath("cut.csv"), text + QByteArray(5000, '\0')));
        TWinViewLog* view = OpenFlightLogViewer(dir.filePath("cut.csv"));
        QTRY_VERIFY(!view->Loading());
        QVERIFY2(dialogs.Errors.isEmpty(), qPrintable(dialogs.Errors.join('\n')));
        QCOMPARE(view->Table().RowCount(), 3000);
        QVERIFY(view->InfoLabel->text().endsWith(
            "\nФайл повреждён в строке 3002: нулевые байты (запись файла оборвалась); показаны "
            "строки до неё"));
        QCOMPARE(view->Plot->TrackNote()->text(),
                 "Не вошли в трек точки: без фиксации GPS (0, 0) — 1000 из 3000");
        QCoreApplication::processEvents();
        QCOMPARE(view->Plot->TrackPoints(), 0);
        view->Plot->ShowView(1);
        QTRY_VERIFY(view->Plot->TrackPoints() > 0);
        QVERIFY(view->Plot->TrackPoints() <= 2000);
        QVERIFY(view->Plot->Track()->xAxis->range().size() < 20000); // metres: no 0,0
        view->close();
        QTRY_VERIFY(WinViewLog.isNull());
    }
};

VANTOR_TEST_MAIN(TestLogViewer)
#include "tst_logviewer.moc"
