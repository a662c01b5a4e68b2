#pragma once
// The panel's small settings file Vantor_CP.conf: the connection the operator
// last made successfully (port, speed, whether the port monitor opens).
// Every write reaches the file at once.

#include "ui/PanelPrefs.h"

#include <QByteArray>
#include <QSettings>
#include <QString>
#include <memory>

// The port offered when the settings file names none.
#ifdef Q_OS_WIN
inline const char* const DefaultPortName = "COM18";
#else
inline const char* const DefaultPortName = "/dev/ttyUSB0";
#endif
inline const char* const DefaultPortSpeed = "115200";
inline const char* const SettingsFileName = "Vantor_CP.conf";

// The device name the worker opens for a port name as the operator typed it:
// Windows needs the "\\.\" prefix (ports above COM9 open only that way); on
// POSIX the name stays as typed (a bare name is looked up under /dev).
QByteArray DevicePortName(const QString& typed);
// For a port the system refused for want of permission ("Cannot open ...
// port, error: 13" in `errorText`): a line naming the group that owns the
// device and the command that joins it; empty otherwise (and off Linux).
QString PortAccessHint(const QByteArray& device, const QByteArray& errorText);

// Where the settings file lives: beside the program when that folder is
// writable, else in the user's configuration folder.
QString SettingsFilePath(const QString& programDir, const QString& userConfigDir);
// The same with the running program's folder and the user's folder.
QString DefaultSettingsFilePath();

// Also the panel's preferences (IPanelPrefs) for the windows.
class TPanelSettings : public IPanelPrefs {
public:
    explicit TPanelSettings(const QString& filePath);

    QString FilePath() const;

    // Section "CONNECT"; missing keys give the defaults.
    QString Port() const;
    QString PortSpeed() const;
    int OpenDebugMon() const;
    void SetPort(const QString& port);
    void SetPortSpeed(const QString& speed);
    void SetOpenDebugMon(int value);

    QVariant Value(const QString& key, const QVariant& defaultValue) const override;
    void SetValue(const QString& key, const QVariant& value) override;

private:
    void Write(const QString& key, const QVariant& value);
    std::unique_ptr<QSettings> m_file;
};
