#include "bench/BenchSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>

TBenchRow AtMost(QString name, double value, QString unit, double ratio, double goal,
                 QString limit) {
    return {std::move(name), value,           std::move(unit), ratio, QString("<= %1").arg(goal),
            ratio <= goal,   std::move(limit)};
}

TBenchRow AtLeast(QString name, double value, QString unit, double ratio, double goal,
                  QString limit) {
    return {std::move(name), value,           std::move(unit), ratio, QString(">= %1").arg(goal),
            ratio >= goal,   std::move(limit)};
}

double ProcessCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    auto sec = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return sec(u.ru_utime) + sec(u.ru_stime);
}

qint64 ResidentBytes() {
    // statm: size resident shared text lib data dt, in pages.
    QFile f("/proc/self/statm");
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = f.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() * sysconf(_SC_PAGESIZE) : 0;
}

namespace {
qint64 NowNs() {
    static QElapsedTimer clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return clock.nsecsElapsed();
}
} // namespace

TCpuMeter::TCpuMeter() {
    Restart();
}

void TCpuMeter::Restart() {
    m_wallStartNs = NowNs();
    m_cpuStart = ProcessCpuSeconds();
}

double TCpuMeter::WallSeconds() const {
    return (NowNs() - m_wallStartNs) / 1e9;
}

double TCpuMeter::CpuSeconds() const {
    return ProcessCpuSeconds() - m_cpuStart;
}

double TCpuMeter::Share() const {
    const double wall = WallSeconds();
    return wall > 0 ? CpuSeconds() / wall : 0;
}

TWireCount& WireCount() {
    static TWireCount count;
    return count;
}

namespace {
class TCountingPort : public ISerialPort {
public:
    TCountingPort() : m_port(CreateSystemPort()) {}
    bool Open(const QByteArray& name) override { return m_port->Open(name); }
    bool GetParams() override { return m_port->GetParams(); }
    bool SetParams(int baudRate) override { return m_port->SetParams(baudRate); }
    TPortStatus BytesWaiting(qint64& count) override { return m_port->BytesWaiting(count); }
    QByteArray Read(qint64 max) override {
        QByteArray got = m_port->Read(max);
        WireCount().Rx += got.size();
        return got;
    }
    qint64 Write(const QByteArray& bytes) override {
        const qint64 n = m_port->Write(bytes);
        WireCount().Tx += n > 0 ? n : 0;
        if (qEnvironmentVariableIsSet("VANTOR_BENCH_TRACE"))
            std::fprintf(stderr, "tx %s", bytes.constData());
        return n;
    }
    void Close() override { m_port->Close(); }
    int LastError() const override { return m_port->LastError(); }

private:
    std::unique_ptr<ISerialPort> m_port;
};
} // namespace

std::unique_ptr<ISerialPort> CreateCountingPort() {
    return std::make_unique<TCountingPort>();
}

TSimProcess::~TSimProcess() {
    Stop();
}

bool TSimProcess::Start(const QString& program, const QString& linkPath, const QStringList& extra,
                        QString& error) {
    m_link = linkPath;
    m_proc.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_proc.start(program, QStringList{"--link", linkPath} + extra);
    // The simulator prints its pty's path once the link is in place.
    if (!m_proc.waitForStarted(5000) || !m_proc.waitForReadyRead(5000)) {
        error = "cannot start " + program + ": " + m_proc.errorString();
        return false;
    }
    m_proc.readAll();
    return true;
}

void TSimProcess::Stop() {
    if (m_proc.state() == QProcess::NotRunning)
        return;
    m_proc.terminate();
    if (!m_proc.waitForFinished(3000))
        m_proc.kill();
    m_proc.waitForFinished(1000);
}

void RunEventsFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool RunEventsUntil(const std::function<bool()>& done, int limitMs) {
    if (done())
        return true;
    // A look every 20 ms; the waits this serves are not measured.
    QElapsedTimer t;
    t.start();
    QEventLoop loop;
    QTimer tick;
    tick.setInterval(20);
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        if (done() || t.elapsed() >= limitMs)
            loop.quit();
    });
    tick.start();
    loop.exec();
    return done();
}
