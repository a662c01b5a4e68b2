#include "parameters/WinAllParamsUnit.h"

#include "archive/ArchiveWidgets.h"
#include "link/JournalOrigin.h"
#include "link/Proc.h"
#include "settings/ParamFormUnit.h"
#include "settings/WinAdcSettingsUnit.h"
#include "settings/WinBatSettingsUnit.h"
#include "settings/WinHardConfigUnit.h"
#include "settings/WinImuSettingsUnit.h"
#include "settings/WinOSDControlsUnit.h"
#include "settings/WinStabControlUnit.h"
#include "ui/BoardAccess.h"
#include "ui/Dialogs.h"
#include "ui/TaskRegistry.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <set>

QPointer<TWinAllParams> WinAllParams;

namespace {
// A settings window that shows parameters of one group, as its own table
// declares them.
struct TShowingWindow {
    const char* Action;
    QString Caption;
    QByteArray Command; // the group it lists
    QByteArrayList Names;
};

const QList<TShowingWindow>& ShowingWindows() {
    static const QList<TShowingWindow> windows = [] {
        QByteArrayList imu;
        for (const QByteArray& n : TWinImuSettings::Names())
            imu << LowerAscii(n);
        return QList<TShowingWindow>{
            {"ActionStabControls", "Настройка параметров стабилизатора",
             TWinStabControl::Config().ListCommand, BoardNames(TWinStabControl::Table())},
            {"ActionWinHardConfig", "Аппаратная конфигурация", TWinHardConfig::Config().ListCommand,
             BoardNames(TWinHardConfig::Table())},
            {"Action_OSD_Settings", "Настройка OSD", TWinOSDControls::Config().ListCommand,
             BoardNames(TWinOSDControls::Table())},
            {"ActionADCSettings", "Настройка АЦП", TWinAdcSettings::Config().ListCommand,
             BoardNames(TWinAdcSettings::Table())},
            {"ActionBatParams", "Параметры батарей", TWinBatSettings::Config().ListCommand,
             BoardNames(TWinBatSettings::Table())},
            {"ActionIMU_Settings", "Настройка IMU", "cat imu\r\n", imu},
        };
    }();
    return windows;
}

int ShowingWindowOf(const TParamRow& p) {
    const QList<TShowingWindow>& windows = ShowingWindows();
    for (int i = 0; i < windows.size(); ++i)
        if (windows[i].Command == p.Section->Command && windows[i].Names.contains(p.Name))
            return i;
    return -1;
}

const QColor EditedColor(255, 243, 196);
const QColor MismatchColor(248, 196, 196);
const QColor FileColor(255, 216, 168);
const QColor BehindColor(206, 226, 250);

// Enter in the value editor commits it and hands on to the window, which
// moves to the next row.
class TValueDelegate : public QStyledItemDelegate {
public:
    TValueDelegate(std::function<void()> onEnter, QObject* parent)
        : QStyledItemDelegate(parent), m_onEnter(std::move(onEnter)) {}

protected:
    bool eventFilter(QObject* object, QEvent* e) override {
        auto* editor = qobject_cast<QWidget*>(object);
        if (editor && e->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(e)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                emit commitData(editor);
                emit closeEditor(editor, QAbstractItemDelegate::NoHint);
                QTimer::singleShot(0, parent(), m_onEnter);
                return true;
            }
        }
        return QStyledItemDelegate::eventFilter(object, e);
    }

private:
    std::function<void()> m_onEnter;
};

QPushButton* Button(const QString& text, const char* name) {
    auto* b = new QPushButton(text);
    b->setObjectName(name);
    return b;
}
} // namespace

