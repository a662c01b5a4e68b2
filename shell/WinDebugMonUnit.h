#pragma once
// The port monitor: the text traffic on the serial link, both directions
// interleaved in the order the worker handled them, newest at the bottom,
// at most MaxLines lines (the oldest go first).

#include "ui/TaskWindow.h"

#include <QByteArray>
#include <QStringList>

class QPlainTextEdit;
class QTimer;
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

    // Appends one line as the last line (shown within FlushMs). Touches no
    // queue: the main window's log drain calls it while it holds the log
    // queue's lock.
    void AddLogLine(const QByteArray& line);
    // Shows the lines still waiting at once.
    void Flush();

    QPlainTextEdit* LogCtrl;

protected:
    // The column under which further controls of the monitor go.
    QVBoxLayout* Column() const { return m_column; }

private:
    QVBoxLayout* m_column;
    bool m_empty = true;
    QStringList m_pending;
    QTimer* m_flushTimer;
};
