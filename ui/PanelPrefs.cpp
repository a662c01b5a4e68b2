#include "ui/PanelPrefs.h"

namespace {
IPanelPrefs* g_prefs = nullptr;
} // namespace

IPanelPrefs* PanelPrefs() {
    return g_prefs;
}

void SetPanelPrefs(IPanelPrefs* prefs) {
    g_prefs = prefs;
}

QVariant PrefValue(const QString& key, const QVariant& defaultValue) {
    return g_prefs ? g_prefs->Value(key, defaultValue) : defaultValue;
}

void SetPrefValue(const QString& key, const QVariant& value) {
    if (g_prefs)
        g_prefs->SetValue(key, value);
}
