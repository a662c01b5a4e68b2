#include "scene/SceneGL.h"

#include <GL/glu.h>
#include <QGuiApplication>
#include <QLabel>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QPaintEvent>
#include <QPainter>
#include <QVBoxLayout>
#include <algorithm>
#include <cfenv>
#include <cmath>

#ifndef GL_PACK_INVERT_MESA
#define GL_PACK_INVERT_MESA 0x8758
#endif

namespace {
// Floating-point traps stay masked in this process: the OpenGL driver and a
// degenerate projection (a view of zero height) must give infinities, not a
// signal. Done once, when the first scene is made.
void MaskFloatingPointTraps() {
    static const bool done = [] {
#if defined(__GLIBC__)
        fedisableexcept(FE_ALL_EXCEPT);
#endif
        fesetround(FE_TONEAREST);
        return true;
    }();
    (void)done;
}

// Saves the floating-point environment with every trap masked, and restores
// it (pending exceptions cleared) when it goes out of scope.
class TMaskedFloatingPoint {
public:
    TMaskedFloatingPoint() { feholdexcept(&m_saved); }
    ~TMaskedFloatingPoint() {
        feclearexcept(FE_ALL_EXCEPT);
        fesetenv(&m_saved);
    }

private:
    fenv_t m_saved;
};

QSurfaceFormat SceneFormat() {
    QSurfaceFormat f;
    f.setRenderableType(QSurfaceFormat::OpenGL);
    f.setProfile(QSurfaceFormat::CompatibilityProfile);
    f.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    f.setRedBufferSize(8);
    f.setGreenBufferSize(8);
    f.setBlueBufferSize(8);
    f.setDepthBufferSize(24);
    return f;
}
} // namespace

// --- TsceneView ---

namespace {
// Makes the scene's context current on its surface and gives back the one
// that was current before.
class TCurrent {
public:
    TCurrent(QOpenGLContext& context, QOffscreenSurface& surface)
        : m_before(QOpenGLContext::currentContext()),
          m_beforeSurface(m_before ? m_before->surface() : nullptr) {
        m_ok = context.makeCurrent(&surface);
    }
    ~TCurrent() {
        if (m_before && m_beforeSurface)
            m_before->makeCurrent(m_beforeSurface);
        else if (QOpenGLContext* now = QOpenGLContext::currentContext())
            now->doneCurrent();
    }
    bool Ok() const { return m_ok; }

private:
    QOpenGLContext* m_before;
    QSurface* m_beforeSurface;
    bool m_ok = false;
};
} // namespace

TsceneView::TsceneView(TsceneGL* scene, QWidget* parent)
    : QWidget(parent), m_scene(scene), m_context(std::make_unique<QOpenGLContext>()),
      m_surface(std::make_unique<QOffscreenSurface>()) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_context->setFormat(SceneFormat());
    m_context->create();
    m_surface->setFormat(m_context->format());
    m_surface->create();
}

TsceneView::~TsceneView() {
    TCurrent current(*m_context, *m_surface);
    m_fbo.reset(); // released while its context is current
}

void TsceneView::Invalidate(bool whole) {
    m_stale = true;
    m_whole = m_whole || whole;
    // A new attitude is drawn at once, so that its repaint joins the one the
    // caller's other widgets asked for (one flush to the screen, not two). A
    // change of projection follows a change of size: the paint draws it once
    // the size is settled.
    if (whole)
        update();
    else if (isVisible())
        ShowChanged(Draw());
}

QImage TsceneView::grabFramebuffer() {
    Draw();
    return m_picture;
}

void TsceneView::paintEvent(QPaintEvent* event) {
    const QRect changed = Draw();
    // Only the part asked for: the rest of the picture is on the screen.
    QPainter painter(this);
    const QRect part = event->rect();
    const qreal ratio = devicePixelRatioF();
    painter.drawImage(part, m_picture,
                      QRectF(QPointF(part.topLeft()) * ratio, QSizeF(part.size()) * ratio));
    if (!part.contains(LogicalRect(changed)))
        ShowChanged(changed);
}

void TsceneView::resizeEvent(QResizeEvent*) {
    m_stale = true;
    m_whole = true;
}

QRect TsceneView::LogicalRect(const QRect& device) const {
    const qreal ratio = devicePixelRatioF();
    return QRectF(QPointF(device.topLeft()) / ratio, QSizeF(device.size()) / ratio).toAlignedRect();
}

