#pragma once
// "Журнал изменений": the change journal as a table, newest first, filtered
// by board, name, origin, dates and outcome. The table asks the journal for
// one page at a time as it is scrolled, so a journal of a hundred thousand
// rows opens as fast as one of ten. From it the operator undoes chosen
// changes, returns the board to the moment of a row (after a preview of what
// would change), exports the filtered rows as CSV and opens the settings
// window of a row's parameter.

#include "archive/ArchiveWidgets.h"
#include "parameters/Journal.h"

#include <QAbstractTableModel>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QTimer;

// The journal's rows matching a filter, loaded a page at a time.
class TJournalModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum TColumn {
        ColTime,
        ColBoard,
        ColOrigin,
        ColKind,
        ColGroup,
        ColName,
        ColBefore,
        ColSent,
        ColAfter,
        ColOutcome,
        ColDetail,
        ColumnCount
    };
    static constexpr int PageRows = 250;

    explicit TJournalModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

    // Queries the first page of `filter` afresh.
    void SetFilter(const TJournalFilter& filter);
    const TJournalFilter& Filter() const { return m_filter; }
    // Queries the rows loaded so far again (the journal changed): rows in
    // place get their new outcome, new rows come on top. Returns how many
    // rows came above the first row that was shown before.
    int Refresh();
    int Total() const { return m_total; }
    const TJournalRow& Row(int row) const { return m_rows[row]; }
    int RowOfId(qint64 id) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

private:
    TJournalFilter m_filter;
    QList<TJournalRow> m_rows;
    int m_total = 0;
};

class TWinJournal : public TArchiveWindow {
    Q_OBJECT
public:
    explicit TWinJournal(QWidget* parent = nullptr);

    bool FormCreate() override;

    QComboBox* BoardFilter;  // "Все платы" and every board of the journal
    QLineEdit* SearchEdit;   // part of the parameter's name
    QLineEdit* OriginFilter; // part of the origin
    QCheckBox* DateFilter;   // "Период": FromDate..ToDate (days, local) filter
    QDateEdit* FromDate;
    QDateEdit* ToDate;
    QComboBox* OutcomeFilter; // "Все итоги" and every outcome
    QTableView* Grid;
    TJournalModel* Model;
    QLabel* StatusNote;
    QPushButton* UndoButton;   // "Отменить выбранные"
    QPushButton* ReturnButton; // "Вернуть к этому моменту"
    QPushButton* ExportButton; // "Экспорт CSV"

    // The filter the controls make (no page bounds).
    TJournalFilter CurrentFilter() const;
    // Queries the table again with the controls' filter (typing waits a moment).
    void Requery();
    // Queries the journal again after it changed, keeping selection and view.
    void RefreshRows();
    // The ids of the selected rows, newest first.
    QList<qint64> SelectedIds() const;

    void UndoClick();
    void ReturnClick();
    void ExportClick();
    // Opens the settings window that edits the parameter of a table row.
    void OpenParamWindow(int row);

private:
    void FillBoards();
    void UpdateButtons();
    void ShowCount();
    // The connected board, when it is `board`; otherwise the operator is told
    // why nothing can be sent and false is returned.
    bool BoardIsConnected(const QString& board) const;
    // Sends `lines` and reads them back, the changes journaled as `origin`;
    // tells the operator how it went.
    void Apply(const QByteArrayList& lines, const QString& origin);

    QTimer* m_typing;
    QTimer* m_changed;
};

extern QPointer<TWinJournal> WinJournal;
