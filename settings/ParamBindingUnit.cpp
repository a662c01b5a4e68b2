#include "settings/ParamBindingUnit.h"

#include "link/Proc.h"
#include "ui/PanelContext.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QWidget>

bool SameNameNoCase(const QByteArray& a, const QByteArray& b) {
    return a.size() == b.size() && LowerAscii(a) == LowerAscii(b);
}

void TStoredValues::Set(const QByteArray& name, const QByteArray& value) {
    const int i = IndexOf(name);
    if (value.isEmpty()) {
        if (i >= 0)
            m_items.removeAt(i);
        return;
    }
    if (i >= 0)
        m_items[i].second = value;
    else
        m_items.append({name, value});
}

int TStoredValues::IndexOf(const QByteArray& name) const {
    for (int i = 0; i < Count(); ++i)
        if (SameNameNoCase(m_items[i].first, name))
            return i;
    return -1;
}

QByteArray TStoredValues::Value(const QByteArray& name) const {
    const int i = IndexOf(name);
    return i >= 0 ? m_items[i].second : QByteArray();
}

QWidget* FindChildNoCase(const QWidget* container, const QByteArray& name) {
    if (!container || name.isEmpty())
        return nullptr;
    for (QObject* child : container->children()) {
        if (!child->isWidgetType())
            continue;
        if (SameNameNoCase(child->objectName().toLatin1(), name))
            return static_cast<QWidget*>(child);
    }
    return nullptr;
}

TParamBinding::TParamBinding(QWidget* form, TBindingConfig config) : m_config(std::move(config)) {
    for (const QByteArray& name : m_config.Containers) {
        QWidget* c = form->objectName().toLatin1() == name
                         ? form
                         : form->findChild<QWidget*>(QString::fromLatin1(name));
        if (!c)
            qCritical("TParamBinding: container %s missing from the form", name.constData());
        else
            m_containers.append(c);
    }
}

TParamKind TParamBinding::KindOf(const QWidget* control) const {
    if (!control)
        return TParamKind::None;
    const QMetaObject* mo = control->metaObject();
    const unsigned k = m_config.Kinds;
    if (mo == &QLineEdit::staticMetaObject)
        return (k & KindEdit) ? TParamKind::Edit : TParamKind::None;
    if (mo == &QComboBox::staticMetaObject)
        return (k & KindChoice) && !static_cast<const QComboBox*>(control)->isEditable()
                   ? TParamKind::Choice
                   : TParamKind::None;
    if (mo == &QSpinBox::staticMetaObject)
        return (k & KindSpin) ? TParamKind::Spin : TParamKind::None;
    if (mo == &QCheckBox::staticMetaObject) {
        if ((k & KindSignFlag) && control->property(TagProperty).toInt() != 0)
            return TParamKind::SignFlag;
        return (k & (KindFlag | KindSignFlag)) ? TParamKind::Flag : TParamKind::None;
    }
    return TParamKind::None;
}

QWidget* TParamBinding::FindParamControl(const QByteArray& name) const {
    for (QWidget* c : m_containers)
        if (QWidget* w = FindChildNoCase(c, name))
            return w;
    return nullptr;
}

void TParamBinding::WriteControlValue(QWidget* control, const QByteArray& value) const {
    switch (KindOf(control)) {
    case TParamKind::Edit:
        static_cast<QLineEdit*>(control)->setText(QString::fromLatin1(value));
        break;
    case TParamKind::Choice: {
        auto* box = static_cast<QComboBox*>(control);
        const int index = StrToInt(QString::fromLatin1(value));
        box->setCurrentIndex(index >= 0 && index < box->count() ? index : -1);
        break;
    }
    case TParamKind::Spin: {
        auto* spin = static_cast<QSpinBox*>(control);
        // The spin clamps to its Min..Max (a 16-bit range in every window).
        spin->setValue(StrToInt(QString::fromLatin1(value)));
        break;
    }
    case TParamKind::Flag:
        static_cast<QCheckBox*>(control)->setChecked(value != "0");
        break;
    case TParamKind::SignFlag:
        // The board stores these as a factor: -1 reversed, 1 normal.
        static_cast<QCheckBox*>(control)->setChecked(value != "1");
        break;
    case TParamKind::None:
        break;
    }
}

