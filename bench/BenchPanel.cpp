#include "bench/BenchPanel.h"

#include "app/DlgConnectUnit.h"
#include "app/MAIN.h"
#include "archive/ConfigExport.h"
#include "archive/ConfigLoad.h"
#include "archive/FlightLogs.h"
#include "link/ComPortUnit.h"
#include "link/JournalOrigin.h"
#include "link/Proc.h"
#include "monitor/WinMonImuUnit.h"
#include "parameters/JournalRecorder.h"
#include "parameters/WinJournalUnit.h"
#include "shell/WinDebugMonUnit.h"
#include "ui/BoardAccess.h"
#include "ui/Dialogs.h"
#include "ui/TaskRegistry.h"
#include "ui/TaskWindow.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTableView>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <malloc.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {
constexpr int Baud = 115200;
// The worker takes a bare prompt as a line after this much quiet, and looks
// at the port once a pass.
constexpr double PromptRuleMs = TComPort::PromptQuietMs;
constexpr double PassMs = TComPort::PassSleepMs;
// The link's own rhythm for one command: its prompt counts as a line once the
// board has been quiet for more than 100 whole ms, one worker pass sees that,
// one more writes the next line.
constexpr double RhythmMs = PromptRuleMs + 1 + 2 * PassMs;

// Message boxes would stop the run: they go to stderr. Questions get the
// answer that changes nothing on the board ("Не сохранять" when the panel
// asks about unsaved changes), else the first button.
class TBenchDialogs : public TDialogs {
public:
    void Message(const QString& text) override { Note("message", text); }
    void Error(const QString& text) override { Note("error", text); }
    int Ask(const QString& text, const QStringList& buttons) override {
        Note("question", text);
        return std::max<int>(0, static_cast<int>(buttons.indexOf("Не сохранять")));
    }
    QString OpenFileName(const QString&, const QString&) override { return {}; }
    QString SaveFileName(const QString&, const QString&, const QString&) override { return {}; }

private:
    static void Note(const char* kind, const QString& text) {
        std::fprintf(stderr, "vantor-bench: %s box: %s\n", kind, qPrintable(text));
    }
};

// 100000 as "100,000", whatever the machine's locale.
QString Thousands(int n) {
    return QLocale(QLocale::English, QLocale::UnitedStates).toString(n);
}

double Median(QList<double> v) {
    if (v.isEmpty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The board's own answer time for one "set" line, measured on the raw pty
// before the panel connects: from the line's first byte written to the
// prompt's last byte read, with nothing paced in between but the wire.
class TRawBoard {
public:
    explicit TRawBoard(const QString& path) {
        m_fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (m_fd < 0)
            return;
        termios t{};
        ::tcgetattr(m_fd, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(m_fd, TCSANOW, &t);
    }
    ~TRawBoard() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool Ok() const { return m_fd >= 0; }

    // Sends `line` and reads up to the prompt; the time in ms, or -1.
    double Exchange(const QByteArray& line, QByteArray& answer) {
        QElapsedTimer t;
        t.start();
        if (::write(m_fd, line.constData(), line.size()) != line.size())
            return -1;
        answer.clear();
        while (!answer.endsWith("=>") && t.elapsed() < 5000) {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0)
                continue;
            char buf[4096];
            const ssize_t n = ::read(m_fd, buf, sizeof buf);
            if (n > 0)
                answer.append(buf, n);
        }
        return answer.endsWith("=>") ? t.nsecsElapsed() / 1e6 : -1;
    }

private:
    int m_fd = -1;
};

double MeasureAnswerMs(const QString& linkPath, QString& sample) {
    TRawBoard raw(linkPath);
    if (!raw.Ok())
        return -1;
    QByteArray answer;
    raw.Exchange("\r\n", answer);
    raw.Exchange("echo off\r\n", answer);
    if (raw.Exchange("cat stab\r\n", answer) < 0)
        return -1;
    // The first "name = value" line becomes a "set" line that changes nothing.
    QByteArray set;
    for (const QByteArray& l : answer.split('\n')) {
        const TSectionLine conv = ConvertSectionLine(TSectionKind::Params, l.trimmed());
        if (conv.Counted && !conv.Lines.isEmpty()) {
            set = conv.Lines.first() + "\r\n";
            break;
        }
    }
    if (set.isEmpty())
        return -1;
    sample = QString::fromLatin1(set.trimmed());
    QList<double> times;
    for (int i = 0; i < 7; ++i) {
        const double ms = raw.Exchange(set, answer);
        if (ms > 0)
            times << ms;
    }
    return Median(times);
}

// The settings windows, by the main window's action names.
const char* const SettingsActions[] = {
    "ActionStabControls", "ActionWinHardConfig", "Action_OSD_Settings",  "ActionADCSettings",
    "ActionBatParams",    "ActionIMU_Settings",  "ActionChannelControls"};
const char* const MonitorActions[] = {"ActionMonGyro", "ActionMonAccel", "ActionMonBaro",
                                      "ActionMonMag",  "ActionMonStab",  "ActionMonGps",
                                      "ActionMonImu"};

// Watches one part of the run: past its bound the part is asked to stop (its
// waits end) and what it was waiting for is noted.
class TPartWatch {
public:
    TPartWatch() {
        m_timer.setSingleShot(true);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            m_expired = true;
            m_waitingFor = Describe ? Describe() : QString();
        });
    }
    void Start(int boundMs) {
        m_expired = false;
        m_waitingFor.clear();
        m_timer.start(boundMs);
    }
    void Stop() { m_timer.stop(); }
    bool Expired() const { return m_expired; }
    const QString& WaitingFor() const { return m_waitingFor; }
    std::function<QString()> Describe;

private:
    QTimer m_timer;
    bool m_expired = false;
    QString m_waitingFor;
};

