#include "app/DlgConnectUnit.h"

#include "app/PanelSettings.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSerialPortInfo>
#include <QStringListModel>
#include <QStyle>
#include <QVBoxLayout>

namespace {
// A small down-pointing chevron like a combo box's, for the port list.
QIcon DropDownIcon() {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(70, 70, 70), 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF{QPointF(4, 6), QPointF(8, 10), QPointF(12, 6)});
    return QIcon(pm);
}
} // namespace

TDlgConnect::TDlgConnect(QWidget* owner) : QDialog(owner) {
    setObjectName("DlgConnect");
    setWindowTitle("Соединение с АП");

    auto* heading = new QLabel("Соединение с аппаратурой");
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);

    PortNum = new QLineEdit(QString::fromLatin1(DefaultPortName));
    PortNum->setObjectName("PortNum");
    PortNum->setMinimumWidth(180);
    const QStringList ports = SystemPorts();
    auto* completer = new QCompleter(new QStringListModel(ports, this), this);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    completer->setFilterMode(Qt::MatchContains);
    PortNum->setCompleter(completer);
    if (!ports.isEmpty()) {
        QAction* list = PortNum->addAction(DropDownIcon(), QLineEdit::TrailingPosition);
        list->setToolTip("Порты системы");
        connect(list, &QAction::triggered, this, &TDlgConnect::ShowPortList);
    }

    SpeedNum = new QComboBox;
    SpeedNum->setObjectName("SpeedNum");
    SpeedNum->setEditable(true);
    SpeedNum->addItems({"9600", "115200"});
    SpeedNum->setCurrentText("115200");

    OpenMon = new QCheckBox("Автоматически запустить монитор COM порта");
    OpenMon->setObjectName("OpenMon");
    OpenMon->setChecked(true);

    BitBtn1 = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), "Соединиться");
    BitBtn1->setObjectName("BitBtn1");
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton), "Отмена");
    BitBtn2->setObjectName("BitBtn2");
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);

    auto* fields = new QFormLayout;
    fields->addRow("Порт", PortNum);
    fields->addRow("Скорость", SpeedNum);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading, 0, Qt::AlignHCenter);
    layout->addLayout(fields);
    layout->addWidget(OpenMon);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QStringList TDlgConnect::SystemPorts() {
    QStringList out;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
#ifdef Q_OS_WIN
        out << info.portName();
#else
        out << info.systemLocation();
#endif
    }
    return out;
}

void TDlgConnect::ShowPortList() {
    // Offer every port, not only those matching what is typed.
    QCompleter* c = PortNum->completer();
    c->setCompletionPrefix(QString());
    c->complete();
}