QByteArray TParamBinding::ReadControlValue(const QWidget* control) const {
    switch (KindOf(control)) {
    case TParamKind::Edit: {
        QString text = static_cast<const QLineEdit*>(control)->text();
        text.replace(QLatin1Char(','), QLatin1Char('.'));
        return text.toLatin1();
    }
    case TParamKind::Choice:
        return QByteArray::number(static_cast<const QComboBox*>(control)->currentIndex());
    case TParamKind::Spin:
        return QByteArray::number(static_cast<const QSpinBox*>(control)->value());
    case TParamKind::Flag:
        return static_cast<const QCheckBox*>(control)->isChecked() ? "1" : "0";
    case TParamKind::SignFlag:
        return static_cast<const QCheckBox*>(control)->isChecked() ? "-1" : "1";
    case TParamKind::None:
        break;
    }
    return QByteArray();
}

void TParamBinding::SetParamValue(const QByteArray& name, const QByteArray& value) {
    if (m_config.PositionPairs && name.contains("_xy")) {
        SetPairValue(name, value);
        return;
    }
    QWidget* control = FindParamControl(name);
    if (!control)
        return;
    WriteControlValue(control, value);
    m_stored.Set(name, value);
}

bool TParamBinding::PairControls(const QByteArray& name, QWidget*& x, QWidget*& y) const {
    const qsizetype at = name.indexOf("_xy");
    QByteArray xName = name, yName = name;
    xName.replace(at, 3, "_x");
    yName.replace(at, 3, "_y");
    x = FindParamControl(xName);
    y = FindParamControl(yName);
    return x && y;
}

void TParamBinding::SetPairValue(const QByteArray& name, const QByteArray& value) {
    QWidget *x, *y;
    const qsizetype comma = value.indexOf(',');
    if (!PairControls(name, x, y) || comma < 0)
        return;
    WriteControlValue(x, Trim(value.left(comma)));
    WriteControlValue(y, Trim(value.mid(comma + 1)));
    m_stored.Set(name, value);
}

void TParamBinding::ListingLine(const QByteArray& line) {
    QByteArray name, value;
    if (SplitParamLine(line, name, value))
        SetParamValue(name, value);
}

bool SendableText(const QString& text) {
    for (QChar c : text)
        if (c.unicode() < 32 || c.unicode() > 255)
            return false;
    return true;
}

bool TParamBinding::ChangedValues(QList<TChange>& changes, QString& error) const {
    changes.clear();
    for (int i = 0; i < m_stored.Count(); ++i) {
        const QByteArray& name = m_stored.NameAt(i);
        const QByteArray& stored = m_stored.ValueAt(i);
        if (m_config.PositionPairs && name.contains("_xy")) {
            QWidget *x, *y;
            if (!PairControls(name, x, y))
                continue;
            const QByteArray xs = ReadControlValue(x), ys = ReadControlValue(y);
            if (xs.isEmpty() || ys.isEmpty())
                continue;
            const QByteArray pair = xs + "," + ys;
            if (pair != stored)
                changes.append({name, pair, "set " + name + " " + xs + " " + ys + "\r\n"});
            continue;
        }
        const QWidget* control = FindParamControl(name);
        if (!control)
            continue;
        if (KindOf(control) == TParamKind::Edit) {
            const QString text = static_cast<const QLineEdit*>(control)->text();
            if (!SendableText(text)) {
                error = QStringLiteral("Значение параметра %1 содержит недопустимые символы: "
                                       "\"%2\". Допустимы латинские буквы, цифры и знаки.")
                            .arg(control->objectName(), text);
                changes.clear();
                return false;
            }
        }
        // An empty choice shows a listed value beyond its items; the
        // operator cannot empty a box, so it is untouched and the board
        // keeps what it listed (read back, it would go out as "-1").
        if (KindOf(control) == TParamKind::Choice &&
            static_cast<const QComboBox*>(control)->currentIndex() < 0)
            continue;
        const QByteArray text = ReadControlValue(control);
        if (!text.isEmpty() && text != stored)
            changes.append({name, text, "set " + name + " " + text + "\r\n"});
    }
    return true;
}

bool TParamBinding::ApplyChangedValues(QString& error, const TSender& send) {
    QList<TChange> changes;
    if (!ChangedValues(changes, error))
        return false;
    QByteArrayList lines;
    for (const TChange& c : changes)
        lines << c.Command;
    if (!lines.isEmpty() && !send(lines))
        return false;
    for (const TChange& c : changes)
        m_stored.Set(c.Name, c.Value);
    return true;
}
