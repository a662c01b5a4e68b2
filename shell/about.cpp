#include "shell/about.h"

#include "link/Proc.h"
#include "ui/BoardAccess.h"
#include "ui/FormPieces.h"
#include "ui/PanelContext.h"

#include <QDialogButtonBox>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

TAboutBox::TAboutBox(QWidget* owner, const QString& appVersion, const QIcon& icon)
    : QDialog(owner) {
    setObjectName("AboutBox");
    setWindowTitle("About");

    ProgramIcon = MakeLabel(QString(), "ProgramIcon");
    if (!icon.isNull())
        ProgramIcon->setPixmap(icon.pixmap(64, 64));
    ProductName = MakeLabel("Контрольная панель проекта", "ProductName");
    Version = MakeLabel("Vantor-Navigator", "Version");
    Comments = MakeLabel("Версия КП:", "Comments");
    CP_Ver = MakeLabel("CP_Ver", "CP_Ver");
    Label1 = MakeLabel("Версия АП:", "Label1");
    AP_Ver = MakeLabel("AP_Ver", "AP_Ver");
    Label2 = MakeLabel("Версия СТДАПП:", "Label2");
    STDAPP_Ver = MakeLabel("STDAPP_Ver", "STDAPP_Ver");
    QFont big = ProductName->font();
    big.setBold(true);
    ProductName->setFont(big);
    Version->setFont(big);
    for (QLabel* v : {CP_Ver, AP_Ver, STDAPP_Ver})
        v->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* panel = new QFrame;
    panel->setObjectName("Panel1");
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto* grid = new QGridLayout(panel);
    grid->addWidget(ProgramIcon, 0, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(ProductName, 0, 1, 1, 2);
    grid->addWidget(Version, 1, 1, 1, 2);
    grid->addItem(new QSpacerItem(0, 12), 2, 0);
    grid->addWidget(Comments, 3, 1);
    grid->addWidget(CP_Ver, 3, 2);
    grid->addWidget(Label1, 4, 1);
    grid->addWidget(AP_Ver, 4, 2);
    grid->addWidget(Label2, 5, 1);
    grid->addWidget(STDAPP_Ver, 5, 2);
    grid->setColumnStretch(2, 1);
    grid->setHorizontalSpacing(12);

    auto* ok = new QPushButton("OK");
    ok->setObjectName("OKButton");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(panel);
    layout->addWidget(ok, 0, Qt::AlignHCenter);

    QueryVersions();
    CP_Ver->setText(appVersion);

    // A fixed-size box, centred on the screen.
    setMinimumWidth(340);
    adjustSize();
    setFixedSize(size());
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

QByteArray TAboutBox::VersionAfterColon(const QByteArray& line) {
    return Trim(line.mid(line.indexOf(':') + 1));
}

void TAboutBox::QueryVersions() {
    if (!MainForm || !MainForm->Connected) {
        AP_Ver->setText("unknown");
        STDAPP_Ver->setText("unknown");
        return;
    }
    m_waiting = true;
    const QString wait = QStringLiteral("ожидание платы…");
    if (MainForm->Link().WhenFree(
            this, [this] { AskBoard(); },
            [this](const TAnswer& why) {
                m_waiting = false;
                AP_Ver->setText(BoardAnswerText(why));
                STDAPP_Ver->setText("STDAPP_Ver");
            }))
        return;
    AP_Ver->setText(wait);
    STDAPP_Ver->setText(wait);
}

void TAboutBox::AskBoard() {
    // A label whose line does not come keeps its design text.
    AP_Ver->setText("AP_Ver");
    STDAPP_Ver->setText("STDAPP_Ver");
    TRequest r;
    r.Commands = {"ver\r\n"};
    r.OnLine = [this](const QByteArray& line) {
        if (line.contains("Autopilot software version:"))
            AP_Ver->setText(QString::fromLatin1(VersionAfterColon(line)));
        if (line.contains("Receiver software version:"))
            STDAPP_Ver->setText(QString::fromLatin1(VersionAfterColon(line)));
        return true;
    };
    // The listing read, bounded: a board that falls silent before its
    // prompt leaves what came and the box still opens.
    MainForm->Request(r);
    m_waiting = false;
}
