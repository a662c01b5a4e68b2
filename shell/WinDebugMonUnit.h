#pragma once
// The port monitor: the text traffic on the serial link, both directions
// interleaved in the order the worker handled them, newest at the bottom,
// at most MaxLines lines (the oldest go first). Below it a console: a
// command line that sends what the operator types to the board (with a
// history walked by Up/Down), a pause that holds arriving lines until it is
// released, an optional time stamp per line, and saving the shown lines.
// A console line is a conversation of its own: it waits while another holds
// the board, and it holds the board until its prompt (Esc gives up). A line
// typed while the previous one still waits for its answer goes out at once:
// the operator is answering the board himself ("cal mag_save" after "cal
// mag").

#include "shell/CommandHistory.h"
#include "ui/TaskWindow.h"

#include <QByteArray>
#include <QStringList>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QTimer;
class QPushButton;
class QVBoxLayout;

class TWinDebugMon : public TTaskWindow {
    Q_OBJECT
public:
    static constexpr int MaxLines = 1000;
    // Lines are shown in batches at most this often: a log dump or a busy
    // stream brings hundreds of lines a second, and redrawing the view for
    // each one cost more CPU than everything else the panel does.
    static constexpr int FlushMs = 100;

    explicit TWinDebugMon(QWidget* parent = nullptr);

    // Appends one line as the last line, shown within FlushMs (held back
    // while paused). Touches no queue: the main window's log drain calls it
    // while it holds the log queue's lock.
    void AddLogLine(const QByteArray& line);
    // Shows the lines of the next batch at once.
    void Flush();

    QPlainTextEdit* LogCtrl;
    QLineEdit* CommandLine;
    QCheckBox* PauseBox;
    QCheckBox* TimeBox;
    QPushButton* SaveButton;
    // What the console waits for, when it waits.
    QLabel* ConsoleNote;

    // Enter in the command line: the typed text + "\r\n" to the board.
    void CommandLineEnter();
    // Up/Down in the command line.
    void HistoryOlder();
    void HistoryNewer();
    // Esc in the command line: stop waiting for the board's answer.
    void StopConsole();
    // "Сохранить…": the shown lines into a text file.
    void SaveButtonClick();
    // The lines LogCtrl shows, in order, with those of the next batch.
    QStringList ShownLines() const;
    const TCommandHistory& History() const { return m_history; }

protected:
    // The column under which further controls of the monitor go.
    QVBoxLayout* Column() const { return m_column; }

private:
    void Show(const QStringList& texts);
    void PauseToggled(bool paused);
    // Sends the typed lines one after the other, in the board's turn.
    void RunConsole();

    QVBoxLayout* m_column;
    bool m_empty = true;
    QStringList m_held;    // lines that came while paused (the newest MaxLines)
    QStringList m_pending; // the next batch (the newest MaxLines)
    QTimer* m_flushTimer = nullptr;
    TCommandHistory m_history;
    QByteArrayList m_typed; // console lines not yet sent
    bool m_consoleWaiting = false;
    bool m_consoleRunning = false;
    bool m_stopConsole = false;
};
