#include "parameters/WinJournalUnit.h"

#include "parameters/JournalRecorder.h"
#include "parameters/WinAllParamsUnit.h"
#include "ui/Dialogs.h"
#include "ui/TaskRegistry.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QSet>
#include <QShortcut>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

QPointer<TWinJournal> WinJournal;

namespace {
// Lines a question or message lists at most; the rest are counted.
constexpr int ListedLinesMax = 40;
// Typing in a filter field re-queries once it pauses this long.
constexpr int TypingPauseMs = 250;
// Journal commits come in bursts (a load): the table follows once per burst.
constexpr int ChangedPauseMs = 300;

const QColor FailedColor(248, 205, 205);
const QColor DoubtColor(255, 240, 190);

QString TimeText(qint64 ms) {
    return QDateTime::fromMSecsSinceEpoch(ms).toLocalTime().toString("dd.MM.yyyy HH:mm:ss");
}

QString Latin(const QByteArray& b) {
    return QString::fromLatin1(b);
}

// Ids as the origin of an undo names them: ascending, a long list cut short.
QString IdsText(QList<qint64> ids) {
    std::sort(ids.begin(), ids.end());
    QStringList parts;
    for (int i = 0; i < ids.size() && i < 20; ++i)
        parts << QString::number(ids[i]);
    if (ids.size() > 20)
        parts << QStringLiteral("… (%1)").arg(ids.size());
    return parts.join(", ");
}

QPushButton* Button(const QString& text, const char* name) {
    auto* b = new QPushButton(text);
    b->setObjectName(name);
    return b;
}
} // namespace

// --- the model ---

void TJournalModel::SetFilter(const TJournalFilter& filter) {
    beginResetModel();
    m_filter = filter;
    m_filter.Limit = 0;
    m_filter.Offset = 0;
    TJournalFilter page = m_filter;
    page.Limit = PageRows;
    m_total = TJournal::Instance().Count(m_filter);
    // A filter nothing matches is not searched a second time.
    m_rows = m_total > 0 ? TJournal::Instance().Rows(page) : QList<TJournalRow>();
    endResetModel();
}

int TJournalModel::Refresh() {
    const int total = TJournal::Instance().Count(m_filter);
    TJournalFilter loaded = m_filter;
    loaded.Limit = std::max<int>(PageRows, m_rows.size() + std::max(0, total - m_total));
    const QList<TJournalRow> rows = TJournal::Instance().Rows(loaded);
    int above = 0;
    if (!m_rows.isEmpty())
        for (; above < rows.size() && rows[above].Id != m_rows[0].Id; ++above) {
        }
    if (above == rows.size())
        above = 0; // the first row is gone (pruned): nothing to keep in view
    bool same = rows.size() == m_rows.size();
    for (int i = 0; same && i < rows.size(); ++i)
        same = rows[i].Id == m_rows[i].Id;
    m_total = total;
    if (same) { // outcomes and saved marks change in place
        m_rows = rows;
        if (!m_rows.isEmpty())
            emit dataChanged(index(0, 0), index(m_rows.size() - 1, ColumnCount - 1));
        return 0;
    }
    beginResetModel();
    m_rows = rows;
    endResetModel();
    return above;
}

int TJournalModel::RowOfId(qint64 id) const {
    for (int i = 0; i < m_rows.size(); ++i)
        if (m_rows[i].Id == id)
            return i;
    return -1;
}

int TJournalModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int TJournalModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TJournalModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const TJournalRow& r = m_rows[index.row()];
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
        case ColTime:
            return TimeText(r.TimeMs);
        case ColBoard:
            return r.Board;
        case ColOrigin:
            return r.Origin;
        case ColKind:
            return JournalKindText(r.Kind);
        case ColGroup:
            return Latin(r.Group);
        case ColName:
            return Latin(r.Name);
        case ColBefore:
            return Latin(r.Before);
        case ColSent:
            return Latin(r.Sent);
        case ColAfter:
            return Latin(r.After);
        case ColOutcome:
            return JournalOutcomeText(r.Outcome, r.Saved);
        case ColDetail:
            return r.Detail;
        }
    } else if (role == Qt::ToolTipRole) {
        switch (index.column()) {
        case ColTime:
            return QDateTime::fromMSecsSinceEpoch(r.TimeMs, Qt::UTC).toString(Qt::ISODateWithMs) +
                   QStringLiteral(" UTC, строка %1").arg(r.Id);
        case ColOutcome:
            if (!r.After.isEmpty())
                return JournalOutcomeText(r.Outcome, r.Saved) +
                       QStringLiteral("\nНа плате после: %1").arg(Latin(r.After));
            break;
        }
        return data(index, Qt::DisplayRole); // a cut cell read whole
    } else if (role == Qt::BackgroundRole && index.column() == ColOutcome) {
        if (r.Outcome == JournalOutcome::Refused || r.Outcome == JournalOutcome::Differs ||
            r.Outcome == JournalOutcome::Lost || r.Outcome == JournalOutcome::Failed)
            return FailedColor;
        if (r.Outcome == JournalOutcome::Unconfirmed)
            return DoubtColor;
    }
    return {};
}

QVariant TJournalModel::headerData(int section, Qt::Orientation orientation, int role) const {
    static const char* const captions[ColumnCount] = {
        "Время", "Плата",      "Источник", "Что",  "Группа",     "Параметр",
        "Было",  "Отправлено", "Стало",    "Итог", "Подробности"};
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < ColumnCount)
        return QString::fromUtf8(captions[section]);
    return {};
}

bool TJournalModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && m_rows.size() < m_total;
}

void TJournalModel::fetchMore(const QModelIndex& parent) {
    if (parent.isValid())
        return;
    TJournalFilter page = m_filter;
    page.Limit = PageRows;
    page.Offset = static_cast<int>(m_rows.size());
    // Rows written since the last query shift the pages: a row already
    // shown is not shown twice.
    QSet<qint64> shown;
    for (int i = std::max<int>(0, m_rows.size() - PageRows); i < m_rows.size(); ++i)
        shown.insert(m_rows[i].Id);
    QList<TJournalRow> more;
    for (const TJournalRow& r : TJournal::Instance().Rows(page))
        if (!shown.contains(r.Id))
            more << r;
    if (more.isEmpty()) {
        m_total = static_cast<int>(m_rows.size()); // the journal holds no more
        return;
    }
    beginInsertRows({}, m_rows.size(), m_rows.size() + more.size() - 1);
    m_rows += more;
    endInsertRows();
}

// --- the window ---

