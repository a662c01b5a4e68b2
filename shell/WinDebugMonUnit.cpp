#include "shell/WinDebugMonUnit.h"

#include "link/JournalOrigin.h"
#include "ui/FormPieces.h"

#include "ui/BoardAccess.h"
#include "ui/Dialogs.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTime>
#include <QTimer>
#include <QVBoxLayout>

namespace {
// The command line: Up and Down walk the history instead of moving the cursor.
class TCommandEdit : public QLineEdit {
public:
    explicit TCommandEdit(TWinDebugMon* mon) : m_mon(mon) {}

protected:
    void keyPressEvent(QKeyEvent* e) override {
        if (e->key() == Qt::Key_Up)
            m_mon->HistoryOlder();
        else if (e->key() == Qt::Key_Down)
            m_mon->HistoryNewer();
        else if (e->key() == Qt::Key_Escape)
            m_mon->StopConsole();
        else
            QLineEdit::keyPressEvent(e);
    }

private:
    TWinDebugMon* m_mon;
};

bool IsLatin1(const QString& text) {
    for (QChar c : text)
        if (c.unicode() > 0xFF)
            return false;
    return true;
}
} // namespace

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
    LogCtrl->setFont(FixedPitchFont());

    CommandLine = new TCommandEdit(this);
    CommandLine->setObjectName("CommandLine");
    CommandLine->setFont(LogCtrl->font());
    CommandLine->setPlaceholderText("Команда устройству, Enter — отправить");
    PauseBox = new QCheckBox("Пауза");
    PauseBox->setObjectName("PauseBox");
    TimeBox = new QCheckBox("Время");
    TimeBox->setObjectName("TimeBox");
    TimeBox->setToolTip("Показывать время прихода каждой строки");
    SaveButton = new QPushButton("Сохранить…");
    SaveButton->setObjectName("SaveButton");
    ConsoleNote = new QLabel;
    ConsoleNote->setObjectName("ConsoleNote");
    ConsoleNote->setStyleSheet("color: maroon;");

    m_column = new QVBoxLayout(Body());
    m_column->setContentsMargins(0, 0, 0, 0);
    m_column->setSpacing(2);
    m_column->addWidget(LogCtrl, 1);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(2, 0, 2, 2);
    row->addWidget(new QLabel(">"));
    row->addWidget(CommandLine, 1);
    row->addWidget(PauseBox);
    row->addWidget(TimeBox);
    row->addWidget(SaveButton);
    m_column->addLayout(row);
    m_column->addWidget(ConsoleNote);
    resize(560, 380);

    connect(CommandLine, &QLineEdit::returnPressed, this, &TWinDebugMon::CommandLineEnter);
    connect(PauseBox, &QCheckBox::toggled, this, &TWinDebugMon::PauseToggled);
    connect(SaveButton, &QPushButton::clicked, this, &TWinDebugMon::SaveButtonClick);
    m_history.Load();

    m_flushTimer = new QTimer(this);
    m_flushTimer->setSingleShot(true);
    m_flushTimer->setInterval(FlushMs);
    connect(m_flushTimer, &QTimer::timeout, this, &TWinDebugMon::Flush);
}

void TWinDebugMon::AddLogLine(const QByteArray& line) {
    // The board's text is 8-bit; Latin-1 shows every byte as one character.
    QString text = QString::fromLatin1(line);
    if (TimeBox->isChecked())
        text.prepend(QTime::currentTime().toString("HH:mm:ss.zzz") + "  ");
    if (PauseBox->isChecked()) {
        m_held << text;
        // Only the newest MaxLines could be shown on resume anyway.
        if (m_held.size() > MaxLines)
            m_held.removeFirst();
        return;
    }
    m_pending << text;
    // Lines beyond what the monitor keeps would only be trimmed again.
    if (m_pending.size() > MaxLines)
        m_pending.removeFirst();
    if (!m_flushTimer->isActive())
        m_flushTimer->start();
}

void TWinDebugMon::Flush() {
    if (m_flushTimer)
        m_flushTimer->stop();
    Show(std::exchange(m_pending, {}));
}

