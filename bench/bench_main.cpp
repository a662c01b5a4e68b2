// Benchmarks of the link and of the panel. Every figure is a ratio against a
// limit computed or measured in the same run, so the numbers mean the same on
// a noisy machine. Not part of the test suite: scripts/bench.sh runs it.

#include "bench/BenchPanel.h"
#include "link/BoardLinkUnit.h"
#include "link/MemoryPort.h"
#include "sim/SimRunner.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QThread>
#include <cstdio>

namespace {
// Lines per second through DispatchLine, against the most the wire can carry
// (a 30-byte line at 115200 bit/s is 384 lines per second).
TBenchRow BenchDispatch() {
    TBoardLink link;
    const QByteArrayList lines = {"$GYRO:0.012 -0.034 0.001", "roll_sensitivity = 1.20", "=>",
                                  "$EKF:12345 r=1.5 p=-2.25 y=180.0 v=0", ""};
    constexpr int N = 2000000;
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < N; ++i) {
        DispatchLine(link, lines[i % lines.size()]);
        if ((i & 1023) == 0) {
            // No conversation reads this link: keep its queue from growing.
            TListGuard g(link.ResponseQueue);
            link.ResponseQueue.clear();
        }
    }
    const double perSec = N / (t.nsecsElapsed() / 1e9);
    const double wireLines = 115200.0 / 10 / 30;
    return AtLeast("dispatch throughput (no wire)", perSec, "lines/s", perSec / wireLines, 100,
                   "384 lines/s of 30 bytes at 115200 bit/s");
}

// Pacing of the simulated board: a log dump read off an in-memory wire at
// `baud`, bytes per second against the wire's 10 bits a byte.
TBenchRow BenchPacing(int baud, qint64 dumpBytes) {
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
    const double ratio = perSec / (baud / 10.0);
    TBenchRow row{QString("sim pacing at %1 bit/s (%2 bytes)").arg(baud).arg(got.size()),
                  perSec,
                  "bytes/s",
                  ratio,
                  "0.95 .. 1.05",
                  ratio >= 0.95 && ratio <= 1.05,
                  QString("%1 bytes/s").arg(baud / 10)};
    return row;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCommandLineParser p;
    p.setApplicationDescription(
        "Benchmarks of the link and the panel against vantor-board-sim on a pty at 115200 bit/s.\n"
        "Every figure is a ratio against a limit measured or computed in the same run.");
    p.addHelpOption();
    QCommandLineOption simOpt("sim", "Path of vantor-board-sim.", "PATH", "sim/vantor-board-sim");
    QCommandLineOption jsonOpt("json", "Write the results here as JSON.", "FILE");
    QCommandLineOption quickOpt("quick", "A short run for trying the bench (minutes, not a "
                                         "quarter of an hour): shorter idle, stream and soak "
                                         "stretches, a smaller log, fewer load sections.");
    QCommandLineOption soakOpt("soak-minutes",
                               "Length of the memory soak with every stream on (default 10; "
                               "the first minute is the reference).",
                               "MIN");
    QCommandLineOption idleOpt("idle-seconds", "Length of the idle CPU stretch (default 20).", "S");
    QCommandLineOption streamOpt("stream-seconds",
                                 "Length of the streaming CPU stretch (default 20).", "S");
    QCommandLineOption logOpt("log-size", "Size of the dumped flight log (default 1M).", "BYTES");
    QCommandLineOption noPanelOpt("link-only", "Only the link figures (no windows).");
    QCommandLineOption partsOpt("parts",
                                "Only these panel parts, comma-separated: windows, export, dump, "
                                "load, idle, stream, attitude, journal, soak (for finding a "
                                "cost).",
                                "LIST");
    QCommandLineOption monitorsOpt(
        "monitors", "Only these monitors while streaming, by action name (e.g. ActionMonImu).",
        "LIST");
    p.addOptions({simOpt, jsonOpt, quickOpt, soakOpt, idleOpt, streamOpt, logOpt, noPanelOpt,
                  partsOpt, monitorsOpt});
    p.process(app);

    TPanelBenchOptions po;
    po.SimProgram = p.value(simOpt);
    if (p.isSet(quickOpt)) {
        po.IdleSeconds = 5;
        po.StreamSeconds = 8;
        po.SoakSeconds = 40;
        po.SoakReferenceSeconds = 10;
        po.LogSize = "256K";
        po.LoadSections = 2;
        po.Repeats = 1;
    }
    auto number = [&](const QCommandLineOption& o, int& into) {
        bool ok = true;
        if (p.isSet(o))
            into = p.value(o).toInt(&ok);
        if (!ok || into <= 0) {
            std::fprintf(stderr, "vantor-bench: --%s wants a positive whole number\n",
                         qPrintable(o.names().first()));
            std::exit(2);
        }
    };
    number(idleOpt, po.IdleSeconds);
    number(streamOpt, po.StreamSeconds);
    if (p.isSet(soakOpt)) {
        int minutes = 0;
        number(soakOpt, minutes);
        po.SoakSeconds = minutes * 60;
        po.SoakReferenceSeconds = 60;
    }
    if (p.isSet(logOpt))
        po.LogSize = p.value(logOpt);
    if (p.isSet(partsOpt))
        po.Parts = p.value(partsOpt).split(',', Qt::SkipEmptyParts);
    if (p.isSet(monitorsOpt))
        po.Monitors = p.value(monitorsOpt).split(',', Qt::SkipEmptyParts);

    // Each row is printed, and the JSON copy written again, as it comes: a
    // run that is stopped still leaves its figures.
    QJsonArray json;
    std::printf("%-52s %11s %-8s %7s  %-14s %s\n", "figure", "value", "unit", "ratio", "goal", "");
    const auto emitRow = [&](const TBenchRow& r) {
        std::printf("%-52s %11.2f %-8s %7.3f  %-14s %s\n", qPrintable(r.Name), r.Value,
                    qPrintable(r.Unit), r.Ratio, qPrintable(r.Goal), r.Met ? "ok" : "MISSED");
        std::fflush(stdout);
        json.append(QJsonObject{{"figure", r.Name},
                                {"value", r.Value},
                                {"unit", r.Unit},
                                {"ratio", r.Ratio},
                                {"goal", r.Goal},
                                {"met", r.Met},
                                {"limit", r.Limit}});
        if (p.isSet(jsonOpt)) {
            QSaveFile f(p.value(jsonOpt));
            if (f.open(QIODevice::WriteOnly)) {
                f.write(QJsonDocument(json).toJson());
                f.commit();
            }
        }
    };
    emitRow(BenchDispatch());
    emitRow(BenchPacing(115200, 48 * 1024));
    emitRow(BenchPacing(9600, 4 * 1024));
    int status = 0;
    if (!p.isSet(noPanelOpt)) {
        QString error;
        if (!RunPanelBench(po, emitRow, error)) {
            std::fprintf(stderr, "vantor-bench: %s\n", qPrintable(error));
            status = 1;
        }
    }
    return status;
}
