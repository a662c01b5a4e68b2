#include "settings/SettingsWindowUnit.h"

#include "ui/Dialogs.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

TSettingsWindow::TSettingsWindow(const QString& caption, bool hasApplyButton, QWidget* parent)
    : TTaskWindow(parent), m_content(new QWidget) {
    setWindowTitle(caption);
    m_content->setObjectName("Content");

    auto* bottom = new QWidget;
    bottom->setObjectName("PanelButtons");
    m_buttonRow = new QHBoxLayout(bottom);
    m_buttonRow->setContentsMargins(0, 0, 0, 0);
    m_buttonRow->addStretch(1);

    auto makeButton = [&](const char* name, const QString& text, QStyle::StandardPixmap icon) {
        auto* b = new QPushButton(style()->standardIcon(icon), text);
        b->setObjectName(name);
        m_buttonRow->addWidget(b);
        return b;
    };
    BitBtn1 = makeButton("BitBtn1", "OK", QStyle::SP_DialogOkButton);
    BitBtn2 = makeButton("BitBtn2", "Отмена", QStyle::SP_DialogCancelButton);
    if (hasApplyButton)
        BitBtn3 = makeButton("BitBtn3", "Применить", QStyle::SP_DialogApplyButton);

    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
    if (BitBtn3)
        connect(BitBtn3, &QPushButton::clicked, this, [this] { BitBtn3Click(); });

    auto* layout = new QVBoxLayout(Body());
    layout->addWidget(m_content, 1);
    layout->addWidget(bottom);
}

bool TSettingsWindow::FormCreate() {
    // Later listings are relistings, even when this one ends in a
    // conversion error (the window opens all the same).
    struct TOpened {
        bool& Flag;
        ~TOpened() { Flag = true; }
    } opened{m_opened};
    return ListParams() != TListingEnd::Nothing;
}

TSettingsWindow::TListingEnd
TSettingsWindow::ReadListing(const QByteArray& command,
                             const std::function<void(const QByteArray&)>& onLine,
                             bool filledBefore) {
    MainForm->ClearResponses();
    MainForm->SendCommand(command);
    bool any = filledBefore;
    for (;;) {
        QByteArray line;
        if (MainForm->WaitResponseLine(line, ListingSilenceMs, TWaitMode::NoEvents) !=
            TWaitResult::Line)
            break;
        if (line == "=>")
            return TListingEnd::Prompt;
        any = true;
        onLine(line);
    }
    const QString request = QString::fromLatin1(command.trimmed());
    if (!m_opened && !any)
        Dialogs().Message(QStringLiteral("Устройство не ответило на запрос \"%1\".\n"
                                         "Окно \"%2\" не открыто: проверьте подключение к плате.")
                              .arg(request, windowTitle()));
    else if (!m_opened)
        Dialogs().Message(QStringLiteral("Устройство не ответило до конца на запрос \"%1\".\n"
                                         "Окно открыто только с полученными значениями.")
                              .arg(request));
    else
        Dialogs().Message(QStringLiteral("Устройство не ответило до конца на запрос \"%1\".\n"
                                         "Часть значений в окне может не совпадать с платой.")
                              .arg(request));
    return any ? TListingEnd::Partial : TListingEnd::Nothing;
}

void TSettingsWindow::ResetAndRelist(const QByteArray& resetCommand) {
    if (IsBusy())
        return;
    // Busy: the wait below processes window messages, so a close must wait
    // for it and the buttons must not start a second exchange meanwhile.
    struct TBusyScope {
        TSettingsWindow* W;
        explicit TBusyScope(TSettingsWindow* w) : W(w) {
            W->BeginBusy();
            W->Body()->setEnabled(false);
        }
        ~TBusyScope() {
            W->Body()->setEnabled(true);
            W->EndBusy();
        }
    } busy(this);
    if (!SettleLink())
        return;
    MainForm->ClearResponses();
    MainForm->SendCommand(resetCommand);
    MainForm->WaitForPrompt();
    if (CancelRequested())
        return;
    ListParams();
}

bool TSettingsWindow::SettleLink(TWaitMode mode) {
    TBoardLink& link = MainForm->Link();
    const qint64 start = link.Clock()->NowMs();
    const TCancelFn cancel = [this] { return CancelRequested(); };
    for (;;) {
        bool outgoing;
        {
            TListGuard g(link.OutgoingQueue);
            outgoing = !link.OutgoingQueue.isEmpty();
        }
        QByteArray line;
        const TWaitResult r = MainForm->WaitResponseLine(line, SettleSilenceMs, mode, cancel);
        if (r == TWaitResult::Cancelled)
            return false;
        if (r == TWaitResult::Timeout && !outgoing)
            return true;
        if (link.Clock()->NowMs() - start >= ListingSilenceMs)
            return true; // a chattering board: reset anyway
    }
}

void TSettingsWindow::BitBtn1Click() {
    if (ApplyChangedValues())
        close();
}

void TSettingsWindow::BitBtn2Click() {
    close();
}

void TSettingsWindow::BitBtn3Click() {
    ApplyChangedValues();
}
