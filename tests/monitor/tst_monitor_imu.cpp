// The attitude monitor: the EKF payload turning the plate under every check
// box combination, any locale, unreadable payloads failing quietly, and the
// commands it sends. Runs under xvfb-run (with a GL view) and on the
// offscreen platform (where the view is replaced by a note).

#include "ScriptedDialogs.h"
#include "ScriptedPanel.h"
#include "TestMain.h"
#include "TestPanel.h"
#include "monitor/PayloadNumbers.h"
#include "monitor/WinMonImuUnit.h"
#include "support/PinGlDriver.h"
#include "ui/TaskRegistry.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLocale>
#include <QOpenGLWidget>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <clocale>

namespace {
QByteArrayList Sent(const QSignalSpy& spy) {
    QByteArrayList out;
    for (const auto& args : spy)
        out << args.at(0).toByteArray();
    return out;
}
} // namespace

class TestMonitorImu : public QObject {
    Q_OBJECT

    // Answers every command with its prompt and streams nothing: the tests
    // put the payloads in the slots themselves.
    std::unique_ptr<TScriptedPanel> m_panel;
    std::unique_ptr<TScriptedDialogs> m_dialogs;
    std::unique_ptr<QSignalSpy> m_sent;

    TWinMonImu* Open() {
        TaskWindowFor("ActionMonImu")();
        return TWinMonImu::Instance();
    }
    void Store(const QByteArray& payload) {
        m_panel->Link().StoreTelemetry(TTelemetrySlot::Ekf, payload);
    }
    static QVector3D Angles(TWinMonImu* w) {
        return QVector3D(w->Model()->ax, w->Model()->ay, w->Model()->az);
    }

private slots:
    void initTestCase() { RegisterMonitorWindows(); }
    void init() {
        m_panel = std::make_unique<TScriptedPanel>();
        m_dialogs = std::make_unique<TScriptedDialogs>();
        m_sent = std::make_unique<QSignalSpy>(&m_panel->Link(), &TBoardLink::CommandSent);
    }
    void cleanup() {
        // Never a dialog from a tick, whatever the payload.
        QCOMPARE(m_dialogs->Messages, QStringList());
        QCOMPARE(m_dialogs->Errors, QStringList());
        QVERIFY(m_dialogs->Unexpected.isEmpty());
        m_sent.reset();
        m_panel.reset();
        m_dialogs.reset();
    }

    void opensWithTheModelInPlace() {
        TWinMonImu* w = Open();
        QCOMPARE(w->windowTitle(), QString("Мониторинг показаний IMU"));
        QCOMPARE(w->Label3->text(), QString("Мониторинг показаний IMU"));
        QVERIFY(!w->Monitoring());
        if (TsceneGL::OpenGLAvailable())
            QVERIFY(w->Scene()->active && w->Scene()->View()->isVisibleTo(w->Panel3));
        else
            QVERIFY(w->Panel3->findChild<QLabel*>());
        QCOMPARE(m_sent->size(), 0);
        w->close();
    }

    void checkBoxes_data() {
        QTest::addColumn<int>("boxes"); // bit 0 reverse roll, 1 pitch, 2 yaw, 3 yaw on
        for (int boxes = 0; boxes < 16; ++boxes) {
            const QString name = QString("roll%1 pitch%2 yaw%3 %4")
                                     .arg(boxes & 1 ? "-" : "+", boxes & 2 ? "-" : "+",
                                          boxes & 4 ? "-" : "+", boxes & 8 ? "yaw on" : "yaw off");
            QTest::newRow(qPrintable(name)) << boxes;
        }
    }
    void checkBoxes() {
        QFETCH(int, boxes);
        TWinMonImu* w = Open();
        QTest::mouseClick(w->CheckBox2, Qt::LeftButton); // check and clear again:
        QTest::mouseClick(w->CheckBox2, Qt::LeftButton); // the factor follows the box
        w->CheckBox2->setChecked(boxes & 1);
        w->CheckBox3->setChecked(boxes & 2);
        w->CheckBox4->setChecked(boxes & 4);
        w->CheckBox5->setChecked(boxes & 8);
        w->SpeedButton2Click();
        Store("t=1200 r=10 p=-5 y=90");
        w->Timer1Timer();
        const float roll = boxes & 1 ? -10 : 10;
        const float pitch = boxes & 2 ? 5 : -5;
        const float yaw = boxes & 4 ? -90 : 90;
        QCOMPARE(Angles(w), QVector3D(pitch, boxes & 8 ? yaw : 0, roll));
        QCOMPARE(w->yaw, yaw); // kept after the factor even while yaw is off
        QCOMPARE(w->StatusText->text(), QString());
        w->close();
    }

