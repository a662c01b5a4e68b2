// The board's lines: listing lines split into name and value, numbers, and
// the routing of received lines (telemetry into its slot, the rest to the
// responses); and the output file every written file goes through.

#include "TestSupport.h"
#include "link/BoardLinkUnit.h"
#include "link/OutputFile.h"
#include "link/Proc.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
QByteArray Contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
}

// A folder where no new file can be made but its files can be written: for
// root (who ignores permissions) the immutable flag; false when neither works.
bool CloseFolder(const QString& dir, bool close) {
    if (geteuid() != 0)
        return ::chmod(QFile::encodeName(dir).constData(), close ? 0555 : 0755) == 0;
    const int fd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY);
    int flags = 0;
    const bool ok = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 &&
                    (flags = close ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL,
                     ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0);
    if (fd >= 0)
        ::close(fd);
    return ok;
}
} // namespace

Q_DECLARE_METATYPE(TTelemetrySlot)

class TestLines : public QObject {
    Q_OBJECT
private slots:
    // Written means on disk: a failure keeps the old file and leaves no
    // temporary one; what is not a regular file is written as it is.
    void outputFile_data() {
        QTest::addColumn<QString>(
            "target"); // "new", "old", "full", "fifo", "device", "dir", "closed"
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("error");
        QTest::newRow("new name") << "new" << true << "";
        QTest::newRow("old file replaced") << "old" << true << "";
        QTest::newRow("full disk keeps the old file") << "full" << false << "File too large";
        QTest::newRow("FIFO without a reader fails at once")
            << "fifo" << false << "этот канал не читает ни одна программа";
        QTest::newRow("device written as it is") << "device" << true << "";
        QTest::newRow("folder") << "dir" << false << "это папка, а не файл";
        QTest::newRow("folder takes no new file: in place") << "closed" << true << "";
    }
    void outputFile() {
        QFETCH(QString, target);
        QFETCH(bool, ok);
        QTemporaryDir dir;
        QString path = dir.filePath("out.cfg");
        const QByteArray old = QByteArray("old\n").repeated(2000), text("new\n");
        if (QFile f(path); target != "new" && f.open(QIODevice::WriteOnly))
            f.write(old);
        if (target == "fifo" || target == "dir") {
            QFile::remove(path);
            QVERIFY(target == "dir" ? QDir().mkdir(path)
                                    : mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
        }
        if (target == "device")
            path = "/dev/null";
        if (target == "closed" && !CloseFolder(dir.path(), true))
            QSKIP("no way to keep new files out of a folder here");
        TOutputFile file(path);
        bool done = file.Open() && file.Write(text.repeated(8000));
        if (target == "full") { // the disk fills up under the buffer's last part
            const TFullDisk full(16 * 1024);
            done = file.Write(text.repeated(8000)) && file.Commit();
        } else {
            done = done && file.Commit();
        }
        if (target == "closed")
            CloseFolder(dir.path(), false);
        QCOMPARE(done, ok);
        QTEST(file.Error(), "error");
        QCOMPARE(file.NotAtomic(), target == "closed");
        QCOMPARE(file.InPlace(), target == "closed" || target == "device");
        if (target == "full")
            QCOMPARE(Contents(path), old);
        else if (ok && target != "device")
            QCOMPARE(Contents(path), text.repeated(8000));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::System).size(),
                 target == "dir" ? 0 : 1); // no temporary file left beside it
        QCOMPARE(FileErrorText(QString::fromLocal8Bit(strerror(ENOSPC))), "Нет места на диске");
    }

    void splitParamLine_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("value");
        QTest::newRow("plain") << QByteArray("Roll_Sensitivity = 1.5") << true
                               << QByteArray("roll_sensitivity") << QByteArray("1.5");
        QTest::newRow("only first = splits")
            << QByteArray("a = b = c") << true << QByteArray("a") << QByteArray("b = c");
        QTest::newRow("no =") << QByteArray("  Stabilizer Params  ") << false << QByteArray()
                              << QByteArray("stabilizer params");
        QTest::newRow("empty name")
            << QByteArray(" = 5") << false << QByteArray() << QByteArray("5");
        QTest::newRow("value lower-cased")
            << QByteArray("Mode=ON\r") << true << QByteArray("mode") << QByteArray("on");
        QTest::newRow("tabs and controls trimmed")
            << QByteArray("\tname\t=\t-1\x01") << true << QByteArray("name") << QByteArray("-1");
        QTest::newRow("non-ASCII untouched")
            << QByteArray("N\xC0me = \xC1") << true << QByteArray("n\xC0me") << QByteArray("\xC1");
        QTest::newRow("empty value")
            << QByteArray("x =") << true << QByteArray("x") << QByteArray();
    }
    void splitParamLine() {
        QFETCH(QByteArray, line);
        QByteArray name = "stale", value = "stale";
        QFETCH(bool, ok);
        QCOMPARE(SplitParamLine(line, name, value), ok);
        QTEST(name, "name");
        QTEST(value, "value");
    }

    void trimRemovesCodesUpTo32() {
        QCOMPARE(Trim(QByteArray("\x00\x1f a b \r\n", 9)), QByteArray("a b"));
        QCOMPARE(Trim(QByteArray("   ")), QByteArray());
        QCOMPARE(Trim(QString(" \tx\r")), QString("x"));
    }

    void strToInt_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("value");
        QTest::newRow("plain") << "115200" << true << 115200;
        QTest::newRow("signed") << "-1" << true << -1;
        QTest::newRow("plus") << "+7" << true << 7;
        QTest::newRow("int max") << "2147483647" << true << 2147483647;
        QTest::newRow("int min") << "-2147483648" << true << int(-2147483647 - 1);
        QTest::newRow("overflow") << "2147483648" << false << 0;
        QTest::newRow("letters") << "fast" << false << 0;
        QTest::newRow("empty") << "" << false << 0;
        QTest::newRow("sign only") << "-" << false << 0;
        QTest::newRow("inner blank") << "115 200" << false << 0;
        QTest::newRow("decimal") << "1.5" << false << 0;
        QTest::newRow("non-latin digit") << QString::fromUtf8("١٢") << false << 0;
    }
    void strToInt() {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        if (ok) {
            QTEST(StrToInt(text), "value");
            return;
        }
        try {
            StrToInt(text);
            QFAIL("no conversion error");
        } catch (const EConvertError& e) {
            QCOMPARE(e.Message(), QString("'%1' is not a valid integer value").arg(text));
        }
    }

    void tagsFillTheirSlot_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<TTelemetrySlot>("slot");
        QTest::addColumn<QByteArray>("payload");
        QTest::newRow("gps") << QByteArray("$GPS:55.7,37.6") << TTelemetrySlot::Gps
                             << QByteArray("55.7,37.6");
        QTest::newRow("adc") << QByteArray("$ADC:BAT1=11.9 ") << TTelemetrySlot::Adc
                             << QByteArray("BAT1=11.9 ");
        QTest::newRow("ppm") << QByteArray("$PPM:1500 1500") << TTelemetrySlot::Ppm
                             << QByteArray("1500 1500");
        QTest::newRow("mag") << QByteArray("$MAG:1 2 3") << TTelemetrySlot::Mag
                             << QByteArray("1 2 3");
        QTest::newRow("ekf") << QByteArray("$EKF:t r=1 p=2 y=3") << TTelemetrySlot::Ekf
                             << QByteArray("t r=1 p=2 y=3");
        QTest::newRow("accel") << QByteArray("$ACCEL:0 0 1") << TTelemetrySlot::Accel
                               << QByteArray("0 0 1");
        QTest::newRow("baro") << QByteArray("$BARO:101325") << TTelemetrySlot::Baro
                              << QByteArray("101325");
        QTest::newRow("stab") << QByteArray("$STAB:ok") << TTelemetrySlot::Stab << QByteArray("ok");
        QTest::newRow("blanks kept")
            << QByteArray("$GYRO:  1 2 3  ") << TTelemetrySlot::Gyro << QByteArray("  1 2 3  ");
        QTest::newRow("tag alone empties")
            << QByteArray("$GYRO:") << TTelemetrySlot::Gyro << QByteArray();
        QTest::newRow("other tag inside payload")
            << QByteArray("$GYRO:1 $ACCEL:2") << TTelemetrySlot::Gyro << QByteArray("1 $ACCEL:2");
    }
    void tagsFillTheirSlot() {
        QFETCH(QByteArray, line);
        QFETCH(TTelemetrySlot, slot);
        TBoardLink link;
        for (const TTelemetryTag& t : TelemetryTags)
            link.StoreTelemetry(t.Slot, "old");
        DispatchLine(link, line);
        QTEST(link.Telemetry(slot), "payload");
        for (const TTelemetryTag& t : TelemetryTags)
            if (t.Slot != slot)
                QCOMPARE(link.Telemetry(t.Slot), QByteArray("old"));
        QVERIFY(link.ResponseQueue.isEmpty());
    }

    void nonTelemetryGoesToResponsesUnchanged_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("lower-case tag") << QByteArray("$gyro:1 2 3");
        QTest::newRow("leading blank") << QByteArray(" $GYRO:1 2 3");
        QTest::newRow("no colon") << QByteArray("$GYRO 1 2 3");
        QTest::newRow("prompt") << QByteArray("=>");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("listing") << QByteArray("roll = 1 \r");
    }
    void nonTelemetryGoesToResponsesUnchanged() {
        QFETCH(QByteArray, line);
        TBoardLink link;
        DispatchLine(link, line);
        QCOMPARE(link.ResponseQueue, QByteArrayList{line});
        for (const TTelemetryTag& t : TelemetryTags)
            QVERIFY(link.Telemetry(t.Slot).isEmpty());
    }

    void onlyNewestSampleSurvives() {
        TBoardLink link;
        DispatchLine(link, "$BARO:1");
        DispatchLine(link, "$BARO:2");
        QCOMPARE(link.BaroData(), QByteArray("2"));
        QCOMPARE(link.BaroData(), QByteArray("2")); // reading does not consume
    }
};

QTEST_GUILESS_MAIN(TestLines)
#include "tst_lines.moc"
