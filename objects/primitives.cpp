// primitives.cpp -- the unit cube's face tables and the cube, inverted cube, square and point kinds.
#include "objects/primitives.h"

#include <GL/gl.h>

#include <algorithm>

#include "resources/material.h"

namespace qm {

namespace {

struct Corner {
    float x, y, z;
};
using Face = Corner[4];

// Every face of every set takes these texture coordinates, vertex by vertex. On the
// four side faces the texture's t = 0 edge lies at y = +1.
constexpr float kFaceTexCoords[4][2] = {{1, 0}, {0, 0}, {0, 1}, {1, 1}};

// Counter-clockwise seen from outside: z = +1, x = +1, z = -1, x = -1, y = +1, y = -1.
constexpr Face kOutsideFaces[6] = {
    {{1, 1, 1}, {-1, 1, 1}, {-1, -1, 1}, {1, -1, 1}},
    {{1, 1, -1}, {1, 1, 1}, {1, -1, 1}, {1, -1, -1}},
    {{-1, 1, -1}, {1, 1, -1}, {1, -1, -1}, {-1, -1, -1}},
    {{-1, 1, 1}, {-1, 1, -1}, {-1, -1, -1}, {-1, -1, 1}},
    {{1, 1, -1}, {-1, 1, -1}, {-1, 1, 1}, {1, 1, 1}},
    {{1, -1, 1}, {-1, -1, 1}, {-1, -1, -1}, {1, -1, -1}},
};

// Counter-clockwise seen from inside: z = -1, x = -1, z = +1, x = +1, y = -1, y = +1.
constexpr Face kInsideFaces[6] = {
    {{1, 1, -1}, {-1, 1, -1}, {-1, -1, -1}, {1, -1, -1}},
    {{-1, 1, -1}, {-1, 1, 1}, {-1, -1, 1}, {-1, -1, -1}},
    {{-1, 1, 1}, {1, 1, 1}, {1, -1, 1}, {-1, -1, 1}},
    {{1, 1, 1}, {1, 1, -1}, {1, -1, -1}, {1, -1, 1}},
    {{1, -1, -1}, {-1, -1, -1}, {-1, -1, 1}, {1, -1, 1}},
    {{1, 1, 1}, {-1, 1, 1}, {-1, 1, -1}, {1, 1, -1}},
};

void emitFace(const Face& face) {
    for (int v = 0; v < 4; ++v) {
        glTexCoord2f(kFaceTexCoords[v][0], kFaceTexCoords[v][1]);
        glVertex3f(face[v].x, face[v].y, face[v].z);
    }
}

// The cube kinds' materials by trigger code: 0 clouds, 1 blue, other codes keep it.
const Material* cubeMaterialFor(MaterialLibrary& materials, int code, const Material* current) {
    switch (code) {
        case 0:
            return materials.find("clouds");
        case 1:
            return materials.find("blue");
        default:
            return current;
    }
}

}  // namespace

void drawCubeFaces(bool drawn) {
    if (!drawn) {  // a fast-forward step sends no vertices, only what they leave current
        glTexCoord2f(1, 1);
        return;
    }
    glBegin(GL_QUADS);
    for (const Face& face : kOutsideFaces) emitFace(face);
    glEnd();
}

void drawCubeEdges(bool drawn) {
    if (!drawn) {  // a fast-forward step sends no vertices, only what they leave current
        glTexCoord2f(1, 1);
        return;
    }
    for (const Face& face : kOutsideFaces) {
        glBegin(GL_LINE_STRIP);
        emitFace(face);
        glEnd();
    }
}

void drawInvertedCubeFaces(bool drawn) {
    drawInvertedCubeFaceRange(0, 6, drawn);
}

void drawInvertedCubeFaceRange(int first, int count, bool drawn) {
    if (!drawn) {  // a fast-forward step sends no vertices, only what they leave current
        if (std::max(first, 0) < std::min(first + count, 6)) glTexCoord2f(1, 1);
        return;
    }
    glBegin(GL_QUADS);
    for (int f = first; f < first + count; ++f)
        if (f >= 0 && f < 6) emitFace(kInsideFaces[f]);
    glEnd();
}

void Cube::init() {
    material = kinds_.materials.find("clouds");
    position.z = -3;
    rotating = true;
}

void Cube::draw(const FrameContext& frame) {
    if (!material) return;  // not attached yet
    glDisable(GL_LIGHTING);
    // Deliberately left on afterwards: what the frame draws next without setting
    // its own blend state is added onto the picture too.
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    material->apply();
    drawCubeFaces(frame.drawn);
    drawCubeEdges(frame.drawn);
}

// The word is one material name as it stands, commas included.
void Cube::load(std::string_view text) {
    material = kinds_.materials.find(text);
}

void Cube::trigger(int code) {
    material = cubeMaterialFor(kinds_.materials, code, material);
}

void InvCube::init() {
    material = kinds_.materials.find("clouds");
    position.z = -3;
    rotating = true;
}

void InvCube::draw(const FrameContext& frame) {
    if (!material) return;  // not attached yet
    glDisable(GL_LIGHTING);
    // Blending and culling stay as the frame has them: with back faces culled only
    // the far inner faces show from outside.
    material->apply();
    drawInvertedCubeFaces(frame.drawn);
}

void InvCube::load(std::string_view text) {
    material = kinds_.materials.find(text);
}

void InvCube::trigger(int code) {
    material = cubeMaterialFor(kinds_.materials, code, material);
}

void Square::init() {
    material = kinds_.materials.find("clouds");
}

void Square::draw(const FrameContext& frame) {
    if (!material) return;  // not attached yet
    material->apply();
    if (!frame.drawn) {  // a fast-forward step sends no vertices, only what they leave current
        glNormal3f(0, 0, 1);
        glTexCoord2f(0, 0);
        return;
    }
    glBegin(GL_QUADS);
    glNormal3f(0, 0, 1);
    glTexCoord2f(0, 1);
    glVertex3i(-1, -1, 0);
    glTexCoord2f(1, 1);
    glVertex3i(1, -1, 0);
    glTexCoord2f(1, 0);
    glVertex3i(1, 1, 0);
    glTexCoord2f(0, 0);
    glVertex3i(-1, 1, 0);
    glEnd();
}

void Square::load(std::string_view text) {
    material = kinds_.materials.find(text);
}

}  // namespace qm
