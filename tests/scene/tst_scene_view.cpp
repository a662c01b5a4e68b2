// The scene's view draws only the part of the picture that changed: after
// any change the picture must equal one drawn whole. Needs a display with
// OpenGL (run under xvfb-run -a); skips visibly without.

#include "PlateScene.h"

class TestSceneView : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { VANTOR_SKIP_WITHOUT_OPENGL(); }

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
        TPlateScene s;
        QVERIFY(s.Show());
        TsceneGL& scene = s.scene;
        Tentity& plate = s.plate;
        plate.SetRotation(20, 10, -30);
        scene.Redraw();
        const QImage before = s.Picture();

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
            (void)s.Picture();
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
        const QImage part = s.Picture();
        QVERIFY(part != before);
        scene.ResizeView(400, 300); // the projection again: drawn whole
        const QImage whole = s.Picture();
        QVERIFY(part == whole);
    }
};

QTEST_MAIN(TestSceneView)
#include "tst_scene_view.moc"
