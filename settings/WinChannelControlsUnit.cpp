#include "settings/WinChannelControlsUnit.h"

#include "link/Proc.h"
#include "settings/Dlg_PPM_MonitorUnit.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

QPointer<TWinChannelControls> WinChannelControls;

namespace {
QString ChannelRowLabel(int k) {
    return QString("%1.").arg(k);
}

QString MixerRowLabel(int n) {
    static const char* const fixed[] = {"1. Газ", "2. Правый эл.", "3. Левый эл.", "4. Руль высоты",
                                        "5. Руль направл."};
    return n <= 5 ? QString(fixed[n - 1]) : ChannelRowLabel(n);
}

// The control of column `col` in row k, created as a direct child of `page`.
QWidget* MakeRowControl(QWidget* page, const TRowTable& table, const TRowColumn& col, int k) {
    if (col.IsChoice()) {
        auto* box = new QComboBox(page);
        box->setObjectName(QString::fromLatin1(col.ControlName(k)));
        const bool laterPage = table.RowsPerPage > 0 && k > table.RowsPerPage;
        box->addItems(laterPage && col.LaterPageItems > 0 ? col.Items.mid(0, col.LaterPageItems)
                                                          : col.Items);
        box->setCurrentIndex(-1);
        return box;
    }
    auto* spin = new QSpinBox(page);
    spin->setObjectName(QString::fromLatin1(col.ControlName(k)));
    spin->setRange(col.Min, col.Max);
    spin->setValue(col.Default);
    // The spin's own line edit is the buddy edit the operator types into.
    spin->findChild<QLineEdit*>()->setObjectName(QString::fromLatin1(col.BuddyName(k)));
    return spin;
}

// Rows first..last of a table on one page: a heading line (the corner text
// and the column headings), then per row its label and its five controls.
QGridLayout* BuildRows(QWidget* page, const TRowTable& table, int first, int last,
                       const QString& corner, QString (*label)(int)) {
    auto* grid = new QGridLayout(page);
    grid->setHorizontalSpacing(10);
    grid->addWidget(new QLabel(corner), 0, 0);
    for (int c = 0; c < table.Columns.size(); ++c)
        grid->addWidget(new QLabel(table.Columns[c].Heading), 0, c + 1, Qt::AlignCenter);
    for (int k = first; k <= last; ++k) {
        const int line = k - first + 1;
        grid->addWidget(new QLabel(label(k)), line, 0);
        for (int c = 0; c < table.Columns.size(); ++c)
            grid->addWidget(MakeRowControl(page, table, table.Columns[c], k), line, c + 1);
    }
    grid->setColumnStretch(table.Columns.size() + 1, 1);
    return grid;
}

QWidget* MakePage(const char* name) {
    auto* page = new QWidget;
    page->setObjectName(name);
    return page;
}

QPushButton* MakeButton(const char* name, const QString& text) {
    auto* b = new QPushButton(text);
    b->setObjectName(name);
    return b;
}

// A page holding two sub-pages of 12 rows each, with buttons below them.
QWidget* MakeSplitPage(const char* name, const char* tabsName, const TRowTable& table,
                       const char* first, const QString& firstCaption, const char* second,
                       const QString& secondCaption, const QList<QPushButton*>& buttons) {
    QWidget* page = MakePage(name);
    auto* tabs = new QTabWidget;
    tabs->setObjectName(tabsName);
    QWidget* a = MakePage(first);
    QWidget* b = MakePage(second);
    for (QGridLayout* g :
         {BuildRows(a, table, 1, table.RowsPerPage, {}, ChannelRowLabel),
          BuildRows(b, table, table.RowsPerPage + 1, table.Rows, {}, ChannelRowLabel)})
        g->setRowStretch(g->rowCount(), 1);
    tabs->addTab(a, firstCaption);
    tabs->addTab(b, secondCaption);
    auto* v = new QVBoxLayout(page);
    v->addWidget(tabs, 1);
    auto* row = new QHBoxLayout;
    for (QPushButton* button : buttons)
        row->addWidget(button);
    row->addStretch(1);
    v->addLayout(row);
    return page;
}

// Choice or spin value, or false for a control of another class.
bool ReadRowControl(const QWidget* control, int& value) {
    if (auto* box = qobject_cast<const QComboBox*>(control)) {
        value = box->currentIndex();
        return true;
    }
    if (auto* spin = qobject_cast<const QSpinBox*>(control)) {
        value = spin->value();
        return true;
    }
    return false;
}

int ToInt(const QByteArray& field) {
    return StrToInt(QString::fromLatin1(field));
}

// True when the box has item `item` (the second sub-page's type boxes offer
// fewer items than the first's).
bool Shows(const QWidget* control, int item) {
    auto* box = qobject_cast<const QComboBox*>(control);
    return box && item >= 0 && item < box->count();
}

void Select(QWidget* control, int item) {
    if (auto* box = qobject_cast<QComboBox*>(control))
        box->setCurrentIndex(Shows(box, item) ? item : -1);
}

void SetPosition(QWidget* control, int value) {
    if (auto* spin = qobject_cast<QSpinBox*>(control))
        spin->setValue(value); // held within the spin's range
}
} // namespace

