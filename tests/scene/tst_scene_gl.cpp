// The scene in a real OpenGL context: the order of the model rotations, the
// projection ResizeView sets, and the attitude plate as the camera sees it.
// Needs a display with OpenGL (run under xvfb-run -a); skips visibly without.

#include "PlateScene.h"

#include <GL/gl.h>
#include <QApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLWidget>
#include <QTest>
#include <QVector3D>
#include <cfenv>

namespace {
// A context made current on an offscreen surface for the matrix checks.
class TCurrentContext {
public:
    TCurrentContext() {
        m_context.create();
        m_surface.setFormat(m_context.format());
        m_surface.create();
        m_context.makeCurrent(&m_surface);
    }
    ~TCurrentContext() { m_context.doneCurrent(); }

private:
    QOpenGLContext m_context;
    QOffscreenSurface m_surface;
};

QVector3D Transform(const GLfloat m[16], QVector3D v, float w) {
    // Column-major, as OpenGL returns it.
    return QVector3D(m[0] * v.x() + m[4] * v.y() + m[8] * v.z() + m[12] * w,
                     m[1] * v.x() + m[5] * v.y() + m[9] * v.z() + m[13] * w,
                     m[2] * v.x() + m[6] * v.y() + m[10] * v.z() + m[14] * w);
}

bool Near(QVector3D a, QVector3D b) {
    return (a - b).length() < 1e-4f;
}
} // namespace

class TestSceneGl : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { VANTOR_SKIP_WITHOUT_OPENGL(); }

    void rotationOrder_data() {
        QTest::addColumn<QVector3D>("angles"); // ax, ay, az
        QTest::addColumn<QVector3D>("axis");   // the model axis turned
        QTest::addColumn<QVector3D>("result");
        QTest::newRow("ax 90 turns +Y to +Z")
            << QVector3D(90, 0, 0) << QVector3D(0, 1, 0) << QVector3D(0, 0, 1);
        QTest::newRow("az 90 turns +Y to -X")
            << QVector3D(0, 0, 90) << QVector3D(0, 1, 0) << QVector3D(-1, 0, 0);
        QTest::newRow("ay 90 turns +X to -Z")
            << QVector3D(0, 90, 0) << QVector3D(1, 0, 0) << QVector3D(0, 0, -1);
        // Z first, then X: +Y goes to -X and stays there.
        QTest::newRow("az before ax")
            << QVector3D(90, 0, 90) << QVector3D(0, 1, 0) << QVector3D(-1, 0, 0);
        // Z first, then Y: +Y to -X, then -X to +Z.
        QTest::newRow("az before ay")
            << QVector3D(0, 90, 90) << QVector3D(0, 1, 0) << QVector3D(0, 0, 1);
    }
    void rotationOrder() {
        QFETCH(QVector3D, angles);
        QFETCH(QVector3D, axis);
        QFETCH(QVector3D, result);
        TCurrentContext current;
        Tentity e;
        e.SetPosition(0, 0, -15);
        e.SetRotation(angles.x(), angles.y(), angles.z());
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        e.ApplyTransform();
        GLfloat m[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, m);
        const QVector3D got = Transform(m, axis, 0);
        QVERIFY2(Near(got, result),
                 qPrintable(QString("got %1 %2 %3").arg(got.x()).arg(got.y()).arg(got.z())));
        QVERIFY(Near(Transform(m, QVector3D(), 1), QVector3D(0, 0, -15))); // then moved
    }

    void projection_data() {
        QTest::addColumn<bool>("perspective");
        QTest::addColumn<int>("w");
        QTest::addColumn<int>("h");
        QTest::addColumn<double>("m0"); // x scale
        QTest::addColumn<double>("m5"); // y scale
        const double f = 1 / std::tan(15 * M_PI / 180);
        QTest::newRow("perspective 400x200: aspect 2") << true << 400 << 200 << f / 2 << f;
        QTest::newRow("orthographic 400x200") << false << 400 << 200 << 1 / 24.0 << 1 / 12.0;
        QTest::newRow("orthographic 200x400") << false << 200 << 400 << 1 / 12.0 << 1 / 24.0;
    }
    void projection() {
        QFETCH(bool, perspective);
        QFETCH(int, w);
        QFETCH(int, h);
        QFETCH(double, m0);
        QFETCH(double, m5);
        TCurrentContext current;
        TsceneGL scene;
        scene.perspective = perspective;
        scene.ResizeView(w, h);
        scene.ApplyProjection();
        GLfloat m[16];
        glGetFloatv(GL_PROJECTION_MATRIX, m);
        QVERIFY(qAbs(m[0] - m0) < 1e-5);
        QVERIFY(qAbs(m[5] - m5) < 1e-5);
        if (perspective)
            QVERIFY(qAbs(m[5] / m[0] - 2.0) < 1e-5); // the aspect ratio w / h
        GLint viewport[4];
        glGetIntegerv(GL_VIEWPORT, viewport);
        QCOMPARE(viewport[2], w);
        QCOMPARE(viewport[3], h);
    }

    void zeroHeightViewDoesNotTrap() {
        TCurrentContext current;
        TsceneGL scene;
        // Traps on, as a host program might leave them: the drawing must mask
        // them around itself and give them back afterwards.
        const int traps = FE_DIVBYZERO | FE_INVALID | FE_OVERFLOW;
        feenableexcept(traps);
        scene.ResizeView(400, 0); // aspect infinite
        scene.Render();
        scene.perspective = false;
        scene.ResizeView(0, 0); // 0 / 0
        scene.Render();
        const int after = fegetexcept();
        fedisableexcept(FE_ALL_EXCEPT);
        QCOMPARE(after & traps, traps);
    }

    void plateAsTheCameraSeesIt_data() {
        QTest::addColumn<float>("pitch");
        QTest::addColumn<QString>("side");
        QTest::newRow("level: the +Z side faces the camera") << 0.0f << "pink";
        QTest::newRow("pitched 90: the red top faces it") << 90.0f << "red";
        QTest::newRow("pitched -90: the green bottom faces it") << -90.0f << "green";
    }
    void plateAsTheCameraSeesIt() {
        QFETCH(float, pitch);
        QFETCH(QString, side);
        TPlateScene s;
        QVERIFY(s.Show());
        s.plate.SetRotation(pitch, 0, 0);
        s.scene.Redraw();
        const QImage image = s.Picture();
        QCOMPARE(image.size(), QSize(400, 300));
        const QColor centre = image.pixelColor(200, 150);
        const QColor corner = image.pixelColor(5, 5);
        QCOMPARE(corner, QColor(Qt::black)); // the background
        const QString seen = centre.red() > 100 && centre.green() > 100 && centre.blue() > 100
                                 ? "pink"
                             : centre.red() > 3 * centre.green() ? "red"
                             : centre.green() > 3 * centre.red() ? "green"
                                                                 : "other";
        QVERIFY2(seen == side, qPrintable(QString("centre %1").arg(centre.name())));
        // Lit by light 2 from the viewer: brighter than ambient alone.
        QVERIFY(std::max({centre.red(), centre.green(), centre.blue()}) > 140);
    }

    void detachReleasesTheView() {
        QWidget panel;
        TsceneGL scene;
        scene.AttachWindow(&panel);
        QPointer<QWidget> view = scene.View();
        QVERIFY(view);
        scene.DetachWindow();
        QVERIFY(view.isNull());
        QVERIFY(!scene.active);
        scene.Redraw(); // inactive again: nothing
    }
};

QTEST_MAIN(TestSceneGl)
#include "tst_scene_gl.moc"
