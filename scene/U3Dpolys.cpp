#include "scene/U3Dpolys.h"

#include <GL/gl.h>

tface::tface(Tentity* owner) : entity(owner) {}

void tface::SetColor(unsigned char pr, unsigned char pg, unsigned char pb) {
    r = pr;
    g = pg;
    b = pb;
}

Tvertex* tface::AddVertex(float px, float py, float pz, float pnx, float pny, float pnz) {
    auto vertex = std::make_unique<Tvertex>(this, pnx, pny, pnz);
    // Only the first near point is considered: a corner where faces of
    // different colours meet keeps one point per colour, so each face shows
    // its own colour right up to its edges.
    Tpoint* point = entity->FindPoint(px, py, pz);
    if (!point || point->r != r || point->g != g || point->b != b) {
        entity->points.push_back(std::make_unique<Tpoint>(px, py, pz));
        point = entity->points.back().get();
        point->r = r;
        point->g = g;
        point->b = b;
    }
    vertex->point = point;
    point->vertices.append(vertex.get());
    ++point->vertexcount;
    vertices.push_back(std::move(vertex));
    return vertices.back().get();
}

void tface::Draw() const {
    glBegin(GL_POLYGON);
    for (const auto& v : vertices) {
        glNormal3f(v->nx, v->ny, v->nz);
        glColor4ub(v->point->r, v->point->g, v->point->b, entity->alpha);
        glVertex3f(v->point->x, v->point->y, v->point->z);
    }
    glEnd();
}

void Tentity::SetColor(unsigned char pr, unsigned char pg, unsigned char pb) {
    r = pr;
    g = pg;
    b = pb;
}

void Tentity::SetPosition(float px, float py, float pz) {
    x = px;
    y = py;
    z = pz;
}

void Tentity::SetRotation(float pax, float pay, float paz) {
    ax = pax;
    ay = pay;
    az = paz;
}

tface* Tentity::AddFace() {
    faces.push_back(std::make_unique<tface>(this));
    tface* face = faces.back().get();
    face->SetColor(r, g, b);
    return face;
}

Tpoint* Tentity::FindPoint(float px, float py, float pz) const {
    for (const auto& p : points) {
        const float dx = p->x - px, dy = p->y - py, dz = p->z - pz;
        if (dx * dx + dy * dy + dz * dz < 0.0001f)
            return p.get();
    }
    return nullptr;
}

void Tentity::ApplyTransform() const {
    glTranslatef(x, y, z);
    glRotatef(ax, 1, 0, 0);
    glRotatef(ay, 0, 1, 0);
    glRotatef(az, 0, 0, 1);
}

void Tentity::Draw() const {
    glPushMatrix();
    const GLenum mode = drawmode == dmPoints ? GL_POINT : drawmode == dmLines ? GL_LINE : GL_FILL;
    glPolygonMode(GL_FRONT_AND_BACK, mode);
    ApplyTransform();
    for (const auto& f : faces)
        f->Draw();
    glPopMatrix();
}
