#pragma once
// Download of one flight's log from the board into a text (CSV) file (the
// line rules live in FlightLogs).

#include "archive/ArchiveWidgets.h"
#include "archive/FlightLogs.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QToolButton;

class TWinExportLogs : public TArchiveWindow {
    Q_OBJECT
public:
    explicit TWinExportLogs(QWidget* parent = nullptr);
    // Opens at once and lists the flights the board holds ("log dir") as
    // soon as the board is free: the board may take as long to answer as a
    // dump may pause, so the window says it is reading meanwhile and can be
    // closed.
    bool FormCreate() override;
    // The flight list is being read (or waits for the board).
    bool ReadingFlights() const { return m_reading; }

    QComboBox* FlightNumber;
    QLineEdit* FileName;
    QToolButton* SpeedButton1;
    QCheckBox* ReplacePoints;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
    // Shown after a download: opens the file in the flight log viewer.
    QPushButton* ViewButton;

    void SpeedButton1Click();
    void BitBtn1Click();
    void BitBtn2Click() { close(); }

private:
    void ReadFlights();
    void ShowFlights();

    TFlightRange m_range;
    QString m_downloaded;
    // The first row of the last download as the board sent it, and which
    // of its columns had fractions when the file got decimal commas.
    QByteArray m_firstRow;
    QVector<bool> m_fractions;
    bool m_reading = false;
};

extern QPointer<TWinExportLogs> WinExportLogs;