void TsceneView::ShowChanged(const QRect& device) {
    if (!device.isEmpty())
        update(LogicalRect(device));
}

QRect TsceneView::Draw() {
    const QSize size = (QSizeF(this->size()) * devicePixelRatioF()).toSize();
    if (!m_stale && m_picture.size() == size)
        return {};
    const QRect all(QPoint(0, 0), size);
    QVector<float> key = SceneKey();
    bool whole = m_whole || !m_rendered || m_picture.size() != size || key != m_key;
    m_stale = false;
    m_whole = false;
    m_key = std::move(key);
    const bool valid = m_context->isValid() && m_surface->isValid();
    if (!m_scene->m_drawn || size.isEmpty() || !valid) {
        // Before the first Redraw: the window's plain background.
        m_picture = QImage(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
        m_picture.fill(parentWidget() ? parentWidget()->palette().color(QPalette::Window)
                                      : QColor(Qt::black));
        m_picture.setDevicePixelRatio(devicePixelRatioF());
        m_rendered = false;
        return all;
    }
    TCurrent current(*m_context, *m_surface);
    if (!current.Ok())
        return {};
    if (!m_fbo || m_fbo->size() != size) {
        m_fbo.reset();
        m_fbo = std::make_unique<QOpenGLFramebufferObject>(size, QOpenGLFramebufferObject::Depth);
    }
    m_fbo->bind();
    if (!m_initialised) {
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_CULL_FACE);
        glEnable(GL_LIGHTING);
        m_initialised = true;
    }
    // Only the entities move between two drawings with the same key: the
    // picture changes within where they were and where they are now, and
    // only that part is drawn and read.
    {
        TMaskedFloatingPoint masked;
        m_scene->ApplyProjection();
    }
    QRect shape;
    const bool known = ShapeRect(size, shape);
    whole = whole || !known || !m_shapeKnown;
    const QRect changed = whole ? all : (shape | m_shape) & all;
    m_shape = shape;
    m_shapeKnown = known;
    if (!changed.isEmpty()) {
        if (!whole) {
            glEnable(GL_SCISSOR_TEST);
            glScissor(changed.x(), size.height() - 1 - changed.bottom(), changed.width(),
                      changed.height());
        }
        m_scene->Render();
        glDisable(GL_SCISSOR_TEST);
        ReadPicture(size, changed);
    }
    m_rendered = true;
    m_fbo->release();
    return changed;
}

QVector<float> TsceneView::SceneKey() const {
    // Whatever lights or fills the whole picture: background, projection and
    // the lights. The camera and the entities show in where they project.
    const TsceneGL& s = *m_scene;
    QVector<float> key = {s.background[0], s.background[1], s.background[2], float(s.perspective),
                          s.fov,           s.nearplane,     s.farplane};
    for (const Tlight* l : s.lights) {
        key << float(l->lightid) << float(l->kind) << l->spotcutoff << l->spotexponent
            << l->attenuation << float(l->attenuationkind) << l->sourcepoint.x << l->sourcepoint.y
            << l->sourcepoint.z << l->source.nx << l->source.ny << l->source.nz;
        for (int i = 0; i < 4; ++i)
            key << l->ambient[i] << l->diffuse[i] << l->specular[i];
    }
    return key;
}

bool TsceneView::ShapeRect(QSize size, QRect& rect) const {
    // The entities' points through the matrices Render uses; a polygon lies
    // within the box of its corners once every corner is inside the depth
    // range. A point outside it (behind the eye) makes the shape unknown.
    TMaskedFloatingPoint masked;
    GLdouble projection[16], modelview[16];
    GLint viewport[4];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    glMatrixMode(GL_MODELVIEW);
    double left = 1e300, right = -1e300, bottom = 1e300, top = -1e300;
    for (const Tentity* entity : m_scene->entities) {
        glPushMatrix();
        glLoadIdentity();
        m_scene->camera->Apply();
        entity->ApplyTransform();
        glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
        glPopMatrix();
        for (const auto& p : entity->points) {
            GLdouble wx, wy, wz;
            if (!gluProject(p->x, p->y, p->z, modelview, projection, viewport, &wx, &wy, &wz) ||
                !(wz >= 0 && wz <= 1) || !std::isfinite(wx) || !std::isfinite(wy))
                return false;
            left = std::min(left, wx);
            right = std::max(right, wx);
            bottom = std::min(bottom, wy);
            top = std::max(top, wy);
        }
    }
    if (left > right) {
        rect = QRect(); // nothing drawn
        return true;
    }
    // Rows from the top; a margin for the rasteriser's rounding.
    constexpr double Margin = 2;
    const QRectF box(QPointF(left - Margin, size.height() - top - Margin),
                     QPointF(right + Margin, size.height() - bottom + Margin));
    if (!(box.width() < 4.0 * size.width() && box.height() < 4.0 * size.height()))
        return false;
    rect = box.toAlignedRect() & QRect(QPoint(0, 0), size);
    return true;
}