void TWinDebugMon::Show(const QStringList& texts) {
    if (texts.isEmpty())
        return;
    QScrollBar* bar = LogCtrl->verticalScrollBar();
    const bool atBottom = bar->value() == bar->maximum();
    QTextCursor cursor(LogCtrl->document());
    cursor.beginEditBlock();
    cursor.movePosition(QTextCursor::End);
    for (const QString& text : texts) {
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
    if (atBottom)
        bar->setValue(bar->maximum());
}

void TWinDebugMon::PauseToggled(bool paused) {
    // Lines that came before the pause are shown before it takes hold.
    Flush();
    if (paused)
        return;
    Show(std::exchange(m_held, {}));
    LogCtrl->verticalScrollBar()->setValue(LogCtrl->verticalScrollBar()->maximum());
}

QStringList TWinDebugMon::ShownLines() const {
    QStringList out;
    if (!m_empty)
        for (QTextBlock b = LogCtrl->document()->begin(); b.isValid(); b = b.next())
            out << b.text();
    out += m_pending;
    return out.mid(qMax(0, int(out.size()) - MaxLines));
}

void TWinDebugMon::CommandLineEnter() {
    const QString text = CommandLine->text();
    // The typed text stays in the line whenever it is not sent.
    if (!MainForm || !MainForm->Connected) {
        Dialogs().Message("Нет соединения с устройством: команда не отправлена");
        return;
    }
    if (!IsLatin1(text)) {
        Dialogs().Message("Команда содержит символы, которых устройство не знает "
                          "(например, русские буквы): команда не отправлена");
        return;
    }
    m_typed << text.toLatin1() + "\r\n";
    m_history.Add(text);
    CommandLine->clear();
    // A line still waiting for its answer gives way to this one (see the
    // cancel in RunConsole); a console already waiting for the board takes
    // this line along.
    if (m_consoleRunning || m_consoleWaiting)
        return;
    m_consoleWaiting = true;
    ConsoleNote->setText(QStringLiteral("Команда ждёт, пока плата освободится…"));
    WhenBoardFree(
        [this] {
            m_consoleWaiting = false;
            RunConsole();
        },
        false,
        [this](const TAnswer& why) {
            m_consoleWaiting = false;
            m_typed.clear();
            ConsoleNote->setText(QStringLiteral("Команда не отправлена: ") + BoardAnswerText(why));
        });
}

void TWinDebugMon::RunConsole() {
    BeginBusy();
    bool raw = false;
    while (!m_typed.isEmpty() && !CancelRequested()) {
        // Lines typed while the console waited for the board go together.
        const QByteArrayList lines = std::exchange(m_typed, {});
        const QString shown = QString::fromLatin1(lines.last().trimmed());
        m_consoleRunning = true;
        m_stopConsole = false;
        ConsoleNote->setText(QStringLiteral("Ответ платы на \"%1\"… (Esc — не ждать)").arg(shown));
        const TJournalOrigin origin(QStringLiteral("Консоль"));
        TRequest r;
        r.Commands = lines;
        r.Mode = TWaitMode::ProcessEvents;
        r.Raw = raw;
        r.Cancel = [this] { return m_stopConsole || !m_typed.isEmpty() || CancelRequested(); };
        const TAnswer a = MainForm->Request(r);
        // Given way to a line typed meanwhile: that one goes at once.
        raw = a.End == TAnswerEnd::Cancelled && !m_typed.isEmpty();
        ConsoleNote->setText(a.Ok() || a.End == TAnswerEnd::Cancelled
                                 ? QString()
                                 : QStringLiteral("\"%1\": %2").arg(shown, BoardAnswerText(a)));
    }
    m_consoleRunning = false;
    m_typed.clear();
    EndBusy();
}

void TWinDebugMon::StopConsole() {
    m_stopConsole = true;
}

void TWinDebugMon::HistoryOlder() {
    CommandLine->setText(m_history.Older(CommandLine->text()));
}

void TWinDebugMon::HistoryNewer() {
    CommandLine->setText(m_history.Newer(CommandLine->text()));
}

void TWinDebugMon::SaveButtonClick() {
    Flush();
    const QString name =
        Dialogs().SaveFileName("Сохранить журнал порта", "*.txt (*.txt);;*.* (*)", "txt");
    if (name.isEmpty())
        return;
    // The shown text is the board's bytes read as Latin-1 (and ASCII time
    // stamps), so Latin-1 gives the bytes back unchanged.
    QByteArray text;
    for (const QString& line : ShownLines())
        text += line.toLatin1() + "\r\n";
    SaveFileWhole(name, text);
}