TWinChannelControls::TWinChannelControls(QWidget* parent)
    : TSettingsWindow("Настройки каналов", true, parent) {
    auto* monitor = MakeButton("SpeedButton1", "Монитор входных каналов");
    auto* resetIn = MakeButton("SpeedButton2", "Сброс настроек входных каналов");
    auto* resetOut = MakeButton("SpeedButton3", "Сброс настроек выходных каналов");
    auto* resetMix = MakeButton("SpeedButton4", "Сброс настроек микшеров");
    connect(monitor, &QPushButton::clicked, this, [this] { SpeedButton1Click(); });
    connect(resetIn, &QPushButton::clicked, this, [this] { SpeedButton2Click(); });
    connect(resetOut, &QPushButton::clicked, this, [this] { SpeedButton3Click(); });
    connect(resetMix, &QPushButton::clicked, this, [this] { SpeedButton3Click(); });

    PageControl1 = new QTabWidget;
    PageControl1->setObjectName("PageControl1");
    PageControl1->addTab(MakeSplitPage("TabSheet1", "PageControl2", InputTable(), "TabSheet4",
                                       "1 - 12", "TabSheet5", "13 - 24", {monitor, resetIn}),
                         "Входные каналы");
    PageControl1->addTab(MakeSplitPage("TabSheet2", "PageControl3", OutputTable(), "TabSheet6",
                                       "1-12", "TabSheet7", "13-24", {resetOut}),
                         "Выходные каналы");

    QWidget* mixers = MakePage("TabSheet3");
    const TRowTable& mix = MixerTable();
    QGridLayout* grid = BuildRows(mixers, mix, 1, mix.Rows, "Выходной тип", MixerRowLabel);
    auto* row = new QHBoxLayout;
    row->addWidget(resetMix);
    row->addStretch(1);
    grid->addLayout(row, grid->rowCount(), 0, 1, grid->columnCount());
    grid->setRowStretch(grid->rowCount(), 1);
    PageControl1->addTab(mixers, "Микшеры");

    auto* layout = new QVBoxLayout(Content());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(PageControl1);

    for (const TRowTable* t : {&InputTable(), &OutputTable(), &MixerTable()})
        for (const QByteArray& name : t->Containers)
            m_pages.insert(name, Content()->findChild<QWidget*>(QString::fromLatin1(name)));

    // The board keeps mixers 1..5 for the fixed functions and apply never
    // writes them: shown, but not editable, so that no edit is silently lost.
    for (int n = 1; n < FirstWrittenMixer; ++n)
        for (const TRowColumn& c : mix.Columns)
            if (auto* spin = qobject_cast<QSpinBox*>(FindRowControl(mix, c.ControlName(n)))) {
                spin->setReadOnly(true);
                spin->setToolTip("Микшеры 1 - 5 соответствуют основным функциям и не "
                                 "записываются в плату");
            }
}

TWinChannelControls::~TWinChannelControls() = default;

QWidget* TWinChannelControls::FindRowControl(const TRowTable& table, const QByteArray& name) const {
    for (const QByteArray& page : table.Containers)
        if (QWidget* w = FindChildNoCase(m_pages.value(page), name))
            return w;
    return nullptr;
}

// --- listing -------------------------------------------------------------------

TSettingsWindow::TListingEnd TWinChannelControls::ListParams() {
    // The three listings go in one turn of the board, one after the other:
    // each reads its answer to its own prompt, so no answer can be taken
    // for the next one's (input rows read as output rows).
    m_stored.Clear();
    m_unshown.clear();
    using TFill = void (TWinChannelControls::*)(const TRowLine&);
    const QList<QPair<const TRowTable*, TFill>> listings = {
        {&InputTable(), &TWinChannelControls::FillInputRow},
        {&OutputTable(), &TWinChannelControls::FillOutputRow},
        {&MixerTable(), &TWinChannelControls::FillMixerRow},
    };
    bool filledBefore = false;
    for (const auto& [table, fill] : listings) {
        const TListingEnd end = ReadListing(
            table->ListCommand,
            [this, fill = fill](const QByteArray& line) {
                TRowLine row;
                if (ParseRowLine(line, row))
                    (this->*fill)(row);
            },
            filledBefore);
        // A board that fell silent will not answer the next listing either.
        if (end != TListingEnd::Prompt)
            return end;
        filledBefore = true;
    }
    return TListingEnd::Prompt;
}

void TWinChannelControls::FillInputRow(const TRowLine& row) {
    FillChannelRow(InputTable(), true, row);
}

void TWinChannelControls::FillOutputRow(const TRowLine& row) {
    FillChannelRow(OutputTable(), false, row);
}

