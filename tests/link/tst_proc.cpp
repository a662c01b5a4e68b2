#include "link/Proc.h"

#include <QRegularExpression>
#include <QTest>

class TestProc : public QObject {
    Q_OBJECT
private slots:
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

    void versionText() {
        const QString v = GetFileVersionText(QString(), "%d.%d.%d.%d");
        QVERIFY(QRegularExpression("^\\d+\\.\\d+\\.\\d+\\.\\d+$").match(v).hasMatch());
    }
};

QTEST_GUILESS_MAIN(TestProc)
#include "tst_proc.moc"