TWinAllParams::TWinAllParams(QWidget* parent) : TTaskWindow(parent) {
    setWindowTitle("Все параметры");
    auto* v = new QVBoxLayout(Body());

    auto* filters = new QHBoxLayout;
    SearchEdit = new QLineEdit;
    SearchEdit->setObjectName("SearchEdit");
    SearchEdit->setPlaceholderText("Поиск по имени (Ctrl+F)");
    SearchEdit->setClearButtonEnabled(true);
    GroupFilter = new QComboBox;
    GroupFilter->setObjectName("GroupFilter");
    GroupFilter->addItem("Все группы");
    for (const TExportSection* s : ParamSections())
        GroupFilter->addItem(QString::fromLatin1(s->Name));
    ChangedOnly = new QCheckBox("Только изменённые");
    ChangedOnly->setObjectName("ChangedOnly");
    filters->addWidget(SearchEdit, 1);
    filters->addWidget(GroupFilter);
    filters->addWidget(ChangedOnly);
    v->addLayout(filters);

    Grid = new QTableWidget(0, ColumnCount);
    Grid->setObjectName("Grid");
    Grid->setHorizontalHeaderLabels({"Группа", "Имя", "Значение", "В файле", "Окно"});
    Grid->verticalHeader()->hide();
    Grid->verticalHeader()->setDefaultSectionSize(Grid->fontMetrics().height() + 6);
    Grid->horizontalHeader()->setSectionResizeMode(ColName, QHeaderView::Stretch);
    Grid->setColumnWidth(ColGroup, 110);
    Grid->setColumnWidth(ColValue, 150);
    Grid->setColumnWidth(ColFile, 110);
    Grid->setColumnWidth(ColWindow, 260);
    Grid->setColumnHidden(ColFile, true);
    Grid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                          QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
    Grid->setItemDelegateForColumn(ColValue, new TValueDelegate([this] { MoveToNextRow(); }, this));
    v->addWidget(Grid, 1);

    Run = new TRunIndicator("Прочитано параметров:", true);
    v->addWidget(Run);
    StatusNote = MakeLabel(QString(), "StatusNote");
    StatusNote->setWordWrap(true);
    v->addWidget(StatusNote);

    auto* buttons = new QHBoxLayout;
    ReadButton = Button("Прочитать", "ReadButton");
    CompareButton = Button("Сравнить с файлом…", "CompareButton");
    TakeButton = Button("Взять из файла", "TakeButton");
    RevertButton = Button("Отменить изменения", "RevertButton");
    ApplyButton = Button("Применить", "ApplyButton");
    FlashButton = Button("Сохранить во флеш", "FlashButton");
    for (QPushButton* b : {ReadButton, CompareButton, TakeButton})
        buttons->addWidget(b);
    buttons->addStretch(1);
    for (QPushButton* b : {RevertButton, ApplyButton, FlashButton})
        buttons->addWidget(b);
    v->addLayout(buttons);
    resize(900, 620);

    connect(SearchEdit, &QLineEdit::textChanged, this, &TWinAllParams::ApplyFilter);
    connect(GroupFilter, &QComboBox::currentIndexChanged, this, &TWinAllParams::ApplyFilter);
    connect(ChangedOnly, &QCheckBox::toggled, this, &TWinAllParams::ApplyFilter);
    connect(Grid, &QTableWidget::itemChanged, this, &TWinAllParams::ItemChanged);
    connect(Grid, &QTableWidget::cellDoubleClicked, this, [this](int row, int column) {
        if (column == ColWindow)
            OpenShowingWindow(row);
    });
    connect(ReadButton, &QPushButton::clicked, this, [this] {
        if (IsBusy())
            return;
        const TBoardHold hold;
        if (hold.Held())
            ReadAll();
    });
    connect(CompareButton, &QPushButton::clicked, this, &TWinAllParams::CompareClick);
    connect(TakeButton, &QPushButton::clicked, this, &TWinAllParams::TakeFromFileClick);
    connect(RevertButton, &QPushButton::clicked, this, &TWinAllParams::RevertClick);
    connect(ApplyButton, &QPushButton::clicked, this, &TWinAllParams::ApplyClick);
    connect(FlashButton, &QPushButton::clicked, this, &TWinAllParams::SaveToFlashClick);
    connect(Run, &TRunIndicator::StopClicked, this, [this] {
        m_stopPressed = true;
        RequestCancel();
    });
    auto* find = new QShortcut(QKeySequence::Find, this);
    find->setContext(Qt::WidgetWithChildrenShortcut);
    connect(find, &QShortcut::activated, this, [this] {
        SearchEdit->setFocus(Qt::ShortcutFocusReason);
        SearchEdit->selectAll();
    });
    UpdateButtons();
}

void TWinAllParams::BoardListed(const QByteArray& command, const QByteArray& line) {
    if (IsBusy() || m_rows.isEmpty())
        return; // the table's own reads replace its rows
    QByteArray name, value;
    if (!SplitParamLine(line, name, value))
        return;
    for (const TExportSection* section : ParamSections())
        if (Trim(QByteArray(section->Command)) == LowerAscii(Trim(command)))
            if (const int row = RowOf(section->Name, LowerAscii(Trim(name))); row >= 0)
                BoardHolds(row, LowerAscii(Trim(value)));
}

