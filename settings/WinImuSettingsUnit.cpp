#include "settings/WinImuSettingsUnit.h"
#include "ui/FormPieces.h"

#include "link/Proc.h"
#include "settings/ParamBindingUnit.h"
#include "settings/ParamFormUnit.h"
#include "ui/Dialogs.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

QPointer<TWinImuSettings> WinImuSettings;

namespace {
const char* const Captions[4] = {
    "Уровень шумов",
    "Уровень вклада акселерометра",
    "Уровень вклада магнетометра",
    "Уровень отклонения акселерометра от 1G",
};
} // namespace

const QByteArrayList& TWinImuSettings::Names() {
    static const QByteArrayList names = {"EKF_Proc_Variance", "EKF_Accel_Variance",
                                         "EKF_Mag_Variance", "EKF_Accel_Gravity_Cut_Off"};
    return names;
}

TWinImuSettings::TWinImuSettings(QWidget* parent)
    : TSettingsWindow("Настройка IMU", false, parent) {
    auto* grid = new QGridLayout(Content());
    grid->addWidget(MakeHeading("Настройки ИМУ", "Label1", THeading::Settings), 0, 0, 1, 2);
    for (int i = 0; i < 4; ++i) {
        const QString name = QString::fromLatin1(Names()[i]);
        m_edits[i] = new QLineEdit(name); // the name shows until the board lists a value
        m_edits[i]->setObjectName(name);
        m_edits[i]->setMinimumWidth(180);
        auto* label = new QLabel(Captions[i]);
        label->setBuddy(m_edits[i]);
        grid->addWidget(label, i + 1, 0);
        grid->addWidget(m_edits[i], i + 1, 1);
    }
    auto* defaults = new QPushButton("Параметры по умолчанию");
    defaults->setObjectName("SpeedButton1");
    auto* horizon = new QPushButton("Сброс горизонта");
    horizon->setObjectName("SpeedButton2");
    connect(defaults, &QPushButton::clicked, this, [this] { SpeedButton1Click(); });
    connect(horizon, &QPushButton::clicked, this, [this] { SpeedButton2Click(); });
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(defaults);
    buttons->addWidget(horizon);
    buttons->addStretch(1);
    grid->addLayout(buttons, 5, 0, 1, 2);
    grid->setRowStretch(6, 1);
    grid->setColumnStretch(1, 1);
}

void TWinImuSettings::MatchImuLine(const QByteArray& line) {
    const qsizetype eq = line.indexOf('=');
    if (eq < 0)
        return;
    const QByteArray name = LowerAscii(Trim(line.left(eq)));
    for (int i = 0; i < 4; ++i)
        if (name == LowerAscii(Names()[i]))
            m_edits[i]->setText(QString::fromLatin1(Trim(line.mid(eq + 1))));
}

TSettingsWindow::TListingEnd TWinImuSettings::ListParams() {
    return ReadListing("cat imu\r\n", [this](const QByteArray& line) { MatchImuLine(line); });
}

bool TWinImuSettings::ApplyChangedValues() {
    QByteArrayList lines;
    for (int i = 0; i < 4; ++i) {
        const QString text = m_edits[i]->text();
        if (text.isEmpty() || text == m_edits[i]->objectName())
            continue;
        if (!SendableText(text)) {
            Dialogs().Message(QStringLiteral("Значение параметра %1 содержит недопустимые "
                                             "символы: \"%2\". Допустимы латинские буквы, "
                                             "цифры и знаки.")
                                  .arg(m_edits[i]->objectName(), text));
            return false;
        }
        lines << "set " + Names()[i] + " " + text.toLatin1() + "\r\n";
    }
    return SendToBoard(lines);
}

void TWinImuSettings::SpeedButton1Click() {
    ResetAndRelist("reset imu\r\n");
}

void TWinImuSettings::SpeedButton2Click() {
    SendToBoard({"save ref\r\n"});
}
