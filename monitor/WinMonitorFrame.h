#pragma once
// The frame every stream monitor shares: the heading, the log-file choice,
// start and stop, the capped payload list and the tick that copies the
// stream's telemetry slot into the list and the log file. The sensor
// monitors and the attitude monitor add what they show of each payload.

#include "link/BoardLinkUnit.h"
#include "monitor/MonitorList.h"
#include "ui/TaskWindow.h"

#include <memory>

class QCheckBox;
class QFile;
class QFrame;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class QToolButton;
class QVBoxLayout;

// One member of the monitor family.
struct TMonitorMember {
    const char* ClassName;
    const char* Unit;
    const char* Caption; // window caption
    const char* Heading; // bold heading in the window
    const char* Stream;  // "mon on <stream>" / "mon off <stream>"
    TTelemetrySlot Slot;
    const char* Action; // main-window action that opens it
    int TickMs;         // list the slot this often while monitoring
};

class TWinMonitorFrame : public TTaskWindow {
    Q_OBJECT
public:
    // Lines kept in the list: about 200 seconds at ten ticks a second.
    static constexpr int MaxLines = 2000;

    explicit TWinMonitorFrame(const TMonitorMember& member, QWidget* parent = nullptr);
    ~TWinMonitorFrame() override;

    const TMonitorMember& Member() const { return m_member; }
    bool Monitoring() const;
    bool HasLogFile() const { return m_log != nullptr; }
    // Start was pressed and the stream waits for the board to be free.
    bool Starting() const { return m_startPending; }

    // Handlers, named after their controls.
    void SpeedButton1Click(); // choose the log file
    void SpeedButton2Click(); // start
    void SpeedButton3Click(); // stop
    void Timer1Timer();       // one tick

    QLabel* Label3;
    QCheckBox* CheckBox1;
    QLabel* Label2;
    QLineEdit* FileName;
    QToolButton* SpeedButton1;
    QPushButton* SpeedButton2;
    QPushButton* SpeedButton3;
    TMonitorList* Monitor;
    QTimer* Timer1;

protected:
    void FormClose() override;
    // What a member shows of the payload besides the list; runs at every
    // tick after the payload was listed and logged.
    virtual void ShowPayload(const QByteArray& payload) = 0;
    // Builds Panel1 with the heading, the file row and the start/stop row,
    // and returns its layout for the member's own controls below.
    QVBoxLayout* BuildFrame();
    QHBoxLayout* ButtonRow() const { return m_buttonRow; }

private:
    // Switches the stream off if it is on; the window is going away.
    void StopOnDestroy();
    void CloseLogFile();
    // "mon on"/"mon off" of the member's stream, in the board's turn.
    void SwitchStream(bool on);

    const TMonitorMember& m_member;
    // Start and stop wait for the board; a later press makes an earlier
    // one that still waits void.
    int m_pressed = 0;
    bool m_startPending = false;
    std::unique_ptr<QFile> m_log;
    QHBoxLayout* m_buttonRow = nullptr;
};
