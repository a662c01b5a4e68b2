#include "shell/CommandHistory.h"

#include "ui/PanelPrefs.h"

void TCommandHistory::Load() {
    m_items = PrefValue(PrefKey, QStringList()).toStringList();
    if (m_items.size() > MaxItems)
        m_items = m_items.mid(m_items.size() - MaxItems);
    m_pos = -1;
}

void TCommandHistory::Add(const QString& command) {
    m_pos = -1;
    m_draft.clear();
    if (command.isEmpty() || (!m_items.isEmpty() && m_items.last() == command))
        return;
    m_items << command;
    while (m_items.size() > MaxItems)
        m_items.removeFirst();
    SetPrefValue(PrefKey, m_items);
}

QString TCommandHistory::Older(const QString& current) {
    if (m_items.isEmpty())
        return current;
    if (m_pos < 0) {
        m_draft = current;
        m_pos = static_cast<int>(m_items.size());
    }
    if (m_pos > 0)
        --m_pos;
    return m_items[m_pos];
}

QString TCommandHistory::Newer(const QString& current) {
    if (m_pos < 0)
        return current;
    if (++m_pos < m_items.size())
        return m_items[m_pos];
    m_pos = -1;
    return m_draft;
}
