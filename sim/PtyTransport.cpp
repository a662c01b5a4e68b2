#include "sim/PtyTransport.h"

#include "link/ArbitraryBaud.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

TPtyTransport::~TPtyTransport() {
    CloseAll();
}

void TPtyTransport::CloseAll() {
    if (m_watch >= 0)
        ::close(m_watch);
    m_watch = -1;
    m_openers = 0;
    if (m_keepSlave >= 0)
        ::close(m_keepSlave);
    if (m_master >= 0)
        ::close(m_master);
    m_keepSlave = m_master = -1;
    if (!m_linkPath.isEmpty())
        ::unlink(m_linkPath.constData());
}

bool TPtyTransport::Create(const QByteArray& linkPath) {
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
        m_error = QByteArray("cannot create a pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    m_slavePath = ::ptsname(m_master);
    m_keepSlave = ::open(m_slavePath.constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_keepSlave < 0) {
        m_error = "cannot open " + m_slavePath + ": " + std::strerror(errno);
        return false;
    }
    // Raw from the start: in cooked mode the line discipline would echo the
    // board's own output back to it before a panel has configured the port.
    termios t{};
    if (::tcgetattr(m_keepSlave, &t) == 0) {
        cfmakeraw(&t);
        cfsetispeed(&t, B115200);
        cfsetospeed(&t, B115200);
        ::tcsetattr(m_keepSlave, TCSANOW, &t);
    }
    // Our own handle is open before the watch starts: the count is of the others.
    m_watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_watch < 0 ||
        ::inotify_add_watch(m_watch, m_slavePath.constData(), IN_OPEN | IN_CLOSE) < 0) {
        m_error = QByteArray("cannot watch the pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    if (!linkPath.isEmpty()) {
        ::unlink(linkPath.constData());
        if (::symlink(m_slavePath.constData(), linkPath.constData()) != 0) {
            m_error = "cannot create the link " + linkPath + ": " + std::strerror(errno);
            return false;
        }
        m_linkPath = linkPath;
    }
    return true;
}

bool TPtyTransport::Drained() {
    // What the master wrote waits in the slave's input queue until the panel
    // reads it; our own slave handle sees the same queue.
    return Queued() == 0;
}

void TPtyTransport::HangUp() {
    const QByteArray link = m_linkPath;
    CloseAll();
    m_linkPath.clear();
    if (!Create(link))
        return;
    ArmNoise();
    if (OnNewPty)
        OnNewPty(m_slavePath);
}

void TPtyTransport::SetNoiseAtOpen(const QByteArray& bytes) {
    m_noise = bytes;
    if (!SlaveOpen())
        ArmNoise();
}

void TPtyTransport::ArmNoise() {
    if (m_noise.isEmpty() || m_master < 0)
        return;
    ::tcflush(m_keepSlave, TCIFLUSH);
    (void)::write(m_master, m_noise.constData(), m_noise.size());
}

QByteArray TPtyTransport::Read(int waitMs) {
    // Each program that opens the port after another closed it finds the
    // noise waiting again.
    if (!m_noise.isEmpty()) {
        const bool open = SlaveOpen();
        if (m_wasOpen && !open)
            ArmNoise();
        m_wasOpen = open;
    }
    pollfd p{m_master, POLLIN, 0};
    if (::poll(&p, 1, waitMs) <= 0 || !(p.revents & POLLIN))
        return QByteArray();
    char buf[4096];
    const ssize_t n = ::read(m_master, buf, sizeof buf);
    return n > 0 ? QByteArray(buf, static_cast<int>(n)) : QByteArray();
}

int TPtyTransport::Queued() const {
    int queued = 0;
    return m_keepSlave >= 0 && ::ioctl(m_keepSlave, FIONREAD, &queued) == 0 ? queued : 0;
}

bool TPtyTransport::SlaveOpen() {
    alignas(inotify_event) char buf[4096];
    for (;;) {
        const ssize_t n = ::read(m_watch, buf, sizeof buf);
        if (n <= 0)
            break;
        for (ssize_t at = 0; at < n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(buf + at);
            if (e->mask & IN_OPEN)
                ++m_openers;
            if (e->mask & IN_CLOSE)
                m_openers = std::max(0, m_openers - 1);
            at += static_cast<ssize_t>(sizeof(inotify_event)) + e->len;
        }
    }
    return m_openers > 0;
}

void TPtyTransport::Write(const QByteArray& bytes) {
    // On a real wire, what is sent while nobody has the port open is lost; a
    // pty keeps it for whoever opens the slave next. So it is dropped while
    // no program has the slave open, and only then: an open port keeps what
    // its reader has not taken yet (the rest of an answer it stopped
    // reading), as a serial driver does.
    if (!SlaveOpen()) {
        ::tcflush(m_keepSlave, TCIFLUSH);
        ArmNoise();
        return;
    }
    // Non-blocking: with the queue full, the output is lost as on a real wire.
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.constData() + done, bytes.size() - done);
        if (n <= 0)
            break;
        done += n;
    }
    // A reader that does not read loses the oldest bytes beyond the bound.
    if (const int over = Queued() - KeptBytes; over > 0) {
        QByteArray discard(over, Qt::Uninitialized);
        (void)::read(m_keepSlave, discard.data(), over);
    }
}

int TPtyTransport::BaudRate() {
    // Whatever the panel set, from the classic table or an arbitrary rate.
    return ReadBaud(m_master);
}
