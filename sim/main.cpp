// vantor-board-sim: the simulated board on a pseudo-terminal, for the demo
// mode, training, end-to-end tests and benchmarks.

#include "sim/PtyTransport.h"
#include "sim/Telemetry.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <csignal>
#include <cstdio>
#include <unistd.h>

static volatile std::sig_atomic_t g_stop = 0;
static void OnSignal(int) {
    g_stop = 1;
}

namespace {
// Highest telemetry rate accepted; beyond what the wire carries at the
// panel's speed the board drops samples, as a real one does.
constexpr int MaxRateHz = 1000;

[[noreturn]] void Fail(const QString& message) {
    std::fprintf(stderr, "vantor-board-sim: %s\n", qPrintable(message));
    std::exit(2);
}

qint64 ToInt(const QString& text, const QString& option, qint64 min = 0) {
    bool ok = false;
    const qint64 v = text.toLongLong(&ok);
    if (!ok || v < min)
        Fail(QString("--%1: '%2' is not a whole number >= %3").arg(option, text).arg(min));
    return v;
}

double ToRate(const QString& text, const QString& option) {
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok || v < 0 || v > 1)
        Fail(QString("--%1: '%2' is not a share between 0 and 1").arg(option, text));
    return v;
}

// "64K", "2M" or a plain byte count.
qint64 ToSize(QString text, const QString& option) {
    qint64 unit = 1;
    if (text.endsWith('K', Qt::CaseInsensitive))
        unit = 1024;
    else if (text.endsWith('M', Qt::CaseInsensitive))
        unit = 1024 * 1024;
    if (unit > 1)
        text.chop(1);
    return ToInt(text, option, 1) * unit;
}
// Stray bytes such as a glitch on the line leaves: anything but a line end.
QByteArray NoiseBytes(qint64 n, quint32 seed) {
    QByteArray out;
    quint32 x = seed * 2654435761u + 1;
    for (qint64 i = 0; i < n; ++i) {
        x = x * 1664525u + 1013904223u;
        char c = static_cast<char>(x >> 24);
        if (c == '\r' || c == '\n')
            c = '\xff';
        out += c;
    }
    return out;
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("vantor-board-sim");
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Simulated Vantor autopilot board on a pseudo-terminal.\n"
        "Prints the pty's path; connect the panel (or any terminal program) to it or to the\n"
        "--link path. Fault options make the board misbehave on purpose; a command trigger\n"
        "matches a command line that starts with the given text (\"*\": every command), a time is "
        "in ms since start.");
    parser.addHelpOption();
    const QList<QCommandLineOption> options = {
        {"link", "Also make PATH a symlink to the pty (kept across hang-ups).", "PATH"},
        {"seed", "Seed for noise, generated flights and faults (default 1).", "N", "1"},
        {"no-pace", "Send output as fast as possible, not at the wire rate."},
        {"state", "Keep \"save config\" / \"save controls\" in FILE and start from it.", "FILE"},
        {"rate",
         "Telemetry rate of a stream, e.g. gyro=50 (Hz, up to 1000; repeatable). Streams: " +
             TTelemetry::Streams().join(", ") + ".",
         "STREAM=HZ"},
        {"log-size", "Size of each flight that \"log dump N\" prints (e.g. 64K, 2M).", "BYTES",
         "32K"},
        {"flights", "Flight numbers the board holds (default 1-12).", "MIN-MAX", "1-12"},
        {"cal-gyro-ms", "How long \"cal gyro\" takes (default 2500).", "MS", "2500"},
        {"cal-mag-ms", "Interval of the extremes lines of \"cal mag\" (default 500).", "MS", "500"},
        {"prompt-then-telemetry",
         "Send a telemetry line straight after the prompt, without a line end between them."},
        {"bare-prompts",
         "Send a prompt that follows a prompt straight after it, without a line end (\"=>=>\")."},
        {"noise-at-open", "Leave N stray bytes in the line for whoever opens the port.", "N", "0"},
        {"save-delay", "Answer \"save config\" / \"save controls\" MS later (a slow flash).", "MS",
         "0"},
        {"extra-prompt-after-cmd",
         "Give a second prompt after answering this command (a stray line end).", "TEXT"},
        {"latency", "Fault: every answer starts MS later.", "MS", "0"},
        {"silence-after-cmd", "Fault: fall silent after answering this command.", "TEXT"},
        {"silence-after-bytes", "Fault: fall silent after sending N bytes.", "N"},
        {"silence-ms", "Fault: a silence lasts MS (default: for ever).", "MS", "0"},
        {"drop-rate", "Fault: share of sent bytes lost (0..1).", "R", "0"},
        {"garble-rate", "Fault: share of sent bytes replaced by random ones (0..1).", "R", "0"},
        {"flood-after-cmd",
         "Fault: after answering this command, send endless text without "
         "line ends.",
         "TEXT"},
        {"flood-at", "Fault: start the flood at this time.", "MS"},
        {"flood-ms", "Fault: a flood lasts MS (default: for ever).", "MS", "0"},
        {"hangup-after-cmd",
         "Fault: pull the cable after answering this command (the pty "
         "closes; a new one appears behind --link).",
         "TEXT"},
        {"hangup-at", "Fault: pull the cable at this time.", "MS"},
        {"reboot-after-cmd", "Fault: restart after answering this command.", "TEXT"},
        {"reboot-at", "Fault: restart at this time.", "MS"},
        {"reboot-after-bytes", "Fault: restart after sending N bytes (mid-answer).", "N"},
        {"reboot-ms", "Fault: a restart is silent this long, then greets (default 1500).", "MS",
         "1500"},
    };
    parser.addOptions(options);
    parser.process(app);
    auto value = [&](const char* name) { return parser.value(name); };

    TSimOptions opt;
    opt.Seed = static_cast<quint32>(ToInt(value("seed"), "seed"));
    opt.StatePath = value("state");
    for (const QString& r : parser.values("rate")) {
        const QStringList kv = r.split('=');
        if (kv.size() != 2 || !TTelemetry::IsStream(kv[0].toLatin1()))
            Fail("--rate: expected STREAM=HZ with one of " + TTelemetry::Streams().join(", "));
        const qint64 hz = ToInt(kv[1], "rate", 1);
        if (hz > MaxRateHz)
            Fail(QString("--rate: at most %1 Hz").arg(MaxRateHz));
        opt.StreamPeriodMs.insert(kv[0].toLatin1(), static_cast<int>(1000 / hz));
    }
    opt.LogDumpBytes = ToSize(value("log-size"), "log-size");
    const QStringList flights = value("flights").split('-');
    if (flights.size() != 2)
        Fail("--flights: expected MIN-MAX");
    opt.FlightIdMin = static_cast<int>(ToInt(flights[0], "flights"));
    opt.FlightIdMax = static_cast<int>(ToInt(flights[1], "flights"));
    opt.CalGyroMs = static_cast<int>(ToInt(value("cal-gyro-ms"), "cal-gyro-ms"));
    opt.CalMagPeriodMs = static_cast<int>(ToInt(value("cal-mag-ms"), "cal-mag-ms", 10));
    opt.PromptThenTelemetry = parser.isSet("prompt-then-telemetry");
    opt.BarePrompts = parser.isSet("bare-prompts");

    TFaults& f = opt.Faults;
    f.LatencyMs = static_cast<int>(ToInt(value("latency"), "latency"));
    f.SilenceAfterCommand = value("silence-after-cmd").toLatin1();
    if (parser.isSet("silence-after-bytes"))
        f.SilenceAfterBytes = ToInt(value("silence-after-bytes"), "silence-after-bytes");
    f.SilenceMs = static_cast<int>(ToInt(value("silence-ms"), "silence-ms"));
    f.DropRate = ToRate(value("drop-rate"), "drop-rate");
    f.GarbleRate = ToRate(value("garble-rate"), "garble-rate");
    f.FloodAfterCommand = value("flood-after-cmd").toLatin1();
    if (parser.isSet("flood-at"))
        f.FloodAtMs = ToInt(value("flood-at"), "flood-at");
    f.FloodMs = static_cast<int>(ToInt(value("flood-ms"), "flood-ms"));
    f.HangUpAfterCommand = value("hangup-after-cmd").toLatin1();
    if (parser.isSet("hangup-at"))
        f.HangUpAtMs = ToInt(value("hangup-at"), "hangup-at");
    f.RebootAfterCommand = value("reboot-after-cmd").toLatin1();
    if (parser.isSet("reboot-at"))
        f.RebootAtMs = ToInt(value("reboot-at"), "reboot-at");
    f.RebootMs = static_cast<int>(ToInt(value("reboot-ms"), "reboot-ms"));
    if (parser.isSet("reboot-after-bytes"))
        f.RebootAfterBytes = ToInt(value("reboot-after-bytes"), "reboot-after-bytes");
    f.NoiseAtOpen = NoiseBytes(ToInt(value("noise-at-open"), "noise-at-open"), opt.Seed);
    f.SaveDelayMs = static_cast<int>(ToInt(value("save-delay"), "save-delay"));
    f.ExtraPromptAfterCommand = value("extra-prompt-after-cmd").toLatin1();

    auto pty = std::make_unique<TPtyTransport>();
    if (!pty->Create(value("link").toLocal8Bit()))
        Fail(QString::fromLocal8Bit(pty->Error()));
    std::printf("%s\n", pty->SlavePath().constData());
    std::fflush(stdout);
    // After a hang-up the new pty's path follows on its own line.
    pty->OnNewPty = [](const QByteArray& path) {
        std::printf("%s\n", path.constData());
        std::fflush(stdout);
    };

    TSimRunner runner(std::move(pty), opt, !parser.isSet("no-pace"));
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    std::signal(SIGHUP, OnSignal);
    runner.Start();
    while (!g_stop)
        ::pause();
    runner.Stop();
    return 0;
}
