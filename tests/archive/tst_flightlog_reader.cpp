// Reading flight logs back for the viewer: separators, decimal commas, bad
// and cut-off rows, files that are not logs; a long simulated flight read in
// chunks; and the decimation that keeps every pixel's extremes.

#include "archive/FlightLogReader.h"
#include "sim/FlightLog.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QTest>

using TRow = QVector<double>;
Q_DECLARE_METATYPE(TRow)

namespace {
TLogReadResult Read(QByteArray text, TFlightLogTable& t, std::function<bool(qint64)> p = {},
                    const QVector<bool>& fractions = {}) {
    QBuffer b(&text);
    b.open(QIODevice::ReadOnly);
    return ReadFlightLog(b, t, p, fractions);
}
} // namespace

class TestFlightLogReader : public QObject {
    Q_OBJECT
private slots:
    void read_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("bad");
        QTest::addColumn<bool>("comma");    // decimal commas
        QTest::addColumn<bool>("timeAxis"); // first column is the time
        QTest::addColumn<TRow>("lastRow");
        const int Ok = int(TLogReadStatus::Ok), Empty = int(TLogReadStatus::Empty),
                  NotLog = int(TLogReadStatus::NotALog),
                  Ambiguous = int(TLogReadStatus::AmbiguousComma);
        QTest::newRow("comma, points, CRLF") << QByteArray("t,a,b\r\n0,1.5,-2\r\n100,2.5,+3\r\n")
                                             << Ok << 2 << 0 << false << true << TRow{100, 2.5, 3};
        QTest::newRow("semicolon, decimal commas")
            << QByteArray("t;a;b\n0;1,5;-2\n100;2,5;3,25\n") << Ok << 2 << 0 << true << true
            << TRow{100, 2.5, 3.25};
        QTest::newRow("semicolon, points, BOM, blank line")
            << QByteArray("\xEF\xBB\xBFt; a ;b\n\n0;1.5;-2\n") << Ok << 1 << 0 << false << false
            << TRow{0, 1.5, -2};
        QTest::newRow("tab, decimal commas") << QByteArray("t\ta\n0\t1,5\n1\t-0,25\n") << Ok << 2
                                             << 0 << true << true << TRow{1, -0.25};
        QTest::newRow("comma, every value with a decimal comma")
            << QByteArray("t,a\n0,0,1,5\n1,0,-2,75\n") << Ok << 2 << 0 << true << true
            << TRow{1.0, -2.75};
        QTest::newRow("comma, some values with a decimal comma")
            << QByteArray("t,a,b\n0,1,5,2\n100,2,5,3\n") << Ambiguous << 0 << 0 << false << false
            << TRow{};
        QTest::newRow("bad rows counted and skipped")
            << QByteArray("t,a\n0,1\n1,x\n2\n3,\n4,5\n5,1e999\n") << Ok << 2 << 4 << false << true
            << TRow{4, 5};
        QTest::newRow("cut-off last line") << QByteArray("t,a\r\n0,1\r\n1,2\r\n2,3") << Ok << 2 << 1
                                           << false << true << TRow{1, 2};
        QTest::newRow("first column falls: row number is the time")
            << QByteArray("a,b\n5,1\n3,2\n4,3\n") << Ok << 3 << 0 << false << false << TRow{4, 3};
        QTest::newRow("empty file") << QByteArray() << Empty << 0 << 0 << false << false << TRow{};
        QTest::newRow("header only")
            << QByteArray("t,a\r\n") << Empty << 0 << 0 << false << false << TRow{};
        QTest::newRow("a letter") << QByteArray("Dear pilot, hello\nThis is a letter, not a log\n")
                                  << NotLog << 0 << 1 << false << false << TRow{};
        QTest::newRow("numbers without a header")
            << QByteArray("1,2\n3,4\n") << NotLog << 0 << 0 << false << false << TRow{};
        QTest::newRow("binary") << QByteArray("\x89PNG\r\n\x1a\n\0\0,\0;", 14) << NotLog << 0 << 0
                                << false << false << TRow{};
    }
    void read() {
        QFETCH(QByteArray, text);
        QFETCH(int, status);
        TFlightLogTable t;
        const TLogReadResult r = Read(text, t);
        QCOMPARE(int(r.Status), status);
        QVERIFY(r.Ok() || !r.RussianText().isEmpty());
        if (!r.Ok())
            return;
        QTEST(t.RowCount(), "rows");
        QTEST(int(t.BadRows), "bad");
        QTEST(t.DecimalComma, "comma");
        QTEST(t.TimeInFirstColumn, "timeAxis");
        QCOMPARE(t.TruncatedLastLine, QByteArray(QTest::currentDataTag()).startsWith("cut-off"));
        QFETCH(TRow, lastRow);
        for (int c = 0; c < lastRow.size(); ++c)
            QCOMPARE(t.Values[c].last(), lastRow[c]);
        QCOMPARE(t.Columns.last().trimmed(), t.Columns.last());
    }

    // The board's own layout (from a row with points) splits what the field
    // count cannot; a row that does not fit it is bad, not misread.
    void decimalCommasSplitByBoardLayout() {
        TFlightLogTable t;
        const QVector<bool> layout = FractionColumns("0,2,55.7417,-0.5");
        QVERIFY(Read("t,m,lat,roll\n0,2,55,7417,-0,5\n100,2,55,7418,1,25\n200,3,55,7,1\n", t, {},
                     layout)
                    .Ok());
        QCOMPARE(t.RowCount(), 2);
        QCOMPARE(t.BadRows, 1);
        QCOMPARE(t.Values[2][1], 55.7418);
        QCOMPARE(t.Values[3][0], -0.5);
    }

    // Lines crossing the reader's chunk borders come out whole; progress
    // rises to the file's size; a stop is honoured.
    void longFlightReadInChunks() {
        TFlightLog flight(3, 1);
        QByteArray text = TFlightLog::Header() + "\r\n";
        QList<QByteArrayList> rows;
        while (text.size() < 1500 * 1024) {
            const QByteArray row = flight.NextRow();
            rows << row.split(',');
            text += row + "\r\n";
        }
        TFlightLogTable t;
        qint64 last = -1;
        QVERIFY(Read(text, t, [&](qint64 done) { return (last = done) >= 0; }).Ok());
        QCOMPARE(last, qint64(text.size()));
        QCOMPARE(t.RowCount(), rows.size());
        QCOMPARE(t.BadRows, 0);
        QVERIFY(t.TimeInFirstColumn);
        for (int r = 0; r < rows.size(); r += 97)
            for (int c = 0; c < rows[r].size(); ++c)
                QCOMPARE(t.Values[c][r], rows[r][c].toDouble());
        QCOMPARE(Read(text, t, [](qint64 done) { return done < 512 * 1024; }).Status,
                 TLogReadStatus::Cancelled);
    }

    // Each pixel column keeps its lowest and highest value, so a spike on a
    // million rows still shows; a zoomed span reaches past both borders.
    void decimationKeepsExtremes() {
        TFlightLogTable t;
        t.Columns = QStringList{"t", "v"};
        t.TimeInFirstColumn = true;
        t.Values.resize(2);
        QRandomGenerator rnd(7);
        for (int i = 0; i < 100000; ++i) {
            t.Values[0] << i * 0.1;
            t.Values[1] << rnd.bounded(1000.0) - (i == 31337 ? 5000 : 0);
        }
        QVector<double> k, v;
        DecimateColumn(t, 1, 0, 9999.9, 200, k, v);
        QVERIFY(k.size() <= 4 * 201 && std::is_sorted(k.begin(), k.end()));
        QCOMPARE(*std::min_element(v.begin(), v.end()), t.Values[1][31337]);
        DecimateColumn(t, 1, 100.04, 110.04, 1000, k, v); // few rows: all of them
        QCOMPARE(k.size(), 103);
        QVERIFY(k.first() < 100.04 && k.last() > 110.04);
    }
};

QTEST_GUILESS_MAIN(TestFlightLogReader)
#include "tst_flightlog_reader.moc"
