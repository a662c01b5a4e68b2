// Benchmarks of the link. Every figure is a ratio against a limit computed or
// measured in the same run, so the numbers mean the same on a noisy machine.

#include "link/ComPortUnit.h"
#include "link/MemoryPort.h"
#include "link/PortMessages.h"
#include "sim/SimRunner.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>

namespace {
struct Row {
    QString name;
    double value;
    QString unit;
    double ratio;
    QString goal;
};

class Sink : public QObject {
public:
    int opened = 0;
    bool event(QEvent* e) override {
        if (TPortMessage::Is(e)) {
            opened += static_cast<TPortMessage*>(e)->Msg == WM_PORT_OPENED;
            return true;
        }
        return QObject::event(e);
    }
};

// Lines per second through DispatchLine, against the most the wire can carry
// (a 30-byte line at 115200 bit/s is 384 lines per second).
Row BenchDispatch() {
    TBoardLink link;
    const QByteArrayList lines = {"$GYRO:0.012 -0.034 0.001", "roll_sensitivity = 1.20", "=>",
                                  "$EKF:12345 r=1.5 p=-2.25 y=180.0 v=0", ""};
    constexpr int N = 2000000;
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < N; ++i) {
        DispatchLine(link, lines[i % lines.size()]);
        if ((i & 1023) == 0)
            link.ClearResponses();
    }
    const double perSec = N / (t.nsecsElapsed() / 1e9);
    const double wireLines = 115200.0 / 10 / 30;
    return {"dispatch throughput", perSec, "lines/s", perSec / wireLines, ">= 100"};
}

// Pacing of the simulated board: a log dump read off an in-memory wire at
// `baud`, bytes per second against the wire's 10 bits a byte.
Row BenchPacing(int baud, qint64 dumpBytes) {
    auto wire = std::make_shared<TMemoryWire>();
    TSimOptions opt;
    opt.LogDumpBytes = dumpBytes;
    TSimRunner board(std::make_unique<TMemoryTransport>(wire), opt, true);
    int error = 0;
    wire->OpenPanel(error);
    wire->SetBaudRate(baud);
    board.Start();
    wire->PanelWrite("echo off\r\n");
    QThread::msleep(300);
    qint64 n = 0;
    (void)wire->PanelWaiting(n);
    wire->PanelRead(n);
    wire->PanelWrite("log dump 1\r\n");
    QElapsedTimer t;
    QByteArray got;
    qint64 firstNs = -1, lastNs = 0, firstSize = 0;
    t.start();
    while (!got.endsWith("=>") && t.elapsed() < 600000) {
        QThread::msleep(2);
        (void)wire->PanelWaiting(n);
        if (n == 0)
            continue;
        if (firstNs < 0) {
            firstNs = t.nsecsElapsed();
            firstSize = n; // the clock starts after these arrived
        }
        got += wire->PanelRead(n);
        lastNs = t.nsecsElapsed();
    }
    board.Stop();
    const double perSec = (got.size() - firstSize) / ((lastNs - firstNs) / 1e9);
    return {QString("sim pacing at %1 bit/s (%2 bytes)").arg(baud).arg(got.size()), perSec,
            "bytes/s", perSec / (baud / 10.0), "0.95 .. 1.05"};
}

QByteArrayList Listing(TBoardLink& link, const QByteArray& cmd, qint64& bytes) {
    link.ClearResponses();
    link.SendCommand(cmd);
    QByteArrayList out;
    QByteArray line;
    bytes = 0;
    while (link.WaitResponseLine(line, 5000, TWaitMode::NoEvents) == TWaitResult::Line) {
        if (line == "=>")
            break;
        out << line;
        bytes += line.size() + 2;
    }
    return out;
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser p;
    p.addHelpOption();
    QCommandLineOption simOpt("sim", "Path of vantor-board-sim.", "PATH", "sim/vantor-board-sim");
    QCommandLineOption jsonOpt("json", "Write the results here as JSON.", "FILE");
    p.addOptions({simOpt, jsonOpt});
    p.process(app);

    QList<Row> rows;
    rows << BenchDispatch();
    rows << BenchPacing(115200, 48 * 1024);
    rows << BenchPacing(9600, 4 * 1024);

    QTemporaryDir dir;
    const QString linkPath = dir.filePath("board");
    QProcess sim;
    sim.start(p.value(simOpt), {"--link", linkPath});
    if (!sim.waitForStarted() || !sim.waitForReadyRead(5000)) {
        std::fprintf(stderr, "cannot start the simulator\n");
        return 1;
    }
    TBoardLink link;
    Sink sink;
    {
        TComPort worker(false, &sink, &link, linkPath.toLocal8Bit(), 115200);
        QElapsedTimer wait;
        wait.start();
        while (!sink.opened && wait.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        link.SendCommand("\r\n");
        link.WaitForPrompt(5000);
        link.SendCommand("echo off\r\n");
        link.WaitForPrompt(5000);

        QList<double> ratios, times;
        qint64 bytes = 0;
        for (int i = 0; i < 9; ++i) {
            QElapsedTimer t;
            t.start();
            Listing(link, "cat stab\r\n", bytes);
            const double ms = t.nsecsElapsed() / 1e6;
            // The limit: the listing's bytes on the wire (10 bits a byte), the
            // 100 ms quiet before the prompt counts, and one worker pass.
            const double limit = (bytes + 2 + 10) * 10.0 * 1000 / 115200 + 100 + 20;
            times << ms;
            ratios << ms / limit;
        }
        std::sort(ratios.begin(), ratios.end());
        std::sort(times.begin(), times.end());
        rows << Row{"\"cat stab\" listing over pty (median of 9)", times[4], "ms", ratios[4],
                    "<= 1.10"};
        worker.StopFlag = -1;
    }
    sim.terminate();
    sim.waitForFinished(3000);

    std::printf("%-48s %14s %-8s %8s  %s\n", "figure", "value", "unit", "ratio", "goal");
    QJsonArray json;
    for (const Row& r : rows) {
        std::printf("%-48s %14.1f %-8s %8.3f  %s\n", qPrintable(r.name), r.value,
                    qPrintable(r.unit), r.ratio, qPrintable(r.goal));
        json.append(QJsonObject{{"figure", r.name},
                                {"value", r.value},
                                {"unit", r.unit},
                                {"ratio", r.ratio},
                                {"goal", r.goal}});
    }
    if (p.isSet(jsonOpt)) {
        QFile f(p.value(jsonOpt));
        if (f.open(QIODevice::WriteOnly))
            f.write(QJsonDocument(json).toJson());
    }
    return 0;
}
