#include "archive/WinMemsCalibrateUnit.h"

#include "archive/ArchiveWidgets.h"
#include "archive/MemsCalibration.h"
#include "settings/ParamBindingUnit.h"
#include "ui/BoardAccess.h"
#include "ui/Dialogs.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

QPointer<TWinMemsCalibrate> WinMemsCalibrate;

namespace {
QLineEdit* MakeEdit(const char* name) {
    auto* e = new QLineEdit("0");
    e->setObjectName(name);
    e->setMaximumWidth(90);
    return e;
}

QPushButton* MakeButton(const QString& text, const char* name) {
    auto* b = new QPushButton(text);
    b->setObjectName(name);
    return b;
}

// "X" edit "Y" edit "Z" edit in one row of a group box.
void AddAxisRow(QGridLayout* grid, int row, const char* const labels[3],
                QLineEdit* const edits[3]) {
    static const char* const axes[3] = {"X", "Y", "Z"};
    for (int i = 0; i < 3; ++i) {
        grid->addWidget(MakeLabel(axes[i], labels[i]), row, 2 * i, Qt::AlignRight);
        grid->addWidget(edits[i], row, 2 * i + 1);
    }
}

QLabel* MakeWaitLabel(const char* name) {
    QLabel* l = MakeLabel("Идет калибровка. ждите...", name);
    l->setStyleSheet("color: maroon;");
    HideKeepingPlace(l);
    return l;
}
} // namespace

TWinMemsCalibrate::TWinMemsCalibrate(QWidget* parent) : TArchiveWindow(parent) {
    setWindowTitle("Калибровка MEMS датчиков");
    auto* panel = new QWidget;
    panel->setObjectName("Panel1");
    FitCaption(this, Body());
    auto* outer = new QVBoxLayout(Body());
    outer->addWidget(panel);
    auto* v = new QVBoxLayout(panel);
    v->addWidget(MakeHeading("Калибровка MEMS датчиков", "Label1"));

    GroupBox1 = new QGroupBox("Гироскоп");
    GroupBox1->setObjectName("GroupBox1");
    auto* g1 = new QGridLayout(GroupBox1);
    Gyro_bias_X = MakeEdit("Gyro_bias_X");
    Gyro_bias_Y = MakeEdit("Gyro_bias_Y");
    Gyro_bias_Z = MakeEdit("Gyro_bias_Z");
    static const char* const gyroLabels[3] = {"Label2", "Label3", "Label4"};
    QLineEdit* const gyroEdits[3] = {Gyro_bias_X, Gyro_bias_Y, Gyro_bias_Z};
    AddAxisRow(g1, 0, gyroLabels, gyroEdits);
    SpeedButton1 = MakeButton("Калибровать", "SpeedButton1");
    Label8 = MakeWaitLabel("Label8");
    g1->addWidget(SpeedButton1, 1, 0, 1, 3);
    g1->addWidget(Label8, 1, 3, 1, 3);
    v->addWidget(GroupBox1);

    GroupBox2 = new QGroupBox("Магнетометр");
    GroupBox2->setObjectName("GroupBox2");
    auto* g2 = new QGridLayout(GroupBox2);
    Mag_bias_X = MakeEdit("Mag_bias_X");
    Mag_bias_Y = MakeEdit("Mag_bias_Y");
    Mag_bias_Z = MakeEdit("Mag_bias_Z");
    static const char* const magLabels[3] = {"Label5", "Label6", "Label7"};
    QLineEdit* const magEdits[3] = {Mag_bias_X, Mag_bias_Y, Mag_bias_Z};
    AddAxisRow(g2, 0, magLabels, magEdits);
    SpeedButton2 = MakeButton("Начать калибровку", "SpeedButton2");
    SpeedButton3 = MakeButton("Завершить калибровку", "SpeedButton3");
    g2->addWidget(SpeedButton2, 1, 0, 1, 3);
    g2->addWidget(SpeedButton3, 1, 3, 1, 3);
    // Three columns x, y, z; the minimum above the maximum.
    for (int i = 0; i < 6; ++i) {
        Extremes[i] = MakeLabel(ExtremeKeys[i], ExtremeKeys[i]);
        Extremes[i]->setAlignment(Qt::AlignCenter);
        HideKeepingPlace(Extremes[i]);
        const int axis = i / 2;
        const bool isMax = i % 2 == 0;
        g2->addWidget(Extremes[i], isMax ? 3 : 2, 2 * axis, 1, 2);
    }
    Label9 = MakeWaitLabel("Label9");
    g2->addWidget(Label9, 4, 0, 1, 6, Qt::AlignHCenter);
    MagQuietNote = MakeLabel("Нет данных от платы", "MagQuietNote");
    HideKeepingPlace(MagQuietNote);
    g2->addWidget(MagQuietNote, 5, 0, 1, 6, Qt::AlignHCenter);
    m_quietTimer = new QTimer(this);
    m_quietTimer->setInterval(1000);
    connect(m_quietTimer, &QTimer::timeout, this, &TWinMemsCalibrate::ShowMagQuiet);
    v->addWidget(GroupBox2);

    SpeedButton4 =
        MakeButton("Сохранить текущее положение платы как горизонтальное", "SpeedButton4");
    v->addWidget(SpeedButton4);
    MakeRun(QString(), false);
    v->addWidget(Run);
    v->addStretch(1);
    BitBtn1 = MakeButton("OK", "BitBtn1");
    BitBtn2 = MakeButton("Применить", "BitBtn2");
    auto* buttons = new QDialogButtonBox;
    buttons->addButton(BitBtn1, QDialogButtonBox::AcceptRole);
    buttons->addButton(BitBtn2, QDialogButtonBox::ApplyRole);
    buttons->setCenterButtons(true);
    v->addWidget(buttons);

    TBindingConfig binding;
    binding.Containers = {"GroupBox1", "GroupBox2"};
    binding.Kinds = AllKinds;
    m_binding = std::make_unique<TParamBinding>(panel, binding);

    connect(SpeedButton1, &QPushButton::clicked, this, &TWinMemsCalibrate::SpeedButton1Click);
    connect(SpeedButton2, &QPushButton::clicked, this, &TWinMemsCalibrate::SpeedButton2Click);
    connect(SpeedButton3, &QPushButton::clicked, this, &TWinMemsCalibrate::SpeedButton3Click);
    connect(SpeedButton4, &QPushButton::clicked, this, &TWinMemsCalibrate::SpeedButton4Click);
    connect(BitBtn1, &QPushButton::clicked, this, &TWinMemsCalibrate::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TWinMemsCalibrate::BitBtn2Click);
}

