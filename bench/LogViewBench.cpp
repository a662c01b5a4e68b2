// Figures of the flight log viewer and of the plotting library under it. One
// measurement per process, so that its resident memory is its own:
//   vantor-bench-logview --part plot [--rows 1000000]
//     a line plot of N points handed whole to QCustomPlot: time to the first
//     picture, zoom and pan redraw (median of 10), memory the plot added;
//   vantor-bench-logview --part viewer --size 10M|100M
//     the viewer window on a simulated flight of that size: time to the
//     first picture, progress updates seen, resident memory against the
//     file's size, zoom and pan redraw of its strips;
//   vantor-bench-logview --part gps [--size 10M]
//     the viewer on flights whose GPS loses its fix or scribbles, against a
//     noisy loiter: time to the first picture, longest interface stall.
// scripts/bench-logview.sh runs them all.

#include "app/MAIN.h"
#include "bench/BenchSupport.h"
#include "sim/FlightLog.h"
#include "viewer/FlightLogPlot.h"
#include "viewer/WinViewLogUnit.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFile>
#include <QProgressBar>
#include <QRandomGenerator>
#include <QSet>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <qcustomplot.h>

namespace {
double Ms(const QElapsedTimer& t) {
    return t.nsecsElapsed() / 1e6;
}

double Median(QVector<double> v) {
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v[v.size() / 2];
}

qint64 PeakBytes() {
    QFile f("/proc/self/status");
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong() * 1024;
    return 0;
}

void Print(const char* name, double value, const char* unit) {
    std::printf("%-48s %12.1f %s\n", name, value, unit);
    std::fflush(stdout);
}

// A redraw as the operator sees it: the change, the events it queues, and
// the widget painted.
template <class Change> double Redraw(QWidget& w, Change change) {
    QElapsedTimer t;
    t.start();
    change();
    QCoreApplication::processEvents();
    (void)w.grab();
    return Ms(t);
}

// Zoom to spans from half to a sixteenth of the whole, then pan by a tenth
// of the span: ten of each.
template <class SetRange>
void ZoomAndPan(QWidget& w, double lo, double hi, SetRange setRange, double& zoomMs,
                double& panMs) {
    QVector<double> zoom, pan;
    QRandomGenerator rnd(5);
    double a = lo, b = hi;
    for (int i = 0; i < 10; ++i) {
        const double span = (hi - lo) / (2 << (i % 4));
        a = lo + rnd.bounded(hi - lo - span);
        b = a + span;
        zoom << Redraw(w, [&] { setRange(a, b); });
    }
    for (int i = 0; i < 10; ++i) {
        const double shift = (b - a) / 10;
        a += shift;
        b += shift;
        pan << Redraw(w, [&] { setRange(a, b); });
    }
    zoomMs = Median(zoom);
    panMs = Median(pan);
}

int BenchPlot(int rows) {
    QVector<double> keys(rows), values(rows);
    QRandomGenerator rnd(3);
    double alt = 0;
    for (int i = 0; i < rows; ++i) {
        keys[i] = i * 0.1;
        alt += (150 * std::sin(i / 6000.0) - alt) * 0.05 + rnd.bounded(0.2) - 0.1;
        values[i] = alt;
    }
    const double lo = 0, hi = keys.last();
    const qint64 before = ResidentBytes();
    double zoomMs = 0, panMs = 0;
    QElapsedTimer t;
    t.start();
    QCustomPlot plot;
    plot.resize(1200, 400);
    plot.show();
    QCPGraph* g = plot.addGraph();
    g->setData(keys, values, true);
    plot.xAxis->setRange(lo, hi);
    g->rescaleValueAxis();
    plot.replot();
    QCoreApplication::processEvents();
    (void)plot.grab();
    const double firstMs = Ms(t);
    ZoomAndPan(
        plot, lo, hi,
        [&](double a, double b) {
            plot.xAxis->setRange(a, b);
            plot.replot();
        },
        zoomMs, panMs);
    std::printf("QCustomPlot, %d points\n", rows);
    Print("  first picture", firstMs, "ms");
    Print("  zoom redraw (median of 10)", zoomMs, "ms");
    Print("  pan redraw (median of 10)", panMs, "ms");
    Print("  memory added by the plot (peak)", (PeakBytes() - before) / 1048576.0, "MiB");
    return 0;
}

// How the GPS columns of a simulated flight are rewritten.
enum class TGps { Flight, NoFix, Loiter, Scribble };

// A simulated flight of about `size` bytes. NoFix: every third sample is
// 0,0 (a receiver without a fix), and the file ends in NUL bytes (the power
// was lost while it was written). Loiter: circles of 150 m with a few metres
// of noise. Scribble: every sample anywhere in a 300 m square, the densest
// tangle a track can be.
bool WriteFlight(const QString& path, qint64 size, TGps gps) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    TFlightLog flight(3, 1);
    QRandomGenerator rnd(11);
    f.write(TFlightLog::Header() + "\r\n");
    QByteArray block;
    for (int row = 0; f.size() + block.size() < size; ++row) {
        QByteArrayList fields = flight.NextRow().split(',');
        const double north = gps == TGps::Loiter ? 150 * std::cos(row / 75.0) + rnd.bounded(6.0)
                                                 : rnd.bounded(300.0);
        const double east = gps == TGps::Loiter ? 150 * std::sin(row / 75.0) + rnd.bounded(6.0)
                                                : rnd.bounded(300.0);
        if (gps == TGps::NoFix && row % 3 == 1)
            fields[2] = fields[3] = "0.000000";
        else if (gps == TGps::Loiter || gps == TGps::Scribble) {
            fields[2] = QByteArray::number(55.75 + north / 111320, 'f', 6);
            fields[3] = QByteArray::number(37.61 + east / (111320 * 0.5635), 'f', 6);
        }
        block += fields.join(',') + "\r\n";
        if (block.size() > (1 << 20)) {
            f.write(block);
            block.clear();
        }
    }
    if (gps == TGps::NoFix)
        block += QByteArray(64 * 1024, '\0');
    return f.write(block) == block.size();
}

