#pragma once
// A settings control as the tables of the settings suites write it: an
// edit's or a choice's text, a spin box's number, a check box "checked" or
// "unchecked"; the operator's change written as "Control=value"; and what
// "Применить" sends.

#include "ScriptedPanel.h"
#include "SettingsTestUtil.h"
#include "settings/SettingsWindowUnit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

inline QString Shown(QWidget* c) {
    if (auto* e = qobject_cast<QLineEdit*>(c))
        return e->text();
    if (auto* b = qobject_cast<QComboBox*>(c))
        return b->currentText();
    if (auto* s = qobject_cast<QSpinBox*>(c))
        return QString::number(s->value());
    if (auto* f = qobject_cast<QCheckBox*>(c))
        return f->isChecked() ? "checked" : "unchecked";
    return "?";
}

// Sets each "Control=value" of `edits` on the controls of `w`, in order.
inline void Operate(QWidget* w, const QStringList& edits) {
    for (const QString& edit : edits) {
        const int eq = edit.indexOf('=');
        const QString value = edit.mid(eq + 1);
        QWidget* c = Ctl<QWidget>(w, edit.left(eq).toLatin1());
        if (auto* e = qobject_cast<QLineEdit*>(c))
            e->setText(value);
        else if (auto* b = qobject_cast<QComboBox*>(c))
            b->setCurrentIndex(b->findText(value));
        else if (auto* s = qobject_cast<QSpinBox*>(c))
            s->setValue(value.toInt());
        else if (auto* f = qobject_cast<QCheckBox*>(c))
            f->setChecked(value == "checked");
        if (Shown(c) != value)
            qWarning("%s: the operator's change did not take", qPrintable(edit));
    }
}

// The lines one "Применить" of `w` sends, followed by whatever a second one
// sends at once: nothing, when the first stored what it sent.
inline QByteArrayList Applied(TScriptedPanel& panel, TSettingsWindow* w) {
    panel.TakeSent();
    w->BitBtn3->click();
    QByteArrayList sent = panel.TakeSent();
    w->BitBtn3->click();
    return sent + panel.TakeSent();
}