void TWinAllParams::BoardTook(const QByteArray& command, const QByteArray& refusal) {
    if (IsBusy() || m_rows.isEmpty() || !refusal.isEmpty())
        return;
    const QByteArrayList words = command.simplified().split(' ');
    const QByteArray verb = LowerAscii(words[0]);
    if (verb == "reset") {
        // The group's values are the board's defaults now, not known here.
        const QByteArray group = "cat " + LowerAscii(words.mid(1).join(' '));
        for (int i = 0; i < m_rows.size(); ++i)
            if (Trim(QByteArray(m_rows[i].Param.Section->Command)) == group && !m_rows[i].Behind) {
                m_rows[i].Behind = true;
                ShowRow(i);
            }
        StatusNote->setText(QStringLiteral("Группа сброшена на плате: нажмите «Прочитать»"));
        return;
    }
    if (verb != "set" || words.size() < 3)
        return;
    for (int i = 0; i < m_rows.size(); ++i)
        if (SameNameNoCase(words[1], m_rows[i].Param.Name)) {
            QByteArray value = LowerAscii(words.mid(2).join(' '));
            if (m_rows[i].Param.Section->Kind == TSectionKind::OsdParams &&
                m_rows[i].Param.Value.contains(','))
                value.replace(' ', ','); // listed as "x,y"
            BoardHolds(i, value);
        }
}

void TWinAllParams::BoardHolds(int row, const QByteArray& value) {
    TRow& r = m_rows[row];
    if (SameParamValue(r.Param.Section, value, r.Param.Value))
        return;
    // An untouched row follows the board; one the operator typed keeps the
    // typing, which now counts as a change against the new value.
    const bool edited = Edited(row);
    r.Param.Value = value;
    r.Behind = true;
    r.Mismatch = false;
    if (!edited) {
        r.Edit = QString::fromLatin1(value);
        const bool filling = std::exchange(m_filling, true);
        Grid->item(row, ColValue)->setText(r.Edit);
        m_filling = filling;
    }
    ShowRow(row);
    UpdateButtons();
    StatusNote->setText(
        QStringLiteral("Значение %1 изменено на плате помимо этой таблицы: теперь %2")
            .arg(QString::fromLatin1(r.Param.Name), QString::fromLatin1(value)));
}

bool TWinAllParams::FormCreate() {
    // After the window is shown: the operator sees the reading and can stop it.
    QTimer::singleShot(0, this, [this] {
        SearchEdit->setFocus(Qt::OtherFocusReason);
        WhenBoardFree([this] { ReadAll(); }, false);
    });
    connect(&MainForm->Link(), &TBoardLink::AnswerLine, this, &TWinAllParams::BoardListed);
    connect(&MainForm->Link(), &TBoardLink::CommandAnswered, this, &TWinAllParams::BoardTook);
    return true;
}

void TWinAllParams::ReadAll() {
    const TArchiveResult r = ReadGroups(ParamSections());
    if (r.Ok())
        StatusNote->setText(QStringLiteral("Прочитано параметров: %1").arg(m_rows.size()));
    else
        ReportRun(r, m_stopPressed);
}

TArchiveResult TWinAllParams::ReadGroups(const QList<const TExportSection*>& sections) {
    BeginBusy();
    m_stopPressed = false;
    UpdateButtons();
    Run->Start();
    TRunHooks hooks = WindowRunHooks(this, Run);
    int done = 0;
    hooks.Progress = [this, &done](const TProgress& p) {
        done = p.Done;
        Run->Show(p);
    };
    QList<TParamRow> read;
    const TArchiveResult r = ReadParamGroups(MainForm->Link(), sections, read, hooks);
    Run->Finish(false);

    // Whole groups read replace their rows; the operator's edits and the
    // compared file's values stay with their parameters.
    QHash<QByteArray, int> old;
    for (int i = 0; i < m_rows.size(); ++i)
        old.insert(ParamKey(m_rows[i].Param.Section, m_rows[i].Param.Name), i);
    const QList<const TExportSection*> fresh = sections.mid(0, done);
    QList<TRow> rows;
    for (const TExportSection* section : ParamSections()) {
        if (!fresh.contains(section)) {
            for (const TRow& row : m_rows)
                if (row.Param.Section == section)
                    rows << row;
            continue;
        }
        for (const TParamRow& p : read) {
            if (p.Section != section)
                continue;
            TRow row;
            const auto was = old.constFind(ParamKey(section, p.Name));
            if (was != old.constEnd()) {
                row = m_rows[*was];
                if (!Edited(*was))
                    row.Edit = QString::fromLatin1(p.Value);
            } else {
                row.Edit = QString::fromLatin1(p.Value);
            }
            row.Param = p;
            row.Window = ShowingWindowOf(p);
            rows << row;
        }
    }
    m_rows = rows;
    Fill();
    EndBusy();
    UpdateButtons();
    return r;
}

