#include "settings/ParamFormUnit.h"

#include "link/Proc.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace Def {
TParamDef Edit(const QByteArray& name, const QString& caption, const QByteArray& container,
               const QString& unit, const QString& def) {
    TParamDef d;
    d.Name = name;
    d.Kind = TDefKind::Edit;
    d.Caption = caption;
    d.Unit = unit;
    d.Default = def;
    d.Container = container;
    return d;
}

TParamDef Choice(const QByteArray& name, const QString& caption, const QStringList& items,
                 const QByteArray& container) {
    TParamDef d;
    d.Name = name;
    d.Kind = TDefKind::Choice;
    d.Caption = caption;
    d.Items = items;
    d.Container = container;
    return d;
}

TParamDef Spin(const QByteArray& name, const QString& caption, int min, int max, int def,
               const QByteArray& container) {
    TParamDef d;
    d.Name = name;
    d.Kind = TDefKind::Spin;
    d.Caption = caption;
    d.Min = min;
    d.Max = max;
    d.Default = QString::number(def);
    d.Container = container;
    return d;
}

TParamDef Flag(const QByteArray& name, const QString& caption, const QByteArray& container) {
    TParamDef d;
    d.Name = name;
    d.Kind = TDefKind::Flag;
    d.Caption = caption;
    d.Container = container;
    return d;
}

TParamDef SignFlag(const QByteArray& name, const QString& caption, const QByteArray& container) {
    TParamDef d = Flag(name, caption, container);
    d.Kind = TDefKind::SignFlag;
    return d;
}

TParamDef PositionPair(const QByteArray& base, const QString& caption, int min, int max, int def,
                       const QByteArray& container) {
    TParamDef d = Spin(base, caption, min, max, def, container);
    d.Kind = TDefKind::PositionPair;
    return d;
}

TParamDef SameRow(TParamDef def) {
    def.SameRow = true;
    return def;
}
} // namespace Def

QByteArrayList BoardNames(const TParamTable& table) {
    QByteArrayList out;
    for (const TParamDef& d : table)
        out << LowerAscii(d.Kind == TDefKind::PositionPair ? d.Name + "_xy" : d.Name);
    return out;
}

QByteArrayList ControlNames(const TParamTable& table) {
    QByteArrayList out;
    for (const TParamDef& d : table) {
        if (d.Kind == TDefKind::PositionPair)
            out << d.Name + "_X" << d.Name + "_Y";
        else
            out << d.Name;
    }
    return out;
}

void TParamFormBuilder::AddGrid(const QByteArray& container, QGridLayout* grid, int columns) {
    m_grids.insert(container, {grid, qMax(1, columns)});
    if (!m_order.contains(container))
        m_order << container;
}

namespace {
// Grid columns of one slot: caption, control, unit, then a continuation
// (caption, control, unit), then a gap before the next slot.
constexpr int SlotWidth = 7;

QSpinBox* MakeSpin(QWidget* parent, const QByteArray& name, int min, int max, const QString& def) {
    auto* spin = new QSpinBox(parent);
    spin->setObjectName(QString::fromLatin1(name));
    spin->setRange(min, max);
    spin->setValue(def.toInt());
    // The buddy edit is the spin's own line edit; it is never a parameter.
    spin->findChild<QLineEdit*>()->setObjectName(QString::fromLatin1(name + "_Edit"));
    return spin;
}

QWidget* MakeControl(QWidget* parent, const TParamDef& d) {
    const QString name = QString::fromLatin1(d.Name);
    switch (d.Kind) {
    case TDefKind::Edit: {
        auto* e = new QLineEdit(d.Default, parent);
        e->setObjectName(name);
        e->setMinimumWidth(90);
        return e;
    }
    case TDefKind::Choice: {
        auto* box = new QComboBox(parent);
        box->setObjectName(name);
        box->addItems(d.Items);
        box->setCurrentIndex(-1);
        return box;
    }
    case TDefKind::Spin:
        return MakeSpin(parent, d.Name, d.Min, d.Max, d.Default);
    case TDefKind::Flag:
    case TDefKind::SignFlag: {
        auto* box = new QCheckBox(d.Caption, parent);
        box->setObjectName(name);
        box->setProperty(TagProperty, d.Kind == TDefKind::SignFlag ? 1 : 0);
        return box;
    }
    case TDefKind::PositionPair:
        break;
    }
    return nullptr;
}
} // namespace

