#include "archive/ArchiveRun.h"

#include "link/OutputFile.h"

namespace {
QString FileClauseRu(const TArchiveResult& r) {
    if (r.Detail.isEmpty() || (r.InPlace && !r.NotAtomic))
        return QString();
    if (r.NotAtomic)
        return QStringLiteral("\nФайл %1 записывался на месте прежнего и может быть неполным.")
            .arg(r.Detail);
    return r.FileExisted ? QStringLiteral("\nПрежний файл %1 оставлен без изменений.").arg(r.Detail)
                         : QStringLiteral("\nФайл %1 не создан.").arg(r.Detail);
}

QString FileClauseEn(const TArchiveResult& r) {
    if (r.Detail.isEmpty() || (r.InPlace && !r.NotAtomic))
        return QString();
    if (r.NotAtomic)
        return QStringLiteral("; %1 was overwritten in place and may be incomplete").arg(r.Detail);
    return r.FileExisted ? QStringLiteral("; %1 left unchanged").arg(r.Detail)
                         : QStringLiteral("; %1 not created").arg(r.Detail);
}

QString ReasonRu(const TArchiveResult& r) {
    return r.Reason.isEmpty() ? QString() : QStringLiteral(": ") + FileErrorText(r.Reason);
}

QString ReasonEn(const TArchiveResult& r) {
    return r.Reason.isEmpty() ? QString() : QStringLiteral(": ") + r.Reason;
}

int Seconds(int ms) {
    return (ms + 999) / 1000;
}
} // namespace

QString TArchiveResult::RussianText() const {
    switch (Status) {
    case TArchiveStatus::Ok:
        return QString();
    case TArchiveStatus::Cancelled:
        return QStringLiteral("Операция отменена.") + FileClauseRu(*this);
    case TArchiveStatus::BoardSilent:
        return QStringLiteral("Плата не отвечает дольше %1 с, операция прервана.")
                   .arg(Seconds(SilenceMs)) +
               FileClauseRu(*this);
    case TArchiveStatus::LinkLost:
        return QStringLiteral("Связь с платой потеряна, операция прервана.") + FileClauseRu(*this);
    case TArchiveStatus::NoFile:
        return QStringLiteral("Не задан файл");
    case TArchiveStatus::FileOpenFailed:
        return QStringLiteral("Не удалось создать файл %1").arg(Detail) + ReasonRu(*this);
    case TArchiveStatus::FileWriteFailed:
        return QStringLiteral("Ошибка записи в файл %1").arg(Detail) + ReasonRu(*this) + "." +
               FileClauseRu(*this);
    case TArchiveStatus::FileReadFailed:
        return QStringLiteral("Не удалось прочитать файл %1").arg(Detail);
    case TArchiveStatus::BadAnswer:
        return QStringLiteral("Непонятный ответ платы: '%1'").arg(Detail);
    case TArchiveStatus::Busy:
        return QStringLiteral("Дождитесь окончания выполняемой операции");
    case TArchiveStatus::Unsettled:
        return QStringLiteral("Плата всё ещё передаёт ответ прерванной операции, ничего не "
                              "отправлено. Повторите позже.") +
               FileClauseRu(*this);
    case TArchiveStatus::Restarted:
        return QStringLiteral("Плата перезапустилась во время операции, операция прервана. "
                              "Настройки, не сохранённые во флеш, потеряны.") +
               FileClauseRu(*this);
    case TArchiveStatus::Differs:
        return QStringLiteral("Плата приняла не всё, что ей отправлено.");
    case TArchiveStatus::OutOfStep:
        return QStringLiteral("Ответы платы не совпали с командами (лишнее приглашение или "
                              "повторный ответ), операция прервана. Повторите её.") +
               FileClauseRu(*this);
    }
    return QString();
}

QString TArchiveResult::EnglishText() const {
    switch (Status) {
    case TArchiveStatus::Ok:
        return QString();
    case TArchiveStatus::Cancelled:
        return QStringLiteral("cancelled") + FileClauseEn(*this);
    case TArchiveStatus::BoardSilent:
        return QStringLiteral("board silent for more than %1 s").arg(Seconds(SilenceMs)) +
               FileClauseEn(*this);
    case TArchiveStatus::LinkLost:
        return QStringLiteral("link to the board lost") + FileClauseEn(*this);
    case TArchiveStatus::NoFile:
        return QStringLiteral("no file given");
    case TArchiveStatus::FileOpenFailed:
        return QStringLiteral("cannot create %1").arg(Detail) + ReasonEn(*this);
    case TArchiveStatus::FileWriteFailed:
        return QStringLiteral("write to %1 failed").arg(Detail) + ReasonEn(*this) +
               FileClauseEn(*this);
    case TArchiveStatus::FileReadFailed:
        return QStringLiteral("cannot read %1").arg(Detail);
    case TArchiveStatus::BadAnswer:
        return QStringLiteral("unexpected board answer '%1'")
            .arg(QString(Detail).remove(QChar(0x2026)));
    case TArchiveStatus::Busy:
        return QStringLiteral("another operation holds the board");
    case TArchiveStatus::Unsettled:
        return QStringLiteral("the board keeps sending the rest of an interrupted answer; "
                              "nothing sent, try again later") +
               FileClauseEn(*this);
    case TArchiveStatus::Restarted:
        return QStringLiteral("the board restarted during the operation; settings not saved "
                              "to flash are lost") +
               FileClauseEn(*this);
    case TArchiveStatus::Differs:
        return QStringLiteral("the board did not take everything it was sent");
    case TArchiveStatus::OutOfStep:
        return QStringLiteral("the board's answers were out of step with the commands "
                              "(an extra prompt or a repeated answer); try again") +
               FileClauseEn(*this);
    }
    return QString();
}

