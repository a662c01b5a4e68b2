#include "link/PosixSerialPort.h"

#include "link/ArbitraryBaud.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

std::unique_ptr<ISerialPort> CreateSystemPort() {
    return std::make_unique<TPosixSerialPort>();
}

TPosixSerialPort::~TPosixSerialPort() {
    Close();
}

QByteArray TPosixSerialPort::DevicePath(const QByteArray& name) {
    // The panel historically prefixes Windows device names with "\\.\"; on
    // POSIX that prefix means nothing and is dropped.
    QByteArray n = name;
    if (n.startsWith("\\\\.\\"))
        n = n.mid(4);
    if (!n.contains('/'))
        n.prepend("/dev/");
    return n;
}

bool TPosixSerialPort::Open(const QByteArray& name) {
    Close();
    const QByteArray path = DevicePath(name);
    // Non-blocking so that a device without carrier cannot stall the open;
    // reads only ever ask for the bytes already waiting.
    m_fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0) {
        m_error = errno;
        return false;
    }
    // TIOCEXCL keeps other users out, but root ignores it; the advisory lock
    // makes a second panel (even as root) fail instead of sharing the bytes.
    if (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        m_error = errno;
        ::close(m_fd);
        m_fd = -1;
        return false;
    }
    if (::isatty(m_fd))
        ::ioctl(m_fd, TIOCEXCL);
    return true;
}

bool TPosixSerialPort::GetParams() {
    if (::tcgetattr(m_fd, &m_settings) != 0) {
        m_error = errno;
        return false;
    }
    return true;
}

bool TPosixSerialPort::SpeedConstant(int baudRate, speed_t& out) {
    static const struct {
        int rate;
        speed_t constant;
    } table[] = {{1200, B1200},       {2400, B2400},       {4800, B4800},       {9600, B9600},
                 {19200, B19200},     {38400, B38400},     {57600, B57600},     {115200, B115200},
                 {230400, B230400},   {460800, B460800},   {500000, B500000},   {576000, B576000},
                 {921600, B921600},   {1000000, B1000000}, {1500000, B1500000}, {2000000, B2000000},
                 {3000000, B3000000}, {4000000, B4000000}};
    for (const auto& e : table)
        if (e.rate == baudRate) {
            out = e.constant;
            return true;
        }
    return false;
}

bool TPosixSerialPort::SetParams(int baudRate) {
    if (baudRate <= 0) {
        m_error = EINVAL;
        return false;
    }
    // A speed outside the classic table is set in a second step, through
    // the kernel's arbitrary-rate interface, over 8N1 raw at a table speed.
    speed_t speed;
    const bool classic = SpeedConstant(baudRate, speed);
    if (!classic)
        speed = B38400;
    termios t = m_settings;
    // Raw mode is part of 8N1 here: a tty, a USB adapter and a pty all start
    // in cooked mode with echo and CR->NL translation, which would echo every
    // byte back to the board and destroy every "\r\n". Hardware flow control
    // (CRTSCTS) is left as the port had it.
    cfmakeraw(&t);
    t.c_cflag &= ~(CSIZE | PARENB | CSTOPB);
    t.c_cflag |= CS8 | CLOCAL | CREAD;
    cfsetispeed(&t, speed);
    cfsetospeed(&t, speed);
    if (::tcsetattr(m_fd, TCSANOW, &t) != 0 || (!classic && !SetArbitraryBaud(m_fd, baudRate))) {
        m_error = errno;
        return false;
    }
    m_settings = t;
    return true;
}

static bool IsFatal(int err) {
    return err == EIO || err == ENXIO || err == ENODEV || err == EBADF || err == ENOTTY;
}

TPortStatus TPosixSerialPort::BytesWaiting(qint64& count) {
    count = 0;
    int n = 0;
    if (::ioctl(m_fd, FIONREAD, &n) != 0) {
        m_error = errno;
        return IsFatal(m_error) ? TPortStatus::Gone : TPortStatus::Transient;
    }
    count = n;
    if (n > 0)
        return TPortStatus::Ok;
    // Nothing waiting: a hung-up line (pulled adapter, closed pty master)
    // shows as POLLHUP/POLLERR and never recovers on this handle.
    pollfd p{m_fd, POLLIN, 0};
    if (::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) {
        m_error = (p.revents & POLLNVAL) ? EBADF : EIO;
        return TPortStatus::Gone;
    }
    return TPortStatus::Ok;
}

QByteArray TPosixSerialPort::Read(qint64 max) {
    QByteArray buf;
    if (max <= 0)
        return buf;
    buf.resize(max);
    const ssize_t got = ::read(m_fd, buf.data(), static_cast<size_t>(max));
    if (got <= 0) {
        m_error = errno;
        return QByteArray();
    }
    buf.resize(got);
    return buf;
}

qint64 TPosixSerialPort::Write(const QByteArray& bytes) {
    // The descriptor is non-blocking; wait for room in short steps, but never
    // longer than a second in all, so a stalled line cannot hold the worker.
    // A short count tells the caller; LastError() says why.
    qint64 done = 0;
    int waitedMs = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_fd, bytes.constData() + done, bytes.size() - done);
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            m_error = errno;
            break;
        }
        if (waitedMs >= StallLimitMs) {
            m_error = n < 0 ? errno : EAGAIN;
            break;
        }
        pollfd p{m_fd, POLLOUT, 0};
        ::poll(&p, 1, 50);
        waitedMs += 50;
    }
    return done;
}

void TPosixSerialPort::Close() {
    if (m_fd >= 0) {
        ::flock(m_fd, LOCK_UN);
        ::close(m_fd);
        m_fd = -1;
    }
}
