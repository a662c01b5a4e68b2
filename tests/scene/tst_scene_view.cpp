// The scene's view draws only the part of the picture that changed: after
// any change the picture must equal one drawn whole. Needs a display with
// OpenGL (run under xvfb-run -a); skips visibly without.

#include "monitor/WinMonImuUnit.h"
#include "scene/SceneGL.h"
#include "support/PinGlDriver.h"

#include <QTest>

class TestSceneView : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        if (!TsceneGL::OpenGLAvailable())
            QSKIP("No OpenGL context can be made on this platform (run under xvfb-run -a); "
                  "OpenGL tests skipped");
    }

    void partOrWholeGiveTheSamePicture_data() {
        QTest::addColumn<int>("change");
        QTest::newRow("plate turned") << 0;
        QTest::newRow("plate moved partly out of the view") << 1;
        QTest::newRow("plate moved behind the eye and back") << 2;
        QTest::newRow("background changed") << 3;
        QTest::newRow("camera moved") << 5;
    }
    void partOrWholeGiveTheSamePicture() {
        QFETCH(int, change);
        QWidget panel;
        panel.resize(400, 300);
        Tentity plate;
        BuildAttitudePlate(plate);
        plate.SetPosition(0, 0, -15);
        Tlight light(2);
        TsceneGL scene;
        scene.entities.append(&plate);
        scene.lights.append(&light);
        scene.AttachWindow(&panel);
        QVERIFY(scene.active);
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        scene.ResizeView(400, 300);
        plate.SetRotation(20, 10, -30);
        scene.Redraw();
        const QImage before = scene.View()->grabFramebuffer();

        switch (change) {
        case 0:
            plate.SetRotation(-40, 0, 60);
            break;
        case 1:
            plate.SetPosition(6, 2, -15);
            break;
        case 2:
            plate.SetPosition(0, 0, 5);
            scene.Redraw();
            (void)scene.View()->grabFramebuffer();
            plate.SetPosition(2, 0, -15);
            break;
        case 3:
            scene.background[2] = 0.5f;
            break;
        case 5:
            scene.camera->SetPosition(3, 1, 0);
            break;
        }
        scene.Redraw();
        const QImage part = scene.View()->grabFramebuffer();
        QVERIFY(part != before);
        scene.ResizeView(400, 300); // the projection again: drawn whole
        const QImage whole = scene.View()->grabFramebuffer();
        QVERIFY(part == whole);
    }
};

QTEST_MAIN(TestSceneView)
#include "tst_scene_view.moc"