int TWinAllParams::RowOf(const QByteArray& group, const QByteArray& name) const {
    for (int i = 0; i < m_rows.size(); ++i)
        if (group == m_rows[i].Param.Section->Name && SameNameNoCase(name, m_rows[i].Param.Name))
            return i;
    return -1;
}

bool TWinAllParams::Edited(int row) const {
    const TRow& r = m_rows[row];
    return !SameParamValue(r.Param.Section, r.Edit.toLatin1(), r.Param.Value) ||
           !SendableText(r.Edit);
}

bool TWinAllParams::DiffersFromFile(int row) const {
    const TRow& r = m_rows[row];
    return r.HasFile && !SameParamValue(r.Param.Section, r.File, r.Param.Value);
}

void TWinAllParams::Fill() {
    m_filling = true;
    Grid->setRowCount(static_cast<int>(m_rows.size()));
    for (int i = 0; i < m_rows.size(); ++i) {
        const TRow& r = m_rows[i];
        const QString window = r.Window >= 0 ? ShowingWindows()[r.Window].Caption : QString();
        const QString texts[ColumnCount] = {QString::fromLatin1(r.Param.Section->Name),
                                            QString::fromLatin1(r.Param.Name), r.Edit,
                                            QString::fromLatin1(r.File), window};
        for (int c = 0; c < ColumnCount; ++c) {
            auto* item = new QTableWidgetItem(texts[c]);
            if (c != ColValue)
                item->setFlags(item->flags() & ~Qt::ItemIsEditable);
            Grid->setItem(i, c, item);
        }
        ShowRow(i);
    }
    m_filling = false;
    ApplyFilter();
}

void TWinAllParams::ShowRow(int row) {
    const TRow& r = m_rows[row];
    const bool edited = Edited(row);
    const bool differs = DiffersFromFile(row);
    const bool filling = m_filling;
    m_filling = true;
    for (int c = 0; c < ColumnCount; ++c) {
        QTableWidgetItem* item = Grid->item(row, c);
        QColor colour;
        if (r.Mismatch)
            colour = MismatchColor;
        else if (edited)
            colour = EditedColor;
        else if (r.Behind && c == ColValue)
            colour = BehindColor;
        else if (differs && (c == ColFile || c == ColValue))
            colour = FileColor;
        item->setBackground(colour.isValid() ? QBrush(colour) : QBrush());
    }
    QTableWidgetItem* value = Grid->item(row, ColValue);
    QFont font = value->font();
    font.setBold(edited || r.Mismatch);
    value->setFont(font);
    QString tip = QStringLiteral("На плате: %1").arg(QString::fromLatin1(r.Param.Value));
    if (r.Mismatch)
        tip = QStringLiteral("Отправлено: %1, плата приняла: %2")
                  .arg(QString::fromLatin1(r.Sent), QString::fromLatin1(r.Param.Value));
    if (r.Behind)
        tip += QStringLiteral("\nИзменено на плате, пока таблица открыта");
    if (r.HasFile)
        tip += QStringLiteral("\nВ файле: %1").arg(QString::fromLatin1(r.File));
    value->setToolTip(tip);
    Grid->item(row, ColFile)->setText(QString::fromLatin1(r.File));
    if (r.Window >= 0)
        Grid->item(row, ColWindow)->setToolTip("Двойной щелчок открывает окно");
    m_filling = filling;
}

void TWinAllParams::ApplyFilter() {
    const QString search = SearchEdit->text().trimmed();
    const QString group = GroupFilter->currentIndex() > 0 ? GroupFilter->currentText() : QString();
    for (int i = 0; i < m_rows.size(); ++i) {
        const TRow& r = m_rows[i];
        bool shown = search.isEmpty() ||
                     QString::fromLatin1(r.Param.Name).contains(search, Qt::CaseInsensitive);
        shown = shown && (group.isEmpty() || group == QLatin1String(r.Param.Section->Name));
        shown =
            shown && (!ChangedOnly->isChecked() || Edited(i) || r.Mismatch || DiffersFromFile(i));
        Grid->setRowHidden(i, !shown);
    }
}