class TPanelRig {
public:
    TPanelRig(const TPanelBenchOptions& o, const std::function<void(const TBenchRow&)>& emitRow)
        : m_o(o), m_emit(emitRow) {
        m_watch.Describe = [this] {
            if (!m_form)
                return QString("the panel");
            const TBoardLink& link = m_form->Link();
            QString what = QString("the board's answer to \"%1\"").arg(m_lastCommand);
            if (link.Held() && !link.InStep())
                what += " (the board was finishing an answer cut short)";
            else if (!link.Held() && link.Waiting() > 0)
                what = QString("the board to be free (%1 requests waiting)").arg(link.Waiting());
            return what;
        };
    }
    ~TPanelRig() {
        // The facade stays until the panel is gone: closing it may ask.
        if (m_form)
            m_form->close();
        m_form.reset();
        SetDialogs(nullptr);
    }

    bool Run(QString& error) {
        if (!m_dir.isValid()) {
            error = "no temporary folder";
            return false;
        }
        if (!m_sim.Start(m_o.SimProgram, m_dir.filePath("board"), {"--log-size", m_o.LogSize},
                         error))
            return false;
        // The panel's change journal is a file of the run, never the
        // operator's own; it must be named before the panel first uses it.
        qputenv("VANTOR_JOURNAL", m_dir.filePath("panel-journal.sqlite").toLocal8Bit());
        QString sample;
        m_answerMs = MeasureAnswerMs(m_sim.LinkPath(), sample);
        if (m_answerMs <= 0) {
            error = "the board did not answer on the raw pty";
            return false;
        }
        std::fprintf(stderr, "vantor-bench: board answer to \"%s\": %.1f ms\n", qPrintable(sample),
                     m_answerMs);
        if (!Connect(error))
            return false;
        std::fprintf(stderr, "vantor-bench: connected\n");
        auto wanted = [this](const char* part) {
            return m_o.Parts.isEmpty() || m_o.Parts.contains(QLatin1String(part));
        };
        // Bounds: several times what each part takes on the simulated board.
        if (wanted("windows"))
            Part("windows", 60000 * m_o.Repeats, [this] { SettingsWindows(); });
        QString exported;
        if (wanted("export") || wanted("load"))
            Part("export", 60000, [&] { exported = Export(); });
        if (wanted("dump"))
            Part("dump", 600000, [this] { Dump(); });
        if (wanted("load"))
            Part("load", 60000 * m_o.LoadSections, [&] { Load(exported); });
        if (wanted("idle"))
            Part("idle", m_o.IdleSeconds * 1000 + 60000, [this] { Idle(); });
        if (wanted("stream"))
            Part("stream", m_o.StreamSeconds * 1000 + 120000, [this] { Streaming(); });
        if (wanted("attitude"))
            Part("attitude", m_o.StreamSeconds * 1000 + 120000, [this] { Attitude(); });
        if (wanted("journal"))
            Part("journal", 2 * 60000 * m_o.LoadSections + 600000, [&] { Journal(exported); });
        bool ok = true;
        if (wanted("soak"))
            Part("soak", m_o.SoakSeconds * 1000 + 300000, [&] { ok = Soak(error); });
        return ok;
    }

private:
    // Runs one part under the watchdog and hands on its rows.
    void Part(const char* name, int boundMs, const std::function<void()>& body) {
        m_watch.Start(boundMs);
        body();
        m_watch.Stop();
        if (m_watch.Expired()) {
            std::fprintf(stderr,
                         "vantor-bench: part \"%s\" did not finish within %d s; it was "
                         "waiting for %s\n",
                         name, boundMs / 1000, qPrintable(m_watch.WaitingFor()));
            TBenchRow row;
            row.Name = QString("part %1 stopped by the watchdog").arg(name);
            row.Value = boundMs / 1000.0;
            row.Unit = "s";
            row.Goal = "finishes";
            row.Limit = "waiting for " + m_watch.WaitingFor();
            m_rows << row;
        }
        for (const TBenchRow& r : std::exchange(m_rows, {}))
            m_emit(r);
        // Whatever the part left (a window, a request waiting) goes.
        if (m_form)
            for (QMdiSubWindow* w : m_form->MdiArea()->subWindowList())
                if (w != static_cast<QMdiSubWindow*>(m_form->DebugMon.data()))
                    w->close();
        Settle();
    }

    bool Connect(QString& error) {
        SetDialogs(&m_dialogs);
        TMainFormOptions o;
        o.PortFactory = [] { return CreateCountingPort(); };
        o.SettingsFile = m_dir.filePath("Vantor_CP.conf");
        o.AutoConnect = false;
        o.ExecDialog = [this](QDialog& d) {
            if (auto* c = qobject_cast<TDlgConnect*>(&d)) {
                c->PortNum->setText(m_sim.LinkPath());
                c->SpeedNum->setCurrentText(QString::number(Baud));
                c->OpenMon->setChecked(true); // the operator's default
            }
            return int(QDialog::Accepted);
        };
        m_form = std::make_unique<TMainForm>(o);
        m_form->resize(1280, 1000);
        m_form->show();
        // Every command's prompt is waited for.
        QObject::connect(&m_form->Link(), &TBoardLink::CommandSent, [this](const QByteArray& l) {
            ++m_commands;
            m_lastCommand = QString::fromLatin1(l.trimmed());
        });
        m_form->Action("ActionConnect")->trigger();
        if (!RunEventsUntil([this] { return m_form->Connected; }, 15000)) {
            error = "the panel did not connect: " + m_form->StatusText();
            return false;
        }
        Settle();
        return true;
    }

    // Lets commands still waiting for the board (a closed window's "mon
    // off") go out and be answered.
    void Settle() {
        if (!m_form)
            return;
        RunEventsFor(300);
        RunEventsUntil([this] { return m_form->Link().Free() && m_form->Link().Waiting() == 0; },
                       10000);
    }

