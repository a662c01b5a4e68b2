#pragma once
// What the benchmark figures share: a result row with its goal, the process's
// own CPU time and resident memory, a port that counts the bytes crossing it,
// and the simulated board running as its own process on a pty.

#include "link/SerialPort.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>

// One figure: the measured value, its ratio against the limit of the same
// run, and the goal the ratio is held to.
struct TBenchRow {
    QString Name;
    double Value = 0;
    QString Unit;
    double Ratio = 0;
    // The goal as printed, and the test it stands for.
    QString Goal;
    bool Met = false;
    // What the limit was, for the reader of the JSON copy.
    QString Limit;
};

// Goals: an upper or a lower bound on the ratio.
TBenchRow AtMost(QString name, double value, QString unit, double ratio, double goal,
                 QString limit = {});
TBenchRow AtLeast(QString name, double value, QString unit, double ratio, double goal,
                  QString limit = {});

// User plus system CPU time of this process (every thread), in seconds.
double ProcessCpuSeconds();
// Resident set size of this process, in bytes.
qint64 ResidentBytes();

// CPU time against wall time over a stretch of the run.
class TCpuMeter {
public:
    TCpuMeter();
    void Restart();
    double WallSeconds() const;
    double CpuSeconds() const;
    double Share() const; // CPU ÷ wall

private:
    qint64 m_wallStartNs;
    double m_cpuStart;
};

// Bytes read from and written to the board by every port the factory below
// made. The worker is the only reader and writer.
struct TWireCount {
    std::atomic<qint64> Rx{0};
    std::atomic<qint64> Tx{0};
    qint64 Total() const { return Rx + Tx; }
    void Reset() {
        Rx = 0;
        Tx = 0;
    }
};
TWireCount& WireCount();
// The system's serial port, counting its bytes into WireCount().
std::unique_ptr<ISerialPort> CreateCountingPort();

// Seconds the wire needs for `bytes` at `baud` (10 bits a byte: start, 8
// data, stop).
inline double WireSeconds(qint64 bytes, int baud) {
    return bytes * 10.0 / baud;
}

// vantor-board-sim as a child process with its pty behind `LinkPath`.
class TSimProcess {
public:
    ~TSimProcess();
    bool Start(const QString& program, const QString& linkPath, const QStringList& extra,
               QString& error);
    void Stop();
    const QString& LinkPath() const { return m_link; }
    qint64 Pid() const { return m_proc.processId(); }

private:
    QProcess m_proc;
    QString m_link;
};

// Lets the event loop run for `ms` (timers, the worker's messages).
void RunEventsFor(int ms);
// Runs the event loop until `done` or `limitMs` has passed; returns `done()`.
bool RunEventsUntil(const std::function<bool()>& done, int limitMs);
