#include "ui/UnsavedChanges.h"

#include "link/JournalOrigin.h"
#include "link/Proc.h"
#include "ui/BoardAccess.h"
#include "ui/Dialogs.h"
#include "ui/PanelContext.h"

namespace {
// Commands that change what "save controls" stores: the channel and mixer
// rows and their resets.
bool IsControlsCommand(const QByteArrayList& words) {
    if (words[0] == "reset")
        return words.value(1) == "control";
    const QByteArray what = words.value(1);
    return what == "ch_in" || what == "ch_out" || what == "mix";
}

// The same value written two ways ("1.5" and "1.50").
bool SameValue(const QByteArray& a, const QByteArray& b) {
    if (a == b)
        return true;
    bool okA = false;
    bool okB = false;
    const double x = a.toDouble(&okA);
    const double y = b.toDouble(&okB);
    return okA && okB && x == y;
}

bool SameValues(const QByteArray& a, const QByteArray& b) {
    const QByteArrayList x = a.split(' ');
    const QByteArrayList y = b.split(' ');
    if (x.size() != y.size())
        return false;
    for (int i = 0; i < x.size(); ++i)
        if (!SameValue(x[i], y[i]))
            return false;
    return true;
}

} // namespace

TUnsavedChanges::TUnsavedChanges(TBoardLink& link, QObject* parent) : QObject(parent) {
    // A change counts once the board has taken it: a refused line changed
    // nothing, and a save is done only when the board has said so. A line
    // whose prompt never came may have been taken: it counts, to be safe.
    connect(&link, &TBoardLink::CommandAnswered, this,
            [this](const QByteArray& command, const QByteArray& refusal) {
                if (refusal.isEmpty())
                    Note(command);
            });
    connect(&link, &TBoardLink::CommandUnconfirmed, this, [this](const QByteArray& command) {
        if (LowerAscii(command).simplified().split(' ').value(0) != "save")
            Note(command);
    });
    connect(&link, &TBoardLink::AnswerLine, this, &TUnsavedChanges::NoteAnswer);
    connect(&link, &TBoardLink::BoardRestarted, this, [this] {
        const int lost = Count();
        m_config = m_controls = 0;
        m_held.clear();
        if (lost > 0)
            emit CountChanged(0);
        emit LostWithRestart(lost);
    });
}

void TUnsavedChanges::NoteAnswer(const QByteArray& command, const QByteArray& line) {
    if (!LowerAscii(command).trimmed().startsWith("cat "))
        return;
    for (const auto& row : ListedRow(LowerAscii(Trim(command)), line))
        m_held.insert(row.first, row.second);
    const int eq = line.indexOf('=');
    if (eq <= 0)
        return;
    const QByteArray name = LowerAscii(line.left(eq)).trimmed();
    if (!name.isEmpty() && !name.contains(' '))
        m_held.insert(name, line.mid(eq + 1).trimmed());
}

void TUnsavedChanges::Note(const QByteArray& line) {
    // The board takes its commands in either case and with extra blanks.
    const QByteArrayList words = LowerAscii(line).simplified().split(' ');
    const int before = Count();
    if (words[0] == "set" && words.size() >= 3) {
        // Counted when it may change what the board holds: a row (channel,
        // mixer cell, waypoint) or a setting not known to hold these values.
        const QByteArrayList typed = line.simplified().split(' ');
        const bool row = IsRowKind(words[1]);
        const QByteArray key = row ? SetRowKey(words).first : words[1];
        const QByteArray value = row ? SetRowKey(typed).second : typed.mid(2).join(' ');
        const auto held = m_held.constFind(key);
        if (held == m_held.constEnd() || !SameValues(QByteArray(*held).replace(',', ' '), value))
            ++(IsControlsCommand(words) ? m_controls : m_config);
        m_held.insert(key, value);
    } else if (words[0] == "set" || words[0] == "reset") {
        if (words[0] == "reset")
            m_held.clear();
        else
            m_held.remove(words.value(1));
        ++(IsControlsCommand(words) ? m_controls : m_config);
    } else if (words[0] == "save" && words.size() == 2) {
        if (words[1] == "config")
            m_config = 0;
        else if (words[1] == "controls")
            m_controls = 0;
    }
    if (Count() != before)
        emit CountChanged(Count());
}

QString UnsavedNote(int count) {
    return count > 0 ? QStringLiteral("Изменения не сохранены во флеш: %1").arg(count) : QString();
}

TCloseChoice AskSaveBeforeClose(int count) {
    const int answer =
        Dialogs().Ask(QStringLiteral("Изменения настроек не сохранены во флеш (%1).\n"
                                     "Без сохранения они пропадут при выключении питания платы.\n"
                                     "Сохранить их перед выходом?")
                          .arg(count),
                      {"Сохранить", "Не сохранять", "Отмена"});
    switch (answer) {
    case 0:
        return TCloseChoice::Save;
    case 1:
        return TCloseChoice::DontSave;
    default:
        return TCloseChoice::Stay;
    }
}

bool SaveToFlash(TPanelContext& panel) {
    const TJournalOrigin origin(QStringLiteral("Сохранение при закрытии панели"));
    TRequest r;
    r.Commands = {"save config\r\n", "save controls\r\n"};
    r.Mode = TWaitMode::ProcessEvents;
    const TAnswer a = panel.Request(r);
    if (a.Ok() && !a.Refusals.isEmpty())
        Dialogs().Error(RefusalMessage(a));
    return a.Taken();
}
