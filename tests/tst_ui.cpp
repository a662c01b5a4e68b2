// The window base every task window shares: one instance, restore, deferred
// closing while busy, and conversion errors reaching the operator.

#include "ScriptedDialogs.h"
#include "TestMain.h"
#include "TestPanel.h"
#include "link/Proc.h"
#include "ui/TaskWindow.h"

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
    void openTwiceKeepsOneInstanceAndRestores() {
        TTestPanel panel;
        TWinProbe::Created = 0;
        TWinProbe* w = OpenTaskWindow(WinProbe);
        QVERIFY(w);
        QCOMPARE(panel.Area().subWindowList().size(), 1);
        w->showMinimized();
        QCOMPARE(OpenTaskWindow(WinProbe), w);
        QCOMPARE(TWinProbe::Created, 1);
        QVERIFY(!w->isMinimized());
        w->close();
        QTRY_VERIFY(WinProbe.isNull()); // freed on close, reference cleared
    }

    void declinedWindowIsDropped() {
        TTestPanel panel;
        QCOMPARE(OpenTaskWindow(WinDecline), nullptr);
        QVERIFY(WinDecline.isNull());
        QCOMPARE(panel.Area().subWindowList().size(), 0);
    }

    void conversionErrorInCreationIsShownAndWindowOpens() {
        TTestPanel panel;
        TScriptedDialogs dialogs;
        QVERIFY(OpenTaskWindow(WinThrows));
        QCOMPARE(dialogs.Errors, QStringList{"'x' is not a valid integer value"});
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

    void handlerConversionErrorReachesErrorBox() {
        TScriptedDialogs dialogs;
        QPushButton b;
        connect(&b, &QPushButton::clicked, [] { StrToInt("fast"); });
        QTest::mouseClick(&b, Qt::LeftButton);
        QCOMPARE(dialogs.Errors, QStringList{"'fast' is not a valid integer value"});
    }
};

VANTOR_TEST_MAIN(TestUi)
#include "tst_ui.moc"
