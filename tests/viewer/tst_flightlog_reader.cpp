// Reading flight logs back for the viewer: separators, decimal commas, bad
// and cut-off rows, files that are not logs, damaged files read in bounded
// memory; a long simulated flight read in chunks; the decimation that keeps
// every pixel's extremes; the ground track without the GPS's wrong fixes.

#include "sim/FlightLog.h"
#include "viewer/FlightLogReader.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using TRow = QVector<double>;
Q_DECLARE_METATYPE(TRow)
using TOver = QMap<int, QByteArray>;

namespace {
TLogReadResult Read(QByteArray text, TFlightLogTable& t, std::function<bool(qint64)> p = {},
                    const QVector<bool>& fractions = {}) {
    QBuffer b(&text);
    b.open(QIODevice::ReadOnly);
    return ReadFlightLog(b, t, p, fractions);
}

// The peak resident memory of this process, in bytes; `reset` starts a new
// peak from what is resident now.
qint64 PeakBytes(bool reset = false) {
    QFile clear("/proc/self/clear_refs");
    if (reset && clear.open(QIODevice::WriteOnly))
        clear.write("5");
    QFile f("/proc/self/status");
    f.open(QIODevice::ReadOnly);
    const QByteArray s = f.readAll();
    const qsizetype at = s.indexOf("VmHWM:");
    return at < 0 ? 0 : s.mid(at + 6, 20).trimmed().split(' ').first().toLongLong() * 1024;
}

// "time_ms,lat,lon": n rows 100 ms apart flying north at `mps`; rows listed
// in `over` get those "lat,lon" instead.
QByteArray Flight(int n, double mps, const QMap<int, QByteArray>& over) {
    QByteArray text = "time_ms,lat,lon\n";
    for (int i = 0; i < n; ++i)
        text += QByteArray::number(i * 100) + "," +
                over.value(i, QByteArray::number(55.75 + i * mps / 1113200, 'f', 7) + ",37.6") +
                "\n";
    return text;
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

    // Damage ends the reading at its line, the rows before it kept; the
    // unfinished line is never held beyond the cap (a file without line ends
    // once cost twice its size).
    void damagedFileReadInBoundedMemory_data() {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<qint64>("fill"); // bytes of `byte` after the head
        QTest::addColumn<char>("byte");
        QTest::addColumn<QByteArray>("tail");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("line"); // the damaged line
        const qint64 big = 100 << 20;
        QTest::newRow("100 MB of NUL bytes after the rows (power lost)")
            << QByteArray("t,a\r\n0,1\r\n1,2\r\n") << big << '\0' << QByteArray() << 2 << 4;
        QTest::newRow("NUL bytes after blank lines, mid-row")
            << QByteArray("t,a\n\n0,1\n\n2,") << qint64(9) << '\0' << QByteArray("\n3,4\n") << 1
            << 5;
        QTest::newRow("100 MB without a line end")
            << QByteArray() << big << 'x' << QByteArray() << 0 << 1;
        QTest::newRow("a row past the cap between good rows")
            << QByteArray("t,a\n0,1\n1,") << qint64(MaxLogLineBytes) << '2' << QByteArray("\n2,3\n")
            << 1 << 3;
        QTest::newRow("a header of NUL bytes")
            << QByteArray() << qint64(4096) << '\0' << QByteArray("\n") << 0 << 1;
    }
    void damagedFileReadInBoundedMemory() {
        QFETCH(QByteArray, head);
        QFETCH(qint64, fill);
        QFETCH(char, byte);
        QFETCH(QByteArray, tail);
        QTemporaryDir dir;
        QFile f(dir.filePath("log.csv"));
        QVERIFY(f.open(QIODevice::ReadWrite) && f.write(head) == head.size());
        if (byte == '\0')
            QVERIFY(f.resize(head.size() + fill) && f.seek(f.size())); // sparse
        for (const QByteArray block(1 << 20, byte); byte && fill > 0; fill -= block.size())
            f.write(block.left(fill));
        QVERIFY(f.write(tail) == tail.size() && f.flush());
        const qint64 before = PeakBytes(true);
        TFlightLogTable t;
        f.seek(0);
        const TLogReadResult r = ReadFlightLog(f, t);
        QVERIFY2(PeakBytes() - before < 16 << 20,
                 qPrintable(QString::number(PeakBytes() - before)));
        QTEST(t.RowCount(), "rows");
        QFETCH(int, line);
        QCOMPARE(t.DamagedLine, qint64(line));
        const QString text = t.RowCount() > 0 ? t.DamageNote() : r.RussianText();
        QCOMPARE(r.Status, t.RowCount() > 0 ? TLogReadStatus::Ok : TLogReadStatus::Damaged);
        QVERIFY2(text.startsWith(QStringLiteral("Файл повреждён в строке %1: ").arg(line)),
                 qPrintable(text));
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

    // Samples without a fix and jumps no aircraft makes are left out of the
    // track and counted; fast flight and a long gap are not jumps.
    void groundTrackLeavesOutBadFixes_data() {
        QTest::addColumn<int>("rows");
        QTest::addColumn<double>("mps");
        QTest::addColumn<TOver>("leftOut"); // rows placed elsewhere, and where
        QTest::addColumn<int>("noFix");
        const auto zeros = [](int from, int to, int step) {
            TOver m;
            for (int i = from; i < to; i += step)
                m[i] = "0,0";
            return m;
        };
        QTest::newRow("a third without fix") << 30 << 15.0 << zeros(1, 30, 3) << 10;
        QTest::newRow("a wild fix 5 km off and back") << 20 << 15.0 << TOver{{9, "55.8,37.6"}} << 0;
        QTest::newRow("a wild first fix") << 20 << 15.0 << TOver{{0, "10,10"}} << 0;
        QTest::newRow("a wild second fix") << 20 << 15.0 << TOver{{1, "10,10"}} << 0;
        QTest::newRow("outside the globe, and 0,0")
            << 20 << 15.0 << TOver{{3, "91,37.6"}, {4, "55.75,181"}, {6, "0,0"}} << 3;
        QTest::newRow("an airliner at 300 m/s") << 20 << 300.0 << TOver{} << 0;
        QTest::newRow("at 300 m/s, 1.5 km further after 5 s without fix")
            << 70 << 300.0 << zeros(10, 60, 1) << 50;
    }
    void groundTrackLeavesOutBadFixes() {
        QFETCH(int, rows);
        QFETCH(double, mps);
        QFETCH(TOver, leftOut);
        TFlightLogTable t;
        QVERIFY(Read(Flight(rows, mps, leftOut), t).Ok());
        const TGroundTrack g = GroundTrack(t);
        QTEST(int(g.NoFix), "noFix");
        QCOMPARE(g.NoFix + g.Jumps, leftOut.size());
        for (int row = 0, p = 0; row < rows; ++row)
            if (!leftOut.contains(row))
                QCOMPARE(g.Rows.value(p++), row);
        QCOMPARE(g.Size(), rows - leftOut.size());
        QVERIFY(g.MaxNorth - g.MinNorth < mps * 0.1 * rows && g.MaxEast - g.MinEast < 1);
    }

    // The track keeps the first and the last point of each pixel's run, and
    // no more than the cap of a tangle.
    void trackDecimatedToPixels_data() {
        QTest::addColumn<int>("shape");
        QTest::addColumn<int>("most"); // points at most, view 200 x 100 px over 200 x 100 m
        QTest::newRow("a line across the view, 1 mm a step") << 0 << 2 * 200 + 2;
        QTest::newRow("far out of the view, 1 cm a step, and back") << 1 << 2 * 100 + 4;
        QTest::newRow("a scribble") << 2 << 1001;
    }
    void trackDecimatedToPixels() {
        QFETCH(int, shape);
        TGroundTrack g;
        QRandomGenerator rnd(3);
        for (int i = 0; i < 200000; ++i) {
            g.East << (shape == 0   ? i * 0.001
                       : shape == 1 ? 150 + std::abs(i - 1e5) * 0.01
                                    : rnd.bounded(200.0));
            g.North << (shape == 2 ? rnd.bounded(100.0) : 50);
        }
        g.Rows.resize(g.East.size());
        QVector<double> e, n;
        DecimateTrack(g, 0, 200, 0, 100, 200, 100, 1000, e, n);
        QFETCH(int, most);
        QVERIFY2(e.size() <= most, qPrintable(QString::number(e.size())));
        QCOMPARE(n.size(), e.size());
        QCOMPARE(e.first(), g.East.first());
        QCOMPARE(e.last(), g.East.last());
    }
};

QTEST_GUILESS_MAIN(TestFlightLogReader)
#include "tst_flightlog_reader.moc"
