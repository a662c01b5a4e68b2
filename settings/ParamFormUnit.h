#pragma once
// Declarative parameter tables and the builder that turns one into controls.
// A window writes its parameters as a table that reads like its definition
// (parameter, kind, caption, unit, range, items, default, container); the
// builder creates each control with the parameter's name as object name,
// places it with its caption and unit in the container's grid, and the
// binding finds it there by that name.

#include "settings/ParamBindingUnit.h"

#include <QByteArrayList>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

class QGridLayout;
class QWidget;

enum class TDefKind { Edit, Choice, Spin, Flag, SignFlag, PositionPair };

struct TParamDef {
    QByteArray Name; // control name; for a position pair the base ("RSSI")
    TDefKind Kind = TDefKind::Edit;
    QString Caption;      // label left of the control, or the check box text
    QString Unit;         // label right of the control
    int Min = 0, Max = 0; // spin range
    QStringList Items;    // choice items, value = index
    QString Default;      // edit text or spin position; choices start empty
    QByteArray Container; // object name of the container
    bool SameRow = false; // continues the previous row (formula rows)
};
using TParamTable = QList<TParamDef>;

// Table rows, argument order as in the window definitions (use them with
// `using namespace Def;` in a window's unit).
namespace Def {
TParamDef Edit(const QByteArray& name, const QString& caption, const QByteArray& container,
               const QString& unit = {}, const QString& def = "0");
TParamDef Choice(const QByteArray& name, const QString& caption, const QStringList& items,
                 const QByteArray& container);
TParamDef Spin(const QByteArray& name, const QString& caption, int min, int max, int def,
               const QByteArray& container);
TParamDef Flag(const QByteArray& name, const QString& caption, const QByteArray& container);
TParamDef SignFlag(const QByteArray& name, const QString& caption, const QByteArray& container);
// Two spins base + "_X" and base + "_Y", listed by the board as base + "_xy".
TParamDef PositionPair(const QByteArray& base, const QString& caption, int min, int max, int def,
                       const QByteArray& container);
// Marks a row as continuing the previous one.
TParamDef SameRow(TParamDef def);
} // namespace Def

// The names the board lists for a table, lower-cased (a pair as "_xy").
QByteArrayList BoardNames(const TParamTable& table);
// The object names of the controls a table creates.
QByteArrayList ControlNames(const TParamTable& table);

// Places table rows into the grids of their containers. A grid given with
// `columns` > 1 is filled column by column, so a long list reads downwards.
class TParamFormBuilder {
public:
    void AddGrid(const QByteArray& container, QGridLayout* grid, int columns = 1);
    // Creates every control of the table; the grids' widgets must already be
    // the containers named in the table.
    // A table entry whose container has no grid is left out, and the
    // window shows the fault in red (in every build).
    void Build(const TParamTable& table);
    // The containers' object names in the order their grids were added: the
    // binding searches them for the controls.
    QList<QByteArray> Containers() const { return m_order; }

private:
    struct TGrid {
        QGridLayout* Layout;
        int Columns;
    };
    QMap<QByteArray, TGrid> m_grids;
    QList<QByteArray> m_order;
};

class QLabel;
class QTabWidget;

// Pieces of the settings forms.
// A named container with a parameter grid registered with the builder; the
// grid sits at the top of a vertical layout (returned through `column` when
// the caller wants to add more below it).
QWidget* MakeGridContainer(const char* name, TParamFormBuilder& builder, int columns = 1,
                           class QVBoxLayout** column = nullptr);
// The same as a page of a tab control.
QWidget* AddGridPage(QTabWidget* tabs, const char* name, const QString& caption,
                     TParamFormBuilder& builder, int columns = 1,
                     class QVBoxLayout** column = nullptr);
