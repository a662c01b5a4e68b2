#pragma once
// "Монитор значений входных каналов": a modal dialog that keeps the board's
// ppm_input stream on while it is open and lists the stream's newest payload
// five times a second (the newest 1000 lines are kept). When the payload is
// a list of pulse widths, bars above the list show them.

#include <QDialog>

class QPlainTextEdit;
class QTimer;
class TPpmBars;

class TDlg_PPM_Monitor : public QDialog {
    Q_OBJECT
public:
    // Empties the response queue, switches the stream on and starts ticking.
    // The dialog frees itself when closed.
    explicit TDlg_PPM_Monitor(QWidget* parent = nullptr);
    // Empties the response queue and switches the stream off.
    ~TDlg_PPM_Monitor() override;

    static constexpr int TickMs = 200;
    static constexpr int KeptLines = 1000;

    // One tick: the trimmed payload (or "Данные отсутствуют") as a new line.
    void Timer1Timer();

    QPlainTextEdit* MonMemo;
    QTimer* Timer1;
    TPpmBars* Bars;
};
