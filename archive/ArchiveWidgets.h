#pragma once
// Pieces the archive windows share (besides the forms' pieces in ui/): the
// OK/cancel row, the run indicator (counter, progress bar and stop button) and the hooks that
// tie a run to its window. One run at a time is the board's rule (TBoardHold).

#include "archive/ArchiveRun.h"
#include "ui/BoardAccess.h"
#include "ui/FormPieces.h"
#include "ui/TaskWindow.h"

#include <QPointer>
#include <QWidget>
#include <optional>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QToolButton;
class TTaskWindow;

// The centred bottom buttons `BitBtn1` (default; caption as given) and
// `BitBtn2` "Отмена" of the archive windows.
struct TOkCancelRow {
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
    QWidget* Row;
};
TOkCancelRow MakeOkCancelRow(const QString& okCaption = QStringLiteral("OK"));

// Counter label and value (`Label4`, `secCount`), shown only while a run is
// on, above a progress bar and the "Отмена" button that stops the run.
class TRunIndicator : public QWidget {
    Q_OBJECT
public:
    // `counterCaption` e.g. "Выгружено секунд:"; `withCounter` false for a
    // run that has no counter (calibration).
    TRunIndicator(const QString& counterCaption, bool withCounter, QWidget* parent = nullptr);

    QLabel* Label4 = nullptr;
    QLabel* secCount = nullptr;
    QProgressBar* Progress;
    QPushButton* StopButton;
    // While the board finishes an interrupted answer before the run can
    // send: what it waits for.
    QLabel* SettleNote;

    void Start();
    void Show(const TProgress& p);
    // Ends the run's display; `keepCounter` leaves the counter showing how
    // far a failed run got.
    void Finish(bool keepCounter);

signals:
    void StopClicked();
};

// Hooks for a run of `window`: progress to `indicator`, cancel when the
// window asks for it (its stop button or its closing).
TRunHooks WindowRunHooks(TTaskWindow* window, TRunIndicator* indicator);

// Tells the operator how a run ended: nothing on success (the window says
// its own completion), nothing when the window is closing, a message for a
// stop the operator asked for, an error box otherwise.
void ReportRun(const TArchiveResult& r, bool stoppedByOperator);

struct TLoadCheck;
// A list in a message box stays readable: the first `max` lines, the rest
// counted.
QStringList CappedLines(const QStringList& lines, int max = 20);
// What a verified send did not get done, for a message: each refused line
// with the board's answer and each line the board holds otherwise, under
// their headings; empty when there is neither.
QString NotTakenText(const TLoadCheck& check);

// The frame of the archive windows: their run indicator, and the bracket of
// a run written once, so that no window unwinds a run by hand.
class TArchiveWindow : public TTaskWindow {
    Q_OBJECT
public:
    TRunIndicator* Run = nullptr;

protected:
    explicit TArchiveWindow(QWidget* parent = nullptr) : TTaskWindow(parent) {}
    // Creates the window's run indicator (the caller's layout takes it); its
    // stop button asks the running operation to stop.
    TRunIndicator* MakeRun(const QString& counterCaption, bool withCounter);

    // One run. It holds the board (Held() false when another operation has
    // it: the operator was told and nothing else happened), marks the window
    // busy and disables `controls` until End() or its end, whichever comes
    // first; End() before the run's outcome is reported, so that the board
    // is free again while a message box waits for the operator.
    class TRunScope {
    public:
        TRunScope(TArchiveWindow& window, QList<QWidget*> controls);
        ~TRunScope() { End(); }
        TRunScope(const TRunScope&) = delete;
        TRunScope& operator=(const TRunScope&) = delete;
        bool Held() const { return m_hold && m_hold->Held(); }
        void End();

    private:
        TArchiveWindow& m_window;
        QList<QPointer<QWidget>> m_controls;
        std::optional<TBoardHold> m_hold;
        bool m_busy = false;
    };

    // Hooks for a run of this window: progress to its indicator, cancel when
    // the stop button or the window's closing asks for it.
    TRunHooks Hooks() { return WindowRunHooks(this, Run); }
    // Tells the operator how a failed run ended (see ReportRun).
    void Report(const TArchiveResult& r) const { ReportRun(r, m_stopPressed); }
    bool StopPressed() const { return m_stopPressed; }

private:
    bool m_stopPressed = false;
};
