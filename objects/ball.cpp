// ball.cpp -- the wobbling ball: mesh rebuilt every update, drawn as body, wire and glow shells.
#include "objects/ball.h"

#include <GL/gl.h>

#include <cmath>

#include "base/gl_state.h"

namespace qm {

namespace {

constexpr float kTwoPi = 6.2831855f;
constexpr float kFourPi = 12.566371f;
constexpr float kPi = 3.1415927f;
constexpr float kSixPi = 18.849556f;
constexpr float kHalfPi = 1.5707964f;

// The mesh's vertices reach GL only in a drawn frame.
void drawArrays(GLenum mode, GLsizei count, bool drawn) {
    if (drawn) glDrawArrays(mode, 0, count);
}

}  // namespace

void VBall::init() {
    rotating = true;
    // Colour tracking stays on for the rest of the run: from now on glColor sets
    // the lit colour of every lit object, as scenes have always looked.
    glEnable(GL_COLOR_MATERIAL);
    rings = segments = 50;
    vertices.assign(kCapacity, NormalVertex{});
    wobble = 0;
    wobbling = false;
    meshBuilt_ = false;
    glDisable(GL_CULL_FACE);
}

void VBall::trigger(int code) {
    if (code == 1) wobbling = true;  // for good: nothing switches it off
}

void VBall::update(const FrameContext& frame) {
    const double delta = frame.delta;
    BallPhases& ballPhases = kinds_.ballPhases;
    ballPhases.a = static_cast<float>(ballPhases.a + delta * 10);
    ballPhases.b = static_cast<float>(ballPhases.b + delta * 8);
    if (wobbling) {
        wobble = std::sin(ballPhases.wobble) * 1.5f;
        ballPhases.wobble = static_cast<float>(ballPhases.wobble + delta * 0.1);
    }
    if (vertices.size() < static_cast<size_t>(vertexCount())) return;

    meshShape_ = {ballPhases.a, ballPhases.b, wobble};
    meshBuilt_ = true;
    // A fast-forward step only notes the shape; a drawn frame builds it (draw).
    meshStale_ = !frame.drawn;
    if (!meshStale_) buildMesh();
}

void VBall::buildMesh() {
    const float phaseA = meshShape_.phaseA;
    const float phaseB = meshShape_.phaseB;
    const float wobble = meshShape_.wobble;
    for (int i = 0; i < rings; ++i) {
        for (int j = 0; j < segments; ++j) {
            for (int n = 1; n >= 0; --n) {
                const float u = static_cast<float>(j) / static_cast<float>(segments);
                const float v = static_cast<float>(i + n) / static_cast<float>(rings);
                const float s = 12 * (std::sin(kTwoPi * u + phaseB) + std::cos(kFourPi * v + phaseB)) +
                                4 * std::sin(kSixPi * u + phaseA) + std::sin(kFourPi * v + phaseA);
                const float sinV = std::sin(kPi * v);
                const float rho = 40 + 20 * (1 - sinV) + wobble * (s + 10) * sinV;
                // Latitude from the +z pole, and longitude one step short of a full turn.
                const float beta = kPi * static_cast<float>(i + n) / static_cast<float>(rings);
                const float alpha = kTwoPi * static_cast<float>(j) / static_cast<float>(segments);
                const float sinBeta = std::sin(beta);
                const float x = rho * sinBeta * std::sin(alpha);
                const float y = rho * sinBeta * std::cos(alpha);
                const float z = rho * std::sin(beta + kHalfPi);
                const float length = std::sqrt(x * x + y * y + z * z);
                vertices[2 * (i * segments + j) + (1 - n)] = {x / length, y / length, z / length, x, y, z};
            }
        }
    }
    meshStale_ = false;
}

void VBall::draw(const FrameContext& frame) {
    if (!meshBuilt_) return;
    if (meshStale_ && frame.drawn) buildMesh();  // the shape a fast-forward step noted
    glEnable(GL_BLEND);
    const float ambient[] = {0.2f, 0.1f, 0.1f, 1.0f};
    const float diffuse[] = {0.6f, 0.6f, 0.8f, 1.0f};
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glLightfv(GL_LIGHT1, GL_AMBIENT, ambient);

    // The lights are fixed in eye space.
    glEnable(GL_LIGHTING);
    glPushMatrix();
    glLoadIdentity();
    const float position0[] = {-60, 60, 60, 1};
    const float position1[] = {60, 60, -60, 1};
    glLightfv(GL_LIGHT0, GL_POSITION, position0);
    glLightfv(GL_LIGHT1, GL_POSITION, position1);
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHT1);
    glPopMatrix();

    glDisable(GL_TEXTURE_2D);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(1, 1, 1, 1);

    const GLsizei count = vertexCount();
    glInterleavedArrays(GL_N3F_V3F, 0, vertices.data());
    drawArrays(GL_TRIANGLE_STRIP, count, frame.drawn);  // body

    setLineWidth(2, frame.lineScale);
    glColor4f(0, 0, 0.2f, 1);
    glScalef(1.001f, 1.001f, 1.001f);
    drawArrays(GL_LINE_STRIP, count, frame.drawn);  // wire

    // Three additive glow shells; the scales accumulate.
    glColor4f(0.1f, 1, 1, 0.05f);
    glScalef(1.05f, 1.05f, 1.05f);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    drawArrays(GL_TRIANGLE_STRIP, count, frame.drawn);
    for (int shell = 0; shell < 2; ++shell) {
        glScalef(1.05f, 1.05f, 1.05f);
        drawArrays(GL_TRIANGLE_STRIP, count, frame.drawn);
    }

    glDisable(GL_LIGHTING);
    glEnable(GL_CULL_FACE);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

}  // namespace qm
