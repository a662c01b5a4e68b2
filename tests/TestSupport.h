#pragma once
// Helpers shared by the test suites.

#include "link/BoardLinkUnit.h"
#include "link/PortMessages.h"
#include "link/SafeListsUnit.h"
#include "support/FreshJournal.h"

#include <QElapsedTimer>
#include <QFile>
#include <QList>
#include <QObject>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>
#include <sys/resource.h>

// Receives the worker's posted messages and records them in order.
class TMessageRecorder : public QObject {
public:
    struct Entry {
        int Msg;
        int WParam;
    };
    QList<Entry> Entries;

    QList<int> Messages() const {
        QList<int> out;
        for (const Entry& e : Entries)
            out << e.Msg;
        return out;
    }
    int Count(int msg) const {
        int n = 0;
        for (const Entry& e : Entries)
            n += e.Msg == msg;
        return n;
    }

protected:
    bool event(QEvent* e) override {
        if (TPortMessage::Is(e)) {
            auto* m = static_cast<TPortMessage*>(e);
            Entries.append({m->Msg, m->WParam});
            return true;
        }
        return QObject::event(e);
    }
};

// A copy of a queue taken under its lock (the worker may be appending).
inline QByteArrayList Snapshot(TSafeStringList& list) {
    TListGuard g(list);
    return QByteArrayList(list);
}

// One request through the link's conversation: `command` (without "\r\n")
// sent and the lines of its answer returned; "<end N>" (the TAnswerEnd)
// follows them when the answer did not end at its prompt.
inline QByteArrayList Exchange(TBoardLink& link, const QByteArray& command, int silenceMs = 5000,
                               TWaitMode mode = TWaitMode::NoEvents) {
    QByteArrayList lines;
    TRequest r;
    r.Commands = {command + "\r\n"};
    r.SilenceMs = silenceMs;
    r.Mode = mode;
    r.OnLine = [&lines](const QByteArray& l) {
        lines << l;
        return true;
    };
    const TAnswer a = link.Request(r);
    if (!a.Ok())
        lines << "<end " + QByteArray::number(int(a.End)) + ">";
    return lines;
}

// A file's whole contents, or "<missing>" when it cannot be read.
inline QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

inline bool WriteAll(const QString& path, const QByteArray& data) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

// A full disk for this process while it lives: no file grows beyond `room`
// bytes (the system's "File too large" stands in for "No space left").
class TFullDisk {
public:
    explicit TFullDisk(rlim_t room = 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_old);
        const rlimit full{room, m_old.rlim_max};
        setrlimit(RLIMIT_FSIZE, &full);
    }
    ~TFullDisk() { setrlimit(RLIMIT_FSIZE, &m_old); }
    TFullDisk(const TFullDisk&) = delete;
    TFullDisk& operator=(const TFullDisk&) = delete;

private:
    rlimit m_old{};
};

// What an older file held: a run that fails must leave it as it was.
inline const QByteArray OldFile = QByteArray("old contents\r\n").repeated(500);

// The vantor-board-sim program (VANTOR_SIM_BIN) on a pty behind <dir>/board,
// stopped when this goes.
class TSimProcess {
public:
    explicit TSimProcess(const QStringList& extra = {}) {
        Path = m_dir.filePath("board");
        m_proc.start(qEnvironmentVariable("VANTOR_SIM_BIN"), QStringList{"--link", Path} + extra);
        Ok = m_proc.waitForStarted() && m_proc.waitForReadyRead(5000);
    }
    ~TSimProcess() {
        m_proc.terminate();
        m_proc.waitForFinished(5000);
    }
    QString File(const QString& name) const { return m_dir.filePath(name); }
    QString Path;
    bool Ok = false;

private:
    QTemporaryDir m_dir;
    QProcess m_proc;
};

// One run of vantor-cli (VANTOR_CLI_BIN), with `--port port` when given. A
// run that outlives `limitMs` is killed and reports "hung"; a crash exits -2.
struct TCliRun {
    int Exit = -1;
    QByteArray Out;
    QByteArray Err;
    qint64 Ms = 0;
};
inline TCliRun RunCli(const QStringList& args, const QString& port = QString(),
                      int limitMs = 120000, const std::function<void()>& inChild = {}) {
    QProcess p;
    if (inChild) // run in the child before the program starts (limits, signals)
        p.setChildProcessModifier(inChild);
    QElapsedTimer t;
    t.start();
    p.start(qEnvironmentVariable("VANTOR_CLI_BIN"),
            port.isEmpty() ? args : QStringList{"--port", port} + args);
    TCliRun r;
    if (!p.waitForFinished(limitMs)) {
        p.kill();
        p.waitForFinished();
        r.Err = "hung";
        return r;
    }
    r.Ms = t.elapsed();
    r.Exit = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.Out = p.readAllStandardOutput();
    r.Err = p.readAllStandardError();
    return r;
}
