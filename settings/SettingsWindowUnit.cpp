#include "settings/SettingsWindowUnit.h"

#include "link/JournalOrigin.h"
#include "ui/BoardAccess.h"
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
    bool any = filledBefore;
    TRequest r;
    r.Commands = {command};
    r.Mode = m_listMode;
    r.Cancel = [this] { return CancelRequested(); };
    r.OnLine = [&](const QByteArray& line) {
        any = true;
        onLine(line);
        return true;
    };
    const TAnswer a = MainForm->Request(r);
    if (a.Ok())
        return TListingEnd::Prompt;
    if (a.End == TAnswerEnd::Cancelled)
        return any ? TListingEnd::Partial : TListingEnd::Nothing; // the window is closing
    const QString request = QString::fromLatin1(command.trimmed());
    // Silence speaks for itself; any other end is named on a line of its own.
    const QString why = a.End == TAnswerEnd::Silent ? QString() : "\n" + BoardAnswerText(a);
    if (!m_opened && !any)
        Dialogs().Message(QStringLiteral("Устройство не ответило на запрос \"%1\".\n"
                                         "Окно \"%2\" не открыто: проверьте подключение к плате.")
                              .arg(request, windowTitle()) +
                          why);
    else if (!m_opened)
        Dialogs().Message(QStringLiteral("Устройство не ответило до конца на запрос \"%1\".\n"
                                         "Окно открыто только с полученными значениями.")
                              .arg(request) +
                          why);
    else
        Dialogs().Message(QStringLiteral("Устройство не ответило до конца на запрос \"%1\".\n"
                                         "Часть значений в окне может не совпадать с платой.")
                              .arg(request) +
                          why);
    return any ? TListingEnd::Partial : TListingEnd::Nothing;
}

void TSettingsWindow::ResetAndRelist(const QByteArray& resetCommand) {
    if (IsBusy())
        return;
    const TBoardHold hold;
    if (!hold.Held())
        return;
    // Busy: the waits process window messages, so a close must wait for
    // them and the buttons must not start a second exchange meanwhile.
    struct TBusyScope {
        TSettingsWindow* W;
        explicit TBusyScope(TSettingsWindow* w) : W(w) {
            W->BeginBusy();
            W->Body()->setEnabled(false);
            W->m_listMode = TWaitMode::ProcessEvents;
        }
        ~TBusyScope() {
            W->m_listMode = TWaitMode::NoEvents;
            W->Body()->setEnabled(true);
            W->EndBusy();
        }
    } busy(this);
    const TJournalOrigin origin(windowTitle());
    TRequest r;
    r.Commands = {resetCommand};
    r.LimitMs = 1000;
    r.Mode = TWaitMode::ProcessEvents;
    r.Cancel = [this] { return CancelRequested(); };
    const TAnswer a = MainForm->Request(r);
    // A refused reset (the operator declined after a failed backup) changed
    // nothing; a lost link leaves nothing to list.
    if (CancelRequested() || a.End == TAnswerEnd::Refused || a.End == TAnswerEnd::LinkLost ||
        a.End == TAnswerEnd::Cancelled)
        return;
    ListParams();
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