QString TArchiveResult::WrittenNoteRu() const {
    return NotAtomic ? "\n" + NotAtomicNote(Detail) : QString();
}

void ShowFileOpen(const TRunHooks& hooks, int total) {
    if (hooks.Progress)
        hooks.Progress(TProgress{1, 0, total});
}

TRequest RunRequest(const QByteArray& command, int silenceMs, const TRunHooks& hooks,
                    std::function<bool(const QByteArray&)> onLine) {
    TRequest r;
    r.Commands = {command};
    r.SilenceMs = hooks.SilenceMs ? hooks.SilenceMs : silenceMs;
    r.Mode = hooks.Mode;
    r.Cancel = hooks.Cancel;
    r.OnLine = std::move(onLine);
    if (hooks.Progress)
        r.Settling = [progress = hooks.Progress](qint64 bytes) {
            TProgress p;
            p.Settling = std::max<qint64>(1, bytes);
            progress(p);
        };
    return r;
}

TArchiveResult ResultOf(const TAnswer& a) {
    TArchiveResult result;
    switch (a.End) {
    case TAnswerEnd::Prompt:
    case TAnswerEnd::Stopped:
        break;
    case TAnswerEnd::Silent:
        result.Status = TArchiveStatus::BoardSilent;
        result.SilenceMs = a.SilenceMs;
        break;
    case TAnswerEnd::Flood:
        // Text without line ends: no answer, and nothing to show but its start.
        result.Status = TArchiveStatus::BadAnswer;
        result.Detail = QString::fromLatin1(a.Sample) + QStringLiteral("…");
        break;
    case TAnswerEnd::Cancelled:
    case TAnswerEnd::Refused:
        result.Status = TArchiveStatus::Cancelled;
        break;
    case TAnswerEnd::LinkLost:
        result.Status = TArchiveStatus::LinkLost;
        break;
    case TAnswerEnd::Busy:
        result.Status = TArchiveStatus::Busy;
        break;
    case TAnswerEnd::Unsettled:
        result.Status = TArchiveStatus::Unsettled;
        break;
    case TAnswerEnd::Restarted:
        result.Status = TArchiveStatus::Restarted;
        break;
    case TAnswerEnd::OutOfStep:
        result.Status = TArchiveStatus::OutOfStep;
        break;
    }
    return result;
}

TArchiveResult ReadListing(TBoardLink& link, const QByteArray& command, QByteArrayList& lines,
                           const TRunHooks& hooks) {
    return ResultOf(
        link.Request(RunRequest(command, ListingSilenceMs, hooks, [&](const QByteArray& line) {
            lines << line;
            return true;
        })));
}

QByteArrayList SaveSettingsCommands(bool config, bool controls) {
    QByteArrayList out;
    if (config)
        out << "save config\r\n";
    if (controls)
        out << "save controls\r\n";
    return out;
}

bool OpenOutputFile(TOutputFile& file, const QString& fileName, const TRunHooks& hooks,
                    TArchiveResult& result) {
    if (fileName.isEmpty()) {
        result.Status = TArchiveStatus::NoFile;
        return false;
    }
    result.Detail = fileName;
    file.SetWaitForReader(hooks.WaitForReader);
    if (!file.Open()) {
        result.Status = TArchiveStatus::FileOpenFailed;
        result.Reason = file.SystemError();
        return false;
    }
    result.FileExisted = file.Existed();
    return true;
}

void FinishOutputFile(TOutputFile& file, const QString& fileName, TArchiveResult& result) {
    if (result.Ok() && !file.Commit())
        result.Status = TArchiveStatus::FileWriteFailed;
    if (result.Status == TArchiveStatus::FileWriteFailed)
        result.Reason = file.SystemError();
    file.Cancel();
    if (result.Status != TArchiveStatus::BadAnswer) // that one names what the board sent
        result.Detail = fileName;
    result.FileExisted = file.Existed();
    result.InPlace = file.InPlace();
    result.NotAtomic = file.NotAtomic();
}
