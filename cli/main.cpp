// vantor-cli: the board's configuration backup and restore, flight log
// download, single parameters and the flash save, for scripts. It uses the
// same archive code as the panel's windows, so its files are the same.

#include "archive/ConfigExport.h"
#include "archive/ConfigLoad.h"
#include "archive/FlightLogs.h"
#include "cli/CliBoard.h"
#include "link/Proc.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {
std::atomic<bool> g_interrupted{false};

void OnSignal(int) {
    g_interrupted = true;
}

// Exit status: 0 done, 1 the run failed, 2 the command line was wrong.
constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;

int Fail(const QString& text, int status = ExitFailed) {
    std::fprintf(stderr, "vantor-cli: %s\n", text.toLocal8Bit().constData());
    return status;
}

class TProgressLine {
public:
    TProgressLine(const char* what) : m_what(what), m_tty(isatty(STDERR_FILENO)) {}
    ~TProgressLine() {
        if (m_shown)
            std::fputc('\n', stderr);
    }
    void Show(const TProgress& p) {
        if (!m_tty)
            return;
        m_shown = true;
        if (p.Settling > 0)
            std::fprintf(stderr, "\r%s: the board is finishing an interrupted answer (%lld bytes) ",
                         m_what, static_cast<long long>(p.Settling));
        else if (p.Total > 0)
            std::fprintf(stderr, "\r%s: %d/%d, %d lines ", m_what, p.Done, p.Total, p.Counter - 1);
        else
            std::fprintf(stderr, "\r%s: %d lines ", m_what, p.Counter - 1);
        std::fflush(stderr);
    }

private:
    const char* m_what;
    bool m_tty;
    bool m_shown = false;
};

TRunHooks Hooks(TProgressLine* progress) {
    TRunHooks h;
    if (progress)
        h.Progress = [progress](const TProgress& p) { progress->Show(p); };
    h.Cancel = [] { return g_interrupted.load(); };
    h.Mode = TWaitMode::ProcessEvents;
    return h;
}

int Report(const TArchiveResult& r) {
    return r.Ok() ? 0 : Fail(r.EnglishText());
}

const char* const Usage =
    "Commands:\n"
    "  export FILE                          save the whole configuration to FILE\n"
    "  load FILE [--sections LIST]          send FILE's sections to the board\n"
    "                                       (LIST: stab,imu,osd,gyro,mag,wp,adc,bat,\n"
    "                                       control_in,control_out,control_mix; default all)\n"
    "  logs --list                          print the flight numbers the board holds\n"
    "  logs --flight N [--decimal-comma] FILE   save flight N's log to FILE\n"
    "  get GROUP                            print a listing (stab, osd, wp, control in, ...)\n"
    "  set NAME VALUE                       set one parameter\n"
    "  save config|controls                 store settings in the board's flash\n"
    "\n"
    "Exit status: 0 done, 1 the board or a file failed, 2 wrong command line.\n"
    "Files are written whole: a failed or interrupted run leaves an existing file as it was.";

// Waits for the answer of a command that was just sent, printing what the
// board says (other than the prompt) to `out`.
int AnswerTo(TCliBoard& board, const QByteArray& command, FILE* out) {
    const TArchiveResult r = ResultOf(board.Link().Request(
        RunRequest(command, ListingSilenceMs, Hooks(nullptr), [out](const QByteArray& l) {
            std::fprintf(out, "%s\n", l.constData());
            return true;
        })));
    std::fflush(out);
    return Report(r);
}

