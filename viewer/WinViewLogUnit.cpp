#include "viewer/WinViewLogUnit.h"

#include "ui/Dialogs.h"
#include "viewer/FlightLogPlot.h"

#include <QBuffer>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>
#include <qcustomplot.h>
#include <utility>

QPointer<TWinViewLog> WinViewLog;

namespace {
const char* const LogFilter = "*.csv (*.csv);;*.txt (*.txt);;*.* (*)";

QString Number(double v) {
    return QString::number(v, 'g', 12);
}
} // namespace

TWinViewLog::TWinViewLog(QWidget* parent)
    : TTaskWindow(parent), m_table(std::make_shared<TFlightLogTable>()) {
    setWindowTitle(QStringLiteral("Просмотр журнала полёта"));
    auto* v = new QVBoxLayout(Body());
    auto* buttons = new QHBoxLayout;
    OpenButton = new QPushButton(QStringLiteral("Открыть…"));
    OpenButton->setObjectName("OpenButton");
    ShowAllButton = new QPushButton(QStringLiteral("Показать всё"));
    ShowAllButton->setObjectName("ShowAllButton");
    SavePngButton = new QPushButton(QStringLiteral("Сохранить PNG…"));
    SavePngButton->setObjectName("SavePngButton");
    buttons->addWidget(OpenButton);
    buttons->addWidget(ShowAllButton);
    buttons->addWidget(SavePngButton);
    buttons->addStretch(1);
    v->addLayout(buttons);
    InfoLabel = new QLabel(QStringLiteral("Файл не открыт"));
    InfoLabel->setObjectName("InfoLabel");
    InfoLabel->setWordWrap(true);
    v->addWidget(InfoLabel);

    auto* split = new QSplitter;
    auto* side = new QWidget;
    auto* sv = new QVBoxLayout(side);
    sv->setContentsMargins(0, 0, 0, 0);
    sv->addWidget(new QLabel(QStringLiteral("Столбцы")));
    ColumnList = new QListWidget;
    ColumnList->setObjectName("ColumnList");
    sv->addWidget(ColumnList, 1);
    sv->addWidget(new QLabel(QStringLiteral("Под курсором")));
    ReadoutLabel = new QLabel;
    ReadoutLabel->setObjectName("ReadoutLabel");
    ReadoutLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    ReadoutLabel->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    sv->addWidget(ReadoutLabel);
    Plot = new TFlightLogPlot;
    split->addWidget(side);
    split->addWidget(Plot);
    split->setStretchFactor(1, 1);
    split->setSizes({200, 800});
    v->addWidget(split, 1);

    auto* progressRow = new QHBoxLayout;
    Progress = new QProgressBar;
    Progress->setObjectName("Progress");
    Progress->setRange(0, 1000);
    CancelButton = new QPushButton(QStringLiteral("Отмена"));
    CancelButton->setObjectName("CancelButton");
    progressRow->addWidget(Progress, 1);
    progressRow->addWidget(CancelButton);
    v->addLayout(progressRow);
    Progress->hide();
    CancelButton->hide();
    resize(1000, 680);

    connect(OpenButton, &QPushButton::clicked, this, &TWinViewLog::OpenButtonClick);
    connect(ShowAllButton, &QPushButton::clicked, Plot, &TFlightLogPlot::ShowAll);
    connect(SavePngButton, &QPushButton::clicked, this, &TWinViewLog::SavePngButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, [this] {
        if (m_stop)
            *m_stop = true;
    });
    connect(ColumnList, &QListWidget::itemChanged, this, &TWinViewLog::PickedChanged);
    connect(Plot, &TFlightLogPlot::CursorMoved, this, &TWinViewLog::ShowReadout);
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, [this] {
        if (m_bytes && m_size > 0)
            Progress->setValue(int(std::min<qint64>(1000, *m_bytes * 1000 / m_size)));
    });
    timer->start(100);
}

TWinViewLog::~TWinViewLog() {
    StopLoad();
}

void TWinViewLog::FormClose() {
    StopLoad();
}

void TWinViewLog::StopLoad() {
    if (!m_thread)
        return;
    disconnect(m_thread, nullptr, this, nullptr);
    *m_stop = true;
    m_thread->wait(); // the reader looks at the flag every 256 KiB
    delete m_thread;
    m_thread = nullptr;
}

void TWinViewLog::OpenButtonClick() {
    const QString name = Dialogs().OpenFileName(QStringLiteral("Журнал полёта"), LogFilter);
    if (!name.isEmpty())
        OpenFile(name);
}