    void StartCount() {
        WireCount().Reset();
        m_commands = 0;
    }

    // The wire-bound limit of what was counted since StartCount: every byte
    // both ways at 10 bits, and for each command the link's rhythm.
    double CountedLimitMs() const {
        return WireSeconds(WireCount().Total(), Baud) * 1000 + m_commands * RhythmMs;
    }

    QMdiSubWindow* NewestWindow(const QList<QMdiSubWindow*>& before) const {
        for (QMdiSubWindow* w : m_form->MdiArea()->subWindowList())
            if (!before.contains(w))
                return w;
        return nullptr;
    }

    void SettingsWindows() {
        for (const char* action : SettingsActions) {
            QList<double> times, ratios;
            qint64 bytes = 0;
            int commands = 0;
            for (int i = 0; i < m_o.Repeats; ++i) {
                const QList<QMdiSubWindow*> before = m_form->MdiArea()->subWindowList();
                StartCount();
                QElapsedTimer t;
                t.start();
                m_form->Action(action)->trigger(); // lists the board before it returns
                const double ms = t.nsecsElapsed() / 1e6;
                const double limit = CountedLimitMs();
                bytes = WireCount().Total();
                commands = m_commands;
                QMdiSubWindow* w = NewestWindow(before);
                if (!w) {
                    std::fprintf(stderr, "vantor-bench: %s opened no window\n", action);
                    break;
                }
                times << ms;
                ratios << ms / limit;
                w->close();
                Settle();
            }
            if (times.isEmpty())
                continue;
            m_rows << AtMost(QString("open %1 (median of %2)").arg(action).arg(times.size()),
                             Median(times), "ms", Median(ratios), 1.05,
                             QString("%1 bytes, %2 commands").arg(bytes).arg(commands));
        }
    }

    TRunHooks Hooks() const {
        TRunHooks h;
        h.Mode = TWaitMode::ProcessEvents;
        h.Cancel = [this] { return m_watch.Expired(); };
        return h;
    }

    QString Export() {
        const QString file = m_dir.filePath("config.txt");
        StartCount();
        QElapsedTimer t;
        t.start();
        const TArchiveResult r = ExportConfig(m_form->Link(), file, Hooks());
        const double ms = t.nsecsElapsed() / 1e6;
        if (!r.Ok()) {
            std::fprintf(stderr, "vantor-bench: export: %s\n", qPrintable(r.EnglishText()));
            return {};
        }
        const double limit = CountedLimitMs();
        m_exportMs = ms;
        m_rows << AtMost("configuration export (11 sections)", ms, "ms", ms / limit, 1.05,
                         QString("%1 bytes, %2 commands").arg(WireCount().Total()).arg(m_commands));
        Settle();
        return file;
    }

    void Dump() {
        const QString file = m_dir.filePath("flight.txt");
        StartCount();
        TCpuMeter cpu;
        const TArchiveResult r = ExportFlightLog(
            m_form->Link(), 1, file, [] { return false; }, Hooks());
        const double wall = cpu.WallSeconds();
        const double share = cpu.Share();
        if (!r.Ok()) {
            std::fprintf(stderr, "vantor-bench: log dump: %s\n", qPrintable(r.EnglishText()));
            return;
        }
        const qint64 rx = WireCount().Rx;
        const double perSec = rx / wall;
        m_rows << AtLeast(QString("log dump throughput (%1 bytes)").arg(rx), perSec, "bytes/s",
                          perSec / (Baud / 10.0), 0.90, "11520 bytes/s");
        m_rows << AtMost("CPU during the log dump", share * 100, "%", share, 0.10, "wall time");
        Settle();
    }

    void Load(const QString& file) {
        if (file.isEmpty())
            return;
        StartCount();
        QElapsedTimer t;
        t.start();
        const int sections = m_o.LoadSections;
        const TArchiveResult r = LoadConfig(
            m_form->Link(), file, [sections](int s) { return s < sections; }, Hooks());
        const double sec = t.nsecsElapsed() / 1e9;
        if (!r.Ok()) {
            std::fprintf(stderr, "vantor-bench: load: %s\n", qPrintable(r.EnglishText()));
            return;
        }
        // One prompt per line at the link's rhythm: the board's answer,
        // then the quiet that makes its prompt a line and two passes.
        const double limitPerSec = 1000.0 / (m_answerMs + RhythmMs);
        const double perSec = m_commands / sec;
        m_rows << AtLeast(QString("configuration load (%1 lines)").arg(m_commands), perSec,
                          "lines/s", perSec / limitPerSec, 0.95,
                          QString("%1 lines/s (answer %2 ms + %3 ms)")
                              .arg(limitPerSec, 0, 'f', 2)
                              .arg(m_answerMs, 0, 'f', 1)
                              .arg(RhythmMs));
        Settle();
        ReadBackAfterLoad(file, sections);
    }

    // The load's verification: the loaded sections read back and compared
    // with the file's lines. It reads what the export reads (fewer sections
    // when fewer were loaded), so it costs at most the export's time; and the
    // board's own export loaded back must match it line for line.
    void ReadBackAfterLoad(const QString& file, int sections) {
        QByteArrayList body;
        if (ReadLoadFile(file, body).Ok()) {
            TLoadTracker tracker;
            QByteArrayList sent;
            for (const QByteArray& raw : body)
                if (const auto step = tracker.Feed(raw); step.Kind == TLoadTracker::TKind::Body &&
                                                         step.Section >= 0 &&
                                                         step.Section < sections)
                    sent << step.Line;
            body = sent;
        }
        QElapsedTimer t;
        t.start();
        TLoadCheck check;
        const TArchiveResult r = ReadBack(m_form->Link(), body, check, Hooks());
        const double ms = t.nsecsElapsed() / 1e6;
        if (!r.Ok() || !check.Differ.isEmpty() || m_exportMs <= 0) {
            std::fprintf(stderr, "vantor-bench: read-back after the load: %s, %d differ\n",
                         qPrintable(r.EnglishText()), int(check.Differ.size()));
            return;
        }
        m_rows << AtMost(QString("load read-back (%1 settings, all as loaded)").arg(check.Compared),
                         ms, "ms", ms / m_exportMs, 1.05, "the export's time");
        Settle();
    }