void TWinAllParams::ItemChanged(QTableWidgetItem* item) {
    if (m_filling || item->column() != ColValue)
        return;
    const int row = item->row();
    m_rows[row].Edit = item->text();
    m_rows[row].Mismatch = false;
    ShowRow(row);
    UpdateButtons();
}

void TWinAllParams::MoveToNextRow() {
    for (int i = Grid->currentRow() + 1; i < Grid->rowCount(); ++i)
        if (!Grid->isRowHidden(i)) {
            Grid->setCurrentCell(i, ColValue);
            return;
        }
}

void TWinAllParams::UpdateButtons() {
    const bool idle = !IsBusy();
    bool anyEdited = false, anyMarked = false, anyFile = false;
    for (int i = 0; i < m_rows.size(); ++i) {
        anyEdited = anyEdited || Edited(i);
        anyMarked = anyMarked || m_rows[i].Mismatch;
        anyFile = anyFile || m_rows[i].HasFile;
    }
    ReadButton->setEnabled(idle);
    CompareButton->setEnabled(idle && !m_rows.isEmpty());
    TakeButton->setEnabled(idle && anyFile);
    ApplyButton->setEnabled(idle && anyEdited);
    RevertButton->setEnabled(idle && (anyEdited || anyMarked));
    FlashButton->setEnabled(idle);
}

void TWinAllParams::ApplyClick() {
    if (IsBusy())
        return;
    // Refused as the settings windows refuse a value: nothing is sent.
    QByteArrayList lines;
    QHash<QByteArray, QByteArray> sent; // key -> value as sent
    QList<const TExportSection*> touched;
    for (int i = 0; i < m_rows.size(); ++i) {
        const TRow& r = m_rows[i];
        if (!Edited(i))
            continue;
        const QString name = QString::fromLatin1(r.Param.Name);
        if (r.Edit.trimmed().isEmpty()) {
            Dialogs().Message(QStringLiteral("Пустое значение параметра %1 не отправляется: "
                                             "впишите значение или отмените изменение.")
                                  .arg(name));
            return;
        }
        if (!SendableText(r.Edit)) {
            Dialogs().Message(QStringLiteral("Значение параметра %1 содержит недопустимые символы: "
                                             "\"%2\". Допустимы латинские буквы, цифры и знаки.")
                                  .arg(name, r.Edit));
            return;
        }
        const QByteArray value = ParamSendValue(r.Param.Section, r.Edit.toLatin1());
        lines << ParamSetLine(r.Param.Section, r.Param.Name, value);
        sent.insert(ParamKey(r.Param.Section, r.Param.Name), value);
        if (!touched.contains(r.Param.Section))
            touched << r.Param.Section;
    }
    if (lines.isEmpty())
        return;
    const TBoardHold hold;
    if (!hold.Held())
        return;
    BeginBusy();
    UpdateButtons();
    const TJournalOrigin origin(QStringLiteral("Все параметры"));
    TRequest request;
    request.Commands = lines;
    request.Mode = TWaitMode::ProcessEvents;
    request.Cancel = [this] { return CancelRequested(); };
    const TAnswer a = MainForm->Link().Request(request);
    if (!a.Ok() && a.End != TAnswerEnd::Cancelled)
        Dialogs().Error(
            QStringLiteral("Плата не подтвердила команды \"set\": %1").arg(BoardAnswerText(a)));
    // What reached the board is verified by reading its groups back; a line
    // garbled on the way or refused by the board is never taken for success.
    TArchiveResult back;
    if (a.Sent && a.End != TAnswerEnd::LinkLost && !CancelRequested())
        back = ReadGroups(touched);
    else
        back.Status = TArchiveStatus::Cancelled;
    EndBusy();
    if (!back.Ok()) {
        if (!CancelRequested())
            ReportRun(back, m_stopPressed);
        UpdateButtons();
        return;
    }
    QStringList other;
    QHash<QByteArray, QByteArray> missing = sent;
    for (int i = 0; i < m_rows.size(); ++i) {
        TRow& r = m_rows[i];
        const QByteArray key = ParamKey(r.Param.Section, r.Param.Name);
        const auto s = sent.constFind(key);
        if (s == sent.constEnd())
            continue;
        missing.remove(key);
        r.Edit = QString::fromLatin1(r.Param.Value);
        r.Mismatch = !SameParamValue(r.Param.Section, *s, r.Param.Value);
        r.Sent = *s;
        if (r.Mismatch)
            other << QStringLiteral("%1: отправлено %2, на плате %3")
                         .arg(QString::fromLatin1(r.Param.Name), QString::fromLatin1(*s),
                              QString::fromLatin1(r.Param.Value));
    }
    for (auto m = missing.constBegin(); m != missing.constEnd(); ++m)
        other << QStringLiteral("%1: отправлено %2, плата его больше не показывает")
                     .arg(QString::fromLatin1(m.key().mid(m.key().indexOf('\n') + 1)),
                          QString::fromLatin1(m.value()));
    Fill();
    UpdateButtons();
    if (other.isEmpty()) {
        StatusNote->setText(
            QStringLiteral("Отправлено и подтверждено чтением: %1").arg(sent.size()));
    } else {
        StatusNote->setText(QStringLiteral("Плата приняла другое значение: %1").arg(other.size()));
        Dialogs().Message(QStringLiteral("Плата приняла другое значение: ") + other.join("\n"));
    }
}

