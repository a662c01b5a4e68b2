#include "ui/BoardAccess.h"

#include "ui/Dialogs.h"
#include "ui/PanelContext.h"

#include <algorithm>

const char* const BoardBusyText = "Дождитесь окончания выполняемой операции";

TBoardHold::TBoardHold() {
    if (!MainForm)
        return;
    m_turn.emplace(MainForm->Link());
    if (!m_turn->Held())
        Dialogs().Message(QString::fromUtf8(BoardBusyText));
}

void SendWhenFree(const QByteArray& command) {
    if (!MainForm)
        return;
    TBoardLink& link = MainForm->Link();
    link.WhenFree(nullptr, [&link, command] {
        TRequest r;
        r.Commands = {command};
        link.Request(r);
    });
}

QString RefusalMessage(const TAnswer& a) {
    const bool flash = std::any_of(a.Refusals.begin(), a.Refusals.end(),
                                   [](const TRefusal& r) { return IsFlashSave(r.Command); });
    return (flash ? QStringLiteral("Плата не сохранила настройки во флеш: они действуют только до "
                                   "выключения питания.\n")
                  : QString()) +
           QStringLiteral("Плата не приняла команды (ответ платы после двоеточия):\n") +
           a.RefusalText();
}

QString BoardAnswerText(const TAnswer& a) {
    switch (a.End) {
    case TAnswerEnd::Prompt:
        return QString();
    case TAnswerEnd::Stopped:
        return QStringLiteral("Чтение ответа платы прервано.");
    case TAnswerEnd::Silent:
        return QStringLiteral("Плата не отвечает дольше %1 с.").arg((a.SilenceMs + 999) / 1000);
    case TAnswerEnd::Flood:
        return QStringLiteral("Плата передаёт данные без концов строк, ответа не получить.");
    case TAnswerEnd::Cancelled:
        return QStringLiteral("Операция отменена.");
    case TAnswerEnd::LinkLost:
        return QStringLiteral("Связь с платой потеряна.");
    case TAnswerEnd::Busy:
        return QString::fromUtf8(BoardBusyText);
    case TAnswerEnd::Unsettled:
        return QStringLiteral("Плата всё ещё передаёт ответ прерванной операции (получено %1 КБ), "
                              "запрос не отправлен. Повторите позже.")
            .arg(a.Discarded / 1024);
    case TAnswerEnd::Refused:
        return QStringLiteral("Команда не отправлена.");
    case TAnswerEnd::Restarted:
        return QStringLiteral("Плата перезапустилась во время операции. Настройки, не "
                              "сохранённые во флеш, потеряны.");
    case TAnswerEnd::OutOfStep:
        return QStringLiteral("Ответы платы не совпали с командами (лишнее приглашение или "
                              "повторный ответ). Повторите операцию.");
    }
    return QString();
}

QString BoardWaitText(const TBoardLink& link, qint64 bytes) {
    if (!link.Held() && !link.InStep())
        return bytes > 0 ? QStringLiteral("Плата заканчивает прерванный ответ… (получено %1 КБ)")
                               .arg((bytes + 1023) / 1024)
                         : QStringLiteral("Плата заканчивает прерванный ответ…");
    return QStringLiteral("Ожидание: плата занята другой операцией…");
}
