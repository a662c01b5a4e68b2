// vantor-cli: the board's configuration backup and restore, flight log
// download, single parameters and the flash save, for scripts. It uses the
// same archive code as the panel's windows, so its files are the same, and
// journals what it changes in the panel's change journal.

#include "archive/ConfigExport.h"
#include "archive/ConfigLoad.h"
#include "archive/FlightLogs.h"
#include "cli/CliBoard.h"
#include "link/Proc.h"
#include "parameters/Journal.h"
#include "parameters/JournalRecorder.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <algorithm>
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
    h.WaitForReader = true; // a FIFO as output waits for its reader, as a shell's would
    return h;
}

int Report(const TArchiveResult& r) {
    return r.Ok() ? 0 : Fail(r.EnglishText());
}

const char* const Usage =
    "Commands:\n"
    "  export FILE                          save the whole configuration to FILE\n"
    "                                       (- : standard output)\n"
    "  load FILE [--sections LIST] [--no-verify]\n"
    "                                       send FILE's sections to the board and read\n"
    "                                       them back to compare (LIST: stab,imu,osd,gyro,\n"
    "                                       mag,wp,adc,bat,control_in,control_out,\n"
    "                                       control_mix; default all)\n"
    "  logs --list                          print the flight numbers the board holds\n"
    "  logs --flight N [--decimal-comma] FILE   save flight N's log to FILE\n"
    "                                       (FILE - : standard output)\n"
    "  get GROUP                            print a listing (stab, osd, wp, control in, ...)\n"
    "  set NAME VALUE                       set one parameter and read it back\n"
    "  save config|controls                 store settings in the board's flash\n"
    "  history [--board B] [--since T] [--name N] [--csv]\n"
    "                                       print the change journal, newest first (T: a\n"
    "                                       UTC date or date and time, 2026-03-01T12:00;\n"
    "                                       N: part of the name); needs no --port\n"
    "  undo ROW...                          put back what the journal's change rows\n"
    "                                       replaced, and read it back\n"
    "\n"
    "Exit status: 0 done, 1 the board or a file failed (a refusal, a value the board\n"
    "did not keep), 2 wrong command line (or a journal row that does not exist).\n"
    "Every change is journaled where the panel keeps its journal (VANTOR_JOURNAL: another\n"
    "file).\n"
    "Files are written whole: a failed or interrupted run leaves an existing file as it was;\n"
    "a FIFO, a device or - is written as it is.";

// Sends a command and waits for its answer, printing what the board says
// (other than the prompt) to `out`. A write command the board answers with
// text of refusal fails; so does a listing of a group the board does not know.
int AnswerTo(TCliBoard& board, const QByteArray& command, FILE* out) {
    bool unknown = false;
    const TAnswer a = board.Link().Request(
        RunRequest(command, ListingSilenceMs, Hooks(nullptr), [&](const QByteArray& l) {
            std::fprintf(out, "%s\n", l.constData());
            unknown = unknown || IsUnknownCommandAnswer(l);
            return true;
        }));
    std::fflush(out);
    if (!a.Ok())
        return Report(ResultOf(a));
    if (!a.Refusals.isEmpty())
        return Fail("the board refused '" + QString::fromLatin1(a.Refusals.first().Command) +
                    "': " + QString::fromLatin1(a.Refusals.first().Text));
    if (unknown)
        return Fail("the board does not know '" + QString::fromLatin1(Trim(command)) + "'");
    return 0;
}

// "set": sent, then read back; done only when the board holds the value.
int SetVerified(TCliBoard& board, const QByteArray& line) {
    if (const int sent = AnswerTo(board, line + "\r\n", stderr); sent != 0)
        return sent;
    TLoadCheck check;
    const TArchiveResult r = ReadBack(board.Link(), {line}, check, Hooks(nullptr));
    if (!r.Ok())
        return Report(r);
    if (check.Differ.isEmpty())
        return 0;
    const QByteArray held = check.Differ.first().Old;
    return Fail(held.isEmpty() ? QStringLiteral("the board does not list it back")
                               : "the board holds '" + QString::fromLatin1(held) + "'");
}

// What the board made of a load's lines, on stderr.
void PrintLoadCheck(const TLoadCheck& check, const char* as = "as in the file") {
    for (const TRefusal& r : check.Refused)
        std::fprintf(stderr, "vantor-cli: refused: %s: %s\n", r.Command.constData(),
                     r.Text.constData());
    for (const TLineChange& c : check.Differ)
        std::fprintf(stderr, "vantor-cli: differs: %s (the board holds %s)\n", c.Line.constData(),
                     c.Old.isEmpty() ? "nothing" : c.Old.constData());
    if (check.Verified)
        std::fprintf(stderr, "vantor-cli: read back: %d of %d lines %s\n",
                     check.Compared - static_cast<int>(check.Differ.size()), check.Compared, as);
}

