#include "settings/Dlg_PPM_MonitorUnit.h"

#include "ui/FormPieces.h"

#include "link/Proc.h"
#include "settings/PpmBarsUnit.h"
#include "ui/BoardAccess.h"
#include "ui/PanelContext.h"

#include <QFont>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTimer>
#include <QVBoxLayout>

TDlg_PPM_Monitor::TDlg_PPM_Monitor(QWidget* parent)
    : QDialog(parent), MonMemo(new QPlainTextEdit), Timer1(new QTimer(this)), Bars(new TPpmBars),
      WaitNote(new QLabel) {
    setObjectName("Dlg_PPM_Monitor");
    setWindowTitle("Монитор значений входных каналов");
    setAttribute(Qt::WA_DeleteOnClose);
    setSizeGripEnabled(true);
    resize(760, 620); // a line of twelve widths fits without scrolling

    Bars->setObjectName("Bars");
    Bars->hide(); // until a payload of numbers arrives
    MonMemo->setObjectName("MonMemo");
    MonMemo->setReadOnly(true);
    MonMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    MonMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MonMemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MonMemo->setMaximumBlockCount(KeptLines);
    MonMemo->setFont(FixedPitchFont(12));

    WaitNote->setObjectName("WaitNote");
    WaitNote->setStyleSheet("color: maroon;");
    WaitNote->hide();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(WaitNote);
    layout->addWidget(Bars);
    layout->addWidget(MonMemo, 1);

    Timer1->setObjectName("Timer1");
    Timer1->setInterval(TickMs);
    connect(Timer1, &QTimer::timeout, this, &TDlg_PPM_Monitor::Timer1Timer);

    if (!MainForm->Link().WhenFree(
            this, [this] { StreamOn(); },
            [this](const TAnswer& why) { WaitNote->setText(BoardAnswerText(why)); })) {
        WaitNote->setText(BoardWaitText(MainForm->Link(), 0));
        WaitNote->show();
    }
    Timer1->start();
}

void TDlg_PPM_Monitor::StreamOn() {
    WaitNote->hide();
    TRequest r;
    r.Commands = {"mon on ppm_input\r\n"};
    const TAnswer a = MainForm->Request(r);
    // A stream switch the board did not confirm may still have gone out.
    m_streamOn = a.End != TAnswerEnd::Busy && a.End != TAnswerEnd::Unsettled;
    if (!a.Ok()) {
        WaitNote->setText(BoardAnswerText(a));
        WaitNote->show();
    }
}

TDlg_PPM_Monitor::~TDlg_PPM_Monitor() {
    if (MainForm && m_streamOn)
        SendWhenFree("mon off ppm_input\r\n");
}

void TDlg_PPM_Monitor::Timer1Timer() {
    const QByteArray payload = Trim(MainForm->PpmData());
    MonMemo->appendPlainText(payload.isEmpty() ? QStringLiteral("Данные отсутствуют")
                                               : QString::fromLatin1(payload));
    QList<int> values;
    if (ParsePpmValues(payload, values)) {
        Bars->SetValues(values);
        Bars->show();
    } else {
        Bars->hide();
    }
}
