// floor.cpp -- the rippling floor: integer wave steps on a torus-wrapped grid, drawn as quad strips.
#include "objects/floor.h"

#include <GL/gl.h>

#include <cmath>
#include <utility>

#include "base/frame_clock.h"
#include "resources/material.h"
#include "script/token_line.h"

namespace qm {

namespace {

constexpr int kGrid = ChessFloor::kGrid;

int wrap(int index) {
    return (index + kGrid) % kGrid;
}

// Truncation toward zero, as the wave rule wants; values far beyond any real
// ripple are held at a bound so that the conversion is always defined.
int truncate(double value) {
    constexpr double kBound = 1 << 30;
    if (!(value < kBound)) return value != value ? 0 : static_cast<int>(kBound);
    if (value < -kBound) return -static_cast<int>(kBound);
    return static_cast<int>(value);
}

}  // namespace

void ChessFloor::init() {
    previous.assign(kGrid * kGrid, Vec3{});
    current.assign(kGrid * kGrid, Vec3{});
    for (int i = 0; i < kGrid; ++i)
        for (int j = 0; j < kGrid; ++j) {
            const Vec3 flat{static_cast<float>((i - 37) * 5), static_cast<float>((j - 37) * 5), 0};
            currentPoint(i, j) = flat;
            previousPoint(i, j) = flat;
        }
    vertices.assign(kGrid * kStripVertices, NormalVertex{});
    for (NormalVertex& v : vertices) v.nz = 1;
    copyPositions();
    dropActive = false;
    dropTime = 0;
    texOffsetU = texOffsetV = 0;
    scrollU = scrollV = 2.0f;
}

void ChessFloor::load(std::string_view text) {
    TokenLine items;
    items.splitList(text);
    material = kinds_.materials.find(items.word(0));
}

void ChessFloor::trigger(int code) {
    switch (code) {
        case 0:
        case 1:  // a drop at the grid centre
            dropActive = true;
            dropTime = kinds_.clock.now;
            dropRow = 37;
            dropColumn = 37;
            break;
        case 2:
            scrollU = 2, scrollV = 2;
            break;
        case 3:
            scrollU = 0, scrollV = 2;
            break;
        case 4:
            scrollU = 2, scrollV = 0;
            break;
        case 5:
            scrollU = -2, scrollV = 2;
            break;
        case 6:
            scrollU = 0, scrollV = 0;
            break;
        case 7:
            scrollU = -2, scrollV = -2;
            break;
        default:
            break;
    }
}

void ChessFloor::update(const FrameContext& frame) {
    if (current.size() != kGrid * kGrid) return;  // not attached yet
    texOffsetU = static_cast<float>(texOffsetU + scrollU * frame.delta);
    texOffsetV = static_cast<float>(texOffsetV + scrollV * frame.delta);

    // The drop is pressed in again in every update for 0.15 s, so its depth grows
    // with the frame rate.
    if (dropActive && frame.now - dropTime < kDropSeconds) {
        for (auto [di, dj] : {std::pair{0, 0}, {-1, -1}, {-1, 1}, {1, -1}, {1, 1}})
            currentPoint(wrap(dropRow + di), wrap(dropColumn + dj)).z -= 20;
    } else {
        dropActive = false;
    }

    stepWave(frame.delta);
    computeNormals();  // from the heights before this step's wave
    copyPositions();
    std::swap(previous, current);
}

void ChessFloor::stepWave(double delta) {
    for (int i = 0; i < kGrid; ++i) {
        for (int j = 0; j < kGrid; ++j) {
            const float sum = currentPoint(wrap(i - 1), j).z + currentPoint(i, wrap(j + 1)).z +
                              currentPoint(i, wrap(j - 1)).z + currentPoint(wrap(i + 1), j).z;
            Vec3& out = previousPoint(i, j);
            const int m = truncate(sum * 0.5 - out.z);
            out.z = static_cast<float>(truncate(m * (1 - m * delta * 0.0000001)));
        }
    }
}

void ChessFloor::computeNormals() {
    for (int s = 0; s < kGrid; ++s) {
        for (int k = 0; k < kGrid; ++k) {
            Vec3 normal{0, 0, 1};
            if (s != 0 && s != kGrid - 1 && k != 0 && k != kGrid - 1) {
                const Vec3& p = currentPoint(k + 1, s + 1);
                const Vec3& q = currentPoint(k - 1, s - 1);
                const Vec3& r = currentPoint(k + 1, s - 1);
                const Vec3 d1{p.x - q.x, p.y - q.y, p.z - q.z};
                const Vec3 d2{r.x - p.x, r.y - p.y, r.z - p.z};
                const Vec3 n{d2.y * d1.z - d2.z * d1.y, d2.z * d1.x - d2.x * d1.z, d2.x * d1.y - d2.y * d1.x};
                const float length = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
                normal = {n.x / length, n.y / length, n.z / length};
            }
            for (int v = 0; v < 2; ++v) {
                NormalVertex& out = vertices[s * kStripVertices + 2 * k + v];
                out.nx = normal.x;
                out.ny = normal.y;
                out.nz = normal.z;
            }
        }
    }
}

void ChessFloor::copyPositions() {
    // Strip s joins column s + 1 (even vertices) and column s (odd vertices).
    for (int s = 0; s < kDrawnStrips; ++s) {
        for (int k = 0; k < kGrid; ++k) {
            const Vec3& upper = currentPoint(k, s + 1);
            const Vec3& lower = currentPoint(k, s);
            NormalVertex& a = vertices[s * kStripVertices + 2 * k];
            NormalVertex& b = vertices[s * kStripVertices + 2 * k + 1];
            a.x = upper.x, a.y = upper.y, a.z = upper.z;
            b.x = lower.x, b.y = lower.y, b.z = lower.z;
        }
    }
}

void ChessFloor::draw(const FrameContext& frame) {
    if (vertices.empty()) return;
    glEnable(GL_LIGHTING);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glEnable(GL_TEXTURE_2D);
    glColor3f(1, 1, 1);
    glPushMatrix();
    glRotatef(-90, 1, 0, 0);  // the grid's x-y plane lies horizontal, heights up

    // A point light fixed to the floor.
    const float ambient[] = {0.1f, 0.1f, 0.2f, 1.0f};
    const float diffuse[] = {0.9f, 0.8f, 0.8f, 1.0f};
    const float position[] = {400, 400, 600, 1};
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glEnable(GL_LIGHT0);
    glDisable(GL_LIGHT1);

    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
    // Before a "load" line names one, the floor draws with the library's first material.
    (material ? material : &kinds_.materials.head())->apply();
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_OBJECT_LINEAR);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_OBJECT_LINEAR);

    glMatrixMode(GL_TEXTURE);
    glPushMatrix();
    glTranslatef(texOffsetU, texOffsetV, 0);
    glScalef(0.07f, 0.07f, 1);

    glInterleavedArrays(GL_N3F_V3F, 0, vertices.data());
    if (frame.drawn)  // a fast-forward step keeps the GL state changes, not the vertices
        for (int s = 0; s < kDrawnStrips; ++s)
            glDrawArrays(GL_QUAD_STRIP, s * kStripVertices, kStripVertices);

    // The flat border out to 800 units across; its inner edge meets the grid. Its
    // normal stays current, also after a fast-forward step, which sends no vertices.
    glNormal3f(0, 0, 1);
    if (frame.drawn) {
        glBegin(GL_QUADS);
        const float border[16][2] = {{400, 400},   {-400, 400},  {-400, 185},  {400, 185},
                                     {400, -185},  {-400, -185}, {-400, -400}, {400, -400},
                                     {400, 185},   {185, 185},   {185, -185},  {400, -185},
                                     {-400, -185}, {-185, -185}, {-185, 185},  {-400, 185}};
        for (const auto& v : border) glVertex3f(v[0], v[1], 0);
        glEnd();
    }

    glPopMatrix();  // texture matrix
    glMatrixMode(GL_MODELVIEW);
    glDisable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    glDisable(GL_LIGHT0);
    glPopMatrix();
}

}  // namespace qm