void TsceneView::ReadPicture(QSize size, QRect rect) {
    // Read in the window system's own pixel layout (32-bit BGRA words), which
    // the paint copies to the backing store as it is; a picture in the
    // framebuffer's RGBA order would be converted again at every paint, on
    // the toolkit's worker threads. OpenGL gives the bottom row first; Mesa
    // turns the rows round while reading when asked to, so a part can be
    // read straight into its place. Elsewhere the whole picture is read and
    // turned afterwards.
    if (m_picture.size() != size || m_picture.format() != QImage::Format_RGB32) {
        m_picture = QImage(size, QImage::Format_RGB32);
        rect = QRect(QPoint(0, 0), size);
    }
    static const bool packInvert = [] {
        const QOpenGLContext* c = QOpenGLContext::currentContext();
        return c && c->hasExtension(QByteArrayLiteral("GL_MESA_pack_invert"));
    }();
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    if (packInvert) {
        glPixelStorei(GL_PACK_ROW_LENGTH, size.width());
        glPixelStorei(GL_PACK_INVERT_MESA, GL_TRUE);
        glReadPixels(rect.x(), size.height() - 1 - rect.bottom(), rect.width(), rect.height(),
                     GL_BGRA, GL_UNSIGNED_BYTE, m_picture.scanLine(rect.top()) + 4 * rect.x());
        glPixelStorei(GL_PACK_INVERT_MESA, GL_FALSE);
        glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    } else {
        glReadPixels(0, 0, size.width(), size.height(), GL_BGRA, GL_UNSIGNED_BYTE,
                     m_picture.bits());
        m_picture.mirror();
    }
    m_picture.setDevicePixelRatio(devicePixelRatioF());
}

// --- Tcamera ---

void Tcamera::SetPosition(double px, double py, double pz) {
    position[0] = px;
    position[1] = py;
    position[2] = pz;
}

void Tcamera::SetTarget(double px, double py, double pz) {
    target[0] = px;
    target[1] = py;
    target[2] = pz;
}

void Tcamera::SetUp(double px, double py, double pz) {
    up[0] = px;
    up[1] = py;
    up[2] = pz;
}

void Tcamera::Apply() const {
    gluLookAt(position[0], position[1], position[2], target[0], target[1], target[2], up[0], up[1],
              up[2]);
}

// --- Tlight ---

Tlight::Tlight(int number) {
    if (number >= 1 && number <= 8)
        lightid = GL_LIGHT0 + number - 1;
    source.point = &sourcepoint;
}

void Tlight::SetAmbient(float pr, float pg, float pb, float pa) {
    ambient[0] = pr;
    ambient[1] = pg;
    ambient[2] = pb;
    ambient[3] = pa;
}

void Tlight::SetDiffuse(float pr, float pg, float pb, float pa) {
    diffuse[0] = pr;
    diffuse[1] = pg;
    diffuse[2] = pb;
    diffuse[3] = pa;
}

void Tlight::SetSpecular(float pr, float pg, float pb, float pa) {
    specular[0] = pr;
    specular[1] = pg;
    specular[2] = pb;
    specular[3] = pa;
}

void Tlight::Apply() const {
    if (lightid == 0)
        return;
    // A light without position keeps OpenGL's default (0, 0, 1, 0): it
    // shines from the viewer along the line of sight.
    if (kind != lkDirectionless) {
        const GLfloat pos[4] = {sourcepoint.x, sourcepoint.y, sourcepoint.z, 1};
        const GLfloat dir[4] = {source.nx, source.ny, source.nz, 1};
        if (kind == lkSpot) {
            glLightf(lightid, GL_SPOT_CUTOFF, spotcutoff);
            glLightf(lightid, GL_SPOT_EXPONENT, spotexponent);
            glLightfv(lightid, GL_SPOT_DIRECTION, dir);
        }
        glLightfv(lightid, GL_POSITION, pos);
    }
    glLightfv(lightid, GL_AMBIENT, ambient);
    glLightfv(lightid, GL_DIFFUSE, diffuse);
    glLightfv(lightid, GL_SPECULAR, specular);
    switch (attenuationkind) {
    case akConstant:
        glLightf(lightid, GL_CONSTANT_ATTENUATION, attenuation);
        break;
    case akLinear:
        glLightf(lightid, GL_LINEAR_ATTENUATION, attenuation);
        break;
    case akQuadratic:
        glLightf(lightid, GL_QUADRATIC_ATTENUATION, attenuation);
        break;
    default:
        break;
    }
    glEnable(lightid);
}