void TWinViewLog::OpenFile(const QString& path, const QVector<bool>& fractions) {
    StopLoad();
    m_loadingFile = path;
    m_size = QFileInfo(path).size();
    m_loading = std::make_shared<TFlightLogTable>();
    m_track = std::make_shared<TGroundTrack>();
    m_result = std::make_shared<TLogReadResult>();
    m_bytes = std::make_shared<std::atomic<qint64>>(0);
    m_stop = std::make_shared<std::atomic<bool>>(false);
    InfoLabel->setText(QStringLiteral("Чтение %1…").arg(QFileInfo(path).fileName()));
    Progress->setValue(0);
    Progress->show();
    CancelButton->show();
    OpenButton->setEnabled(false);
    m_thread = QThread::create([table = m_loading, track = m_track, result = m_result,
                                bytes = m_bytes, stop = m_stop, path, fractions] {
        *result = ReadFlightLogFile(
            path, *table,
            [&](qint64 done) {
                *bytes = done;
                return !*stop;
            },
            fractions);
        if (result->Ok())
            *track = GroundTrack(*table);
    });
    connect(m_thread, &QThread::finished, this, &TWinViewLog::LoadDone, Qt::QueuedConnection);
    m_thread->start();
}

void TWinViewLog::LoadDone() {
    StopLoad();
    Progress->hide();
    CancelButton->hide();
    OpenButton->setEnabled(true);
    const TLogReadResult r = *m_result;
    if (!r.Ok()) {
        // The log shown before (if any) stays on screen.
        InfoLabel->setText(!m_file.isEmpty() ? InfoLabel->toolTip()
                           : r.Status == TLogReadStatus::Cancelled
                               ? r.RussianText()
                               : QStringLiteral("Файл не открыт"));
        if (r.Status != TLogReadStatus::Cancelled)
            Dialogs().Error(r.RussianText());
        emit LoadFinished(false);
        return;
    }
    m_table = m_loading;
    m_loading.reset();
    m_file = m_loadingFile;
    const TFlightLogTable& t = *m_table;
    QStringList info;
    info << QStringLiteral("%1: строк %2").arg(QFileInfo(m_file).fileName()).arg(t.RowCount());
    if (t.BadRows > 0)
        info << QStringLiteral("пропущено неверных строк: %1").arg(t.BadRows) +
                    (t.TruncatedLastLine ? QStringLiteral(" (последняя строка оборвана)")
                                         : QString());
    if (t.DecimalComma)
        info << QStringLiteral("десятичные запятые");
    if (!t.TimeInFirstColumn)
        info << QStringLiteral("первый столбец не возрастает: по оси времени номер строки");
    // The damage on a line of its own: the operator sees only part of the
    // flight.
    InfoLabel->setText(info.join(QStringLiteral("; ")) +
                       (t.DamagedLine > 0 ? '\n' + t.DamageNote() : QString()));
    InfoLabel->setToolTip(InfoLabel->text());
    Plot->SetTable(m_table.get(), std::exchange(m_track, nullptr));
    FillColumns();
    Plot->SetCursorTime(t.Time(0));
    emit LoadFinished(true);
}

void TWinViewLog::FillColumns() {
    const QList<int> picked = DefaultColumns(*m_table);
    const QSignalBlocker block(ColumnList);
    ColumnList->clear();
    for (int c = m_table->TimeInFirstColumn ? 1 : 0; c < m_table->Columns.size(); ++c) {
        auto* item = new QListWidgetItem(m_table->Columns[c], ColumnList);
        item->setData(Qt::UserRole, c);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(picked.contains(c) ? Qt::Checked : Qt::Unchecked);
    }
    Plot->SetColumns(picked);
}

void TWinViewLog::PickedChanged() {
    QList<int> picked;
    for (int i = 0; i < ColumnList->count(); ++i)
        if (ColumnList->item(i)->checkState() == Qt::Checked)
            picked << ColumnList->item(i)->data(Qt::UserRole).toInt();
    Plot->SetColumns(picked);
    ShowReadout();
}

QStringList TWinViewLog::Readout() const {
    QStringList out;
    const int row = Plot->CursorRow();
    if (row < 0 || row >= m_table->RowCount())
        return out;
    if (m_table->TimeInFirstColumn)
        out << m_table->Columns[0] + " = " + Number(m_table->Values[0][row]);
    else
        out << QStringLiteral("строка = %1").arg(row + 1);
    for (int c : Plot->Columns())
        out << m_table->Columns[c] + " = " + Number(m_table->Values[c][row]);
    return out;
}

void TWinViewLog::ShowReadout() {
    ReadoutLabel->setText(Readout().join('\n'));
}

void TWinViewLog::SavePngButtonClick() {
    if (m_file.isEmpty())
        return;
    const QString name =
        Dialogs().SaveFileName(QStringLiteral("Сохранить график"), "*.png (*.png)", "png");
    if (name.isEmpty())
        return;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    Plot->Current()->toPixmap().save(&buffer, "PNG");
    SaveFileWhole(name, png);
}

TWinViewLog* OpenFlightLogViewer(const QString& path, const QVector<bool>& fractions) {
    const bool fresh = !WinViewLog;
    TWinViewLog* w = OpenTaskWindow(WinViewLog);
    if (!w)
        return nullptr;
    if (fresh && w->mdiArea())
        w->setGeometry(QRect(QPoint(0, 0), w->size().boundedTo(w->mdiArea()->viewport()->size())));
    if (path.isEmpty())
        w->OpenButtonClick();
    else
        w->OpenFile(path, fractions);
    return w;
}
