// Routing of received lines: telemetry into its slot, the rest to responses.

#include "link/BoardLinkUnit.h"

#include <QTest>

Q_DECLARE_METATYPE(TTelemetrySlot)

class TestDispatch : public QObject {
    Q_OBJECT
private slots:
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

    void tagOrderMatchesSlotNames() {
        const char* expected[] = {
            "$GPS:", "$ADC:", "$PPM:", "$MAG:", "$EKF:", "$GYRO:", "$ACCEL:", "$BARO:", "$STAB:"};
        for (int i = 0; i < 9; ++i)
            QCOMPARE(QByteArray(TelemetryTags[i].Tag), QByteArray(expected[i]));
    }
};

QTEST_GUILESS_MAIN(TestDispatch)
#include "tst_dispatch.moc"