// The journal, its problem (a damaged file put aside, none opened) said once.
TJournal& Journal() {
    TJournal& journal = TJournal::Instance();
    if (const QString problem = journal.TakeProblemText(); !problem.isEmpty())
        std::fprintf(stderr, "vantor-cli: %s\n", problem.toUtf8().constData());
    return journal;
}

// "2026-03-01" (its midnight) or "2026-03-01T12:00[:00]", in UTC unless the
// text names its zone.
bool ParseSince(const QString& text, qint64& ms) {
    QDateTime t;
    const QDate day = QDate::fromString(text, Qt::ISODate); // reads a time's date too
    if (day.isValid() && text.size() == 10) {
        t = day.startOfDay(Qt::UTC);
    } else {
        t = QDateTime::fromString(text, Qt::ISODate);
        if (t.timeSpec() == Qt::LocalTime)
            t.setTimeSpec(Qt::UTC);
    }
    ms = t.toMSecsSinceEpoch();
    return t.isValid();
}

int History(const QCommandLineParser& parser) {
    TJournal& journal = Journal();
    if (!journal.IsOpen())
        return ExitFailed;
    TJournalFilter filter;
    filter.Board = parser.value("board");
    filter.Name = parser.value("name");
    if (parser.isSet("since"))
        ParseSince(parser.value("since"), filter.FromMs);
    const QList<TJournalRow> rows = journal.Rows(filter);
    if (parser.isSet("csv")) {
        const QByteArray csv = JournalCsv(rows);
        std::fwrite(csv.constData(), 1, static_cast<size_t>(csv.size()), stdout);
        return 0;
    }
    for (const TJournalRow& r : rows) {
        // A change shows its parameter and values; a load, save or backup
        // what it concerned.
        QByteArray what = r.Name.isEmpty()    ? r.Detail.toUtf8()
                          : r.Group.isEmpty() ? r.Name
                                              : r.Group + "/" + r.Name;
        if (!r.Name.isEmpty())
            what += "  " + (r.Before.isEmpty() ? "?" : r.Before) + " → " +
                    (r.Sent.isEmpty() ? r.After : r.Sent);
        QString outcome = JournalOutcomeText(r.Outcome, r.Saved);
        if (!r.Name.isEmpty() && !r.Detail.isEmpty())
            outcome += ": " + r.Detail;
        std::printf("%lld  %s  %s  %s  %s  %s  %s\n", static_cast<long long>(r.Id),
                    QDateTime::fromMSecsSinceEpoch(r.TimeMs, Qt::UTC)
                        .toString(Qt::ISODate)
                        .toUtf8()
                        .constData(),
                    r.Board.toUtf8().constData(), r.Origin.toUtf8().constData(),
                    JournalKindText(r.Kind).toUtf8().constData(), what.constData(),
                    outcome.toUtf8().constData());
    }
    return 0;
}

// The rows "undo" names, each one the journal holds; else why not.
int UndoRows(const QStringList& args, QList<TJournalRow>& rows) {
    TJournal& journal = Journal();
    if (!journal.IsOpen())
        return ExitFailed;
    QList<qint64> ids;
    for (const QString& a : args.mid(1))
        ids << a.toLongLong();
    rows = journal.RowsById(ids);
    for (qint64 id : ids)
        if (std::none_of(rows.begin(), rows.end(),
                         [id](const TJournalRow& r) { return r.Id == id; }))
            return Fail(QStringLiteral("the journal has no row %1").arg(id), ExitUsage);
    if (JournalUndoLines(rows).isEmpty())
        return Fail("the rows hold no change whose earlier value is known: nothing to put back");
    return 0;
}

int Undo(TCliBoard& board, const TJournalRecorder& rec, const QStringList& args) {
    QList<TJournalRow> rows;
    if (const int status = UndoRows(args, rows); status != 0)
        return status;
    // The values are put back only on the board they were taken from, named
    // as the window names it: its "ver" answer and its port.
    for (const TJournalRow& r : rows)
        if (r.Kind == JournalKind::Change && r.Board != rec.Board())
            return Fail(QStringLiteral("row %1 was made on '%2', the port has '%3'")
                            .arg(r.Id)
                            .arg(r.Board, rec.Board()));
    const TJournalOrigin origin("vantor-cli: отмена строк " + args.mid(1).join(", "));
    TLoadCheck check;
    const TArchiveResult r =
        ApplyJournalLines(board.Link(), JournalUndoLines(rows), check, Hooks(nullptr));
    PrintLoadCheck(check, "as they were");
    return Report(r);
}

