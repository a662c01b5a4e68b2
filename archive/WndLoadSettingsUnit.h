#pragma once
// Loading a configuration export file back into the board, section by
// section as the operator ticks them (the file rules live in ConfigLoad).
// Beside the original column: the automatic backups, any of which is loaded
// like a file the operator chose, and whether they are made at all.

#include "archive/ArchiveWidgets.h"

class QCheckBox;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
struct TConfigDiff;
struct TLoadCheck;
class QPushButton;
class QToolButton;

class TWndLoadSettings : public TArchiveWindow {
    Q_OBJECT
public:
    explicit TWndLoadSettings(QWidget* parent = nullptr);

    QLineEdit* FileName;
    QToolButton* SpeedButton1;
    // One per section, indexed like LoadSections (stab, IMU, osd, gyro, mag,
    // wp, adc, bat, control_in, control_out, control_mix).
    QCheckBox* Boxes[11];
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
    // "Резервные копии": newest first; choosing one puts it in FileName.
    QListWidget* BackupList;
    // Whether a backup precedes every load and reset (the settings file key).
    QCheckBox* AutoBackupBox;
    // "Сравнить с устройством": reads the board and lists, per checked
    // section, the file's lines that would change a value (old → new).
    QPushButton* CompareButton;
    // "Загрузка" sends only those lines (off: the whole sections, as ever).
    QCheckBox* ChangedOnlyBox;
    // After the load the loaded sections are read back and compared with
    // what was sent (on unless the operator must load fast; kept in the
    // settings file).
    QCheckBox* VerifyBox;
    QPlainTextEdit* PreviewText;

    void SpeedButton1Click();
    void BitBtn1Click();
    void BitBtn2Click() { close(); }
    void FillBackupList();
    void CompareButtonClick();

private:
    // Reads the board's configuration and compares the file with it; false
    // (the operator told) when the board did not give it.
    bool CompareWithBoard(const QString& name, TConfigDiff& diff);
    void ShowDiff(const TConfigDiff& diff);
    // The end message of a load the board did not take whole: the refused
    // lines with its answers and the differing ones, and "Повторить", which
    // sends them again and reads them back, as often as the operator asks.
    void ReportNotTaken(TLoadCheck check, QString text);
};

extern QPointer<TWndLoadSettings> WndLoadSettings;
