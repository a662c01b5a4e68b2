#pragma once
// Export of the board's whole configuration into a file of ready-to-send
// command lines (the rules live in ConfigExport).

#include "archive/ArchiveWidgets.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

class TWinBackupConfig : public TArchiveWindow {
    Q_OBJECT
public:
    explicit TWinBackupConfig(QWidget* parent = nullptr);

    QLineEdit* FileName;
    QToolButton* SpeedButton1;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;

    void SpeedButton1Click();
    void BitBtn1Click();
    void BitBtn2Click() { close(); }
};

extern QPointer<TWinBackupConfig> WinBackupConfig;
