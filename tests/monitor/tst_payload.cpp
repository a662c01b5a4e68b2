// Reading numbers out of telemetry payloads: the plot's numbers and the
// attitude monitor's roll, pitch and yaw, locale-free.

#include "monitor/PayloadNumbers.h"

#include <QRandomGenerator>
#include <QTest>
#include <cmath>

using TValues = QVector<double>;

class TestPayload : public QObject {
    Q_OBJECT
private slots:
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
        const auto found = PayloadNumbers(payload);
        TValues gotValues;
        QByteArrayList gotKeys;
        for (const auto& n : found) {
            gotValues << n.Value;
            gotKeys << n.Key;
        }
        QCOMPARE(gotValues, values);
        QCOMPARE(gotKeys, keys);
    }

    // Random numbers written the way a board might write them come back
    // exactly; random bytes never give anything but finite numbers.
    void randomizedRoundTrip() {
        QRandomGenerator rng(12345);
        const char* separators[] = {" ", "  ", ", ", "\t", ";"};
        for (int round = 0; round < 2000; ++round) {
            TValues values;
            QByteArray payload = round % 3 ? "" : "  ";
            const int count = rng.bounded(1, 9);
            for (int i = 0; i < count; ++i) {
                const double v = std::round((rng.generateDouble() - 0.5) * 2e6) / 1000.0;
                values << v;
                if (i > 0)
                    payload += separators[rng.bounded(5)];
                if (rng.bounded(2))
                    payload += "k" + QByteArray::number(i) + "=";
                payload += QByteArray::number(v, 'f', rng.bounded(3, 7));
            }
            TValues got;
            for (const auto& n : PayloadNumbers(payload))
                got << n.Value;
            QVERIFY2(got == values, payload.constData());
        }
        for (int round = 0; round < 2000; ++round) {
            QByteArray junk(rng.bounded(0, 60), '\0');
            for (char& c : junk)
                c = char(rng.bounded(256));
            for (const auto& n : PayloadNumbers(junk))
                QVERIFY(std::isfinite(n.Value));
            double r = 0, p = 0, y = 0;
            if (ParseEkfAttitude(junk, r, p, y))
                QVERIFY(std::isfinite(r) && std::isfinite(p) && std::isfinite(y));
        }
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

QTEST_APPLESS_MAIN(TestPayload)
#include "tst_payload.moc"
