#pragma once
// Download of one flight's log from the board into a text (CSV) file (the
// line rules live in FlightLogs).

#include "archive/FlightLogs.h"
#include "ui/TaskWindow.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QToolButton;
class TRunIndicator;

class TWinExportLogs : public TTaskWindow {
    Q_OBJECT
public:
    explicit TWinExportLogs(QWidget* parent = nullptr);
    // Lists the flights the board holds ("log dir").
    bool FormCreate() override;
    bool ListsOnOpen() const override { return true; }

    QComboBox* FlightNumber;
    QLineEdit* FileName;
    QToolButton* SpeedButton1;
    QCheckBox* ReplacePoints;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
    TRunIndicator* Run;

    void SpeedButton1Click();
    void BitBtn1Click();
    void BitBtn2Click() { close(); }

private:
    TFlightRange m_range;
    bool m_stopPressed = false;
};

extern QPointer<TWinExportLogs> WinExportLogs;
