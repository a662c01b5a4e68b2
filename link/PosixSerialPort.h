#pragma once
// Serial port on POSIX termios: exclusive open, raw 8N1 at a given speed.

#include "link/SerialPort.h"

#include <termios.h>

class TPosixSerialPort : public ISerialPort {
public:
    ~TPosixSerialPort() override;
    bool Open(const QByteArray& name) override;
    bool GetParams() override;
    bool SetParams(int baudRate) override;
    TPortStatus BytesWaiting(qint64& count) override;
    QByteArray Read(qint64 max) override;
    qint64 Write(const QByteArray& bytes) override;
    void Close() override;
    int LastError() const override { return m_error; }

    // Longest a write waits for room in the port's buffer (a line held by
    // flow control, a wedged adapter) before it gives up.
    static constexpr int StallLimitMs = 1000;

    // Maps a bit rate to its termios constant; false for a rate the system lacks.
    static bool SpeedConstant(int baudRate, speed_t& out);
    // "ttyUSB0" -> "/dev/ttyUSB0"; a name with a "/" is used as given.
    static QByteArray DevicePath(const QByteArray& name);

private:
    int m_fd = -1;
    int m_error = 0;
    termios m_settings{};
};
