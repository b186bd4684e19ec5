// primitives.h -- cube, inverted cube, square and point, and the unit cube's three face sets.
#pragma once

#include "objects/kinds.h"
#include "scene/scene_object.h"

namespace qm {

class Material;

// The unit cube (corners at +-1), each face with texture coordinates (1, 0),
// (0, 0), (0, 1), (1, 1) on its four vertices and no normals. Each call emits its
// own glBegin/glEnd pairs and sets no other state. In a frame that is not drawn
// they send no vertex, only the texture coordinate the faces leave current.

// The six faces wound counter-clockwise seen from outside, as one GL_QUADS batch.
void drawCubeFaces(bool drawn);
// The same faces as one open GL_LINE_STRIP each: a face's fourth vertex is not
// joined back to its first.
void drawCubeEdges(bool drawn);
// The six faces wound counter-clockwise seen from inside, as one GL_QUADS batch.
void drawInvertedCubeFaces(bool drawn);
// `count` faces of drawInvertedCubeFaces from face `first` (order: z = -1, x = -1,
// z = +1, x = +1, y = -1, y = +1) as one GL_QUADS batch; out-of-range faces are skipped.
void drawInvertedCubeFaceRange(int first, int count, bool drawn);

inline constexpr int kInvertedFaceTop = 5;  // the y = +1 face of the inverted set

// A textured cube drawn additively, faces and then edges.
class Cube : public SceneObject {
public:
    explicit Cube(KindContext& kinds) : kinds_(kinds) {}

    void init() override;
    void draw(const FrameContext& frame) override;
    void update(const FrameContext&) override {}
    void load(std::string_view text) override;
    void trigger(int code) override;

    const Material* material = nullptr;  // borrowed from the material library

private:
    KindContext& kinds_;
};

// A cube seen from inside: from outside only its far inner faces show.
class InvCube : public SceneObject {
public:
    explicit InvCube(KindContext& kinds) : kinds_(kinds) {}

    void init() override;
    void draw(const FrameContext& frame) override;
    void update(const FrameContext&) override {}
    void load(std::string_view text) override;
    void trigger(int code) override;

    const Material* material = nullptr;  // borrowed from the material library

private:
    KindContext& kinds_;
};

// A flat textured square in the plane z = 0, 2 units across.
class Square : public SceneObject {
public:
    explicit Square(KindContext& kinds) : kinds_(kinds) {}

    void init() override;
    void draw(const FrameContext& frame) override;
    void update(const FrameContext&) override {}
    void load(std::string_view text) override;
    void trigger(int) override {}

    const Material* material = nullptr;  // borrowed from the material library

private:
    KindContext& kinds_;
};

// Draws nothing: a placement, a parent for other objects, a look-at target.
class Point : public SceneObject {
public:
    void draw(const FrameContext&) override {}
    void update(const FrameContext&) override {}
    void load(std::string_view) override {}
    void trigger(int) override {}
};

}  // namespace qm
