#pragma once
// Line speeds outside the classic termios table (250000, 74880, ...) on
// Linux: the kernel's arbitrary-rate interface (termios2 with BOTHER). Kept
// in a unit of its own because its kernel header clashes with <termios.h>.

// Sets both directions of the open tty `fd` to `baud` bit/s, leaving every
// other setting as it is. False with errno set when the port refuses it.
bool SetArbitraryBaud(int fd, int baud);

// The output speed the tty `fd` is set to, in bit/s, whether it was set from
// the classic table or as an arbitrary rate; 0 when it cannot be read.
int ReadBaud(int fd);