TWinJournal::TWinJournal(QWidget* parent) : TArchiveWindow(parent) {
    setWindowTitle("Журнал изменений");
    auto* v = new QVBoxLayout(Body());

    auto* filters = new QHBoxLayout;
    BoardFilter = new QComboBox;
    BoardFilter->setObjectName("BoardFilter");
    BoardFilter->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    BoardFilter->setMinimumContentsLength(18);
    SearchEdit = new QLineEdit;
    SearchEdit->setObjectName("SearchEdit");
    SearchEdit->setPlaceholderText("Параметр (Ctrl+F)");
    SearchEdit->setClearButtonEnabled(true);
    OriginFilter = new QLineEdit;
    OriginFilter->setObjectName("OriginFilter");
    OriginFilter->setPlaceholderText("Источник");
    OriginFilter->setClearButtonEnabled(true);
    DateFilter = new QCheckBox("Период");
    DateFilter->setObjectName("DateFilter");
    const QDate today = QDate::currentDate();
    FromDate = new QDateEdit(today.addDays(-7));
    FromDate->setObjectName("FromDate");
    ToDate = new QDateEdit(today);
    ToDate->setObjectName("ToDate");
    for (QDateEdit* d : {FromDate, ToDate}) {
        d->setCalendarPopup(true);
        d->setDisplayFormat("dd.MM.yyyy");
        d->setEnabled(false);
    }
    OutcomeFilter = new QComboBox;
    OutcomeFilter->setObjectName("OutcomeFilter");
    OutcomeFilter->addItem("Все итоги");
    for (const char* o : {JournalOutcome::Taken, JournalOutcome::Verified, JournalOutcome::Differs,
                          JournalOutcome::Refused, JournalOutcome::Unconfirmed,
                          JournalOutcome::Lost, JournalOutcome::Done, JournalOutcome::Failed})
        OutcomeFilter->addItem(JournalOutcomeText(o, false), QString::fromLatin1(o));
    filters->addWidget(BoardFilter, 2);
    filters->addWidget(SearchEdit, 2);
    filters->addWidget(OriginFilter, 1);
    filters->addWidget(DateFilter);
    filters->addWidget(FromDate);
    filters->addWidget(new QLabel("–"));
    filters->addWidget(ToDate);
    filters->addWidget(OutcomeFilter);
    v->addLayout(filters);

    Model = new TJournalModel(this);
    Grid = new QTableView;
    Grid->setObjectName("Grid");
    Grid->setModel(Model);
    Grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    Grid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    Grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid->setContextMenuPolicy(Qt::CustomContextMenu);
    Grid->setWordWrap(false);
    Grid->setAlternatingRowColors(true);
    // Fixed row heights and column widths: nothing is measured row by row.
    Grid->verticalHeader()->hide();
    Grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    Grid->verticalHeader()->setDefaultSectionSize(Grid->fontMetrics().height() + 6);
    Grid->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    Grid->horizontalHeader()->setStretchLastSection(true);
    const int widths[TJournalModel::ColumnCount] = {135, 260, 170, 140, 90, 150,
                                                    70,  80,  70,  230, 0};
    for (int c = 0; c < TJournalModel::ColDetail; ++c)
        Grid->setColumnWidth(c, widths[c]);
    v->addWidget(Grid, 1);

    v->addWidget(MakeRun("Отправлено строк:", false));
    StatusNote = MakeLabel(QString(), "StatusNote");
    StatusNote->setWordWrap(true);
    v->addWidget(StatusNote);

    auto* buttons = new QHBoxLayout;
    UndoButton = Button("Отменить выбранные", "UndoButton");
    ReturnButton = Button("Вернуть к этому моменту", "ReturnButton");
    ExportButton = Button("Экспорт CSV", "ExportButton");
    buttons->addWidget(UndoButton);
    buttons->addWidget(ReturnButton);
    buttons->addStretch(1);
    buttons->addWidget(ExportButton);
    v->addLayout(buttons);
    resize(1240, 620);

    m_typing = new QTimer(this);
    m_typing->setSingleShot(true);
    m_typing->setInterval(TypingPauseMs);
    m_changed = new QTimer(this);
    m_changed->setSingleShot(true);
    m_changed->setInterval(ChangedPauseMs);
    connect(m_typing, &QTimer::timeout, this, &TWinJournal::Requery);
    connect(m_changed, &QTimer::timeout, this, [this] {
        FillBoards();
        RefreshRows();
    });
    for (QLineEdit* e : {SearchEdit, OriginFilter})
        connect(e, &QLineEdit::textChanged, m_typing, qOverload<>(&QTimer::start));
    for (QComboBox* c : {BoardFilter, OutcomeFilter})
        connect(c, &QComboBox::currentIndexChanged, this, &TWinJournal::Requery);
    for (QDateEdit* d : {FromDate, ToDate})
        connect(d, &QDateEdit::dateChanged, this, &TWinJournal::Requery);
    connect(DateFilter, &QCheckBox::toggled, this, [this](bool on) {
        FromDate->setEnabled(on);
        ToDate->setEnabled(on);
        Requery();
    });
    connect(Grid->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TWinJournal::UpdateButtons);
    connect(Grid, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { OpenParamWindow(index.row()); });
    connect(Grid, &QTableView::customContextMenuRequested, this, [this](const QPoint& at) {
        const QModelIndex index = Grid->indexAt(at);
        if (!index.isValid())
            return;
        QMenu menu(this);
        QAction* open = menu.addAction("Открыть окно параметра");
        const TJournalRow& r = Model->Row(index.row());
        open->setEnabled(!r.Name.isEmpty());
        menu.addSeparator();
        QAction* undo = menu.addAction(UndoButton->text());
        QAction* back = menu.addAction(ReturnButton->text());
        undo->setEnabled(UndoButton->isEnabled());
        back->setEnabled(ReturnButton->isEnabled());
        QAction* chosen = menu.exec(Grid->viewport()->mapToGlobal(at));
        if (chosen == open)
            OpenParamWindow(index.row());
        else if (chosen == undo)
            UndoClick();
        else if (chosen == back)
            ReturnClick();
    });
    connect(UndoButton, &QPushButton::clicked, this, &TWinJournal::UndoClick);
    connect(ReturnButton, &QPushButton::clicked, this, &TWinJournal::ReturnClick);
    connect(ExportButton, &QPushButton::clicked, this, &TWinJournal::ExportClick);
    auto* find = new QShortcut(QKeySequence::Find, this);
    find->setContext(Qt::WidgetWithChildrenShortcut);
    connect(find, &QShortcut::activated, this, [this] {
        SearchEdit->setFocus(Qt::ShortcutFocusReason);
        SearchEdit->selectAll();
    });
}