    void Idle() {
        TCpuMeter cpu;
        RunEventsFor(m_o.IdleSeconds * 1000);
        m_rows << AtMost(QString("CPU idle, connected (%1 s)").arg(m_o.IdleSeconds),
                         cpu.Share() * 100, "%", cpu.Share(), 0.01, "wall time");
    }

    void StartMonitors() {
        for (const char* action : MonitorActions)
            if (m_o.Monitors.isEmpty() || m_o.Monitors.contains(QLatin1String(action)))
                StartMonitor(action);
        m_form->MdiArea()->tileSubWindows();
    }

    void StartMonitor(const char* action) {
        const QList<QMdiSubWindow*> before = m_form->MdiArea()->subWindowList();
        m_form->Action(action)->trigger();
        QMdiSubWindow* w = NewestWindow(before);
        if (!w) {
            std::fprintf(stderr, "vantor-bench: %s opened no window\n", action);
            return;
        }
        if (auto* start = w->findChild<QPushButton*>("SpeedButton2"))
            start->click();
        else
            std::fprintf(stderr, "vantor-bench: %s has no start button\n", action);
    }

    // The attitude monitor the only window, filling the main window, its
    // stream at the board's rate: what the 3D view costs with the least
    // around it.
    void Attitude() {
        m_form->MdiArea()->closeAllSubWindows(); // their streams go off
        Settle();
        StartMonitor("ActionMonImu");
        m_form->MdiArea()->tileSubWindows();
        MeasureCpu("attitude monitor alone, board rate", 0.05);
        AttitudeFrames();
        m_form->MdiArea()->closeAllSubWindows();
        Settle();
    }

    // The view by itself, its stream stopped: the plate turned a little at
    // each frame, as a board in flight turns it, drawn and put on the screen
    // one frame at a time. Its share at the monitor's 20 frames a second.
    void AttitudeFrames() {
        TWinMonImu* w = TWinMonImu::Instance();
        if (!w || !w->Scene()->active)
            return;
        w->SpeedButton3->click();
        Settle();
        constexpr int Frames = 400;
        TCpuMeter cpu;
        for (int i = 0; i < Frames; ++i) {
            w->Model()->SetRotation(float(10 * std::sin(i * 0.05)), 0,
                                    float(20 * std::cos(i * 0.03)));
            w->Scene()->Redraw();
            QCoreApplication::processEvents();
        }
        const double perFrameMs = cpu.CpuSeconds() * 1000 / Frames;
        const double share = perFrameMs / w->Member().TickMs;
        m_rows << AtMost("CPU, attitude view alone, 20 frames/s", share * 100, "%", share, 0.05,
                         QString("%1 ms of CPU a frame").arg(perFrameMs, 0, 'f', 2));
    }

    void Streaming() {
        StartMonitors();
        MeasureCpu("7 monitors + port monitor, board rates", 0.15);
    }

    // The panel's CPU share while the open monitors stream for the set time.
    void MeasureCpu(const QString& what, double goal) {
        RunEventsFor(2000); // the streams start
        StartCount();
        TCpuMeter cpu;
        RunEventsFor(m_o.StreamSeconds * 1000);
        const double share = cpu.Share();
        const double rxPerSec = WireCount().Rx / cpu.WallSeconds();
        m_rows << AtMost(QString("CPU, %1 (%2 s)").arg(what).arg(m_o.StreamSeconds), share * 100,
                         "%", share, goal,
                         QString("wall time; %1 bytes/s arriving").arg(rxPerSec, 0, 'f', 0));
    }