    // Qt's default locale and the C library's numeric locale both with a
    // decimal comma (the C one compiled into a temporary folder when the
    // system has none installed).
    void decimalCommaLocaleReadsPoints() {
        QTemporaryDir locales;
        const bool compiled =
            QProcess::execute("localedef",
                              {"-i", "de_DE", "-f", "UTF-8", locales.filePath("de_DE.UTF-8")}) == 0;
        if (compiled)
            qputenv("LOCPATH", QFile::encodeName(locales.path()));
        const QLocale saved;
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        const QByteArray cSaved = std::setlocale(LC_NUMERIC, nullptr);
        const bool cComma =
            std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && std::localeconv()->decimal_point[0] == ',';
        TWinMonImu* w = Open();
        w->SpeedButton2Click();
        Store("0 r=1.5 p=-2.25 y=3.75e1");
        w->Timer1Timer();
        std::setlocale(LC_NUMERIC, cSaved.constData());
        QLocale::setDefault(saved);
        qunsetenv("LOCPATH");
        QCOMPARE(Angles(w), QVector3D(-2.25f, 0, 1.5f));
        QCOMPARE(w->yaw, 37.5f);
        w->close();
        if (!cComma)
            qInfo("no C locale with a decimal comma could be made; checked Qt's locale only");
    }

    void unreadablePayloadsFailQuietly_data() {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QString>("status");
        QTest::newRow("two blanks between tokens")
            << QByteArray("t=1  r=1 p=2 y=3") << "Нечитаемых пакетов: 1";
        QTest::newRow("keys out of order")
            << QByteArray("t=1 p=2 r=1 y=3") << "Нечитаемых пакетов: 1";
        QTest::newRow("beyond a float")
            << QByteArray("t=1 r=1e300 p=2 y=3") << "Нечитаемых пакетов: 1";
        QTest::newRow("too few tokens") << QByteArray("t=1 r=1") << "Нечитаемых пакетов: 1";
        QTest::newRow("nothing yet") << QByteArray() << "Нет данных EKF";
    }
    void unreadablePayloadsFailQuietly() {
        QFETCH(QByteArray, payload);
        QFETCH(QString, status);
        TWinMonImu* w = Open();
        w->SpeedButton2Click();
        Store("0 r=10 p=20 y=30");
        w->CheckBox5->setChecked(true);
        w->Timer1Timer();
        Store(payload);
        w->Timer1Timer();
        QCOMPARE(Angles(w), QVector3D(20, 30, 10)); // the last attitude stays
        QCOMPARE(w->StatusText->text(), status);
        QCOMPARE(w->Monitor->Lines().last(), QString::fromLatin1(payload)); // still listed
        QVERIFY(w->Monitoring());                                           // goes on
        Store("0 r=1 p=2 y=3");
        w->Timer1Timer();
        QCOMPARE(Angles(w), QVector3D(2, 3, 1));
        w->close();
    }

    void emptySlotAfterStartKeepsTheModelStill() {
        TWinMonImu* w = Open();
        w->SpeedButton2Click();
        w->Timer1Timer();
        w->Timer1Timer();
        QCOMPARE(w->Monitor->Lines(), (QStringList{"", ""}));
        QCOMPARE(Angles(w), QVector3D(0, 0, 0));
        QCOMPARE(w->UnreadablePayloads(), 0);
        w->close();
    }

    void commands_data() {
        QTest::addColumn<bool>("start");
        QTest::addColumn<bool>("reset");
        QTest::addColumn<QByteArrayList>("sent");
        QTest::newRow("close while monitoring: mon off ekf once")
            << true << false << QByteArrayList{"mon on ekf\r\n", "mon off ekf\r\n"};
        QTest::newRow("reset the horizon while idle, close sends nothing")
            << false << true << QByteArrayList{"save ref\r\n"};
        QTest::newRow("reset the horizon while monitoring")
            << true << true << QByteArrayList{"mon on ekf\r\n", "save ref\r\n", "mon off ekf\r\n"};
    }
    void commands() {
        QFETCH(bool, start);
        QFETCH(bool, reset);
        QFETCH(QByteArrayList, sent);
        TWinMonImu* w = Open();
        if (start)
            w->SpeedButton2Click();
        if (reset)
            QTest::mouseClick(w->SpeedButton4, Qt::LeftButton);
        w->close();
        QTRY_VERIFY(TWinMonImu::Instance().isNull());
        QCOMPARE(Sent(*m_sent), sent);
    }

    // Against the simulated board: the plate follows the board's attitude,
    // and the horizon reset reaches the board.
    void followsTheBoard() {
        m_sent.reset();
        m_panel.reset();
        TTestPanel board;
        QVERIFY(board.Connect());
        TWinMonImu* w = Open();
        w->CheckBox5->setChecked(true);
        w->SpeedButton2Click();
        QCOMPARE(board.WaitBoardLines(1), QByteArrayList{"mon on ekf"});
        QTRY_VERIFY(Angles(w) != QVector3D(0, 0, 0));
        double r = 0, p = 0, y = 0;
        QVERIFY(ParseEkfAttitude(board.Link().EkfData(), r, p, y));
        QTRY_COMPARE(w->UnreadablePayloads(), 0);
        QTest::mouseClick(w->SpeedButton4, Qt::LeftButton);
        QCOMPARE(board.WaitBoardLines(1), QByteArrayList{"save ref"});
        w->close();
        QCOMPARE(board.WaitBoardLines(1), QByteArrayList{"mon off ekf"});
    }
};

VANTOR_TEST_MAIN(TestMonitorImu)
#include "tst_monitor_imu.moc"
