// MD3 drawing: blended positions and normals, texture coordinates on and off, frames a surface lacks.
#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "make_model/demo_model.h"
#include "md3write/md3_writer.h"
#include "resources/md3_model.h"
#include "support/gl_test.h"

namespace qm {
namespace {

// One triangle in two frames. Vertex 0 goes from (64, 0, 0) to (128, 0, 0) in
// file units and its normal from bytes (0, 0) to (64, 0); it is drawn last.
md3write::Model twoFrameTriangle() {
    md3write::Surface s;
    s.name = "tri";
    s.frameCount = 2;
    s.texCoords = {{0.25f, 0.75f}, {0.5f, 0.5f}, {1.0f, 0.0f}};
    s.triangles = {{{1, 2, 0}}};
    s.vertices = {
        {{64, 0, 0}, {0, 0}},   {{0, 64, 0}, {0, 0}},  {{0, 0, 64}, {0, 0}},   // frame 0
        {{128, 0, 0}, {64, 0}}, {{0, 128, 0}, {0, 0}}, {{0, 0, 128}, {0, 0}},  // frame 1
    };
    md3write::Model m;
    m.frames.resize(2);
    m.surfaces.push_back(s);
    return m;
}

struct FeedbackVertex {
    std::array<float, 3> window;
    std::array<float, 4> texCoord;
};

class Md3DrawTest : public test::GlTest {
protected:
    void SetUp() override {
        test::GlTest::SetUp();
        glDisable(GL_CULL_FACE);
        glDisable(GL_TEXTURE_2D);
        glLoadIdentity();
        glTranslatef(0, 0, -10);
    }

    Md3Model load(const md3write::Model& m) {
        Md3Model model;
        EXPECT_EQ(model.parse(md3write::encode(m).bytes), kMd3Loaded) << model.problem();
        return model;
    }

    // The vertices of every polygon drawn, in window coordinates, with their texture coordinates.
    template <typename Draw>
    std::vector<FeedbackVertex> feedback(Draw draw) {
        std::vector<GLfloat> buffer(1 << 20);  // room for the demo model's triangles
        glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR_TEXTURE, buffer.data());
        glRenderMode(GL_FEEDBACK);
        draw();
        const GLint used = glRenderMode(GL_RENDER);
        EXPECT_GE(used, 0) << "feedback buffer overflow";
        std::vector<FeedbackVertex> vertices;
        for (GLint i = 0; i < used;) {
            EXPECT_EQ(buffer[i], GL_POLYGON_TOKEN);
            const int count = static_cast<int>(buffer[i + 1]);
            i += 2;
            for (int v = 0; v < count; ++v, i += 11)  // x y z, RGBA colour, s t r q
                vertices.push_back({{buffer[i], buffer[i + 1], buffer[i + 2]},
                                    {buffer[i + 7], buffer[i + 8], buffer[i + 9], buffer[i + 10]}});
        }
        return vertices;
    }

