#include "shell/WinDebugMonUnit.h"

#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>
#include <QVBoxLayout>

TWinDebugMon::TWinDebugMon(QWidget* parent) : TTaskWindow(parent) {
    setObjectName("WinDebugMon");
    setWindowTitle("COM порт монитор");

    LogCtrl = new QPlainTextEdit;
    LogCtrl->setObjectName("LogCtrl");
    LogCtrl->setReadOnly(true);
    LogCtrl->setLineWrapMode(QPlainTextEdit::NoWrap);
    LogCtrl->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    LogCtrl->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    LogCtrl->setMaximumBlockCount(MaxLines);
    LogCtrl->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    m_column = new QVBoxLayout(Body());
    m_column->setContentsMargins(0, 0, 0, 0);
    m_column->setSpacing(2);
    m_column->addWidget(LogCtrl);
    resize(560, 380);

    m_flushTimer = new QTimer(this);
    m_flushTimer->setSingleShot(true);
    m_flushTimer->setInterval(FlushMs);
    connect(m_flushTimer, &QTimer::timeout, this, &TWinDebugMon::Flush);
}

void TWinDebugMon::AddLogLine(const QByteArray& line) {
    // The board's text is 8-bit; Latin-1 shows every byte as one character.
    m_pending << QString::fromLatin1(line);
    // Lines beyond what the monitor keeps would only be trimmed again.
    if (m_pending.size() > MaxLines)
        m_pending.removeFirst();
    if (!m_flushTimer->isActive())
        m_flushTimer->start();
}

void TWinDebugMon::Flush() {
    m_flushTimer->stop();
    if (m_pending.isEmpty())
        return;
    QScrollBar* bar = LogCtrl->verticalScrollBar();
    const bool atBottom = bar->value() == bar->maximum();
    QTextCursor cursor(LogCtrl->document());
    cursor.beginEditBlock();
    cursor.movePosition(QTextCursor::End);
    for (const QString& text : std::as_const(m_pending)) {
        // The document starts with one empty block: the first line goes into
        // it, so a first line that is empty (the handshake's empty command)
        // is kept as a line of its own instead of vanishing.
        if (m_empty)
            m_empty = false;
        else
            cursor.insertBlock();
        cursor.insertText(text);
    }
    cursor.endEditBlock();
    m_pending.clear();
    if (atBottom)
        bar->setValue(bar->maximum());
}
