#pragma once
// The connect dialog: which port, at what speed, and whether the port
// monitor opens with the connection.

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

class TDlgConnect : public QDialog {
    Q_OBJECT
public:
    explicit TDlgConnect(QWidget* owner = nullptr);

    // Free text; the drop-down offers the serial ports the system has.
    QLineEdit* PortNum;
    // Editable: "9600" and "115200" to choose, any text can be typed.
    QComboBox* SpeedNum;
    QCheckBox* OpenMon;
    QPushButton* BitBtn1; // "Соединиться" (OK)
    QPushButton* BitBtn2; // "Отмена"

    // The ports offered in the drop-down (as they are opened on this system).
    static QStringList SystemPorts();

private:
    void ShowPortList();
};
