#pragma once
// Solid polygon models for the small fixed-function scene: an entity owns its
// faces and a pool of points; every corner (vertex) of a face refers to a
// point, shared with the other corners of the same entity that stand at
// (nearly) the same place and have the same colour. Drawing uses OpenGL 1.1
// immediate mode and expects a current context.

#include <QList>
#include <memory>
#include <vector>

class Tvertex;
class tface;
class Tentity;

// A position with a colour, shared by the corners that use it.
class Tpoint {
public:
    Tpoint(float px, float py, float pz) : x(px), y(py), z(pz) {}

    float x, y, z;
    unsigned char r = 128, g = 128, b = 128;
    unsigned char vertexcount = 0;
    QList<Tvertex*> vertices; // not owned
};

// One corner of a face: a normal and the shared point.
class Tvertex {
public:
    Tvertex(tface* owner, float pnx, float pny, float pnz)
        : nx(pnx), ny(pny), nz(pnz), face(owner) {}

    float nx, ny, nz; // as given, not normalised
    Tpoint* point = nullptr;
    tface* face;
};

// One flat polygon; corners counter-clockwise seen from outside.
class tface {
public:
    explicit tface(Tentity* owner);

    // Colour given to points created for this face from now on.
    void SetColor(unsigned char pr, unsigned char pg, unsigned char pb);
    // Adds a corner at (x, y, z) with the normal (nx, ny, nz), sharing a
    // point of the entity when the first near point has this face's colour.
    Tvertex* AddVertex(float px, float py, float pz, float pnx, float pny, float pnz);
    void Draw() const;

    std::vector<std::unique_ptr<Tvertex>> vertices;
    unsigned char r = 128, g = 128, b = 128;
    Tentity* entity;
};

// Draw modes of an entity.
enum : unsigned char { dmPoints = 0, dmLines = 1, dmFilled = 2 };

// One rigid model: faces, the point pool, colour, position and rotation.
class Tentity {
public:
    Tentity() = default;
    Tentity(const Tentity&) = delete;
    Tentity& operator=(const Tentity&) = delete;

    // Colour given to faces added from now on.
    void SetColor(unsigned char pr, unsigned char pg, unsigned char pb);
    void SetPosition(float px, float py, float pz);
    // Angles in degrees about X, Y and Z.
    void SetRotation(float pax, float pay, float paz);
    tface* AddFace();
    // The first point closer than 0.01 to (x, y, z), or nullptr.
    Tpoint* FindPoint(float px, float py, float pz) const;
    // Multiplies the current matrix by T(x, y, z) * Rx(ax) * Ry(ay) * Rz(az):
    // a model vertex is turned about Z, then Y, then X, then moved.
    void ApplyTransform() const;
    void Draw() const;

    std::vector<std::unique_ptr<tface>> faces;
    std::vector<std::unique_ptr<Tpoint>> points;
    unsigned char r = 128, g = 128, b = 128;
    unsigned char alpha = 255;
    float x = 0, y = 0, z = 0;
    float ax = 0, ay = 0, az = 0;
    unsigned char drawmode = dmFilled;
};
