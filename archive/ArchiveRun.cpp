#include "archive/ArchiveRun.h"

#include <QSaveFile>

#include <QFileInfo>

namespace {
QString FileClauseRu(const TArchiveResult& r) {
    if (r.Detail.isEmpty())
        return QString();
    return r.FileExisted ? QStringLiteral("\nПрежний файл %1 оставлен без изменений.").arg(r.Detail)
                         : QStringLiteral("\nФайл %1 не создан.").arg(r.Detail);
}

QString FileClauseEn(const TArchiveResult& r) {
    if (r.Detail.isEmpty())
        return QString();
    return r.FileExisted ? QStringLiteral("; %1 left unchanged").arg(r.Detail)
                         : QStringLiteral("; %1 not created").arg(r.Detail);
}

// What ends a wait early: a lost link (noted in `lost`) or a cancel.
TCancelFn StopFn(const TRunHooks& hooks, bool& lost) {
    return [&hooks, &lost] {
        if (hooks.LinkLost && hooks.LinkLost()) {
            lost = true;
            return true;
        }
        return hooks.Cancel && hooks.Cancel();
    };
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
        return QStringLiteral("Не удалось создать файл %1").arg(Detail);
    case TArchiveStatus::FileWriteFailed:
        return QStringLiteral("Ошибка записи в файл %1.").arg(Detail) + FileClauseRu(*this);
    case TArchiveStatus::FileReadFailed:
        return QStringLiteral("Не удалось прочитать файл %1").arg(Detail);
    case TArchiveStatus::BadAnswer:
        return QStringLiteral("Непонятный ответ платы: '%1'").arg(Detail);
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
        return QStringLiteral("cannot create %1").arg(Detail);
    case TArchiveStatus::FileWriteFailed:
        return QStringLiteral("write to %1 failed").arg(Detail) + FileClauseEn(*this);
    case TArchiveStatus::FileReadFailed:
        return QStringLiteral("cannot read %1").arg(Detail);
    case TArchiveStatus::BadAnswer:
        return QStringLiteral("unexpected board answer '%1'").arg(Detail);
    }
    return QString();
}

TArchiveResult ReadUntilPrompt(TBoardLink& link, int silenceMs, const TRunHooks& hooks,
                               const std::function<bool(const QByteArray&)>& onLine) {
    TArchiveResult result;
    bool lost = false;
    const TCancelFn stop = StopFn(hooks, lost);
    for (;;) {
        QByteArray line;
        switch (link.WaitResponseLine(line, silenceMs, hooks.Mode, stop)) {
        case TWaitResult::Timeout:
            result.Status = TArchiveStatus::BoardSilent;
            result.SilenceMs = silenceMs;
            return result;
        case TWaitResult::Cancelled:
            result.Status = lost ? TArchiveStatus::LinkLost : TArchiveStatus::Cancelled;
            return result;
        case TWaitResult::Line:
            break;
        }
        if (line.size() > MaxAnswerLineBytes) {
            // Text without line ends, cut into lines by the worker: a board
            // stuck babbling. Its pieces keep coming faster than any silence
            // limit, so the run would never end; and they are no answer.
            result.Status = TArchiveStatus::BadAnswer;
            result.Detail = QString::fromLatin1(line.left(40)) + QStringLiteral("…");
            return result;
        }
        if (line == "=>" || !onLine(line))
            return result;
    }
}

TArchiveResult ReadListing(TBoardLink& link, const QByteArray& command, QByteArrayList& lines,
                           const TRunHooks& hooks) {
    link.ClearResponses();
    link.SendCommand(command);
    return ReadUntilPrompt(link, hooks.SilenceMs ? hooks.SilenceMs : ArchiveListingSilenceMs, hooks,
                           [&](const QByteArray& line) {
                               lines << line;
                               return true;
                           });
}

TArchiveResult PauseDroppingLines(TBoardLink& link, int ms, const TRunHooks& hooks) {
    TArchiveResult result;
    bool lost = false;
    const TCancelFn stop = StopFn(hooks, lost);
    // The deadline is fixed: lines arriving meanwhile (a board that keeps
    // talking) must not stretch the pause.
    const qint64 end = link.Clock()->NowMs() + ms;
    for (qint64 left = ms; left > 0; left = end - link.Clock()->NowMs()) {
        QByteArray line;
        const TWaitResult w = link.WaitResponseLine(line, static_cast<int>(left), hooks.Mode, stop);
        if (w == TWaitResult::Timeout)
            break;
        if (w == TWaitResult::Cancelled) {
            result.Status = lost ? TArchiveStatus::LinkLost : TArchiveStatus::Cancelled;
            break;
        }
    }
    return result;
}

QByteArrayList SaveSettingsCommands(bool config, bool controls) {
    QByteArrayList out;
    if (config)
        out << "save config\r\n";
    if (controls)
        out << "save controls\r\n";
    return out;
}

bool OpenOutputFile(QSaveFile& file, const QString& fileName, TArchiveResult& result) {
    if (fileName.isEmpty()) {
        result.Status = TArchiveStatus::NoFile;
        return false;
    }
    result.Detail = fileName;
    result.FileExisted = QFileInfo::exists(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        result.Status = TArchiveStatus::FileOpenFailed;
        result.Detail = fileName + ": " + file.errorString();
        return false;
    }
    return true;
}