    // A second board with every stream at the highest rate it accepts: the
    // monitors started again and the two streams no monitor shows turned on,
    // then the resident memory at the reference point against the end.
    bool Soak(QString& error) {
        m_form->close();
        m_form.reset();
        m_sim.Stop();
        QStringList simArgs;
        for (const char* s :
             {"gyro", "accel", "baro", "mag", "stab", "gps", "ekf", "ppm_input", "adc_values"})
            simArgs << "--rate" << QString("%1=1000").arg(s);
        if (!m_sim.Start(m_o.SimProgram, m_dir.filePath("board2"), simArgs, error))
            return false;
        if (!Connect(error))
            return false;
        // While streams fill the wire the worker writes a command once only
        // telemetry has come for MaxWriteDelayMs; each "mon on" is answered
        // before the next goes. The soak starts once all are on.
        QElapsedTimer out;
        out.start();
        StartMonitors();
        for (const char* command : {"mon on ppm_input\r\n", "mon on adc_values\r\n"}) {
            TRequest r;
            r.Commands = {command};
            m_form->Request(r);
        }
        RunEventsUntil([this] { return m_form->Link().Free() && m_form->Link().Waiting() == 0; },
                       600000);
        std::fprintf(stderr, "vantor-bench: all streams on after %.1f s\n", out.elapsed() / 1e3);
        const double perCommand = TComPort::MaxWriteDelayMs + 2 * PassMs + PromptRuleMs;
        m_rows << AtMost("9 \"mon on\" answered while streams fill the wire", out.elapsed(), "ms",
                         out.elapsed() / (9 * perCommand), 1.10,
                         "per command: the telemetry-only wait, the prompt, two passes");
        QElapsedTimer t;
        t.start();
        RunEventsFor(m_o.SoakReferenceSeconds * 1000);
        const qint64 reference = ResidentBytes();
        qint64 peak = reference;
        StartCount();
        TCpuMeter cpu;
        // The monitors keep 200 s of lines and plot points; once those are
        // full, memory must stay flat. The first sample from minute 4 on is
        // a second reference.
        constexpr qint64 FullMs = 230000;
        qint64 full = -1, fullAt = 0;
        qint64 nextReport = 60000;
        while (t.elapsed() < m_o.SoakSeconds * 1000LL && !m_watch.Expired()) {
            RunEventsFor(std::min<qint64>(10000, m_o.SoakSeconds * 1000LL - t.elapsed()));
            const qint64 rss = ResidentBytes();
            peak = std::max(peak, rss);
            if (full < 0 && t.elapsed() >= FullMs + 10000 &&
                t.elapsed() < m_o.SoakSeconds * 1000LL) {
                full = rss;
                fullAt = t.elapsed();
            }
            if (t.elapsed() >= nextReport) {
                // The heap's own count beside the resident size: when only the
                // latter grows, freed memory is kept, not leaked.
                const struct mallinfo2 heap = mallinfo2();
                std::fprintf(stderr,
                             "vantor-bench: resident %.1f MB after %lld s (heap in use %.1f MB, "
                             "free in the heap %.1f MB; %s)\n",
                             rss / 1048576.0, t.elapsed() / 1000, heap.uordblks / 1048576.0,
                             heap.fordblks / 1048576.0, qPrintable(ListFill()));
                nextReport += 60000;
            }
        }
        const double share = cpu.Share();
        const double rxPerSec = WireCount().Rx / cpu.WallSeconds();
        const qint64 end = ResidentBytes();
        const double growthMb = (end - reference) / 1048576.0;
        m_rows << AtMost("CPU, every stream at its highest rate (soak)", share * 100, "%", share,
                         0.25, QString("wall time; %1 bytes/s arriving").arg(rxPerSec, 0, 'f', 0));
        TBenchRow row = AtMost(QString("memory growth, all streams, %1 s vs %2 s")
                                   .arg(m_o.SoakSeconds)
                                   .arg(m_o.SoakReferenceSeconds),
                               growthMb, "MB", double(end) / reference, 0, "");
        row.Goal = "growth < 5 MB";
        row.Met = growthMb < 5;
        row.Limit = QString("RSS %1 MB -> %2 MB (peak %3 MB)")
                        .arg(reference / 1048576.0, 0, 'f', 1)
                        .arg(end / 1048576.0, 0, 'f', 1)
                        .arg(peak / 1048576.0, 0, 'f', 1);
        m_rows << row;
        if (full > 0) {
            const double fullGrowthMb = (end - full) / 1048576.0;
            TBenchRow r2 = AtMost(QString("memory growth, all streams, %1 s vs %2 s (lists full)")
                                      .arg(m_o.SoakSeconds)
                                      .arg(fullAt / 1000),
                                  fullGrowthMb, "MB", double(end) / full, 0, "");
            r2.Goal = "growth < 1 MB";
            r2.Met = fullGrowthMb < 1;
            r2.Limit = QString("RSS %1 MB -> %2 MB")
                           .arg(full / 1048576.0, 0, 'f', 1)
                           .arg(end / 1048576.0, 0, 'f', 1);
            m_rows << r2;
        }
        return true;
    }

    // --- the change journal: what recording costs the operations, and its
    // window on a journal of a hundred thousand rows ---

    // The "set" lines of a configuration file with their sections.
    struct TSetLine {
        int Section = -1;
        QByteArray Line; // trimmed, without "\r\n"
    };
    static QList<TSetLine> FileSetLines(const QString& file) {
        QList<TSetLine> out;
        QByteArrayList body;
        if (!ReadLoadFile(file, body).Ok())
            return out;
        TLoadTracker tracker;
        for (const QByteArray& raw : body)
            if (const auto step = tracker.Feed(raw); step.Kind == TLoadTracker::TKind::Body &&
                                                     step.Section >= 0 &&
                                                     LowerAscii(step.Line).startsWith("set "))
                out << TSetLine{step.Section, step.Line};
        return out;
    }

    // A recorder on `journal` for one timed run (made and named before the
    // clock starts), or none.
    std::unique_ptr<TJournalRecorder> Recorder(TJournal* journal, const QString& board) {
        if (!journal)
            return nullptr;
        auto recorder = std::make_unique<TJournalRecorder>(m_form->Link(), *journal);
        recorder->SetBoard(board);
        return recorder;
    }

    // The journal's writer catches up between runs, off the clock: what a
    // run leaves queued must not slow the next.
    static void CatchUp(TJournal* journal) {
        if (journal)
            journal->Flush();
    }

    void Journal(const QString& exported) {
        QString file = exported;
        if (file.isEmpty()) {
            file = m_dir.filePath("journal-config.txt");
            const TArchiveResult r = ExportConfig(m_form->Link(), file, Hooks());
            if (!r.Ok()) {
                std::fprintf(stderr, "vantor-bench: export for the journal: %s\n",
                             qPrintable(r.EnglishText()));
                return;
            }
            Settle();
        }
        // The panel's own recorder would journal the runs "without" too: it
        // is taken off the link. Only the soak comes after this part, and it
        // connects afresh with a recorder of its own.
        TJournalRecorder* own = m_form->findChild<TJournalRecorder*>();
        const QString board =
            own && !own->Board().isEmpty() ? own->Board() : QStringLiteral("bench board");
        if (own)
            QObject::disconnect(&m_form->Link(), nullptr, own, nullptr);
        TJournal journal;
        if (!journal.Open(m_dir.filePath("bench-journal.sqlite"))) {
            std::fprintf(stderr, "vantor-bench: no journal: %s\n",
                         qPrintable(journal.ProblemText()));
            return;
        }
        JournalLoad(file, journal, board);
        if (!m_watch.Expired())
            JournalPerChange(journal);
        if (!m_watch.Expired())
            JournalApply(file, journal, board);
        if (!m_watch.Expired())
            JournalWindow(file, board);
    }

