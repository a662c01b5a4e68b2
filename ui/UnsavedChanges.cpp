#include "ui/UnsavedChanges.h"

#include "link/Proc.h"
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
} // namespace

TUnsavedChanges::TUnsavedChanges(TBoardLink& link, QObject* parent) : QObject(parent) {
    connect(&link, &TBoardLink::CommandSent, this, &TUnsavedChanges::Note);
}

void TUnsavedChanges::Note(const QByteArray& line) {
    // The board takes its commands in either case and with extra blanks.
    const QByteArrayList words = LowerAscii(line).simplified().split(' ');
    const int before = Count();
    if (words[0] == "set" || words[0] == "reset") {
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
    TRequest r;
    r.Commands = {"save config\r\n", "save controls\r\n"};
    r.Mode = TWaitMode::ProcessEvents;
    return panel.Request(r).Ok();
}