void TWinAllParams::RevertClick() {
    for (TRow& r : m_rows) {
        r.Edit = QString::fromLatin1(r.Param.Value);
        r.Mismatch = false;
    }
    Fill();
    UpdateButtons();
}

void TWinAllParams::CompareClick() {
    if (IsBusy())
        return;
    const QString name = Dialogs().OpenFileName("Выберите файл конфигурации",
                                                "*.cfg (*.cfg);;*.txt (*.txt);;*.* (*)");
    if (name.isEmpty())
        return;
    QHash<QByteArray, QByteArray> values;
    TArchiveResult r;
    if (!ReadParamFile(name, values, r)) {
        Dialogs().Error(r.RussianText());
        return;
    }
    int differ = 0;
    for (int i = 0; i < m_rows.size(); ++i) {
        TRow& row = m_rows[i];
        const auto v = values.constFind(ParamKey(row.Param.Section, row.Param.Name));
        row.HasFile = v != values.constEnd();
        row.File = row.HasFile ? *v : QByteArray();
        // The file writes an OSD pair as "x y"; shown as the board lists it.
        if (row.Param.Section->Kind == TSectionKind::OsdParams && row.Param.Value.contains(','))
            row.File = row.File.simplified().replace(' ', ',');
        differ += DiffersFromFile(i);
    }
    Grid->setColumnHidden(ColFile, false);
    Fill();
    UpdateButtons();
    StatusNote->setText(QStringLiteral("Отличается от файла %1: %2").arg(name).arg(differ));
}

void TWinAllParams::TakeFromFileClick() {
    std::set<int> rows;
    for (const QModelIndex& index : Grid->selectionModel()->selectedIndexes())
        if (!Grid->isRowHidden(index.row()) && m_rows[index.row()].HasFile)
            rows.insert(index.row());
    if (rows.empty()) {
        Dialogs().Message("Выделите строки, значения которых взять из файла.");
        return;
    }
    for (int row : rows) {
        m_rows[row].Edit = QString::fromLatin1(m_rows[row].File);
        m_rows[row].Mismatch = false;
    }
    Fill();
    UpdateButtons();
}

void TWinAllParams::SaveToFlashClick() {
    if (IsBusy())
        return;
    if (SendToBoard(SaveSettingsCommands(true, true)))
        StatusNote->setText("Настройки сохранены во флеш");
}

TParamWindowRef ParamWindowOf(const QByteArray& group, const QByteArray& name) {
    for (const TExportSection* section : ParamSections()) {
        if (!group.isEmpty() && !SameNameNoCase(group, section->Name))
            continue;
        for (const TShowingWindow& w : ShowingWindows())
            if (w.Command == section->Command && w.Names.contains(LowerAscii(name)))
                return {QString::fromLatin1(w.Action), w.Caption};
    }
    return {};
}

void TWinAllParams::OpenShowingWindow(int row) {
    if (row < 0 || row >= m_rows.size() || m_rows[row].Window < 0)
        return;
    if (const TOpenWindowFn open = TaskWindowFor(ShowingWindows()[m_rows[row].Window].Action))
        open();
}