bool TWinJournal::FormCreate() {
    TJournal& journal = TJournal::Instance();
    const QSignalBlocker block(BoardFilter);
    BoardFilter->addItem("Все платы");
    FillBoards();
    // The connected board's rows first: that is what the operator works on.
    if (const TJournalRecorder* recorder = TJournalRecorder::Current();
        recorder && MainForm && MainForm->Connected && !recorder->Board().isEmpty()) {
        if (BoardFilter->findText(recorder->Board()) < 0)
            BoardFilter->addItem(recorder->Board());
        BoardFilter->setCurrentText(recorder->Board());
    }
    Requery();
    connect(&journal, &TJournal::Changed, m_changed, qOverload<>(&QTimer::start));
    return true;
}

void TWinJournal::FillBoards() {
    const QSignalBlocker block(BoardFilter);
    for (const QString& board : TJournal::Instance().Boards())
        if (BoardFilter->findText(board) < 0)
            BoardFilter->addItem(board);
}

TJournalFilter TWinJournal::CurrentFilter() const {
    TJournalFilter f;
    if (BoardFilter->currentIndex() > 0)
        f.Board = BoardFilter->currentText();
    f.Name = SearchEdit->text().trimmed();
    f.Origin = OriginFilter->text().trimmed();
    f.Outcome = OutcomeFilter->currentData().toString();
    if (DateFilter->isChecked()) { // whole local days, both ends included
        f.FromMs = QDateTime(FromDate->date(), QTime(0, 0)).toMSecsSinceEpoch();
        f.ToMs = QDateTime(ToDate->date().addDays(1), QTime(0, 0)).toMSecsSinceEpoch();
    }
    return f;
}

void TWinJournal::Requery() {
    m_typing->stop();
    // One board chosen: its name on every row says nothing.
    Grid->setColumnHidden(TJournalModel::ColBoard, BoardFilter->currentIndex() > 0);
    Model->SetFilter(CurrentFilter());
    Grid->scrollToTop();
    ShowCount();
    UpdateButtons();
}

void TWinJournal::RefreshRows() {
    const QList<qint64> selected = SelectedIds();
    const qint64 current =
        Grid->currentIndex().isValid() ? Model->Row(Grid->currentIndex().row()).Id : 0;
    const int scroll = Grid->verticalScrollBar()->value();
    const int above = Model->Refresh();
    QItemSelection selection;
    for (qint64 id : selected)
        if (const int row = Model->RowOfId(id); row >= 0)
            selection.select(Model->index(row, 0),
                             Model->index(row, TJournalModel::ColumnCount - 1));
    Grid->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    if (const int row = Model->RowOfId(current); row >= 0)
        Grid->selectionModel()->setCurrentIndex(Model->index(row, 0),
                                                QItemSelectionModel::NoUpdate);
    // At the top the new rows show; further down the rows looked at stay put.
    Grid->verticalScrollBar()->setValue(scroll > 0 ? scroll + above : 0);
    ShowCount();
    UpdateButtons();
}

