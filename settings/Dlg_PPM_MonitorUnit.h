#pragma once
// "Монитор значений входных каналов": a modal dialog that keeps the board's
// ppm_input stream on while it is open and lists the stream's newest payload
// five times a second (the newest 1000 lines are kept). When the payload is
// a list of pulse widths, bars above the list show them. The stream switches
// wait for the board's turn: while another conversation holds the board the
// dialog says so and switches the stream on when it is free.

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QTimer;
class TPpmBars;

class TDlg_PPM_Monitor : public QDialog {
    Q_OBJECT
public:
    // Switches the stream on (when the board is free) and starts ticking.
    // The dialog frees itself when closed.
    explicit TDlg_PPM_Monitor(QWidget* parent = nullptr);
    // Switches the stream off, if it was switched on.
    ~TDlg_PPM_Monitor() override;

    static constexpr int TickMs = 200;
    static constexpr int KeptLines = 1000;

    // One tick: the trimmed payload (or "Данные отсутствуют") as a new line.
    void Timer1Timer();

    QPlainTextEdit* MonMemo;
    QTimer* Timer1;
    TPpmBars* Bars;
    // Shown while the stream waits for the board.
    QLabel* WaitNote;

private:
    void StreamOn();

    bool m_streamOn = false;
};
