// The window base every task window shares: one instance, restore, deferred
// closing while busy, and conversion errors reaching the operator; the
// unsaved-changes count.

#include "ScriptedDialogs.h"
#include "TestMain.h"
#include "TestPanel.h"
#include "link/Proc.h"
#include "ui/Dialogs.h"
#include "ui/TaskWindow.h"
#include "ui/UnsavedChanges.h"

#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

#include <QPushButton>

namespace {
class TWinProbe : public TTaskWindow {
public:
    static inline int Created = 0;
    bool Accept = true;
    bool FormCreate() override {
        ++Created;
        return Accept;
    }
    void RunBusy(const std::function<void()>& during) {
        BeginBusy();
        during();
        EndBusy();
    }
};
QPointer<TWinProbe> WinProbe;

class TWinDecline : public TTaskWindow {
public:
    bool FormCreate() override { return false; }
};
QPointer<TWinDecline> WinDecline;

class TWinThrows : public TTaskWindow {
public:
    bool FormCreate() override { throw EConvertError("'x' is not a valid integer value"); }
};
QPointer<TWinThrows> WinThrows;
} // namespace

class TestUi : public QObject {
    Q_OBJECT
private slots:
    void unsavedChangesCount_data() {
        QTest::addColumn<QByteArrayList>("sent");
        QTest::addColumn<int>("config");
        QTest::addColumn<int>("controls");
        QTest::newRow("resets count like sets")
            << QByteArrayList{"reset osd\r\n", "reset control in\r\n", "reset control mixers\r\n"}
            << 1 << 2;
        QTest::newRow("channel, mixer and waypoint rows")
            << QByteArrayList{"set ch_in 1 1 0 1000 2000 x\r\n", "set ch_out 2 a b c d\r\n",
                              "set mix 7 1 2\r\n", "set wp 1 55.1 37.2 100\r\n"}
            << 1 << 3;
        QTest::newRow("typed in any case with extra blanks")
            << QByteArrayList{"  SET Roll_KP   2\r\n", "Reset   Control in\r\n"} << 1 << 1;
        QTest::newRow("save config clears the general settings only")
            << QByteArrayList{"set roll_kp 1\r\n", "set mix 6 1 1\r\n", "save config\r\n"} << 0
            << 1;
        QTest::newRow("save controls clears the channels only")
            << QByteArrayList{"set roll_kp 1\r\n", "set mix 6 1 1\r\n", "save controls\r\n"} << 1
            << 0;
        QTest::newRow("both saves clear all, later sets count again")
            << QByteArrayList{"set a 1\r\n", "reset control in\r\n", "save config\r\n",
                              "save controls\r\n", "set b 2\r\n"}
            << 1 << 0;
        QTest::newRow("a set of the value the board holds is no change")
            << QByteArrayList{"cat imu\r\n",       "set ekf_q 0.5\r\n", "set EKF_R 2\r\n",
                              "set ekf_r 2.0\r\n", "set ekf_r 3\r\n",   "set ekf_x 1\r\n"}
            << 2 << 0;
        QTest::newRow("after a reset every set counts")
            << QByteArrayList{"cat imu\r\n", "reset imu\r\n", "set ekf_q 0.5\r\n"} << 2 << 0;
        QTest::newRow("refused lines and a failed save change nothing")
            << QByteArrayList{"set a 1\r\n", "!set nosuch 1\r\n", "!set mix 99 1 1\r\n",
                              "!save config\r\n"}
            << 1 << 0;
        QTest::newRow("unconfirmed: a set counts, a save clears nothing")
            << QByteArrayList{"?set a 1\r\n", "?save config\r\n"} << 1 << 0;
        QTest::newRow("rows as listed are no change, other rows count")
            << QByteArrayList{"cat control in\r\n",
                              "set ch_in  0 1 2 1000 1500 2000\r\n",
                              "set ch_in 1 1 2 1000 1500 2000\r\n",
                              "cat control mixers\r\n",
                              "set mix  6 2 -50\r\n",
                              "set mix 6 1 3\r\n",
                              "cat wp\r\n",
                              "set wp 1 55.10 37.2 100\r\n",
                              "set wp 2 1 2 3\r\n"}
            << 1 << 2;
        QTest::newRow("listings, streams and other saves change nothing")
            << QByteArrayList{"cat stab\r\n", "mon on gyro\r\n", "save ref\r\n",
                              "\r\n",         "settings\r\n",    "cal mag_save\r\n"}
            << 0 << 0;
    }
    void unsavedChangesCount() {
        QFETCH(QByteArrayList, sent);
        QFETCH(int, config);
        QFETCH(int, controls);
        TBoardLink link;
        TUnsavedChanges unsaved(link);
        QSignalSpy changed(&unsaved, &TUnsavedChanges::CountChanged);
        // The board's listings: ekf_q = 0.50, ekf_r = 2, and a row of each kind.
        const QByteArrayList listed = {"ekf_q = 0.50",
                                       "EKF_R=2",
                                       "junk",
                                       "a b = 1",
                                       "# N: type ch min neutral max",
                                       "0: 1 2 1000 1500 2000",
                                       "Waypoints: 1",
                                       "1: 55.1, 37.2, 100",
                                       "6: 1 -50 0 0 0"};
        for (const QByteArray& line : sent) {
            // "!": the board answers with text of refusal; "?": no prompt came.
            if (line.startsWith('?'))
                emit link.CommandUnconfirmed(line.mid(1));
            else
                emit link.CommandAnswered(line.mid(line.startsWith('!')),
                                          line.startsWith('!') ? "Invalid arguments" : "");
            if (line.startsWith("cat "))
                for (const QByteArray& held : listed)
                    emit link.AnswerLine(line, held);
        }
        QCOMPARE(unsaved.ConfigCount(), config);
        QCOMPARE(unsaved.ControlsCount(), controls);
        QCOMPARE(unsaved.Count(), config + controls);
        QCOMPARE(changed.isEmpty() ? 0 : changed.last().first().toInt(), config + controls);
        QCOMPARE(UnsavedNote(unsaved.Count()).isEmpty(), unsaved.Count() == 0);
    }
    void openTwiceKeepsOneInstanceAndRestores() {
        TTestPanel panel;
        TWinProbe::Created = 0;
        TWinProbe* w = OpenTaskWindow(WinProbe);
        QVERIFY(w);
        QCOMPARE(OpenTaskWindow(WinDecline), nullptr); // one that declines is dropped
        QVERIFY(WinDecline.isNull());
        QCOMPARE(panel.Area().subWindowList().size(), 1);
        w->showMinimized();
        QCOMPARE(OpenTaskWindow(WinProbe), w);
        QCOMPARE(TWinProbe::Created, 1);
        QVERIFY(!w->isMinimized());
        w->close();
        QTRY_VERIFY(WinProbe.isNull()); // freed on close, reference cleared
    }

