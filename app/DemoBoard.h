#pragma once
// Demo mode: the simulated board (vantor-board-sim) started on a pseudo-
// terminal for the panel to connect to. The simulator is stopped when this
// object goes, and dies with the panel if the panel is killed.

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

class TDemoBoard {
public:
    // How long the simulator may take to report its port.
    static constexpr int StartLimitMs = 5000;

    TDemoBoard();
    ~TDemoBoard();

    // Starts the simulator and reads the port path it prints. False with
    // Error() set when it cannot be found or started.
    bool Start();
    QString PortPath() const { return m_port; }
    // A settings file of the demo's own, so the operator's stored port is
    // not replaced by the simulator's temporary one.
    QString SettingsFile() const;
    // A change journal of the demo's own, for the same reason.
    QString JournalFile() const;
    QString Error() const { return m_error; }

    // The simulator beside the program, or in the build tree next to it.
    static QString FindSimulator();

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_port;
    QString m_error;
};
