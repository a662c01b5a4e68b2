#pragma once
// A list of 8-bit lines with a lock of its own. The list does not lock by
// itself: every access is bracketed by Lock/Unlock (or a TListGuard).

#include <QByteArrayList>
#include <mutex>

class TSafeStringList : public QByteArrayList {
public:
    void Lock() { m_lock.lock(); }
    void Unlock() { m_lock.unlock(); }
    // All lines, each followed by "\r\n".
    QByteArray Text() const;

private:
    // A standard mutex (not QMutex) so that the thread sanitizer sees it.
    std::mutex m_lock;
};

// Holds a TSafeStringList's lock for one scope.
class TListGuard {
public:
    explicit TListGuard(TSafeStringList& list) : m_list(list) { m_list.Lock(); }
    ~TListGuard() { m_list.Unlock(); }
    TListGuard(const TListGuard&) = delete;
    TListGuard& operator=(const TListGuard&) = delete;

private:
    TSafeStringList& m_list;
};
