#include "app/DemoBoard.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/prctl.h>
#endif

namespace {
const char* const SimulatorName = "vantor-board-sim";
}

TDemoBoard::TDemoBoard() : m_dir(QDir::tempPath() + "/vantor-demo-XXXXXX") {
#ifdef Q_OS_LINUX
    // Should the panel be killed, the simulator goes with it.
    m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
#endif
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

TDemoBoard::~TDemoBoard() {
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(2000)) {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
}

QString TDemoBoard::FindSimulator() {
    const QDir here(QCoreApplication::applicationDirPath());
    QStringList candidates = {here.filePath(SimulatorName),
                              here.filePath(QString("../sim/") + SimulatorName)};
#ifdef VANTOR_SIM_BUILD_PATH
    candidates << QString::fromLocal8Bit(VANTOR_SIM_BUILD_PATH);
#endif
    for (const QString& c : candidates) {
        const QFileInfo f(c);
        if (f.isFile() && f.isExecutable())
            return f.absoluteFilePath();
    }
    return QString();
}

QString TDemoBoard::SettingsFile() const {
    return m_dir.filePath("Vantor_CP.conf");
}

QString TDemoBoard::JournalFile() const {
    return m_dir.filePath("journal.sqlite");
}

bool TDemoBoard::Start() {
    const QString program = FindSimulator();
    if (program.isEmpty()) {
        m_error = QString("не найдена программа %1").arg(SimulatorName);
        return false;
    }
    if (!m_dir.isValid()) {
        m_error = m_dir.errorString();
        return false;
    }
    m_process.start(program, {"--link", m_dir.filePath("vantor-board")});
    if (!m_process.waitForStarted(StartLimitMs)) {
        m_error = m_process.errorString();
        return false;
    }
    const QDeadlineTimer deadline(StartLimitMs);
    while (!m_process.canReadLine()) {
        if (!m_process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())))) {
            m_error = QString("%1 не сообщил свой порт").arg(SimulatorName);
            return false;
        }
    }
    m_port = QString::fromLocal8Bit(m_process.readLine()).trimmed();
    return !m_port.isEmpty();
}