    // The configuration load as the load window runs it (its row, its file
    // as the origin), without and with a recorder, alternated.
    void JournalLoad(const QString& file, TJournal& journal, const QString& board) {
        const int sections = m_o.LoadSections;
        constexpr int Pairs = 2;
        double without = 0, with = 0;
        int lines = 0;
        for (int i = 0; i < 2 * Pairs && !m_watch.Expired(); ++i) {
            TJournal* j = i % 2 ? &journal : nullptr;
            const auto recorder = Recorder(j, board);
            StartCount();
            QElapsedTimer t;
            t.start();
            const TJournalOrigin origin(QStringLiteral("Загрузка: ") + QFileInfo(file).fileName());
            const qint64 row = recorder ? recorder->NoteLoad(file) : 0;
            const TArchiveResult r = LoadConfig(
                m_form->Link(), file, [sections](int s) { return s < sections; }, Hooks());
            if (row)
                journal.SetOutcome(row, r.Ok() ? JournalOutcome::Done : JournalOutcome::Failed, {},
                                   file);
            const double sec = t.nsecsElapsed() / 1e9;
            if (!r.Ok()) {
                std::fprintf(stderr, "vantor-bench: load for the journal: %s\n",
                             qPrintable(r.EnglishText()));
                return;
            }
            lines = m_commands;
            if (!j && lines > 0)
                m_loadLineMs = sec * 1000 / lines;
            (j ? with : without) += sec;
            std::fprintf(stderr, "vantor-bench: load %s the journal: %.2f s\n",
                         j ? "with" : "without", sec);
            Settle();
            CatchUp(j);
        }
        if (without <= 0 || with <= 0)
            return;
        m_rows << AtMost("journal: load time", with / Pairs, "s", with / without, 1.02,
                         QString("%1 of 11 sections (%2 lines), %3 loads each way alternated; "
                                 "without %4 s, with %5 s (means)")
                             .arg(sections)
                             .arg(lines)
                             .arg(Pairs)
                             .arg(without / Pairs, 0, 'f', 2)
                             .arg(with / Pairs, 0, 'f', 2));
    }

