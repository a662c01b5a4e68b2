#include "app/PanelSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
const QString Section = QStringLiteral("CONNECT/");
} // namespace

QByteArray DevicePortName(const QString& typed) {
#ifdef Q_OS_WIN
    return "\\\\.\\" + typed.toLocal8Bit();
#else
    return typed.toLocal8Bit();
#endif
}

QString PortAccessHint(const QByteArray& device, const QByteArray& errorText) {
#ifdef Q_OS_LINUX
    if (!errorText.contains("Cannot open ") || !errorText.endsWith("error: 13"))
        return {};
    const QString group = QFileInfo(QString::fromLocal8Bit(device)).group();
    if (group.isEmpty())
        return {};
    return QStringLiteral("Порт принадлежит группе \"%1\": добавьте себя в неё командой "
                          "\"sudo usermod -aG %1 $USER\" и войдите в систему заново.")
        .arg(group);
#else
    Q_UNUSED(device);
    Q_UNUSED(errorText);
    return {};
#endif
}

QString SettingsFilePath(const QString& programDir, const QString& userConfigDir) {
    const QFileInfo dir(programDir);
    if (!programDir.isEmpty() && dir.isDir() && dir.isWritable())
        return QDir(programDir).filePath(SettingsFileName);
    QDir().mkpath(userConfigDir);
    return QDir(userConfigDir).filePath(SettingsFileName);
}

QString DefaultSettingsFilePath() {
    return SettingsFilePath(QCoreApplication::applicationDirPath(),
                            QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
}

TPanelSettings::TPanelSettings(const QString& filePath)
    : m_file(std::make_unique<QSettings>(filePath, QSettings::IniFormat)) {}

QString TPanelSettings::FilePath() const {
    return m_file->fileName();
}

QString TPanelSettings::Port() const {
    return m_file->value(Section + "Port", QString::fromLatin1(DefaultPortName)).toString();
}

QString TPanelSettings::PortSpeed() const {
    return m_file->value(Section + "PortSpeed", QString::fromLatin1(DefaultPortSpeed)).toString();
}

int TPanelSettings::OpenDebugMon() const {
    bool ok = false;
    const int v = m_file->value(Section + "OpenDebugMon", 1).toInt(&ok);
    return ok ? v : 0;
}

void TPanelSettings::SetPort(const QString& port) {
    Write("Port", port);
}

void TPanelSettings::SetPortSpeed(const QString& speed) {
    Write("PortSpeed", speed);
}

void TPanelSettings::SetOpenDebugMon(int value) {
    Write("OpenDebugMon", value);
}

QVariant TPanelSettings::Value(const QString& key, const QVariant& defaultValue) const {
    return m_file->value(key, defaultValue);
}

void TPanelSettings::SetValue(const QString& key, const QVariant& value) {
    m_file->setValue(key, value);
    m_file->sync();
}

void TPanelSettings::Write(const QString& key, const QVariant& value) {
    m_file->setValue(Section + key, value);
    m_file->sync();
}