int RunCommand(TCliBoard& board, const QCommandLineParser& parser, const QStringList& args) {
    const QString cmd = args[0];
    if (cmd == "export") {
        TProgressLine progress("export");
        return Report(ExportConfig(board.Link(), args[1], Hooks(&progress)));
    }
    if (cmd == "load") {
        QSet<int> sections;
        for (int i = 0; i < static_cast<int>(std::size(LoadSections)); ++i)
            sections << i;
        if (parser.isSet("sections")) {
            sections.clear();
            for (const QString& s : parser.value("sections").split(',', Qt::SkipEmptyParts))
                sections << LoadSectionByBox(s.trimmed());
        }
        TProgressLine progress("load");
        const TArchiveResult r = LoadConfig(
            board.Link(), args[1], [&](int s) { return sections.contains(s); }, Hooks(&progress));
        if (r.Status == TArchiveStatus::NoFile)
            return Fail("no such file: " + args[1]);
        if (r.Ok() && r.NoPromptInTime > 0)
            std::fprintf(stderr, "vantor-cli: %d lines answered later than a second\n",
                         r.NoPromptInTime);
        return Report(r);
    }
    if (cmd == "logs" && parser.isSet("list")) {
        TFlightRange range;
        const TArchiveResult r = ReadFlightRange(board.Link(), range, Hooks(nullptr));
        if (!r.Ok())
            return Report(r);
        for (int n : FlightNumbers(range))
            std::printf("%d\n", n);
        return 0;
    }
    if (cmd == "logs") {
        // The board prints its complaint about an unknown flight as if it
        // were the log; ask for the flights it holds first.
        const int flight = parser.value("flight").toInt();
        TFlightRange range;
        const TArchiveResult dir = ReadFlightRange(board.Link(), range, Hooks(nullptr));
        if (!dir.Ok())
            return Report(dir);
        if (!FlightNumbers(range).contains(flight))
            return Fail(QStringLiteral("no flight %1 on the board (it holds %2 to %3)")
                            .arg(flight)
                            .arg(range.Min)
                            .arg(range.Max));
        TProgressLine progress("logs");
        const bool comma = parser.isSet("decimal-comma");
        return Report(ExportFlightLog(
            board.Link(), flight, args[1], [comma] { return comma; }, Hooks(&progress)));
    }
    if (cmd == "get")
        return AnswerTo(board, "cat " + args.mid(1).join(' ').toLatin1() + "\r\n", stdout);
    if (cmd == "set")
        return AnswerTo(board, "set " + args.mid(1).join(' ').toLatin1() + "\r\n", stderr);
    // save
    return AnswerTo(board, "save " + args[1].toLatin1() + "\r\n", stderr);
}

// Checks the command's words and options; an empty text when they are fine.
QString UsageError(const QCommandLineParser& parser, const QStringList& args) {
    if (!parser.isSet("port"))
        return "--port is required";
    if (args.isEmpty())
        return "no command given";
    const QString cmd = args[0];
    const int n = args.size() - 1;
    if (cmd == "export")
        return n == 1 ? QString() : "usage: export FILE";
    if (cmd == "load") {
        if (n != 1)
            return "usage: load FILE [--sections LIST]";
        for (const QString& s : parser.value("sections").split(',', Qt::SkipEmptyParts))
            if (LoadSectionByBox(s.trimmed()) < 0)
                return "unknown section '" + s + "'";
        return QString();
    }
    if (cmd == "logs") {
        if (parser.isSet("list"))
            return n == 0 && !parser.isSet("flight") ? QString() : "usage: logs --list";
        int flight = 0;
        if (!parser.isSet("flight") || n != 1 ||
            !TryStrToInt(parser.value("flight").toLatin1(), flight))
            return "usage: logs --flight N [--decimal-comma] FILE";
        return QString();
    }
    if (cmd == "get")
        return n >= 1 ? QString() : "usage: get GROUP";
    if (cmd == "set")
        return n >= 2 ? QString() : "usage: set NAME VALUE";
    if (cmd == "save")
        return n == 1 && (args[1] == "config" || args[1] == "controls")
                   ? QString()
                   : "usage: save config|controls";
    return "unknown command '" + cmd + "'";
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("vantor-cli");
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Headless access to a Vantor autopilot board on a serial port.\n\n") +
        Usage);
    parser.addHelpOption();
    parser.addOptions({
        {"port", "Serial port of the board (e.g. /dev/ttyUSB0).", "PORT"},
        {"baud", "Port speed in bit/s (default 115200).", "BAUD", "115200"},
        {"sections", "load: the sections to send, comma-separated.", "LIST"},
        {"list", "logs: print the flight numbers."},
        {"flight", "logs: the flight to save.", "N"},
        {"decimal-comma", "logs: write decimal commas instead of points."},
    });
    parser.addPositionalArgument("command", "export, load, logs, get, set or save.");
    parser.process(app);

    const QStringList args = parser.positionalArguments();
    const QString usage = UsageError(parser, args);
    if (!usage.isEmpty())
        return Fail(usage + " (see --help)", ExitUsage);
    int baud = 0;
    if (!TryStrToInt(parser.value("baud").toLatin1(), baud) || baud <= 0)
        return Fail("invalid --baud '" + parser.value("baud") + "'", ExitUsage);

    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    TCliBoard board;
    QString error;
    if (!board.Open(parser.value("port").toLocal8Bit(), baud, error))
        return Fail(error);
    return RunCommand(board, parser, args);
}
