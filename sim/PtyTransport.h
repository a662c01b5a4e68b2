#pragma once
// The board end of a pseudo-terminal: the panel (or any terminal program)
// opens the slave path; the simulator reads and writes the master.

#include "sim/SimRunner.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <functional>

class TPtyTransport : public ISimTransport {
public:
    ~TPtyTransport() override;
    // Creates the pty; with a non-empty `linkPath` also points a symlink
    // there. False with a message in Error() on failure.
    bool Create(const QByteArray& linkPath = QByteArray());
    QByteArray SlavePath() const { return m_slavePath; }
    QByteArray Error() const { return m_error; }

    QByteArray Read(int waitMs) override;
    void Write(const QByteArray& bytes) override;
    int BaudRate() override;
    // Closes the pty (the panel's port sees it gone), makes a new one and
    // points the link at it, so the panel can connect again by the same path.
    void HangUp() override;
    bool Drained() override;
    // Called with the new slave path after each hang-up.
    std::function<void(const QByteArray&)> OnNewPty;

private:
    void CloseAll();
    // Bytes written and not yet read on the slave side.
    int Queued() const;

    // A panel reads every 20 ms; a queue untouched this long has no reader.
    static constexpr qint64 StaleAfterMs = 1000;
    QElapsedTimer m_readSeen;
    int m_queuedAfterWrite = 0;

    int m_master = -1;
    // Held open so that the pty never reports a hang-up while no panel has the
    // slave open (which would turn every poll into a busy loop).
    int m_keepSlave = -1;
    QByteArray m_slavePath;
    QByteArray m_linkPath;
    QByteArray m_error;
};