    // Where a point of the model's space lands in the window.
    std::array<double, 3> project(double x, double y, double z) const {
        GLdouble modelview[16], projection[16];
        GLint viewport[4];
        glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
        glGetDoublev(GL_PROJECTION_MATRIX, projection);
        glGetIntegerv(GL_VIEWPORT, viewport);
        std::array<double, 3> w{};
        gluProject(x, y, z, modelview, projection, viewport, &w[0], &w[1], &w[2]);
        return w;
    }
};

TEST_F(Md3DrawTest, BlendsPositionsAndNormalsBetweenTheTwoFrames) {
    const Md3Model model = load(twoFrameTriangle());
    const std::vector<FeedbackVertex> drawn = feedback([&] { model.drawFrames(0, 1, 0.5f); });
    ASSERT_EQ(drawn.size(), 3u);
    const auto at = project(1.5, 0, 0);
    EXPECT_NEAR(drawn[2].window[0], at[0], 1e-3);
    EXPECT_NEAR(drawn[2].window[1], at[1], 1e-3);
    EXPECT_NEAR(drawn[2].window[2], at[2], 1e-5);
    const auto second = project(0, 1.5, 0);
    EXPECT_NEAR(drawn[0].window[0], second[0], 1e-3);
    EXPECT_NEAR(drawn[0].window[1], second[1], 1e-3);

    // The normal is the plain average of (0, 0, 1) and entry (64, 0), not renormalised.
    GLfloat normal[3];
    glGetFloatv(GL_CURRENT_NORMAL, normal);
    EXPECT_NEAR(normal[0], 0.49999, 1e-4);
    EXPECT_NEAR(normal[1], 0.0, 1e-6);
    EXPECT_NEAR(normal[2], 0.49692, 1e-4);
}

TEST_F(Md3DrawTest, TheBlendedTriangleShowsBetweenItsTwoFrames) {
    // A small triangle around (1, 0, 0) in frame 0 and around (2, 0, 0) in frame 1.
    md3write::Surface s;
    s.frameCount = 2;
    s.texCoords.resize(3);
    s.triangles = {{{0, 1, 2}}};
    for (int16_t x : {64, 128}) {
        s.vertices.push_back({{int16_t(x - 6), -6, 0}, {0, 0}});
        s.vertices.push_back({{int16_t(x + 6), -6, 0}, {0, 0}});
        s.vertices.push_back({{x, 8, 0}, {0, 0}});
    }
    md3write::Model m;
    m.surfaces.push_back(s);
    const Md3Model model = load(m);
    glColor3f(1, 1, 1);
    model.drawFrames(0, 1, 0.5f);
    capture();
    auto shown = [&](double x) {
        const auto w = project(x, 0, 0);
        return pixel(static_cast<int>(w[0]), gl.height() - 1 - static_cast<int>(w[1]));
    };
    EXPECT_EQ(shown(1.5), (test::Rgba{255, 255, 255, 255}));
    EXPECT_TRUE(test::near(shown(1.0), {179, 0, 128, 255}));
    EXPECT_TRUE(test::near(shown(2.0), {179, 0, 128, 255}));
}

TEST_F(Md3DrawTest, SendsTextureCoordinatesOnlyWhenTextured) {
    Md3Model model = load(twoFrameTriangle());
    for (bool textured : {true, false}) {
        model.textured = textured;
        glTexCoord2f(7, 9);  // what the owner's coordinates would be
        const std::vector<FeedbackVertex> drawn = feedback([&] { model.drawFrames(0, 1, 0.25f); });
        ASSERT_EQ(drawn.size(), 3u);
        const std::array<float, 2> want =
            textured ? std::array<float, 2>{0.25f, 0.75f} : std::array<float, 2>{7, 9};
        EXPECT_FLOAT_EQ(drawn[2].texCoord[0], want[0]) << textured;
        EXPECT_FLOAT_EQ(drawn[2].texCoord[1], want[1]) << textured;
    }
}

// Frames outside a surface's own frames show its nearest frame; a model that
// failed to load or has no frames draws nothing.
TEST_F(Md3DrawTest, FramesASurfaceLacksShowItsNearestFrame) {
    const Md3Model model = load(twoFrameTriangle());
    struct Case {
        int32_t a, b;
        float t;
        double x;  // where vertex 0 lands
    };
    const Case cases[] = {
        {0, 1, 0.5f, 1.5}, {1, 9, 0.5f, 2.0}, {-4, 1, 0.25f, 1.25}, {0x7fffffff, -1, 1.0f, 1.0}};
    for (const Case& c : cases) {
        const std::vector<FeedbackVertex> drawn = feedback([&] { model.drawFrames(c.a, c.b, c.t); });
        ASSERT_EQ(drawn.size(), 3u) << c.a << "," << c.b;
        EXPECT_NEAR(drawn[2].window[0], project(c.x, 0, 0)[0], 1e-3) << c.a << "," << c.b;
    }

    Md3Model failed;
    std::string bytes = md3write::encode(twoFrameTriangle()).bytes;
    bytes.resize(bytes.size() - 1);
    EXPECT_EQ(failed.parse(bytes), kMd3Damaged);
    EXPECT_TRUE(feedback([&] { failed.draw(); }).empty());
    Md3Model never;
    EXPECT_TRUE(feedback([&] { never.draw(); }).empty());
}

// The demo's model as the model object draws it (x mirrored, +z turned up, back
// faces culled): it fills the middle of the screen and stays inside it.
TEST_F(Md3DrawTest, TheDemoModelFacesTheViewerThroughTheMirror) {
    const Md3Model model = load(demomodel::build());
    glEnable(GL_CULL_FACE);
    glColor3f(1, 1, 1);
    glScalef(-1, 1, 1);
    glRotatef(-90, 1, 0, 0);
    const std::vector<FeedbackVertex> front = feedback([&] { model.draw(); });
    size_t triangles = 0;
    for (const Md3Surface& s : model.surfaces) triangles += s.triangles.size();
    // A closed shape shows about half its triangles; wound the wrong way round the
    // count would be the same, so look at which half: the near one.
    EXPECT_GT(front.size() / 3, triangles / 3);
    EXPECT_LT(front.size() / 3, triangles * 2 / 3);
    double nearDepth = 0;
    for (const FeedbackVertex& v : front) nearDepth += v.window[2];
    glCullFace(GL_FRONT);
    const std::vector<FeedbackVertex> back = feedback([&] { model.draw(); });
    glCullFace(GL_BACK);
    double farDepth = 0;
    for (const FeedbackVertex& v : back) farDepth += v.window[2];
    EXPECT_LT(nearDepth / front.size(), farDepth / back.size());

    model.draw();
    capture();
    EXPECT_EQ(pixel(400, 300), (test::Rgba{255, 255, 255, 255}));
    EXPECT_TRUE(test::near(pixel(5, 5), {179, 0, 128, 255}));
}

}  // namespace
}  // namespace qm
