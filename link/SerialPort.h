#pragma once
// The port interface the worker talks to, so that tests can swap the real
// serial device for an in-memory wire.

#include <QByteArray>
#include <functional>
#include <memory>

// Result of asking the port how many bytes wait.
enum class TPortStatus {
    Ok,        // count is valid (may be 0)
    Transient, // the query failed this time; try again next pass
    Gone       // the device is gone for good (unplugged, hung up)
};

class ISerialPort {
public:
    virtual ~ISerialPort() = default;
    // Opens the device for reading and writing, exclusively. False on failure,
    // with the OS error code in LastError().
    virtual bool Open(const QByteArray& name) = 0;
    // Reads the port's current settings (kept for SetParams).
    virtual bool GetParams() = 0;
    // Sets the speed and 8N1 framing and writes the settings back.
    virtual bool SetParams(int baudRate) = 0;
    virtual TPortStatus BytesWaiting(qint64& count) = 0;
    // Reads at most `max` bytes without blocking longer than those waiting.
    virtual QByteArray Read(qint64 max) = 0;
    // Writes all bytes, waiting a bounded time for room; returns the count
    // written (less than asked when the port stalled or failed; LastError()
    // then says why).
    virtual qint64 Write(const QByteArray& bytes) = 0;
    virtual void Close() = 0;
    // OS error code (errno) of the last failed call.
    virtual int LastError() const = 0;
};

using TPortFactory = std::function<std::unique_ptr<ISerialPort>()>;

// The platform's own serial port.
std::unique_ptr<ISerialPort> CreateSystemPort();
