#include "bench/BenchPanel.h"

#include "app/DlgConnectUnit.h"
#include "app/MAIN.h"
#include "archive/ConfigExport.h"
#include "archive/ConfigLoad.h"
#include "archive/FlightLogs.h"
#include "link/ComPortUnit.h"
#include "monitor/WinMonImuUnit.h"
#include "shell/WinDebugMonUnit.h"
#include "ui/Dialogs.h"
#include "ui/TaskWindow.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
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
};
} // namespace

bool RunPanelBench(const TPanelBenchOptions& options,
                   const std::function<void(const TBenchRow&)>& emitRow, QString& error) {
    TPanelRig rig(options, emitRow);
    return rig.Run(error);
}