void TWinJournal::ShowCount() {
    TJournal& journal = TJournal::Instance();
    if (!journal.IsOpen()) {
        const QString problem = journal.ProblemText();
        StatusNote->setText(
            problem.isEmpty()
                ? QStringLiteral("Журнал изменений не открыт (%1): изменения не записываются.")
                      .arg(journal.Path().isEmpty() ? TJournal::DefaultPath() : journal.Path())
                : problem);
        return;
    }
    StatusNote->setText(QStringLiteral("Строк: %1").arg(Model->Total()));
}

QList<qint64> TWinJournal::SelectedIds() const {
    QList<int> rows;
    for (const QModelIndex& index : Grid->selectionModel()->selectedRows())
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    QList<qint64> ids;
    for (int row : rows)
        ids << Model->Row(row).Id;
    return ids;
}

void TWinJournal::UpdateButtons() {
    const bool idle = !IsBusy();
    const int selected = static_cast<int>(Grid->selectionModel()->selectedRows().size());
    UndoButton->setEnabled(idle && selected > 0);
    ReturnButton->setEnabled(idle && selected == 1);
    ExportButton->setEnabled(idle && Model->Total() > 0);
}

bool TWinJournal::BoardIsConnected(const QString& board) const {
    const TJournalRecorder* recorder = TJournalRecorder::Current();
    const QString connected =
        recorder && MainForm && MainForm->Connected ? recorder->Board() : QString();
    if (connected.isEmpty()) {
        Dialogs().Message(QStringLiteral("Плата не подключена. Соединитесь с платой «%1», "
                                         "чтобы отправить ей значения из журнала.")
                              .arg(board));
        return false;
    }
    if (connected != board) {
        Dialogs().Message(QStringLiteral("Строки журнала относятся к плате «%1», а подключена "
                                         "«%2». Значения одной платы другой не отправляются.")
                              .arg(board, connected));
        return false;
    }
    return true;
}

void TWinJournal::UndoClick() {
    if (IsBusy())
        return;
    const QList<qint64> ids = SelectedIds();
    if (ids.isEmpty()) {
        Dialogs().Message("Выделите строки журнала, изменения которых отменить.");
        return;
    }
    const QList<TJournalRow> rows = TJournal::Instance().RowsById(ids);
    QStringList boards;
    for (const TJournalRow& r : rows)
        if (!boards.contains(r.Board))
            boards << r.Board;
    if (boards.size() > 1) {
        Dialogs().Message("Выделены строки разных плат: отменяйте изменения одной платы за раз.");
        return;
    }
    const QByteArrayList lines = JournalUndoLines(rows);
    if (lines.isEmpty()) {
        Dialogs().Message("В выделенных строках нет изменений с известным прежним значением: "
                          "отменять нечего.");
        return;
    }
    if (!BoardIsConnected(boards[0]))
        return;
    QStringList shown;
    for (const QByteArray& line : lines)
        shown << "  " + Latin(line.trimmed());
    if (Dialogs().Ask(QStringLiteral("Отменить выбранные изменения? На плату будут отправлены "
                                     "строки (%1):\n")
                              .arg(lines.size()) +
                          CappedLines(shown, ListedLinesMax).join('\n'),
                      {"Отправить", "Отмена"}) != 0)
        return;
    Apply(lines, QStringLiteral("Отмена строк %1").arg(IdsText(ids)));
}