    // A conversion error in a window's creation or in a handler reaches the
    // operator; the window still opens.
    void conversionErrorsReachTheErrorBox() {
        TTestPanel panel;
        TScriptedDialogs dialogs;
        QVERIFY(OpenTaskWindow(WinThrows));
        QPushButton b;
        connect(&b, &QPushButton::clicked, [] { StrToInt("fast"); });
        QTest::mouseClick(&b, Qt::LeftButton);
        QCOMPARE(dialogs.Errors, (QStringList{"'x' is not a valid integer value",
                                              "'fast' is not a valid integer value"}));
        WinThrows->close();
    }

    void closeWhileBusyIsDeferredAndCancels() {
        TTestPanel panel;
        TWinProbe* w = OpenTaskWindow(WinProbe);
        bool sawCancel = false;
        w->RunBusy([&] {
            w->close();
            QVERIFY(!WinProbe.isNull()); // still there while busy
            sawCancel = w->CancelRequested();
        });
        QVERIFY(sawCancel);
        QTRY_VERIFY(WinProbe.isNull());
    }

    void fileDialogsAskBeforeReplacingAndTakeAnyName_data() {
        QTest::addColumn<bool>("save");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("replace"); // the answer to the overwrite question
        QTest::addColumn<QString>("chosen");
        QTest::newRow("save: typed without its extension, replace")
            << true << "plane" << true << "plane.cfg";
        QTest::newRow("save: typed without its extension, keep") << true << "plane" << false << "";
        QTest::newRow("save: a new name gets the extension")
            << true << "glider" << false << "glider.cfg";
        QTest::newRow("open: a name that does not exist") << false << "plane" << false << "plane";
    }
    void fileDialogsAskBeforeReplacingAndTakeAnyName() {
        // The real dialog, driven as an operator would.
        QFETCH(bool, save);
        QFETCH(QString, typed);
        QFETCH(bool, replace);
        QFETCH(QString, chosen);
        QTemporaryDir dir;
        QFile old(dir.filePath("plane.cfg"));
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
        old.close();
        QStringList kinds;
        QString question;
        bool typedIn = false;
        QTimer driver;
        connect(&driver, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                question = box->text();
                box->button(replace ? QMessageBox::Yes : QMessageBox::No)->click();
            } else if (auto* d = qobject_cast<QFileDialog*>(modal)) {
                if (typedIn) { // the question was answered "no": the dialog stays
                    d->reject();
                    return;
                }
                typedIn = true;
                auto* types = d->findChild<QComboBox*>("fileTypeCombo");
                for (int i = 0; types && i < types->count(); ++i)
                    kinds << types->itemText(i);
                d->setDirectory(dir.path());
                d->findChild<QLineEdit*>("fileNameEdit")->setText(typed);
                QMetaObject::invokeMethod(d, "accept", Qt::QueuedConnection);
            }
        });
        driver.start(50);
        TQtDialogs screen;
        const QString filter = "*.cfg (*.cfg);;*.txt (*.txt);;*.* (*)";
        const QString name = save ? screen.SaveFileName("Выберите файл", filter, "cfg")
                                  : screen.OpenFileName("Выберите файл", filter);
        QCOMPARE(kinds, (QStringList{"*.cfg", "*.txt", "*.*"}));
        QCOMPARE(!question.isEmpty(), save && typed == "plane");
        QVERIFY(question.contains("plane.cfg") || question.isEmpty());
        QCOMPARE(name, chosen.isEmpty() ? QString() : dir.filePath(chosen));
        QVERIFY(old.open(QIODevice::ReadOnly) && old.readAll() == "old");
    }
};

VANTOR_TEST_MAIN(TestUi)
#include "tst_ui.moc"
