#include "monitor/WinMonImuUnit.h"

#include "monitor/PayloadNumbers.h"

#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>
#include <limits>

const TMonitorMember ImuMonitor = {"TWinMonImu",
                                   "WinMonImuUnit",
                                   "Мониторинг показаний IMU",
                                   "Мониторинг показаний IMU",
                                   "ekf",
                                   TTelemetrySlot::Ekf,
                                   "ActionMonImu",
                                   50};

namespace {
// One face of the plate: colour, outward normal, corners counter-clockwise
// seen from outside.
struct TPlateFace {
    unsigned char r, g, b;
    float nx, ny, nz;
    float corners[4][3];
};

// clang-format off
const TPlateFace PlateFaces[] = {
    {255, 200, 230,  0,  0,  1, {{ 3,  0.2f,  1}, {-3,  0.2f,  1}, {-3, -0.2f,  1}, { 3, -0.2f,  1}}}, // +Z
    {255, 200, 230,  0,  0, -1, {{ 3,  0.2f, -1}, { 3, -0.2f, -1}, {-3, -0.2f, -1}, {-3,  0.2f, -1}}}, // -Z
    {255, 200, 230, -1,  0,  0, {{-3,  0.2f,  1}, {-3,  0.2f, -1}, {-3, -0.2f, -1}, {-3, -0.2f,  1}}}, // -X
    {255, 200, 230,  1,  0,  0, {{ 3,  0.2f,  1}, { 3, -0.2f,  1}, { 3, -0.2f, -1}, { 3,  0.2f, -1}}}, // +X
    {200,  10,  10,  0,  1,  0, {{-3,  0.2f, -1}, {-3,  0.2f,  1}, { 3,  0.2f,  1}, { 3,  0.2f, -1}}}, // top
    { 10, 200,  10,  0, -1,  0, {{-3, -0.2f, -1}, { 3, -0.2f, -1}, { 3, -0.2f,  1}, {-3, -0.2f,  1}}}, // bottom
};
// clang-format on

// Size the 3D view has when the window opens.
constexpr int ViewWidth = 588;
constexpr int ViewHeight = 358;
} // namespace

void BuildAttitudePlate(Tentity& model) {
    model.SetColor(255, 200, 230);
    for (const TPlateFace& f : PlateFaces) {
        tface* face = model.AddFace();
        // Recoloured before the corners go in, so that the top and bottom
        // get points of their own and keep their colour up to the edges.
        if (f.r != model.r || f.g != model.g || f.b != model.b)
            face->SetColor(f.r, f.g, f.b);
        for (const auto& c : f.corners)
            face->AddVertex(c[0], c[1], c[2], f.nx, f.ny, f.nz);
    }
}

TWinMonImu::TWinMonImu(QWidget* parent) : TWinMonitorFrame(ImuMonitor, parent) {
    SpeedButton4 = new QPushButton(QStringLiteral("Сброс горизонта"));
    SpeedButton4->setObjectName("SpeedButton4");
    CheckBox2 = new QCheckBox(QStringLiteral("Реверс Roll"));
    CheckBox2->setObjectName("CheckBox2");
    CheckBox3 = new QCheckBox(QStringLiteral("Реверс Pitch"));
    CheckBox3->setObjectName("CheckBox3");
    CheckBox4 = new QCheckBox(QStringLiteral("Реверс Yaw"));
    CheckBox4->setObjectName("CheckBox4");
    CheckBox5 = new QCheckBox(QStringLiteral("Вкл Yaw"));
    CheckBox5->setObjectName("CheckBox5");
    StatusText = new QLabel;
    StatusText->setObjectName("StatusText");
    StatusText->setStyleSheet(QStringLiteral("color: #800000;"));

    Panel3 = new QFrame;
    Panel3->setObjectName("Panel3");
    Panel3->setMinimumSize(160, 120);
    Panel3->installEventFilter(this);
    Panel2 = new QFrame;
    Panel2->setObjectName("Panel2");
    Panel2->setFixedHeight(92);
    auto* listBox = new QVBoxLayout(Panel2);
    listBox->setContentsMargins(0, 0, 0, 0);
    listBox->addWidget(Monitor);

    QVBoxLayout* column = BuildFrame();
    ButtonRow()->insertWidget(2, SpeedButton4);
    auto* checks = new QHBoxLayout;
    checks->addWidget(CheckBox2);
    checks->addWidget(CheckBox3);
    checks->addWidget(CheckBox4);
    checks->addWidget(CheckBox5);
    checks->addStretch(1);
    checks->addWidget(StatusText);
    column->addLayout(checks);
    column->addWidget(Panel3, 1);
    column->addWidget(Panel2);

    connect(SpeedButton4, &QPushButton::clicked, this, &TWinMonImu::SpeedButton4Click);
    connect(CheckBox2, &QCheckBox::toggled, this, &TWinMonImu::CheckBox2Click);
    connect(CheckBox3, &QCheckBox::toggled, this, &TWinMonImu::CheckBox3Click);
    connect(CheckBox4, &QCheckBox::toggled, this, &TWinMonImu::CheckBox4Click);
    connect(CheckBox5, &QCheckBox::toggled, this, &TWinMonImu::CheckBox5Click);

    // Room for the view at its opening size above the list.
    resize(ViewWidth + 32, ViewHeight + 92 + 200);
}