    // What the recorder itself costs the interface thread for one change
    // (the line sent, its prompt, the listing that verifies it), against
    // the time one line of the load takes on the wire: the noise of the
    // timed runs above is larger than this.
    void JournalPerChange(TJournal& journal) {
        if (m_loadLineMs <= 0)
            return;
        TBoardLink link;
        TJournalRecorder recorder(link, journal);
        recorder.SetBoard(QStringLiteral("bench @ none"));
        constexpr int N = 20000;
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < N; ++i) {
            const QByteArray value = QByteArray::number(100 + i % 900);
            const QByteArray line = "set gaz_cruise " + value;
            emit link.CommandSent(line + "\r\n");
            emit link.CommandAnswered(line, {});
            emit link.AnswerLine("cat stab", "gaz_cruise = " + value);
        }
        const double ms = t.nsecsElapsed() / 1e6 / N;
        journal.Flush();
        m_rows << AtMost("journal: interface time per change", ms * 1000, "us", ms / m_loadLineMs,
                         0.02,
                         QString("%1 changes through the recorder (sent, taken, read back); "
                                 "against %2 ms, one line of the load")
                             .arg(N)
                             .arg(m_loadLineMs, 0, 'f', 1));
    }

    // A settings window's apply: ten "set" lines of its parameters in one
    // request, then the listing that shows them, without and with a recorder.
    void JournalApply(const QString& file, TJournal& journal, const QString& board) {
        // The stabilizer's section when it has ten plain parameters, else the
        // first section that has.
        QHash<int, QByteArrayList> bySection;
        for (const TSetLine& l : FileSetLines(file))
            if (ExportSections[l.Section].Kind == TSectionKind::Params &&
                !IsRowKind(LowerAscii(l.Line).simplified().split(' ').value(1)))
                bySection[l.Section] << l.Line;
        int section = -1;
        for (int s = 0; s < 11; ++s)
            if (bySection.value(s).size() >= 10 &&
                (section < 0 || QByteArray(ExportSections[s].Name) == "STAB"))
                section = s;
        if (section < 0) {
            std::fprintf(stderr, "vantor-bench: no section with ten parameters to apply\n");
            return;
        }
        const QByteArrayList lines = bySection[section].mid(0, 10);
        QByteArrayList commands;
        for (const QByteArray& l : lines)
            commands << l + "\r\n";
        const QString title = QByteArray(ExportSections[section].Name) == "STAB"
                                  ? QStringLiteral("Параметры стабилизатора")
                                  : QString::fromLatin1(ExportSections[section].Name);
        constexpr int Rounds = 20;
        double without = 0, with = 0;
        for (int i = 0; i < Rounds && !m_watch.Expired(); ++i) {
            TJournal* j = i % 2 ? &journal : nullptr;
            const auto recorder = Recorder(j, board);
            QElapsedTimer t;
            t.start();
            {
                const TJournalOrigin origin(title);
                const TBoardHold hold;
                TRequest r;
                r.Commands = commands;
                r.Mode = TWaitMode::ProcessEvents;
                if (!hold.Held() || !m_form->Link().Request(r).Taken()) {
                    std::fprintf(stderr, "vantor-bench: the apply's lines were not taken\n");
                    return;
                }
            }
            TLoadCheck check;
            const TArchiveResult r = ReadBack(m_form->Link(), lines, check, Hooks());
            const double ms = t.nsecsElapsed() / 1e6;
            if (!r.Ok() || !check.Differ.isEmpty()) {
                std::fprintf(stderr, "vantor-bench: the apply's read-back: %s\n",
                             qPrintable(r.EnglishText()));
                return;
            }
            (j ? with : without) += ms;
            RunEventsFor(50);
            CatchUp(j);
        }
        if (without <= 0 || with <= 0)
            return;
        m_rows << AtMost("journal: window apply", with / (Rounds / 2), "ms", with / without, 1.02,
                         QString("10 \"set\" lines of %1 and the listing that shows them, %2 "
                                 "rounds alternated; without %3 ms, with %4 ms (means)")
                             .arg(QString::fromLatin1(ExportSections[section].Name))
                             .arg(Rounds)
                             .arg(without / (Rounds / 2), 0, 'f', 1)
                             .arg(with / (Rounds / 2), 0, 'f', 1));
    }

    // The panel's journal filled to a hundred thousand rows as months of work
    // leave it: the connected board and three others, the board's own
    // parameters, the usual origins, mostly verified changes.
    bool FillJournal(const QString& file, const QString& board, int rows) {
        struct TParam {
            QByteArray Group, Name, Value;
        };
        QList<TParam> params;
        for (const TSetLine& l : FileSetLines(file)) {
            const QByteArrayList words = l.Line.simplified().split(' ');
            TParam p{ExportSections[l.Section].Name, LowerAscii(words.value(1)), {}};
            if (IsRowKind(p.Name)) {
                const auto key = SetRowKey(words);
                p.Name = LowerAscii(key.first);
                p.Value = key.second;
            } else {
                p.Value = words.mid(2).join(' ');
            }
            params << p;
        }
        if (params.isEmpty())
            return false;
        const QStringList boards = {board, "Vantor FC 2.4.0 sn 00318 @ /dev/ttyUSB0",
                                    "Vantor FC 2.3.7 sn 00122 @ /dev/ttyACM0",
                                    "Vantor FC 2.4.1 sn 00407 @ /dev/ttyUSB1"};
        const QStringList origins = {"Параметры стабилизатора",
                                     "Все параметры",
                                     "Консоль",
                                     "Загрузка: field-0611.cfg",
                                     "vantor-cli",
                                     "Журнал изменений: отмена строк 1204, 1205",
                                     "Параметры батарей",
                                     "Настройка каналов"};
        // Outcomes by weight, out of 100.
        const QList<QPair<const char*, int>> outcomes = {
            {JournalOutcome::Verified, 62},   {JournalOutcome::Taken, 22},
            {JournalOutcome::Differs, 4},     {JournalOutcome::Refused, 4},
            {JournalOutcome::Unconfirmed, 3}, {JournalOutcome::Lost, 5}};
        TJournal& journal = TJournal::Instance();
        QRandomGenerator random(20240611);
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        const qint64 span = 300LL * 24 * 3600 * 1000; // ten months, within what is kept
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < rows; ++i) {
            TJournalRow r;
            r.TimeMs = now - span + span * i / rows;
            const int b = random.bounded(100);
            r.Board = boards[b < 70 ? 0 : 1 + (b - 70) / 10];
            r.Origin = origins[random.bounded(int(origins.size()))];
            const int k = random.bounded(100);
            if (k < 3) {
                r.Kind = JournalKind::Save;
                r.Name = "config";
                r.Outcome = JournalOutcome::Done;
            } else if (k < 4) {
                r.Kind = JournalKind::Load;
                r.Origin = origins[3];
                r.Detail = "/home/operator/field-0611.cfg";
                r.Outcome = JournalOutcome::Done;
            } else {
                const TParam& p = params[random.bounded(int(params.size()))];
                r.Kind = k < 8 ? JournalKind::Outside : JournalKind::Change;
                r.Group = p.Group;
                r.Name = p.Name;
                r.Before = p.Value;
                r.Sent = p.Value;
                r.After = p.Value;
                int w = random.bounded(100);
                r.Outcome = JournalOutcome::Verified;
                for (const auto& [outcome, weight] : outcomes) {
                    if (w < weight) {
                        r.Outcome = outcome;
                        break;
                    }
                    w -= weight;
                }
                if (r.Kind == JournalKind::Outside)
                    r.Outcome = JournalOutcome::Done;
                if (r.Outcome == JournalOutcome::Refused)
                    r.Detail = "Ответ платы: Value out of range";
                r.Saved = r.Outcome == JournalOutcome::Verified && random.bounded(2);
            }
            journal.Add(r);
        }
        const double queuedMs = t.nsecsElapsed() / 1e6;
        while (!journal.Flush() && t.elapsed() < 600000 && !m_watch.Expired()) {
        }
        std::fprintf(stderr,
                     "vantor-bench: %d journal rows queued in %.0f ms, committed after %.0f ms\n",
                     rows, queuedMs, t.nsecsElapsed() / 1e6);
        return true;
    }

    // Notes the first picture of the journal window's table after `Armed`.
    class TGridPaint : public QObject {
    public:
        bool Armed = false;
        bool Painted = false;
        bool eventFilter(QObject* o, QEvent* e) override {
            if (Armed && e->type() == QEvent::Paint && WinJournal &&
                o == WinJournal->Grid->viewport())
                Painted = true;
            return false;
        }
        // Runs the event loop until the table has been drawn; false after `limitMs`.
        bool Wait(const QElapsedTimer& t, int limitMs) {
            while (!Painted && t.elapsed() < limitMs)
                QCoreApplication::processEvents();
            return Painted;
        }
        void Arm() {
            Armed = true;
            Painted = false;
        }
    };

    void JournalWindow(const QString& file, const QString& board) {
        constexpr int Rows = 100000;
        TJournal& journal = TJournal::Instance();
        const int have = journal.Count({});
        if (have < Rows && !FillJournal(file, board, Rows - have))
            return;
        const int total = journal.Count({});
        RunEventsFor(500); // the journal's change signals are delivered
        QAction* action = m_form->Action("ActionJournal");
        const TOpenWindowFn open = TaskWindowFor("ActionJournal");
        if (!action && !open) {
            std::fprintf(stderr, "vantor-bench: the panel has no journal window\n");
            return;
        }
        TGridPaint paint;
        qApp->installEventFilter(&paint);
        // Opening: the window made, its first page queried and the table
        // drawn. The connected board's rows come first.
        constexpr int Openings = 5;
        QList<double> opens;
        int shown = 0;
        for (int i = 0; i < Openings; ++i) {
            paint.Arm();
            QElapsedTimer t;
            t.start();
            if (action)
                action->trigger();
            else
                open();
            if (!paint.Wait(t, 10000) || !WinJournal || WinJournal->Model->rowCount() == 0) {
                std::fprintf(stderr, "vantor-bench: the journal window showed no rows\n");
                qApp->removeEventFilter(&paint);
                return;
            }
            opens << t.nsecsElapsed() / 1e6;
            shown = WinJournal->Model->Total();
            if (i + 1 < Openings) {
                WinJournal->close();
                RunEventsFor(200);
            }
        }
        const double worstOpen = *std::max_element(opens.begin(), opens.end());
        m_rows << AtMost(QString("journal window: open on %1 rows").arg(Thousands(total)),
                         worstOpen, "ms", worstOpen / 300, 1.0,
                         QString("300 ms; worst of %1 openings (first %2 ms, median %3 ms), "
                                 "the connected board's %4 rows first")
                             .arg(Openings)
                             .arg(opens.first(), 0, 'f', 1)
                             .arg(Median(opens), 0, 'f', 1)
                             .arg(shown));
        // Filters over every board: a part of a name typed (the pause before
        // the query skipped), then one outcome; each until the table is drawn.
        TWinJournal* w = WinJournal;
        w->BoardFilter->setCurrentIndex(0);
        RunEventsFor(200);
        const QByteArrayList stab = [&] {
            QByteArrayList names;
            for (const TSetLine& l : FileSetLines(file))
                if (QByteArray(ExportSections[l.Section].Name) == "STAB")
                    names << LowerAscii(l.Line.simplified().split(' ').value(1));
            return names;
        }();
        const QString part = QString::fromLatin1(stab.value(0, "gyro").left(4));
        const int refused =
            w->OutcomeFilter->findData(QString::fromLatin1(JournalOutcome::Refused));
        constexpr int Repeats = 5;
        QList<double> searches, outcomesMs;
        int searchRows = 0, outcomeRows = 0;
        for (int i = 0; i < Repeats; ++i) {
            paint.Arm();
            QElapsedTimer t;
            t.start();
            w->SearchEdit->setText(part);
            w->Requery();
            paint.Wait(t, 10000);
            searches << t.nsecsElapsed() / 1e6;
            searchRows = w->Model->Total();
            w->SearchEdit->clear();
            w->Requery();
            RunEventsFor(100);

            paint.Arm();
            t.start();
            w->OutcomeFilter->setCurrentIndex(refused);
            paint.Wait(t, 10000);
            outcomesMs << t.nsecsElapsed() / 1e6;
            outcomeRows = w->Model->Total();
            w->OutcomeFilter->setCurrentIndex(0);
            RunEventsFor(100);
        }
        qApp->removeEventFilter(&paint);
        // Each filter by the median of its repeats (the machine's other work
        // shows in single ones), the slower filter counting.
        const double search = Median(searches), outcome = Median(outcomesMs);
        const double slower = std::max(search, outcome);
        m_rows << AtMost(
            QString("journal window: filter %1 rows").arg(Thousands(total)), slower, "ms",
            slower / 50, 1.0,
            QString("50 ms; the slower filter, median of %1 each, all boards: name \"%2\" %3 ms "
                    "(worst %4 ms, %5 rows), outcome \"%6\" %7 ms (worst %8 ms, %9 rows)")
                .arg(Repeats)
                .arg(part)
                .arg(search, 0, 'f', 1)
                .arg(*std::max_element(searches.begin(), searches.end()), 0, 'f', 1)
                .arg(searchRows)
                .arg(JournalOutcomeText(JournalOutcome::Refused, false))
                .arg(outcome, 0, 'f', 1)
                .arg(*std::max_element(outcomesMs.begin(), outcomesMs.end()), 0, 'f', 1)
                .arg(outcomeRows));
    }

    // How full the monitors' lists are: "lists full" or the shortest one.
    QString ListFill() const {
        int least = TWinMonitorFrame::MaxLines;
        for (QMdiSubWindow* w : m_form->MdiArea()->subWindowList())
            if (auto* monitor = qobject_cast<TWinMonitorFrame*>(w))
                least = std::min(least, monitor->Monitor->LineCount());
        return least == TWinMonitorFrame::MaxLines ? QStringLiteral("lists full")
                                                   : QString("shortest list %1 lines").arg(least);
    }

    const TPanelBenchOptions& m_o;
    std::function<void(const TBenchRow&)> m_emit;
    QList<TBenchRow> m_rows; // of the running part
    TPartWatch m_watch;
    QString m_lastCommand;
    QTemporaryDir m_dir;
    TSimProcess m_sim;
    TBenchDialogs m_dialogs;
    std::unique_ptr<TMainForm> m_form;
    double m_answerMs = 0;
    double m_exportMs = 0;
    int m_commands = 0;
    double m_loadLineMs = 0; // one line of the journal part's load, without a recorder
};
} // namespace

bool RunPanelBench(const TPanelBenchOptions& options,
                   const std::function<void(const TBenchRow&)>& emitRow, QString& error) {
    TPanelRig rig(options, emitRow);
    return rig.Run(error);
}
