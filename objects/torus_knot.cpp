// torus_knot.cpp -- the torus knot: curve, tube and trace rebuilt every update, drawn in two passes.
#include "objects/torus_knot.h"

#include <GL/gl.h>

#include <array>
#include <cmath>

#include "base/trace.h"
#include "resources/material.h"
#include "scene/stage.h"
#include "script/token_line.h"

namespace qm {

namespace {

constexpr float kTwoPi = 6.2831855f;

Vec3 cross(const Vec3& u, const Vec3& v) {
    return {u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
}

Vec3 normalized(const Vec3& v) {
    const float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return {v.x / length, v.y / length, v.z / length};
}

void appendVectorLine(std::string& out, const char* label, const Vec3& v) {
    out += label;
    appendTraceFloat(out, v.x);
    out += ' ';
    appendTraceFloat(out, v.y);
    out += ' ';
    appendTraceFloat(out, v.z);
    out += '\n';
}

}  // namespace

void TorusKnot::init() {
    vertices.assign(kVertexCapacity, NormalVertex{});
    knotPoints.assign(kPointCapacity, Vec3{});
    meshBuilt_ = false;
}

void TorusKnot::load(std::string_view text) {
    TokenLine items;
    items.splitList(text);
    material = kinds_.materials.find(items.word(0));
}

void TorusKnot::trigger(int code) {
    if (code == 1) {
        targetP += 1;
        if (targetP > 12) targetP = 0;
    } else if (code == 2) {
        targetQ += 1;
        if (targetQ > 12) targetQ = 0;
    } else if (code == 3) {
        swell += 40;
    }
}

void TorusKnot::update(const FrameContext& frame) {
    const double delta = frame.delta;
    phase = static_cast<float>(phase + delta * 8);
    swell = static_cast<float>(swell * (1 - delta * 8));
    knotP = static_cast<float>(knotP + (targetP - knotP) * delta * 3);
    knotQ = static_cast<float>(knotQ + (targetQ - knotQ) * delta * 3);
    if (knotPoints.size() < kPointCapacity || vertices.size() < kVertexCount) return;

    meshShape_ = {knotP, knotQ, phase, swell};
    meshBuilt_ = true;
    // A fast-forward step only notes the shape; a drawn frame builds it (draw).
    meshStale_ = !frame.drawn;
    if (!meshStale_) buildMesh(kinds_.stage.trace.enabled());
}

void TorusKnot::buildMesh(bool withTrace) {
    const float p = meshShape_.p, q = meshShape_.q;
    for (int b = 0; b <= kCurvePoints; ++b) {
        const float theta = static_cast<float>(b) * 0.005f * kTwoPi;
        const float r = (std::sin(q * theta) + 2) * 16;
        knotPoints[b] = {r * std::cos(p * theta), r * std::cos(q * theta), r * std::sin(p * theta)};
    }

    // The tube's frame and radius depend only on the curve point i, so they are
    // worked out once per point; so is the trace text of a vertex at that point.
    struct PointFrame {
        Vec3 binormal, normal;
        float radius;
    };
    std::array<PointFrame, kCurvePoints> frames;
    for (int i = 0; i < kCurvePoints; ++i) {
        const Vec3& p0 = knotPoints[i];
        const Vec3& p1 = knotPoints[(i + 1) % kCurvePoints];
        const Vec3 tangent{p1.x - p0.x, p1.y - p0.y, p1.z - p0.z};
        const Vec3 sum = p1.add(p0);
        const Vec3 b = cross(tangent, sum);
        const Vec3 n2 = cross(b, tangent);
        const float thetaI = static_cast<float>(i) * 0.005f * kTwoPi;
        const float radius = 3 * std::sin(2 * thetaI - 0.5f * meshShape_.phase) +
                             2 * std::sin(15 * thetaI + meshShape_.phase) + meshShape_.swell + 7;
        frames[i] = {normalized(b), normalized(n2), radius};
        if (!withTrace) continue;
        std::string& chunk = traceChunks_[i];
        chunk.clear();
        appendVectorLine(chunk, "n2:", frames[i].normal);
        appendVectorLine(chunk, "b:", frames[i].binormal);
    }

    trace_.clear();
    for (int k = 0; k < kBands; ++k) {
        for (int n = kRingSteps; n >= 1; --n) {
            const float phi = static_cast<float>(n) * 0.05f * kTwoPi;
            const float sinPhi = std::sin(phi);
            const float cosPhi = std::cos(phi);
            for (int t = 0; t <= 1; ++t) {
                const int i = (k + t) % kCurvePoints;
                const PointFrame& f = frames[i];
                const float rs = f.radius * sinPhi;
                const float rc = f.radius * cosPhi;
                const Vec3 o{rs * f.binormal.x + rc * f.normal.x, rs * f.binormal.y + rc * f.normal.y,
                             rs * f.binormal.z + rc * f.normal.z};
                const Vec3 on = normalized(o);
                const Vec3& p0 = knotPoints[i];
                vertices[40 * k + 2 * (kRingSteps - n) + t] = {on.x,       on.y,       on.z,
                                                               p0.x + o.x, p0.y + o.y, p0.z + o.z};
                if (withTrace) trace_ += traceChunks_[i];
            }
        }
    }
    // Two lines per vertex, every frame: part of the player's output, written at once.
    if (withTrace) kinds_.stage.trace.write(trace_);
    meshStale_ = false;
}

void TorusKnot::draw(const FrameContext& frame) {
    if (!meshBuilt_) return;
    // The shape of the last update, noted by a fast-forward step; its trace went with that step.
    if (meshStale_ && frame.drawn) buildMesh(false);
    glEnable(GL_LIGHTING);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);

    const float ambient[] = {1, 1, 1, 1};
    const float diffuse[] = {10, 10, 10, 1};
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glPushMatrix();
    glLoadIdentity();
    const float position[] = {100, 100, 200, 1};  // a point light fixed in eye space
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glEnable(GL_LIGHT0);
    glPopMatrix();

    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
    // Before a "load" line names one, the knot draws with the library's first material.
    (material ? material : &kinds_.materials.head())->apply();
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glColor4f(1, 1, 1, 1);
    glDisable(GL_BLEND);

    // Each strip covers two bands and runs into the next: 4 vertices in the
    // opaque pass, 2 in the additive pass that brightens it.
    glInterleavedArrays(GL_N3F_V3F, 0, vertices.data());
    if (frame.drawn)
        for (int first = 0; first <= 7920; first += 80) glDrawArrays(GL_QUAD_STRIP, first, 84);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glPushMatrix();
    if (frame.drawn)
        for (int first = 0; first <= 7920; first += 80) glDrawArrays(GL_QUAD_STRIP, first, 82);
    glPopMatrix();

    glEnable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
}

}  // namespace qm