void TParamFormBuilder::Build(const TParamTable& table) {
    // Rows per container, to fill multi-column grids column by column.
    QMap<QByteArray, int> rows, hasPairs;
    for (const TParamDef& d : table) {
        if (!d.SameRow)
            ++rows[d.Container];
        if (d.Kind == TDefKind::PositionPair)
            hasPairs[d.Container] = 1;
    }
    // Controls keep their natural width; spare width goes to the right.
    for (const TGrid& g : m_grids)
        g.Layout->setColumnStretch(g.Columns * SlotWidth, 1);
    QMap<QByteArray, int> next;
    int row = 0, base = 0;
    QStringList faults;
    for (const TParamDef& d : table) {
        const TGrid g = m_grids.value(d.Container, TGrid{nullptr, 1});
        QWidget* parent = g.Layout ? g.Layout->parentWidget() : nullptr;
        if (!parent) {
            faults << QString::fromLatin1(d.Name + " (" + d.Container + ")");
            continue;
        }
        const int header = hasPairs.value(d.Container);
        if (!d.SameRow) {
            const int perColumn = (rows[d.Container] + g.Columns - 1) / g.Columns;
            const int index = next[d.Container]++;
            row = header + index % perColumn;
            base = (index / perColumn) * SlotWidth;
            if (header && index % perColumn == 0) {
                g.Layout->addWidget(new QLabel("X", parent), 0, base + 1, Qt::AlignCenter);
                g.Layout->addWidget(new QLabel("Y", parent), 0, base + 2, Qt::AlignCenter);
            }
            if (base > 0)
                g.Layout->setColumnMinimumWidth(base - 1, 24);
        }
        const int col = base + (d.SameRow ? 3 : 0);

        if (d.Kind == TDefKind::Flag || d.Kind == TDefKind::SignFlag) {
            g.Layout->addWidget(MakeControl(parent, d), row, col, 1, 6);
            continue;
        }
        QWidget* first;
        if (d.Kind == TDefKind::PositionPair) {
            first = MakeSpin(parent, d.Name + "_X", d.Min, d.Max, d.Default);
            g.Layout->addWidget(first, row, col + 1);
            g.Layout->addWidget(MakeSpin(parent, d.Name + "_Y", d.Min, d.Max, d.Default), row,
                                col + 2);
        } else {
            first = MakeControl(parent, d);
            // Spins keep their own width even beside a wide choice.
            g.Layout->addWidget(first, row, col + 1,
                                d.Kind == TDefKind::Spin ? Qt::AlignLeft : Qt::Alignment());
            if (!d.Unit.isEmpty())
                g.Layout->addWidget(new QLabel(d.Unit, parent), row, col + 2);
        }
        if (!d.Caption.isEmpty()) {
            auto* label = new QLabel(d.Caption, parent);
            label->setBuddy(first);
            g.Layout->addWidget(label, row, col, d.SameRow ? Qt::AlignRight : Qt::Alignment());
        }
    }
    if (faults.isEmpty() || m_order.isEmpty())
        return;
    // A table that names a container the window lacks: the parameters are
    // missing from the window, so it says so where the operator looks.
    const QString text = "Ошибка формы: нет места для параметров " + faults.join(", ");
    qCritical("%s", qPrintable(text));
    const TGrid& first = m_grids[m_order.first()];
    auto* note = new QLabel(text, first.Layout->parentWidget());
    note->setObjectName("FormFault");
    note->setStyleSheet("color: red");
    note->setWordWrap(true);
    first.Layout->addWidget(note, first.Layout->rowCount(), 0, 1, -1);
}

QWidget* MakeGridContainer(const char* name, TParamFormBuilder& builder, int columns,
                           QVBoxLayout** column) {
    auto* w = new QWidget;
    w->setObjectName(name);
    auto* v = new QVBoxLayout(w);
    auto* grid = new QGridLayout;
    v->addLayout(grid);
    builder.AddGrid(name, grid, columns);
    if (column)
        *column = v;
    else
        v->addStretch(1);
    return w;
}

QWidget* AddGridPage(QTabWidget* tabs, const char* name, const QString& caption,
                     TParamFormBuilder& builder, int columns, QVBoxLayout** column) {
    QWidget* page = MakeGridContainer(name, builder, columns, column);
    tabs->addTab(page, caption);
    return page;
}