TWinMonImu::~TWinMonImu() = default;

QPointer<TWinMonImu>& TWinMonImu::Instance() {
    static QPointer<TWinMonImu> instance;
    return instance;
}

bool TWinMonImu::FormCreate() {
    rollfactor = pitchfactor = yawfactor = 1;
    m_scene = std::make_unique<TsceneGL>();
    m_model = std::make_unique<Tentity>();
    BuildAttitudePlate(*m_model);
    m_model->SetPosition(0, 0, -15);
    m_scene->entities.append(m_model.get());
    // Light number 2 without position: it shines from the viewer.
    m_light = std::make_unique<Tlight>(2);
    m_light->SetAmbient(0.5f, 0.5f, 0.5f, 1.0f);
    m_light->SetDiffuse(0.25f, 0.25f, 0.25f, 1.0f);
    m_light->SetSpecular(0.1f, 0.1f, 0.1f, 1.0f);
    m_scene->lights.append(m_light.get());
    m_scene->AttachWindow(Panel3);
    m_scene->ResizeView(ViewWidth, ViewHeight);
    return true;
}

bool TWinMonImu::eventFilter(QObject* watched, QEvent* event) {
    // The view follows the panel's size, so the plate keeps its proportions
    // when the operator resizes the window.
    if (watched == Panel3 && event->type() == QEvent::Resize && m_scene)
        m_scene->ResizeView(Panel3->width(), Panel3->height());
    return TWinMonitorFrame::eventFilter(watched, event);
}

void TWinMonImu::CheckBox2Click() {
    rollfactor = CheckBox2->isChecked() ? -1 : 1;
}

void TWinMonImu::CheckBox3Click() {
    pitchfactor = CheckBox3->isChecked() ? -1 : 1;
}

void TWinMonImu::CheckBox4Click() {
    yawfactor = CheckBox4->isChecked() ? -1 : 1;
}

void TWinMonImu::CheckBox5Click() {
    yawon = CheckBox5->isChecked();
}

void TWinMonImu::SpeedButton4Click() {
    SendToBoard({"save ref\r\n"});
}

void TWinMonImu::ShowPayload(const QByteArray& payload) {
    // An unreadable payload leaves the plate where it was; the timer goes on
    // and the next tick tries again. No message box at 20 ticks a second.
    double r = 0, p = 0, y = 0;
    // Angles are kept as 32-bit floats: a number beyond their range is as
    // unreadable as a word.
    const auto fits = [](double v) { return std::abs(v) <= std::numeric_limits<float>::max(); };
    if (!ParseEkfAttitude(payload, r, p, y) || !fits(r) || !fits(p) || !fits(y)) {
        const bool waiting = payload.trimmed().isEmpty();
        if (!waiting)
            ++m_unreadable;
        ShowStatus(waiting);
        return;
    }
    pitch = float(p * pitchfactor);
    yaw = float(y * yawfactor);
    roll = float(r * rollfactor);
    // The plate is drawn again only when it turns: a board at rest sends the
    // same attitude at every tick.
    const float ay = yawon ? yaw : 0.0f;
    if (!m_shown || m_model->ax != pitch || m_model->ay != ay || m_model->az != roll) {
        m_model->SetRotation(pitch, ay, roll);
        m_scene->Redraw();
        m_shown = true;
    }
    ShowStatus(false);
}

void TWinMonImu::ShowStatus(bool waiting) {
    QString text;
    if (m_unreadable > 0)
        text = QStringLiteral("Нечитаемых пакетов: %1").arg(m_unreadable);
    else if (waiting)
        text = QStringLiteral("Нет данных EKF");
    if (StatusText->text() != text)
        StatusText->setText(text);
}