// The panel without a board, its settings file in `dir`.
TMainFormOptions OfflineForm(const QTemporaryDir& dir) {
    TMainFormOptions options;
    options.AutoConnect = false;
    options.SettingsFile = dir.filePath("Vantor_CP.conf");
    return options;
}

void ShowForm(TMainForm& form) {
    form.resize(1400, 900);
    form.show();
    QCoreApplication::processEvents();
}

int BenchViewer(qint64 size, const QString& shot) {
    QTemporaryDir dir;
    const QString path = dir.filePath("flight.csv");
    if (!WriteFlight(path, size, TGps::Flight))
        return 2;
    const qint64 fileSize = QFileInfo(path).size();
    TMainForm form(OfflineForm(dir));
    ShowForm(form);
    const qint64 before = ResidentBytes();

    QElapsedTimer t;
    t.start();
    TWinViewLog* w = OpenFlightLogViewer(path);
    QSet<int> progress;
    RunEventsUntil(
        [&] {
            progress << w->Progress->value();
            return !w->Loading();
        },
        120000);
    QCoreApplication::processEvents();
    (void)form.grab();
    const double firstMs = Ms(t);
    const qint64 resident = ResidentBytes();

    TFlightLogPlot* plot = w->Plot;
    const double lo = plot->TimeLo(), hi = plot->TimeHi();
    double zoomMs = 0, panMs = 0;
    ZoomAndPan(
        *plot->Strips(), lo, hi, [&](double a, double b) { plot->SetTimeRange(a, b); }, zoomMs,
        panMs);
    std::printf("viewer, %.1f MB file, %d rows, %d strips\n", fileSize / 1e6, w->Table().RowCount(),
                int(plot->Columns().size()));
    Print("  first picture", firstMs, "ms");
    Print("  progress bar values seen while reading", progress.size(), "");
    Print("  resident memory added / file size", double(resident - before) / fileSize, "");
    Print("  resident memory of the process / file size", double(resident) / fileSize, "");
    Print("  of which the table of numbers / file size",
          double(w->Table().RowCount()) * w->Table().Columns.size() * sizeof(double) / fileSize,
          "");
    Print("  zoom redraw (median of 10)", zoomMs, "ms");
    Print("  pan redraw (median of 10)", panMs, "ms");
    Print("  points drawn after the last pan", plot->ShownPoints(), "");
    if (!shot.isEmpty()) {
        // The picture in README: the whole flight, the cursor at a third.
        plot->ShowAll();
        plot->SetCursorTime(lo + (hi - lo) / 3);
        QCoreApplication::processEvents();
        form.grab().save(shot);
        if (QCustomPlot* track = plot->Track())
            track->savePng(QString(shot).replace(".png", "-track.png"), 600, 500);
    }
    return 0;
}

// The longest time the interface thread went without running a 10 ms timer.
class TStallMeter {
public:
    TStallMeter() {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            m_longest = std::max(m_longest, m_since.nsecsElapsed() / 1e6);
            m_since.start();
        });
    }
    void Start() {
        m_longest = 0;
        m_since.start();
        m_timer.start();
    }
    double Longest() {
        m_longest = std::max(m_longest, m_since.nsecsElapsed() / 1e6);
        return m_longest;
    }

