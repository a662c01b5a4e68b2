#include "link/ArbitraryBaud.h"

#include <cerrno>

#if defined(__linux__)
#include <asm/termbits.h>
#include <sys/ioctl.h>

bool SetArbitraryBaud(int fd, int baud) {
    if (baud <= 0) {
        errno = EINVAL;
        return false;
    }
    termios2 t{};
    if (::ioctl(fd, TCGETS2, &t) != 0)
        return false;
    t.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
    t.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    t.c_ispeed = static_cast<speed_t>(baud);
    t.c_ospeed = static_cast<speed_t>(baud);
    if (::ioctl(fd, TCSETS2, &t) != 0)
        return false;
    // A driver may round the rate to what its clock can make; one that
    // cannot come near it has refused it.
    if (::ioctl(fd, TCGETS2, &t) != 0)
        return false;
    const double got = t.c_ospeed;
    if (got < baud * 0.97 || got > baud * 1.03) {
        errno = EINVAL;
        return false;
    }
    return true;
}

int ReadBaud(int fd) {
    termios2 t{};
    if (::ioctl(fd, TCGETS2, &t) != 0)
        return 0;
    return static_cast<int>(t.c_ospeed);
}
#else
bool SetArbitraryBaud(int, int) {
    errno = EINVAL;
    return false;
}

int ReadBaud(int) {
    return 0;
}
#endif
