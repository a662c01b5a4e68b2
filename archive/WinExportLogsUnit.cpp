#include "archive/WinExportLogsUnit.h"

#include "archive/ArchiveWidgets.h"
#include "ui/BoardAccess.h"
#include "ui/Dialogs.h"
#include "viewer/WinViewLogUnit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

QPointer<TWinExportLogs> WinExportLogs;

TWinExportLogs::TWinExportLogs(QWidget* parent) : TArchiveWindow(parent) {
    setWindowTitle("Выгрузить полетные логи");
    auto* panel = new QWidget;
    panel->setObjectName("Panel1");
    FitCaption(this, Body());
    auto* outer = new QVBoxLayout(Body());
    outer->addWidget(panel);
    auto* v = new QVBoxLayout(panel);
    v->addWidget(MakeHeading("Выгрузить полетные логи", "Label3"));
    v->addSpacing(8);
    auto* form = new QFormLayout;
    FlightNumber = new QComboBox;
    FlightNumber->setObjectName("FlightNumber");
    FlightNumber->setEditable(false);
    form->addRow(MakeLabel("Номер полета", "Label1"), FlightNumber);
    const TFileRow row = MakeFileRow();
    FileName = row.FileName;
    SpeedButton1 = row.SpeedButton1;
    form->addRow(MakeLabel("Файл", "Label2"), row.Row);
    v->addLayout(form);
    ReplacePoints = new QCheckBox("Заменить разделители дробной части запятыми");
    ReplacePoints->setObjectName("ReplacePoints");
    ReplacePoints->setChecked(true);
    v->addWidget(ReplacePoints);
    MakeRun("Выгружено секунд:", true);
    v->addWidget(Run);
    ViewButton = new QPushButton("Открыть в просмотре");
    ViewButton->setObjectName("ViewButton");
    HideKeepingPlace(ViewButton);
    v->addWidget(ViewButton, 0, Qt::AlignLeft);
    v->addStretch(1);
    const TOkCancelRow okCancel = MakeOkCancelRow();
    BitBtn1 = okCancel.BitBtn1;
    BitBtn2 = okCancel.BitBtn2;
    v->addWidget(okCancel.Row);

    connect(SpeedButton1, &QToolButton::clicked, this, &TWinExportLogs::SpeedButton1Click);
    connect(BitBtn1, &QPushButton::clicked, this, &TWinExportLogs::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TWinExportLogs::BitBtn2Click);
    connect(ViewButton, &QPushButton::clicked, this,
            [this] { OpenFlightLogViewer(m_downloaded, m_fractions); });
}

bool TWinExportLogs::FormCreate() {
    m_reading = true;
    FlightNumber->setEnabled(false);
    FlightNumber->setPlaceholderText(QStringLiteral("Чтение списка полётов…"));
    BitBtn1->setEnabled(false);
    // After the window is shown: the operator sees what it waits for.
    QTimer::singleShot(0, this, [this] {
        WhenBoardFree([this] { ReadFlights(); }, false,
                      [this](const TAnswer& why) {
                          m_range = TFlightRange{1, 0};
                          ShowFlights();
                          Dialogs().Error(BoardAnswerText(why));
                      });
    });
    return true;
}

void TWinExportLogs::ReadFlights() {
    BeginBusy();
    TRunHooks hooks;
    hooks.Mode = TWaitMode::ProcessEvents;
    hooks.Cancel = [this] { return CancelRequested(); };
    const TArchiveResult r = ReadFlightRange(MainForm->Link(), m_range, hooks);
    if (!r.Ok())
        m_range = TFlightRange{1, 0}; // the window stays, with no flights to choose
    ShowFlights();
    EndBusy();
    if (!r.Ok() && r.Status != TArchiveStatus::Cancelled)
        Dialogs().Error(r.RussianText());
}

void TWinExportLogs::ShowFlights() {
    m_reading = false;
    FlightNumber->setPlaceholderText(QString());
    for (int flight : FlightNumbers(m_range))
        FlightNumber->addItem(QStringLiteral("Полет № %1").arg(flight));
    FlightNumber->setCurrentIndex(FlightNumber->count() > 0 ? 0 : -1);
    FlightNumber->setEnabled(true);
    BitBtn1->setEnabled(true);
}

void TWinExportLogs::SpeedButton1Click() {
    const QString name =
        Dialogs().SaveFileName("Выберите файл", "*.csv (*.csv);;*.txt (*.txt);;*.* (*)", "csv");
    if (!name.isEmpty())
        FileName->setText(name);
}

void TWinExportLogs::BitBtn1Click() {
    if (IsBusy())
        return;
    if (FileName->text().isEmpty()) {
        Dialogs().Message("Не задан файл для выгрузки");
        return;
    }
    if (FlightNumber->currentIndex() < 0) {
        Dialogs().Message("Плата не сообщила ни одного полета");
        return;
    }
    TRunScope run(*this, {BitBtn1});
    if (!run.Held())
        return;
    const int flight = m_range.Max - FlightNumber->currentIndex();
    ViewButton->hide();
    Run->Start();
    TRunHooks hooks = Hooks();
    int seen = 0;
    m_firstRow.clear();
    hooks.Line = [this, &seen](const QByteArray& line) {
        if (++seen == 2) // after the header
            m_firstRow = line.trimmed();
    };
    const TArchiveResult r = ExportFlightLog(
        MainForm->Link(), flight, FileName->text(), [this] { return ReplacePoints->isChecked(); },
        hooks);
    Run->Finish(!r.Ok());
    run.End();
    if (r.Ok()) {
        m_downloaded = FileName->text();
        m_fractions = ReplacePoints->isChecked() ? FractionColumns(m_firstRow) : QVector<bool>();
        ViewButton->show();
        Dialogs().Message("Выгрузка завершена" + r.WrittenNoteRu());
    } else
        Report(r);
}
