#include "monitor/WinMonitorFrame.h"

#include "ui/FormPieces.h"

#include "ui/BoardAccess.h"
#include "ui/Dialogs.h"

#include <QCheckBox>
#include <QFile>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

// --- TWinMonitorFrame ---

TWinMonitorFrame::TWinMonitorFrame(const TMonitorMember& member, QWidget* parent)
    : TTaskWindow(parent), m_member(member) {
    setWindowTitle(QString::fromUtf8(member.Caption));
    setObjectName(QString::fromLatin1(member.ClassName + 1)); // without the "T"

    Label3 = MakeHeading(QString::fromUtf8(member.Heading), "Label3", THeading::Monitor);

    CheckBox1 = new QCheckBox(QStringLiteral("Сохранять в файл"));
    CheckBox1->setObjectName("CheckBox1");
    Label2 = new QLabel(QStringLiteral("Выберите файл"));
    Label2->setObjectName("Label2");
    const TFileRow file = MakeFileRow();
    FileName = file.FileName;
    SpeedButton1 = file.SpeedButton1;
    SpeedButton2 = new QPushButton(QStringLiteral("Старт мониторинга"));
    SpeedButton2->setObjectName("SpeedButton2");
    SpeedButton3 = new QPushButton(QStringLiteral("Стоп"));
    SpeedButton3->setObjectName("SpeedButton3");
    Monitor = new TMonitorList(MaxLines);
    Monitor->setObjectName("Monitor");

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(member.TickMs);

    connect(SpeedButton1, &QToolButton::clicked, this, &TWinMonitorFrame::SpeedButton1Click);
    connect(SpeedButton2, &QPushButton::clicked, this, &TWinMonitorFrame::SpeedButton2Click);
    connect(SpeedButton3, &QPushButton::clicked, this, &TWinMonitorFrame::SpeedButton3Click);
    connect(Timer1, &QTimer::timeout, this, &TWinMonitorFrame::Timer1Timer);
}

TWinMonitorFrame::~TWinMonitorFrame() {
    StopOnDestroy();
}

QVBoxLayout* TWinMonitorFrame::BuildFrame() {
    auto* outer = new QVBoxLayout(Body());
    outer->setContentsMargins(0, 0, 0, 0);
    auto* panel = new QFrame;
    panel->setObjectName("Panel1");
    panel->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    outer->addWidget(panel);

    auto* column = new QVBoxLayout(panel);
    column->addWidget(Label3);
    column->addWidget(CheckBox1);
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(Label2);
    fileRow->addWidget(FileName->parentWidget(), 1); // the file row around the edit
    column->addLayout(fileRow);
    m_buttonRow = new QHBoxLayout;
    m_buttonRow->addWidget(SpeedButton2);
    m_buttonRow->addWidget(SpeedButton3);
    m_buttonRow->addStretch(1);
    column->addLayout(m_buttonRow);
    return column;
}

bool TWinMonitorFrame::Monitoring() const {
    return Timer1->isActive();
}

void TWinMonitorFrame::SpeedButton1Click() {
    const QString name =
        Dialogs().SaveFileName(QStringLiteral("Выберите файл"),
                               QStringLiteral("*.txt (*.txt);;*.* (*)"), QStringLiteral("txt"));
    if (!name.isEmpty())
        FileName->setText(name);
}

void TWinMonitorFrame::SpeedButton2Click() {
    if (CheckBox1->isChecked()) {
        if (FileName->text().isEmpty()) {
            Dialogs().Message(QStringLiteral("Файл задан неправильно"));
            return;
        }
        CloseLogFile();
        // A monitor log is a stream written from its start: an existing file
        // is cut to nothing, never appended to.
        auto file = std::make_unique<QFile>(FileName->text());
        if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            Dialogs().Error(QStringLiteral("Не удаётся открыть файл \"%1\": %2")
                                .arg(FileName->text(), file->errorString()));
            return;
        }
        m_log = std::move(file);
    } else {
        CloseLogFile();
    }
    const int press = ++m_pressed;
    m_startPending = true;
    WhenBoardFree(
        [this, press] {
            if (press != m_pressed)
                return; // stopped before the board was free
            m_startPending = false;
            SwitchStream(true);
            Timer1->start();
        },
        false,
        [this](const TAnswer& why) {
            m_startPending = false;
            CloseLogFile();
            Dialogs().Error(windowTitle() + ": " + BoardAnswerText(why));
        });
}

void TWinMonitorFrame::SpeedButton3Click() {
    CloseLogFile();
    Timer1->stop();
    ++m_pressed;
    m_startPending = false;
    // Sent even when idle: the operator may be stopping a stream that an
    // earlier session left running on the board.
    WhenBoardFree([this] { SwitchStream(false); }, false);
}

void TWinMonitorFrame::SwitchStream(bool on) {
    TRequest r;
    r.Commands = {(on ? "mon on " : "mon off ") + QByteArray(m_member.Stream) + "\r\n"};
    const TAnswer a = MainForm->Request(r);
    if (!a.Ok())
        Dialogs().Error(QStringLiteral("Плата не подтвердила \"%1\": %2")
                            .arg(QString::fromLatin1(r.Commands[0].trimmed()), BoardAnswerText(a)));
}

void TWinMonitorFrame::Timer1Timer() {
    const QByteArray payload = MainForm->Link().Telemetry(m_member.Slot);
    Monitor->AppendLine(QString::fromLatin1(payload));
    if (m_log) {
        // A failed write is ignored; the tick goes on. Flushed each tick so
        // the file can be followed while it grows.
        m_log->write(payload + "\r\n");
        m_log->flush();
    }
    ShowPayload(payload);
}

void TWinMonitorFrame::FormClose() {
    StopOnDestroy();
}

void TWinMonitorFrame::StopOnDestroy() {
    if (!Timer1->isActive())
        return;
    // The window is going: the stream goes off when the board is free, with
    // nobody waiting for its answer.
    SendWhenFree("mon off " + QByteArray(m_member.Stream) + "\r\n");
    Timer1->stop();
    CloseLogFile();
}

void TWinMonitorFrame::CloseLogFile() {
    if (m_log)
        m_log->close();
    m_log.reset();
}
