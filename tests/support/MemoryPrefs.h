#pragma once
// The settings file as the windows see it, held in memory; installed while
// it lives.

#include "ui/PanelPrefs.h"

#include <QMap>

class TMemoryPrefs : public IPanelPrefs {
public:
    TMemoryPrefs() { SetPanelPrefs(this); }
    ~TMemoryPrefs() override { SetPanelPrefs(nullptr); }
    QVariant Value(const QString& key, const QVariant& def) const override {
        return Keys.value(key, def);
    }
    void SetValue(const QString& key, const QVariant& value) override { Keys[key] = value; }
    QMap<QString, QVariant> Keys;
};
