#include "cli/CliBoard.h"

#include "archive/ArchiveRun.h"
#include "link/PortMessages.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace {
// The board answers the handshake's lines within this long.
constexpr int HandshakeMs = 10000;
// The worker reports the port open or failed within this long.
constexpr int OpenMs = 5000;
// How often a wait looks at the caller's cancel.
constexpr int CancelTickMs = 100;
} // namespace

TCliBoard::TCliBoard() = default;

TCliBoard::~TCliBoard() {
    if (m_worker) {
        m_worker->StopFlag = -1;
        m_worker.reset(); // waits for the thread to end
    }
}

bool TCliBoard::event(QEvent* e) {
    if (!TPortMessage::Is(e))
        return QObject::event(e);
    switch (static_cast<TPortMessage*>(e)->Msg) {
    case WM_PORT_OPENED:
        m_opened = true;
        break;
    case WM_PORT_CLOSED:
        m_closed = true;
        break;
    case WM_PORT_ERROR:
        m_failed = true;
        break;
    case WM_PORT_LOG: {
        // Nobody reads the port log here; keep it from growing.
        TListGuard g(m_link.LogQueue);
        m_link.LogQueue.clear();
        break;
    }
    default:
        break;
    }
    return true;
}

QString TCliBoard::TakeErrors() {
    TListGuard g(m_link.ErrorQueue);
    const QString text = QString::fromLatin1(m_link.ErrorQueue.join("; "));
    m_link.ErrorQueue.clear();
    return text;
}

bool TCliBoard::Open(const QByteArray& port, int baud, QString& error, const TCancelFn& cancel) {
    const auto cancelled = [&] {
        if (!cancel || !cancel())
            return false;
        error = ResultOf(TAnswer{TAnswerEnd::Cancelled}).EnglishText();
        return true;
    };
    m_worker = std::make_unique<TComPort>(false, this, &m_link, port, baud);
    {
        QEventLoop loop;
        QTimer limit;
        limit.setSingleShot(true);
        QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
        limit.start(OpenMs);
        // A signal does not wake the loop; the ticks do, so that the cancel
        // is seen within one.
        QTimer tick;
        tick.start(CancelTickMs);
        while (!m_opened && !m_closed && !m_failed && limit.isActive()) {
            if (cancelled())
                return false;
            loop.processEvents(QEventLoop::WaitForMoreEvents);
        }
    }
    if (!m_opened || m_failed) {
        const QString why = TakeErrors();
        error = why.isEmpty() ? "cannot open " + QString::fromLocal8Bit(port) : why;
        return false;
    }
    for (const QByteArray& line : {QByteArray("\r\n"), QByteArray("echo off\r\n")}) {
        TRequest r;
        r.Commands = {line};
        r.LimitMs = r.SilenceMs = HandshakeMs;
        r.Mode = TWaitMode::ProcessEvents;
        // A prompt the board owed from an earlier session is taken in too.
        if (line == "echo off\r\n")
            r.QuietAfterMs = 200;
        r.Cancel = cancel;
        const TAnswer answer = m_link.Request(r);
        if (answer.End == TAnswerEnd::Cancelled && cancelled())
            return false;
        if (!answer.Ok()) {
            const QString why = TakeErrors();
            error = why.isEmpty() ? QStringLiteral("no answer from the board on %1 "
                                                   "(no prompt within %2 s)")
                                        .arg(QString::fromLocal8Bit(port))
                                        .arg(HandshakeMs / 1000)
                                  : why;
            return false;
        }
    }
    return true;
}
