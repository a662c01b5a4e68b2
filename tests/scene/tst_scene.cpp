// The scene's model building without a rendering context: point sharing by
// position and colour, and a scene that is not attached.

#include "scene/SceneGL.h"

#include <QTest>

class TestScene : public QObject {
    Q_OBJECT
private slots:
    void pointSharing_data() {
        QTest::addColumn<int>("secondColor"); // colour of the second face
        QTest::addColumn<float>("offset");    // shift of the second face's corner
        QTest::addColumn<bool>("shared");
        QTest::newRow("same colour, same place: one point") << 1 << 0.0f << true;
        QTest::newRow("same colour, 0.009 away: stored point reused") << 1 << 0.009f << true;
        QTest::newRow("same colour, 0.011 away: own point") << 1 << 0.011f << false;
        QTest::newRow("other colour, same place: own point") << 2 << 0.0f << false;
    }
    void pointSharing() {
        QFETCH(int, secondColor);
        QFETCH(float, offset);
        QFETCH(bool, shared);
        Tentity e;
        e.SetColor(10, 20, 30);
        tface* a = e.AddFace();
        QCOMPARE(int(a->r), 10); // faces take the entity's colour
        a->AddVertex(1, 2, 3, 0, 0, 1);
        tface* b = e.AddFace();
        if (secondColor == 2)
            b->SetColor(200, 20, 30);
        Tvertex* v = b->AddVertex(1 + offset, 2, 3, 0, 1, 0);
        QCOMPARE(int(e.points.size()), shared ? 1 : 2);
        Tpoint* first = e.points.front().get();
        QCOMPARE(v->point == first, shared);
        if (shared) {
            QCOMPARE(int(first->vertexcount), 2);
            QCOMPARE(first->vertices.size(), 2);
            QCOMPARE(first->x, 1.0f); // the stored position wins
        } else {
            QCOMPARE(int(first->vertexcount), 1);
            QCOMPARE(v->point->x, 1 + offset);
            QCOMPARE(int(v->point->r), secondColor == 2 ? 200 : 10);
        }
        QCOMPARE(v->nx, 0.0f);
        QCOMPARE(v->ny, 1.0f);
        QCOMPARE(v->face, b);
    }

    void onlyTheFirstNearPointIsConsidered() {
        // A red point first, then a blue one at the same place: a blue face's
        // corner there meets the red point first and gets a point of its own.
        Tentity e;
        tface* red = e.AddFace();
        red->SetColor(255, 0, 0);
        red->AddVertex(0, 0, 0, 0, 0, 1);
        tface* blue = e.AddFace();
        blue->SetColor(0, 0, 255);
        blue->AddVertex(0, 0, 0, 0, 0, 1);
        blue->AddVertex(0, 0, 0, 0, 0, 1);
        QCOMPARE(int(e.points.size()), 3);
    }

    void unattachedSceneDrawsNothing() {
        Tentity e;
        TsceneGL scene;
        scene.entities.append(&e);
        QVERIFY(!scene.active);
        scene.ResizeView(400, 200);
        scene.Redraw(); // no context: must neither draw nor fail
        QVERIFY(!scene.active);
        QCOMPARE(scene.View(), nullptr);
        QCOMPARE(scene.camera, scene.cameras.front().get());
    }
};

QTEST_MAIN(TestScene)
#include "tst_scene.moc"
