#pragma once
// The scene the OpenGL suites draw: the attitude monitor's plate 15 units in
// front of the camera, lit by light 2 from the viewer, in the view of a shown
// 400x300 panel. The suites need a display with OpenGL (run under xvfb-run
// -a) and skip visibly without one.

#include "monitor/WinMonImuUnit.h"
#include "scene/SceneGL.h"
#include "support/PinGlDriver.h"

#include <QImage>
#include <QTest>
#include <QWidget>

// In a suite's initTestCase: the whole suite skips when no context can be made.
#define VANTOR_SKIP_WITHOUT_OPENGL()                                                               \
    if (!TsceneGL::OpenGLAvailable())                                                              \
    QSKIP("No OpenGL context can be made on this platform (run under xvfb-run -a); "               \
          "OpenGL tests skipped")

struct TPlateScene {
    // Declared in the order of their lifetimes: the scene goes first.
    QWidget panel;
    Tentity plate;
    Tlight light{2};
    TsceneGL scene;

    TPlateScene() {
        panel.resize(400, 300);
        BuildAttitudePlate(plate);
        plate.SetPosition(0, 0, -15);
        scene.entities.append(&plate);
        scene.lights.append(&light);
    }
    // Attaches the view and shows the panel; false when either fails.
    bool Show() {
        scene.AttachWindow(&panel);
        if (!scene.active)
            return false;
        panel.show();
        if (!QTest::qWaitForWindowExposed(&panel))
            return false;
        scene.ResizeView(400, 300);
        return true;
    }
    QImage Picture() { return scene.View()->grabFramebuffer(); }
};