int RunCommand(TCliBoard& board, TJournalRecorder& rec, const QCommandLineParser& parser,
               const QStringList& args) {
    const QString cmd = args[0];
    if (cmd == "undo")
        return Undo(board, rec, args);
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
        const TJournalOrigin origin("vantor-cli");
        const qint64 loadRow = rec.NoteLoad(args[1]);
        TProgressLine progress("load");
        TLoadCheck check;
        check.Verify = !parser.isSet("no-verify");
        const TArchiveResult r = LoadConfig(
            board.Link(), args[1], [&](int s) { return sections.contains(s); }, Hooks(&progress),
            {}, &check);
        TJournal::Instance().SetOutcome(loadRow,
                                        r.Ok() ? JournalOutcome::Done : JournalOutcome::Failed, {});
        PrintLoadCheck(check);
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
    // set, save: journaled as the command-line tool's
    const TJournalOrigin origin("vantor-cli");
    if (cmd == "set")
        return SetVerified(board, "set " + args.mid(1).join(' ').toLatin1());
    return AnswerTo(board, "save " + args[1].toLatin1() + "\r\n", stderr);
}

// Checks the command's words and options; an empty text when they are fine.
QString UsageError(const QCommandLineParser& parser, const QStringList& args) {
    if (!parser.isSet("port") && (args.isEmpty() || args[0] != "history"))
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
    if (cmd == "history") {
        qint64 since = 0;
        if (n != 0)
            return "usage: history [--board B] [--since T] [--name N] [--csv]";
        if (parser.isSet("since") && !ParseSince(parser.value("since"), since))
            return "invalid --since '" + parser.value("since") +
                   "' (2026-03-01 or 2026-03-01T12:00)";
        return QString();
    }
    if (cmd == "undo") {
        for (const QString& a : args.mid(1))
            if (a.toLongLong() <= 0)
                return "invalid journal row '" + a + "'";
        return n >= 1 ? QString() : "usage: undo ROW...";
    }
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
        {"no-verify", "load: do not read the loaded sections back to compare."},
        {"board", "history: only the rows of this board (as history prints it).", "B"},
        {"since", "history: only rows from this UTC date or date and time on.", "T"},
        {"name", "history: only parameters whose name holds this text.", "N"},
        {"csv", "history: print the rows as CSV."},
    });
    parser.addPositionalArgument("command", "export, load, logs, get, set, save, history or undo.");
    parser.process(app);

    const QStringList args = parser.positionalArguments();
    const QString usage = UsageError(parser, args);
    if (!usage.isEmpty())
        return Fail(usage + " (see --help)", ExitUsage);
    if (args[0] == "history")
        return History(parser);
    int baud = 0;
    if (!TryStrToInt(parser.value("baud").toLatin1(), baud) || baud <= 0)
        return Fail("invalid --baud '" + parser.value("baud") + "'", ExitUsage);

    // A load file that cannot be read ends the run before the port is opened.
    if (args[0] == "load") {
        QByteArrayList lines;
        const TArchiveResult file = ReadLoadFile(args[1], lines);
        if (file.Status == TArchiveStatus::NoFile)
            return Fail("no such file: " + args[1]);
        if (!file.Ok())
            return Report(file);
    }
    // Rows to undo are checked before the port is opened, as a load's file is.
    TJournal& journal = Journal();
    if (QList<TJournalRow> rows; args[0] == "undo")
        if (const int status = UndoRows(args, rows); status != 0)
            return status;
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    TCliBoard board;
    QString error;
    // Ctrl-C stops the handshake too, not only the command after it.
    if (!board.Open(parser.value("port").toLocal8Bit(), baud, error,
                    [] { return g_interrupted.load(); }))
        return Fail(error);
    int status = 0;
    {
        // Records what the command changes; the board is named by its "ver".
        TJournalRecorder rec(board.Link(), journal);
        const QString port = parser.value("port");
        rec.SetBoard(AskBoardIdentity(board.Link(), port, TWaitMode::NoEvents));
        status = RunCommand(board, rec, parser, args);
    }
    journal.Flush();
    return status;
}
