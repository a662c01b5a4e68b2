#pragma once
// The console's command history: the last MaxItems commands, oldest first,
// walked with Up/Down as a shell does. The text being typed when the walk
// began comes back after the newest entry. Kept across runs in the panel's
// preferences (key CONSOLE/History).

#include <QString>
#include <QStringList>

class TCommandHistory {
public:
    static constexpr int MaxItems = 100;
    static constexpr const char* PrefKey = "CONSOLE/History";

    // Reads the stored history (the newest MaxItems of it).
    void Load();
    // Adds a sent command and stores the history. Empty commands and a
    // repeat of the newest one are not added. Ends any walk.
    void Add(const QString& command);

    // One step back (Up) or forward (Down); `current` is what the line holds
    // now. Returns the text to show.
    QString Older(const QString& current);
    QString Newer(const QString& current);

    const QStringList& Items() const { return m_items; }

private:
    QStringList m_items;
    int m_pos = -1; // index being shown; -1: not walking
    QString m_draft;
};
