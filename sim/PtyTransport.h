#pragma once
// The board end of a pseudo-terminal: the panel (or any terminal program)
// opens the slave path; the simulator reads and writes the master.

#include "sim/SimRunner.h"

#include <QByteArray>
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
    // Kept in the pty while nobody has it open, for the next opener.
    void SetNoiseAtOpen(const QByteArray& bytes) override;
    // Called with the new slave path after each hang-up.
    std::function<void(const QByteArray&)> OnNewPty;

    // Output not yet read is kept while someone has the slave open, up to
    // this much (then the oldest is lost), as a serial driver keeps it.
    static constexpr int KeptBytes = 64 * 1024;

private:
    void CloseAll();
    // Bytes written and not yet read on the slave side.
    int Queued() const;
    // True while a program other than us has the slave open (counted from
    // the open and close events of the slave's path).
    bool SlaveOpen();
    // Puts the noise in the slave's input queue for the next opener.
    void ArmNoise();

    int m_watch = -1; // inotify descriptor watching the slave path
    int m_openers = 0;
    QByteArray m_noise;
    bool m_wasOpen = false;

    int m_master = -1;
    // Held open so that the pty never reports a hang-up while no panel has the
    // slave open (which would turn every poll into a busy loop).
    int m_keepSlave = -1;
    QByteArray m_slavePath;
    QByteArray m_linkPath;
    QByteArray m_error;
};
