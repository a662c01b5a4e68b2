// vantor-board-sim: the simulated board on a pseudo-terminal, for the demo
// mode, training, end-to-end tests and benchmarks.

#include "sim/PtyTransport.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <csignal>
#include <cstdio>
#include <unistd.h>

static volatile std::sig_atomic_t g_stop = 0;
static void OnSignal(int) {
    g_stop = 1;
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("vantor-board-sim");
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Simulated Vantor autopilot board on a pseudo-terminal.\n"
        "Connect the panel (or any terminal program) to the printed path.");
    parser.addHelpOption();
    QCommandLineOption linkOpt("link", "Also make PATH a symlink to the pty.", "PATH");
    QCommandLineOption seedOpt("seed", "Seed for noise and faults (default 1).", "N", "1");
    QCommandLineOption noPaceOpt("no-pace", "Send output as fast as possible, not at the "
                                            "wire rate.");
    parser.addOptions({linkOpt, seedOpt, noPaceOpt});
    parser.process(app);

    auto pty = std::make_unique<TPtyTransport>();
    if (!pty->Create(parser.value(linkOpt).toLocal8Bit())) {
        std::fprintf(stderr, "vantor-board-sim: %s\n", pty->Error().constData());
        return 1;
    }
    std::printf("%s\n", pty->SlavePath().constData());
    std::fflush(stdout);

    TSimOptions options;
    options.Seed = parser.value(seedOpt).toUInt();
    TSimRunner runner(std::move(pty), options, !parser.isSet(noPaceOpt));
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    std::signal(SIGHUP, OnSignal);
    runner.Start();
    while (!g_stop)
        ::pause();
    runner.Stop();
    return 0;
}
