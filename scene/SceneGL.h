#pragma once
// The scene: entities and lights drawn with fixed-function OpenGL 1.1 and GLU
// through a camera, into a view attached to an ordinary child widget. The
// scene does not own its entities and lights (their creator frees them); it
// owns its cameras and the view it attaches.

#include "scene/U3Dpolys.h"

#include <GL/gl.h>
#include <QImage>
#include <QList>
#include <QPointer>
#include <QVector>
#include <QWidget>
#include <memory>
#include <vector>

class QOffscreenSurface;
class QOpenGLContext;
class QOpenGLFramebufferObject;

// Eye, target and up vector, applied with gluLookAt.
class Tcamera {
public:
    void SetPosition(double px, double py, double pz);
    void SetTarget(double px, double py, double pz);
    void SetUp(double px, double py, double pz);
    void Apply() const;

    double position[3] = {0, 0, 0};
    double target[3] = {0, 0, -100};
    double up[3] = {0, 1, 0};
};

// Light kinds and attenuation kinds.
enum { lkPositional = 0, lkSpot = 1, lkDirectionless = 2 };
enum { akConstant = 1, akLinear = 2, akQuadratic = 3 };

// One OpenGL light; numbers 1 to 8 map to GL_LIGHT0..GL_LIGHT7. Any other
// number gets no light name and Apply does nothing.
class Tlight {
public:
    explicit Tlight(int number);

    void SetAmbient(float pr, float pg, float pb, float pa);
    void SetDiffuse(float pr, float pg, float pb, float pa);
    void SetSpecular(float pr, float pg, float pb, float pa);
    void Apply() const;

    // The point gives the position, the vertex normal the spot direction.
    Tpoint sourcepoint{0, 0, 0};
    Tvertex source{nullptr, 0, 0, 0};
    float ambient[4] = {0.5f, 0.5f, 0.5f, 1.0f};
    float diffuse[4] = {0.25f, 0.25f, 0.25f, 1.0f};
    float specular[4] = {0.1f, 0.1f, 0.1f, 1.0f};
    GLenum lightid = 0; // 0 when the number was out of range
    int kind = lkDirectionless;
    float spotcutoff = 60.0f;
    float spotexponent = 100.0f;
    float attenuation = 0.01f;
    int attenuationkind = akLinear;
};

class TsceneGL;

// The widget that shows a scene. The scene is drawn with a context of its own
// into a framebuffer object and read back into a picture that an ordinary
// paint shows: a GL child widget would make the whole top-level window
// compose through OpenGL, which a software renderer pays for on every repaint
// of any widget in it. The scene is drawn again only after the scene's Redraw
// or ResizeView or a change of size; other repaints show the kept picture.
class TsceneView : public QWidget {
public:
    TsceneView(TsceneGL* scene, QWidget* parent);
    ~TsceneView() override;

    // The scene changed: only the part that changed is drawn and repainted;
    // `whole` when the projection changed (drawn at the next paint).
    void Invalidate(bool whole);
    // The picture as it stands (device pixels), drawn first when stale.
    QImage grabFramebuffer();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Draws when stale; returns the part of the picture that changed
    // (device pixels, rows from the top).
    QRect Draw();
    void ReadPicture(QSize size, QRect rect); // from the bound framebuffer
    // Where the entities lie in the picture just drawn; false when that
    // cannot be told (a point behind the eye).
    bool ShapeRect(QSize size, QRect& rect) const;
    QVector<float> SceneKey() const;
    QRect LogicalRect(const QRect& device) const;
    void ShowChanged(const QRect& device);

    TsceneGL* m_scene;
    std::unique_ptr<QOpenGLContext> m_context;
    std::unique_ptr<QOffscreenSurface> m_surface;
    std::unique_ptr<QOpenGLFramebufferObject> m_fbo;
    QImage m_picture;
    QVector<float> m_key; // SceneKey at the last drawing
    QRect m_shape;        // ShapeRect at the last drawing
    bool m_shapeKnown = false;
    bool m_rendered = false; // the picture holds a drawing of the scene
    bool m_initialised = false;
    bool m_stale = true;
    bool m_whole = true;
};

class TsceneGL {
public:
    TsceneGL();
    ~TsceneGL();
    TsceneGL(const TsceneGL&) = delete;
    TsceneGL& operator=(const TsceneGL&) = delete;

    // Puts an OpenGL view into `window` (filling it) and marks the scene
    // active. Where no OpenGL context can be made (no display, the offscreen
    // platform) the window shows a short note instead and the scene stays
    // inactive.
    void AttachWindow(QWidget* window);
    // Sets the projection and viewport for a view of w x h pixels; kept until
    // the next call (nothing calls it when the window changes size).
    void ResizeView(int w, int h);
    // Draws the scene again (the view repaints on the next event loop pass;
    // nothing is drawn while the view is hidden). Does nothing while inactive.
    void Redraw();
    // Removes the view and releases its context.
    void DetachWindow();

    // The drawing itself, for a current context: projection, camera, lights,
    // clear, entities; floating-point traps masked throughout. The view's
    // paint runs it.
    void Render();
    // Projection and viewport as the last ResizeView set them.
    void ApplyProjection() const;

    // The attached view (null when inactive).
    TsceneView* View() const;
    // Whether this process can make an OpenGL context at all.
    static bool OpenGLAvailable();

    QList<Tentity*> entities; // not owned, drawn in list order
    QList<Tlight*> lights;    // not owned, applied in list order
    std::vector<std::unique_ptr<Tcamera>> cameras;
    Tcamera* camera; // the current camera, one of `cameras`
    bool active = false;
    bool perspective = true;
    float fov = 30.0f;
    float nearplane = 1.0f;
    float farplane = 100.0f;
    float background[3] = {0, 0, 0};

private:
    friend class TsceneView;
    QPointer<TsceneView> m_view;
    int m_width = 0;
    int m_height = 0;
    bool m_sized = false;
    bool m_drawn = false; // a Redraw came; before it the view shows its window's plain background
};