void TWinChannelControls::FillChannelRow(const TRowTable& table, bool inputCodes,
                                         const TRowLine& row) {
    const int index = ToInt(row.Index);
    if (index < 0 || index >= table.Rows)
        return; // no such row (index 24, say): no control bears its number
    const int k = index + 1;
    for (int c = 0; c < 5; ++c) {
        const QByteArray name = table.Columns[c].ControlName(k);
        QWidget* control = FindRowControl(table, name);
        if (!control)
            return;
        const int value = ToInt(row.Fields[c]);
        if (c < 2) {
            // Stored as the item the box shows. A number without an item of
            // its own (input codes 6..9 would alias items 2..5 through the
            // mapping) leaves the box empty and is kept as listed: the row
            // goes back with it until the operator picks an item.
            const bool code = inputCodes && c == 0;
            int item = code ? InputItemFromCode(value) : value;
            m_unshown.remove(name);
            if ((code && !InputCodeShown(value)) || !Shows(control, item)) {
                item = -1;
                m_unshown.insert(name, value);
            }
            Select(control, item);
            m_stored.Set(name, QByteArray::number(item));
        } else {
            SetPosition(control, value);
            m_stored.Set(name, row.Fields[c]);
        }
    }
}

void TWinChannelControls::FillMixerRow(const TRowLine& row) {
    const TRowTable& table = MixerTable();
    for (int c = 0; c < 5; ++c) {
        // The mixer number is used as listed, as text.
        const QByteArray name = table.Columns[c].Name + row.Index;
        QWidget* control = FindRowControl(table, name);
        if (!control)
            return;
        SetPosition(control, ToInt(row.Fields[c]));
        m_stored.Set(name, row.Fields[c]);
    }
}

// --- apply ---------------------------------------------------------------------

bool TWinChannelControls::TakeValue(const QByteArray& name, int value, TRowApply& apply) const {
    const QByteArray text = QByteArray::number(value);
    apply.Values.append({name, text});
    return text != m_stored.Value(name);
}

bool TWinChannelControls::ApplyChangedValues() {
    TRowApply apply;
    if (CollectChannelRows(InputTable(), true, apply) &&
        CollectChannelRows(OutputTable(), false, apply))
        CollectMixers(apply);
    // The values count as the board's once it has taken the lines; until
    // then the next apply sends them again.
    if (!SendToBoard(apply.Lines))
        return false;
    for (const auto& [name, value] : apply.Values)
        m_stored.Set(name, value);
    return true;
}

bool TWinChannelControls::CollectChannelRows(const TRowTable& table, bool inputCodes,
                                             TRowApply& apply) const {
    for (int k = 1; k <= table.Rows; ++k) {
        bool changed = false;
        int values[5];
        for (int c = 0; c < 5; ++c) {
            const QByteArray name = table.Columns[c].ControlName(k);
            if (!ReadRowControl(FindRowControl(table, name), values[c]))
                return false;
            // A row never listed has nothing stored: it is sent whole.
            changed |= TakeValue(name, values[c], apply);
            if (c < 2 && values[c] < 0)
                values[c] = m_unshown.value(name, values[c]);
            else if (c == 0 && inputCodes)
                values[c] = InputCodeFromItem(values[c]);
        }
        if (changed)
            apply.Lines << RowCommand(table.SetCommand, k - 1, values);
    }
    return true;
}

void TWinChannelControls::CollectMixers(TRowApply& apply) const {
    const TRowTable& table = MixerTable();
    for (int n = FirstWrittenMixer; n <= table.Rows; ++n) {
        bool changed = false;
        int values[5];
        for (int c = 0; c < 5; ++c) {
            const QByteArray name = table.Columns[c].ControlName(n);
            if (!ReadRowControl(FindRowControl(table, name), values[c]))
                return;
            changed |= TakeValue(name, values[c], apply);
        }
        if (changed)
            for (int c = 0; c < 5; ++c)
                apply.Lines << MixerCommand(n, c + 1, values[c]);
    }
}

// --- buttons -------------------------------------------------------------------

void TWinChannelControls::SpeedButton1Click() {
    if (IsBusy())
        return;
    // Busy while the dialog is open: a close of this window (say, the frame
    // closing) closes the dialog first and then this window. Modal for the
    // operator, but without a loop of its own, so that an operation holding
    // the board meanwhile goes on (and the stream starts when it ends).
    BeginBusy();
    Dlg_PPM_Monitor = new TDlg_PPM_Monitor(this);
    connect(Dlg_PPM_Monitor, &QDialog::finished, this, [this] { EndBusy(); });
    Dlg_PPM_Monitor->setWindowModality(Qt::ApplicationModal);
    Dlg_PPM_Monitor->show();
    // Centred on the main window (the toolkit's own placement goes by the
    // dialog's size before its layout has settled).
    QRect g = Dlg_PPM_Monitor->frameGeometry();
    g.moveCenter(window()->frameGeometry().center());
    Dlg_PPM_Monitor->move(g.topLeft());
}

void TWinChannelControls::SpeedButton2Click() {
    ResetAndRelist("reset control in\r\n");
}

void TWinChannelControls::SpeedButton3Click() {
    ResetAndRelist("reset control mixers\r\n");
}

void TWinChannelControls::closeEvent(QCloseEvent* e) {
    if (Dlg_PPM_Monitor)
        Dlg_PPM_Monitor->close();
    TSettingsWindow::closeEvent(e);
}
