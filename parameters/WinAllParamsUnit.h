#pragma once
// Every name = value parameter of the board in one table: read group by group
// through the one conversation, searched and filtered by name, group and
// change; values edited in place, sent as "set" lines and verified by reading
// the touched groups back; compared with a configuration file; stored in
// flash. Shows which settings window holds each parameter and opens it.

#include "parameters/AllParams.h"
#include "ui/TaskWindow.h"

#include <QHash>
#include <QList>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class QTableWidgetItem;
class TRunIndicator;

class TWinAllParams : public TTaskWindow {
    Q_OBJECT
public:
    explicit TWinAllParams(QWidget* parent = nullptr);

    bool FormCreate() override;

    // Table columns.
    enum TColumn { ColGroup, ColName, ColValue, ColFile, ColWindow, ColumnCount };

    QLineEdit* SearchEdit;
    QComboBox* GroupFilter;
    QCheckBox* ChangedOnly;
    QTableWidget* Grid;
    TRunIndicator* Run;
    QLabel* StatusNote;
    QPushButton* ReadButton;    // "Прочитать"
    QPushButton* CompareButton; // "Сравнить с файлом…"
    QPushButton* TakeButton;    // "Взять из файла"
    QPushButton* ApplyButton;   // "Применить"
    QPushButton* RevertButton;  // "Отменить изменения"
    QPushButton* FlashButton;   // "Сохранить во флеш"

    void ReadAll();
    void ApplyClick();
    void RevertClick();
    void CompareClick();
    void TakeFromFileClick();
    void SaveToFlashClick();
    // Opens the settings window that shows the parameter of a table row.
    void OpenShowingWindow(int row);

    // The row of a parameter by group ("STAB") and name, or -1.
    int RowOf(const QByteArray& group, const QByteArray& name) const;
    bool Edited(int row) const;
    bool Mismatch(int row) const { return m_rows[row].Mismatch; }
    bool DiffersFromFile(int row) const;

private:
    struct TRow {
        TParamRow Param;       // Value: what the board last listed
        QString Edit;          // the value column, as typed
        QByteArray File;       // the compared file's value (file form)
        bool HasFile = false;  // the file holds this parameter
        bool Mismatch = false; // the board listed other than was sent
        QByteArray Sent;       // what the last apply sent (for the mismatch)
        int Window = -1;       // index into the showing windows, -1 none
        // The board's value changed while the table was open, by another
        // window, the console or a load.
        bool Behind = false;
    };
    // Follows what the board lists and takes while the table is open: a
    // listing line of another window, a "set" it took, a reset.
    void BoardListed(const QByteArray& command, const QByteArray& line);
    void BoardTook(const QByteArray& command, const QByteArray& refusal);
    // The board now holds `value` (listed form) for the row's parameter.
    void BoardHolds(int row, const QByteArray& value);

    void Fill();
    void ShowRow(int row);
    void ApplyFilter();
    void ItemChanged(QTableWidgetItem* item);
    void UpdateButtons();
    // Reads `sections` in a turn already held; the rows read replace the
    // table's rows of those groups (all rows when `sections` is every group).
    TArchiveResult ReadGroups(const QList<const TExportSection*>& sections);
    void MoveToNextRow();

    QList<TRow> m_rows;
    bool m_filling = false;
    bool m_stopPressed = false;
};

extern QPointer<TWinAllParams> WinAllParams;

// The settings window that shows a parameter, by its group ("STAB"; empty:
// any group) and name: its action and caption, both empty when none does.
struct TParamWindowRef {
    QString Action;
    QString Caption;
};
TParamWindowRef ParamWindowOf(const QByteArray& group, const QByteArray& name);