void TWinJournal::ReturnClick() {
    if (IsBusy())
        return;
    const QModelIndexList selected = Grid->selectionModel()->selectedRows();
    if (selected.size() != 1) {
        Dialogs().Message("Выделите одну строку: плата вернётся к значениям сразу после неё.");
        return;
    }
    const TJournalRow row = Model->Row(selected[0].row());
    if (!BoardIsConnected(row.Board))
        return;
    // What this session saw on the board is newer than what the journal
    // knew at connect.
    TJournal& journal = TJournal::Instance();
    QHash<QByteArray, QByteArray> now = journal.Known(row.Board);
    const QHash<QByteArray, QByteArray> holds = TJournalRecorder::Current()->Holds();
    for (auto h = holds.constBegin(); h != holds.constEnd(); ++h)
        now.insert(h.key(), h.value());
    const QList<TJournalDifference> differences =
        JournalDifferences(journal.StateAt(row.Board, row.Id), now);
    const QString when = TimeText(row.TimeMs);
    if (differences.isEmpty()) {
        Dialogs().Message(
            QStringLiteral("На плате те же значения, что были %1: отправлять нечего.").arg(when));
        return;
    }
    QStringList shown;
    QByteArrayList lines;
    for (const TJournalDifference& d : differences) {
        shown << QStringLiteral("  %1 %2: сейчас %3, тогда %4")
                     .arg(Latin(d.Group), Latin(d.Name),
                          d.Now.isEmpty() ? QStringLiteral("неизвестно") : Latin(d.Now),
                          Latin(d.Then));
        lines << JournalSetLine(d.Group, d.Name, d.Then);
    }
    if (Dialogs().Ask(QStringLiteral("Вернуть плату к %1? Изменятся параметры (%2):\n")
                              .arg(when)
                              .arg(differences.size()) +
                          CappedLines(shown, ListedLinesMax).join('\n'),
                      {"Вернуть", "Отмена"}) != 0)
        return;
    Apply(lines, QStringLiteral("Возврат к %1").arg(when));
}

void TWinJournal::Apply(const QByteArrayList& lines, const QString& origin) {
    TRunScope run(*this, {UndoButton, ReturnButton, ExportButton, Grid});
    if (!run.Held())
        return;
    Run->Start();
    TLoadCheck check;
    TArchiveResult r;
    {
        const TJournalOrigin scope(origin);
        r = ApplyJournalLines(MainForm->Link(), lines, check, Hooks());
    }
    Run->Finish(false);
    run.End();
    if (r.Ok()) {
        const QString text = QStringLiteral("Отправлено строк: %1. Проверено чтением с платы: "
                                            "совпадают %2 из %3 параметров.")
                                 .arg(lines.size())
                                 .arg(check.Compared - check.Differ.size())
                                 .arg(check.Compared);
        StatusNote->setText(text);
        Dialogs().Message(text);
    } else if (r.Status == TArchiveStatus::Differs) {
        const QString text = QStringLiteral("Плата приняла не всё.") + NotTakenText(check);
        StatusNote->setText(QStringLiteral("Плата приняла не всё."));
        Dialogs().Error(text);
    } else {
        Report(r);
    }
    UpdateButtons();
}

void TWinJournal::ExportClick() {
    const QString name =
        Dialogs().SaveFileName("Экспорт журнала изменений", "*.csv (*.csv)", "csv");
    if (name.isEmpty())
        return;
    const QList<TJournalRow> rows = TJournal::Instance().Rows(Model->Filter());
    if (SaveFileWhole(name, JournalCsv(rows)))
        StatusNote->setText(QStringLiteral("Записано строк: %1 в %2").arg(rows.size()).arg(name));
}

void TWinJournal::OpenParamWindow(int row) {
    if (row < 0 || row >= Model->rowCount())
        return;
    const TJournalRow& r = Model->Row(row);
    if (r.Name.isEmpty())
        return;
    const TParamWindowRef window = ParamWindowOf(r.Group, r.Name);
    if (window.Action.isEmpty()) {
        Dialogs().Message(QStringLiteral("Параметр %1 не показывает ни одно окно настроек: "
                                         "его значение меняется в окне «Все параметры».")
                              .arg(Latin(r.Name)));
        return;
    }
    if (!MainForm || !MainForm->Connected) {
        Dialogs().Message(
            QStringLiteral("Окно «%1» открывается при соединении с платой.").arg(window.Caption));
        return;
    }
    if (const TOpenWindowFn open = TaskWindowFor(window.Action))
        open();
}