TWinMemsCalibrate::~TWinMemsCalibrate() {
    // A magnetometer calibration left running is abandoned at the board.
    if (m_calibrating)
        SendWhenFree("cal mag_cancel\r\n");
}

bool TWinMemsCalibrate::FormCreate() {
    m_binding->BeginListing();
    TRunHooks hooks;
    hooks.Mode = TWaitMode::NoEvents;
    const TArchiveResult r = ReadCalibrationParams(
        MainForm->Link(), [this](const QByteArray& n, const QByteArray& v) { SetParamValue(n, v); },
        hooks);
    if (!r.Ok())
        Dialogs().Error(r.RussianText()); // opens with what was filled
    return true;
}

void TWinMemsCalibrate::SetParamValue(const QByteArray& name, const QByteArray& value) {
    m_binding->SetParamValue(name, value);
}

bool TWinMemsCalibrate::ApplyChangedValues() {
    QString error;
    if (m_binding->ApplyChangedValues(
            error, [this](const QByteArrayList& lines) { return SendToBoard(lines); }))
        return true;
    if (!error.isEmpty())
        Dialogs().Error(error);
    return false;
}

void TWinMemsCalibrate::ShowExtremes(const TExtremes& e) {
    for (int i = 0; i < 6; ++i)
        if (e.Found[i])
            Extremes[i]->setText(QString::fromLatin1(e.Values[i]));
    m_sinceExtremes.restart();
    MagQuietNote->hide();
}

void TWinMemsCalibrate::ShowMagQuiet() {
    // The board's first second is dropped; a board that sends its extremes
    // a few times a second is quiet for longer only when something is
    // wrong, which the operator judges: nothing is cancelled here.
    constexpr qint64 NoteAfterMs = 3000;
    const qint64 quiet = m_sinceExtremes.elapsed();
    if (quiet < NoteAfterMs)
        return;
    MagQuietNote->setText(
        QStringLiteral("Нет данных от платы %1 с, калибровка продолжается").arg(quiet / 1000));
    MagQuietNote->show();
}

QList<QWidget*> TWinMemsCalibrate::RunControls() const {
    return {SpeedButton1, SpeedButton2, SpeedButton4, BitBtn1, BitBtn2};
}

void TWinMemsCalibrate::SpeedButton1Click() {
    if (IsBusy())
        return;
    TRunScope run(*this, RunControls());
    if (!run.Held())
        return;
    Label8->show();
    Run->Start();
    const TArchiveResult r = CalibrateGyro(
        MainForm->Link(), [this](const QByteArray& n, const QByteArray& v) { SetParamValue(n, v); },
        Hooks());
    Label8->hide();
    Run->Finish(false);
    run.End();
    Report(r);
}

void TWinMemsCalibrate::SpeedButton2Click() {
    if (IsBusy())
        return;
    TRunScope run(*this, RunControls());
    if (!run.Held())
        return;
    m_calibrating = true;
    Label9->show();
    for (QLabel* l : Extremes)
        l->show();
    Run->Start();
    m_sinceExtremes.start();
    m_quietTimer->start();
    const TArchiveResult r = RunMagCalibration(
        MainForm->Link(), [this] { return m_calibrating; },
        [this](const TExtremes& e) { ShowExtremes(e); },
        [this](const QByteArray& n, const QByteArray& v) { SetParamValue(n, v); }, Hooks());
    // Stopped before "cal mag_save": the run has abandoned the board's
    // calibration ("cal mag_cancel").
    const bool endedBeforeStart = r.Status == TArchiveStatus::Cancelled && !m_calibrating &&
                                  !StopPressed() && !CancelRequested();
    if (!r.Ok())
        m_calibrating = false;
    m_quietTimer->stop();
    MagQuietNote->hide();
    Label9->hide();
    for (QLabel* l : Extremes)
        l->hide();
    Run->Finish(false);
    run.End();
    // "Завершить калибровку" while the board was still finishing an answer
    // cut short: the calibration never began.
    if (endedBeforeStart)
        Dialogs().Message("Калибровка магнетометра не начата: плата ещё заканчивала прерванный "
                          "ответ. Начните калибровку снова.");
    else
        Report(r);
}

void TWinMemsCalibrate::SpeedButton4Click() {
    // The board's answer is not examined, but its prompt is awaited: a board
    // that did not take the command is not reported as done.
    if (SendToBoard({"save ref\r\n"}))
        Dialogs().Message("Выполнено");
}

void TWinMemsCalibrate::BitBtn1Click() {
    if (ApplyChangedValues())
        close();
}
