#pragma once
// Where the changes sent to the board come from, for the change journal: a
// scope names the origin ("Консоль", "Все параметры", "Загрузка: file", a
// window's title) of every command line queued while it lives. Scopes nest
// (the innermost counts) and belong to the thread that talks to the board.

#include <QString>

class TJournalOrigin {
public:
    explicit TJournalOrigin(const QString& origin) : m_previous(Slot()) { Slot() = origin; }
    ~TJournalOrigin() { Slot() = m_previous; }
    TJournalOrigin(const TJournalOrigin&) = delete;
    TJournalOrigin& operator=(const TJournalOrigin&) = delete;
    // The innermost origin in force, or "Панель" when none is.
    static QString Current() { return Slot().isEmpty() ? QStringLiteral("Панель") : Slot(); }

private:
    static QString& Slot() {
        static QString origin;
        return origin;
    }
    QString m_previous;
};