private:
    QTimer m_timer;
    QElapsedTimer m_since;
    double m_longest = 0;
};

void PrintRow(const TBenchRow& r) {
    std::printf("%-52s %11.2f %-8s %7.3f  %-14s %s\n", qPrintable(r.Name), r.Value,
                qPrintable(r.Unit), r.Ratio, qPrintable(r.Goal), r.Met ? "ok" : "MISSED");
    std::fflush(stdout);
}

// The viewer on flights whose GPS misbehaves, against a noisy loiter of the
// same size: the time to the first picture (the strips), and the longest
// stall of the interface thread while opening and when the track is shown.
// Its rows use the panel bench's table layout and goals.
int BenchGps(qint64 size, const QString& shot) {
    QTemporaryDir dir;
    TMainForm form(OfflineForm(dir));
    ShowForm(form);
    constexpr double StallGoalMs = 200;
    const auto stallRow = [&](const QString& name, double ms) {
        PrintRow(AtMost(name, ms, "ms", ms / StallGoalMs, 1.0, "200 ms"));
    };
    const QString mb = QString::number(size / 1e6, 'g', 3) + " MB";
    double loiterMs = 0;
    const std::pair<TGps, const char*> kinds[] = {{TGps::Loiter, "noisy loiter"},
                                                  {TGps::NoFix, "a third without GPS fix"},
                                                  {TGps::Scribble, "GPS scribble"}};
    for (const auto& [gps, what] : kinds) {
        const QString path = dir.filePath(QString("flight-%1.csv").arg(int(gps)));
        if (!WriteFlight(path, size, gps))
            return 2;
        QElapsedTimer t;
        t.start();
        TFlightLogTable table;
        ReadFlightLogFile(path, table);
        const double readMs = Ms(t);
        table = TFlightLogTable();

        TStallMeter stall;
        stall.Start();
        t.start();
        TWinViewLog* w = OpenFlightLogViewer(path);
        auto* views = w->findChild<QTabWidget*>("Views");
        views->setCurrentIndex(0);
        RunEventsUntil([&] { return !w->Loading(); }, 120000);
        QCoreApplication::processEvents();
        (void)form.grab();
        const double openMs = Ms(t);
        const double openStall = stall.Longest();
        stall.Start();
        views->setCurrentIndex(1);
        RunEventsFor(300);
        (void)form.grab();
        RunEventsFor(100);
        const double trackStall = stall.Longest();

        const QString name = QString("viewer opens %1, %2").arg(mb, what);
        if (!shot.isEmpty() && gps == TGps::NoFix)
            form.grab().save(shot);
        // The first opening also makes the window: three times the reading.
        if (gps == TGps::Loiter) {
            loiterMs = openMs;
            PrintRow(AtMost(name, openMs, "ms", openMs / readMs, 3, "reading alone"));
        } else {
            PrintRow(AtMost(name, openMs, "ms", openMs / loiterMs, 1.5, "the noisy loiter"));
        }
        stallRow(QString("  longest interface stall opening it"), openStall);
        stallRow(QString("  longest interface stall showing its track"), trackStall);
        views->setCurrentIndex(0);
    }
    return 0;
}

qint64 ToBytes(QString s) {
    qint64 mul = 1;
    if (s.endsWith('M', Qt::CaseInsensitive))
        mul = 1000 * 1000;
    else if (s.endsWith('K', Qt::CaseInsensitive))
        mul = 1000;
    if (mul > 1)
        s.chop(1);
    return s.toLongLong() * mul;
}
} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCommandLineParser p;
    p.addHelpOption();
    p.addOptions({{"part", "plot, viewer or gps", "PART", "plot"},
                  {"rows", "points of the line (part plot)", "N", "1000000"},
                  {"size", "log file size, e.g. 10M (parts viewer and gps)", "BYTES", "10M"},
                  {"shot", "also save the viewer's picture (parts viewer and gps)", "PNG"}});
    p.process(app);
    if (p.value("part") == "viewer")
        return BenchViewer(ToBytes(p.value("size")), p.value("shot"));
    if (p.value("part") == "gps")
        return BenchGps(ToBytes(p.value("size")), p.value("shot"));
    if (p.value("part") == "plot")
        return BenchPlot(p.value("rows").toInt());
    std::fprintf(stderr, "unknown part: %s\n", qPrintable(p.value("part")));
    return 2;
}
