#include "link/MemoryPort.h"

#include <algorithm>
#include <cerrno>
#include <chrono>

QByteArray TMemoryWire::TakeFromPanel(int waitMs) {
    std::unique_lock<std::mutex> lock(m_mutex);
    if (waitMs > 0)
        m_toBoardReady.wait_for(lock, std::chrono::milliseconds(waitMs),
                                [this] { return !m_toBoard.isEmpty(); });
    QByteArray out;
    out.swap(m_toBoard);
    return out;
}

void TMemoryWire::SendToPanel(const QByteArray& bytes) {
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_hungUp || !m_panelOpen)
        return;
    m_toPanel += bytes;
    if (m_toPanel.size() > KeptBytes)
        m_toPanel.remove(0, m_toPanel.size() - KeptBytes);
}

void TMemoryWire::HangUp() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_hungUp = true;
    m_toPanel.clear();
}

void TMemoryWire::Replug() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_hungUp = false;
}

int TMemoryWire::BaudRate() const {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_baud;
}

bool TMemoryWire::PanelOpen() const {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_panelOpen;
}

qint64 TMemoryWire::PendingToPanel() const {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_toPanel.size();
}

void TMemoryWire::SetNoiseAtOpen(const QByteArray& bytes) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_noiseAtOpen = bytes;
}

bool TMemoryWire::OpenPanel(int& error) {
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_panelOpen) {
        error = EWOULDBLOCK; // held by another panel, as flock reports it
        return false;
    }
    if (m_hungUp) {
        error = ENOENT;
        return false;
    }
    m_panelOpen = true;
    m_toPanel = m_noiseAtOpen;
    m_toBoard.clear();
    return true;
}

void TMemoryWire::ClosePanel() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_panelOpen = false;
    m_toPanel.clear();
}

void TMemoryWire::SetBaudRate(int baud) {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_baud = baud;
}

TPortStatus TMemoryWire::PanelWaiting(qint64& count) {
    std::unique_lock<std::mutex> lock(m_mutex);
    count = 0;
    if (m_failNextStatus) {
        m_failNextStatus = false;
        return TPortStatus::Transient;
    }
    if (m_hungUp)
        return TPortStatus::Gone;
    m_toPanel += m_continuous;
    count = m_toPanel.size();
    return TPortStatus::Ok;
}

QByteArray TMemoryWire::PanelRead(qint64 max) {
    std::unique_lock<std::mutex> lock(m_mutex);
    QByteArray out = m_toPanel.left(max);
    m_toPanel.remove(0, out.size());
    return out;
}

qint64 TMemoryWire::PanelWrite(const QByteArray& bytes) {
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_hungUp)
        return -1;
    const qint64 n = m_writeRoom < 0 ? bytes.size() : std::min<qint64>(bytes.size(), m_writeRoom);
    if (m_writeRoom >= 0)
        m_writeRoom -= n;
    m_toBoard += bytes.left(n);
    m_toBoardReady.notify_all();
    return n;
}

void TMemoryWire::SetWriteRoom(qint64 bytes) {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_writeRoom = bytes;
}

void TMemoryWire::SetContinuousInput(const QByteArray& chunk) {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_continuous = chunk;
}

void TMemoryWire::FailNextStatus() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_failNextStatus = true;
}

TMemoryPort::TMemoryPort(std::shared_ptr<TMemoryWire> wire, QByteArray name)
    : m_wire(std::move(wire)), m_name(std::move(name)) {}

TMemoryPort::~TMemoryPort() {
    Close();
}

bool TMemoryPort::Open(const QByteArray& name) {
    if (name != m_name) {
        m_error = ENOENT;
        return false;
    }
    if (!m_wire->OpenPanel(m_error))
        return false;
    m_open = true;
    return true;
}

bool TMemoryPort::GetParams() {
    return m_open;
}

bool TMemoryPort::SetParams(int baudRate) {
    if (baudRate <= 0) {
        m_error = EINVAL;
        return false;
    }
    m_wire->SetBaudRate(baudRate);
    return true;
}

TPortStatus TMemoryPort::BytesWaiting(qint64& count) {
    const TPortStatus s = m_wire->PanelWaiting(count);
    if (s == TPortStatus::Gone)
        m_error = EIO;
    return s;
}

QByteArray TMemoryPort::Read(qint64 max) {
    return m_wire->PanelRead(max);
}

qint64 TMemoryPort::Write(const QByteArray& bytes) {
    const qint64 n = m_wire->PanelWrite(bytes);
    if (n < bytes.size())
        m_error = n < 0 ? EIO : EAGAIN;
    return std::max<qint64>(0, n);
}

void TMemoryPort::Close() {
    if (m_open) {
        m_wire->ClosePanel();
        m_open = false;
    }
}

TPortFactory TMemoryPort::Factory(std::shared_ptr<TMemoryWire> wire, QByteArray name) {
    return [wire, name]() -> std::unique_ptr<ISerialPort> {
        return std::make_unique<TMemoryPort>(wire, name);
    };
}
