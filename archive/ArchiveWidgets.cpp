#include "archive/ArchiveWidgets.h"

#include <QDialogButtonBox>
#include <QPushButton>

#include "archive/ConfigLoad.h"
#include "ui/Dialogs.h"
#include "ui/TaskWindow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>

TOkCancelRow MakeOkCancelRow(const QString& okCaption) {
    TOkCancelRow r;
    r.BitBtn1 = new QPushButton(okCaption);
    r.BitBtn1->setObjectName("BitBtn1");
    r.BitBtn1->setDefault(true);
    r.BitBtn2 = new QPushButton(QStringLiteral("Отмена"));
    r.BitBtn2->setObjectName("BitBtn2");
    auto* buttons = new QDialogButtonBox;
    buttons->addButton(r.BitBtn1, QDialogButtonBox::AcceptRole);
    buttons->addButton(r.BitBtn2, QDialogButtonBox::RejectRole);
    buttons->setCenterButtons(true);
    r.Row = buttons;
    return r;
}

TRunIndicator::TRunIndicator(const QString& counterCaption, bool withCounter, QWidget* parent)
    : QWidget(parent), Progress(new QProgressBar), StopButton(new QPushButton("Отмена")) {
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    if (withCounter) {
        auto* h = new QHBoxLayout;
        Label4 = MakeLabel(counterCaption, "Label4");
        secCount = MakeLabel("0", "secCount");
        h->addWidget(Label4);
        h->addWidget(secCount, 1);
        v->addLayout(h);
        HideKeepingPlace(Label4);
        HideKeepingPlace(secCount);
    }
    auto* h = new QHBoxLayout;
    Progress->setObjectName("Progress");
    Progress->setTextVisible(false);
    StopButton->setObjectName("StopButton");
    StopButton->setToolTip("Остановить выполняемую операцию");
    h->addWidget(Progress, 1);
    h->addWidget(StopButton);
    v->addLayout(h);
    SettleNote = MakeLabel(QString(), "SettleNote");
    SettleNote->setStyleSheet("color: maroon;");
    v->addWidget(SettleNote);
    HideKeepingPlace(SettleNote);
    Progress->setEnabled(false);
    StopButton->setEnabled(false);
    connect(StopButton, &QPushButton::clicked, this, &TRunIndicator::StopClicked);
}

void TRunIndicator::Start() {
    // The counter shows once the run has its file open (the first report).
    if (secCount) {
        secCount->setText("0");
        secCount->hide();
        Label4->hide();
    }
    Progress->setEnabled(true);
    Progress->setRange(0, 0); // busy until the run says how long it is
    StopButton->setEnabled(true);
}

void TRunIndicator::Show(const TProgress& p) {
    if (p.Settling > 0) {
        SettleNote->setText(QStringLiteral("Плата заканчивает прерванный ответ… (получено %1 КБ)")
                                .arg((p.Settling + 1023) / 1024));
        SettleNote->show();
        return;
    }
    SettleNote->hide();
    if (secCount && secCount->isHidden()) {
        secCount->show();
        Label4->show();
    }
    // The counter starts at 1 and shows from the first counted line on.
    if (secCount && p.Counter > 1)
        secCount->setText(QString::number(p.Counter));
    if (p.Total > 0) {
        Progress->setRange(0, p.Total);
        Progress->setValue(p.Done);
    }
}

void TRunIndicator::Finish(bool keepCounter) {
    SettleNote->hide();
    if (secCount && !keepCounter) {
        secCount->hide();
        Label4->hide();
    }
    Progress->setRange(0, 1);
    Progress->setValue(0);
    Progress->setEnabled(false);
    StopButton->setEnabled(false);
}

TRunHooks WindowRunHooks(TTaskWindow* window, TRunIndicator* indicator) {
    TRunHooks h;
    QPointer<TRunIndicator> ind = indicator;
    h.Progress = [ind](const TProgress& p) {
        if (ind)
            ind->Show(p);
    };
    h.Cancel = [window] { return window->CancelRequested(); };
    h.Mode = TWaitMode::ProcessEvents;
    return h;
}

QStringList CappedLines(const QStringList& lines, int max) {
    if (lines.size() <= max)
        return lines;
    return lines.mid(0, max) << QStringLiteral("… и ещё %1").arg(lines.size() - max);
}

QString NotTakenText(const TLoadCheck& check) {
    QStringList refused;
    for (const TRefusal& f : check.Refused)
        refused << QStringLiteral("  %1 — ответ платы: %2")
                       .arg(QString::fromLatin1(f.Command), QString::fromLatin1(f.Text));
    QStringList differ;
    for (const TLineChange& c : check.Differ)
        differ << (c.Old.isEmpty()
                       ? QStringLiteral("  %1 — плата такой настройки не показывает")
                             .arg(QString::fromLatin1(c.Line))
                       : QStringLiteral("  %1 — на плате: %2")
                             .arg(QString::fromLatin1(c.Line), QString::fromLatin1(c.Old)));
    QString text;
    if (!refused.isEmpty())
        text += QStringLiteral("\n\nПлата отказалась принять строки (%1):\n").arg(refused.size()) +
                CappedLines(refused).join('\n');
    if (!differ.isEmpty())
        text += QStringLiteral("\n\nНе совпадают с отправленным (%1):\n").arg(differ.size()) +
                CappedLines(differ).join('\n');
    return text;
}

void ReportRun(const TArchiveResult& r, bool stoppedByOperator) {
    if (r.Ok())
        return;
    if (r.Status == TArchiveStatus::Cancelled) {
        if (stoppedByOperator)
            Dialogs().Message(r.RussianText());
        return; // the window is closing
    }
    Dialogs().Error(r.RussianText());
}

TRunIndicator* TArchiveWindow::MakeRun(const QString& counterCaption, bool withCounter) {
    Run = new TRunIndicator(counterCaption, withCounter);
    connect(Run, &TRunIndicator::StopClicked, this, [this] {
        m_stopPressed = true;
        RequestCancel();
    });
    return Run;
}

TArchiveWindow::TRunScope::TRunScope(TArchiveWindow& window, QList<QWidget*> controls)
    : m_window(window) {
    m_hold.emplace();
    if (!m_hold->Held()) {
        m_hold.reset();
        return;
    }
    m_busy = true;
    m_window.BeginBusy();
    m_window.m_stopPressed = false;
    for (QWidget* c : controls) {
        c->setEnabled(false);
        m_controls << c;
    }
}

void TArchiveWindow::TRunScope::End() {
    if (!m_busy)
        return;
    m_busy = false;
    for (const QPointer<QWidget>& c : m_controls)
        if (c)
            c->setEnabled(true);
    m_window.EndBusy();
    m_hold.reset();
}
