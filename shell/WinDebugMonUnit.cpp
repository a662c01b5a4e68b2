#include "shell/WinDebugMonUnit.h"

#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
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
}

void TWinDebugMon::AddLogLine(const QByteArray& line) {
    // The board's text is 8-bit; Latin-1 shows every byte as one character.
    const QString text = QString::fromLatin1(line);
    QScrollBar* bar = LogCtrl->verticalScrollBar();
    const bool atBottom = bar->value() == bar->maximum();
    QTextCursor cursor(LogCtrl->document());
    cursor.movePosition(QTextCursor::End);
    // The document starts with one empty block: the first line goes into it,
    // so a first line that is empty (the handshake's empty command) is kept
    // as a line of its own instead of vanishing.
    if (m_empty)
        m_empty = false;
    else
        cursor.insertBlock();
    cursor.insertText(text);
    if (atBottom)
        bar->setValue(bar->maximum());
}
