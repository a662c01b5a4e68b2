#pragma once
// The panel's own preferences beyond the connection (console history,
// automatic backups), kept in the settings file Vantor_CP.conf. The main
// window installs the file it opened; windows reach it here without knowing
// where it lives. With none installed (window tests) nothing is kept and
// every key reads as the caller's default.

#include <QString>
#include <QVariant>

class IPanelPrefs {
public:
    virtual ~IPanelPrefs() = default;
    // `key` is "SECTION/Name" as QSettings takes it.
    virtual QVariant Value(const QString& key, const QVariant& defaultValue) const = 0;
    // Reaches the file at once.
    virtual void SetValue(const QString& key, const QVariant& value) = 0;
};

// The preferences in use, or nullptr when none is installed.
IPanelPrefs* PanelPrefs();
// Installs `prefs` (not owned); nullptr removes it.
void SetPanelPrefs(IPanelPrefs* prefs);

// A key's value, or `defaultValue` when no preferences are installed.
QVariant PrefValue(const QString& key, const QVariant& defaultValue);
// Stores a value when preferences are installed; otherwise does nothing.
void SetPrefValue(const QString& key, const QVariant& value);
