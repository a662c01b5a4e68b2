#pragma once
// The port monitor: the text traffic on the serial link, both directions
// interleaved in the order the worker handled them, newest at the bottom,
// at most MaxLines lines (the oldest go first).

#include "ui/TaskWindow.h"

#include <QByteArray>

class QPlainTextEdit;
class QVBoxLayout;

class TWinDebugMon : public TTaskWindow {
    Q_OBJECT
public:
    static constexpr int MaxLines = 1000;

    explicit TWinDebugMon(QWidget* parent = nullptr);

    // Appends one line as the last line. Touches no queue: the main window's
    // log drain calls it while it holds the log queue's lock.
    void AddLogLine(const QByteArray& line);

    QPlainTextEdit* LogCtrl;

protected:
    // The column under which further controls of the monitor go.
    QVBoxLayout* Column() const { return m_column; }

private:
    QVBoxLayout* m_column;
    bool m_empty = true;
};