// --- TsceneGL ---

TsceneGL::TsceneGL() {
    MaskFloatingPointTraps();
    cameras.push_back(std::make_unique<Tcamera>());
    camera = cameras.front().get();
}

TsceneGL::~TsceneGL() {
    DetachWindow();
}

bool TsceneGL::OpenGLAvailable() {
    static const bool available = [] {
        // The offscreen and minimal platforms have no window-system OpenGL;
        // a GL widget there fails inside the backing store.
        const QString platform = QGuiApplication::platformName();
        if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal"))
            return false;
        // Mesa's software renderer rasterises on a thread per core and waits
        // for all of them at every frame. The view's few polygons in a part
        // of a small picture take less time to draw than to hand over, so it
        // draws on the calling thread unless the operator says otherwise.
        // Read once, when the first context is made; other drivers ignore it.
        if (!qEnvironmentVariableIsSet("LP_NUM_THREADS"))
            qputenv("LP_NUM_THREADS", "0");
        QOpenGLContext context;
        context.setFormat(SceneFormat());
        if (!context.create())
            return false;
        QOffscreenSurface surface;
        surface.setFormat(context.format());
        surface.create();
        const bool ok = surface.isValid() && context.makeCurrent(&surface);
        if (ok)
            context.doneCurrent();
        return ok;
    }();
    return available;
}

void TsceneGL::AttachWindow(QWidget* window) {
    if (active || !window)
        return;
    auto* layout = window->layout();
    if (!layout) {
        layout = new QVBoxLayout(window);
        layout->setContentsMargins(0, 0, 0, 0);
    }
    if (!OpenGLAvailable()) {
        auto* note = new QLabel(QStringLiteral("Трёхмерный вид недоступен: нет OpenGL"), window);
        note->setAlignment(Qt::AlignCenter);
        layout->addWidget(note);
        return;
    }
    m_view = new TsceneView(this, window);
    layout->addWidget(m_view);
    m_view->show();
    active = true;
}

void TsceneGL::ResizeView(int w, int h) {
    m_width = w;
    m_height = h;
    m_sized = true;
    if (m_view)
        m_view->Invalidate(true);
}

void TsceneGL::ApplyProjection() const {
    if (!m_sized)
        return;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    const double w = m_width, h = m_height;
    if (perspective) {
        gluPerspective(fov, w / h, nearplane, farplane);
    } else {
        const double half = 12, depth = half * 4;
        if (h < w)
            glOrtho(-half * w / h, half * w / h, -half, half, -depth, depth);
        else
            glOrtho(-half, half, -half * h / w, half * h / w, -depth, depth);
    }
    // The viewport is in device pixels; the size is given in widget pixels.
    const qreal ratio = m_view ? m_view->devicePixelRatioF() : 1.0;
    glViewport(0, 0, qRound(m_width * ratio), qRound(m_height * ratio));
}

void TsceneGL::Redraw() {
    if (!active || !m_view)
        return;
    m_drawn = true;
    m_view->Invalidate(false);
}

void TsceneGL::Render() {
    TMaskedFloatingPoint masked;
    ApplyProjection();
    glMatrixMode(GL_MODELVIEW);
    const GLfloat noAmbient[4] = {0, 0, 0, 0};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, noAmbient);
    glLoadIdentity();
    camera->Apply();
    for (const Tlight* light : lights)
        light->Apply(); // positioned in eye space, after the camera
    glClearColor(background[0], background[1], background[2], 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_COLOR_MATERIAL);
    glDisable(GL_FOG);
    for (const Tentity* entity : entities)
        entity->Draw();
}

void TsceneGL::DetachWindow() {
    delete m_view.data();
    m_view = nullptr;
    active = false;
}

TsceneView* TsceneGL::View() const {
    return m_view;
}
