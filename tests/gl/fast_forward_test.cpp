// Fast-forward against drawing every frame: the bundled demo reaches the same state and the same picture.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "base/frame_clock.h"
#include "base/trace.h"
#include "music/music_player.h"
#include "objects/ball.h"
#include "objects/floor.h"
#include "objects/model.h"
#include "objects/screen_layers.h"
#include "objects/text.h"
#include "objects/torus_knot.h"
#include "platform/offline_driver.h"
#include "runtime/demo.h"
#include "runtime/frame_loop.h"
#include "runtime/globals.h"
#include "runtime/overlay.h"
#include "support/temp_dir.h"

namespace qm {
namespace {

// Every float as its bits, so that "equal" means bit for bit.
void put(std::string& out, float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    out += std::to_string(bits) + ' ';
}
void put(std::string& out, double v) { put(out, static_cast<float>(v)), put(out, static_cast<float>(v - static_cast<float>(v))); }
void put(std::string& out, const Vec3& v) { put(out, v.x), put(out, v.y), put(out, v.z); }
template <typename Vertex>
void putAll(std::string& out, const std::vector<Vertex>& vs) {
    uint64_t hash = 1469598103934665603ull;  // FNV-1a over the bytes
    for (const Vertex& v : vs)
        for (size_t i = 0; i < sizeof v; ++i) hash = (hash ^ reinterpret_cast<const uint8_t*>(&v)[i]) * 1099511628211ull;
    out += std::to_string(hash) + ' ';
}

// Meshes are compared where a drawn frame has built them: in the scene on screen.
void putTree(std::string& out, SceneObject* o, int depth, bool onScreen) {
    for (; o; o = o->next.get()) {
        out += std::string(depth, ' ') + (o->name ? *o->name : "-") + ": ";
        put(out, o->position), put(out, o->rotation), put(out, o->curveTime);
        if (o->scale) put(out, *o->scale);
        out += o->visible ? "v " : "h ";
        if (auto* k = dynamic_cast<TorusKnot*>(o)) {
            put(out, k->phase), put(out, k->swell), put(out, k->knotP), put(out, k->knotQ);
            if (onScreen) putAll(out, k->vertices);
        } else if (auto* b = dynamic_cast<VBall*>(o)) {
            put(out, b->wobble);
            if (onScreen) putAll(out, b->vertices);
        } else if (auto* f = dynamic_cast<ChessFloor*>(o)) {
            put(out, f->texOffsetU), put(out, f->texOffsetV);
            putAll(out, f->current), putAll(out, f->previous);
            if (onScreen) putAll(out, f->vertices);
        } else if (auto* m = dynamic_cast<StdModel*>(o)) {
            out += std::to_string(m->model.frameA) + ' ' + std::to_string(m->model.frameB) + ' ';
            put(out, m->model.blend);
        } else if (auto* t = dynamic_cast<TextObject*>(o)) {
            put(out, t->fadePhase), put(out, t->color.alpha);
        } else if (auto* s = dynamic_cast<Symbols*>(o)) {
            for (float y : s->symbolY) put(out, y);
        }
        out += '\n';
        if (o->firstChild) putTree(out, o->firstChild.get(), depth + 1, onScreen);
    }
}

// What a frame leaves: every scene's objects, the playlist position, the overlay, the clock and the picture.
struct Moment {
    std::string state;
    std::vector<uint8_t> pixels;
};

std::string demoState() {
    std::string out = "scene " + std::to_string(demo.playIndex) + " clock ";
    put(out, frameClock.now), put(out, frameClock.delta);
    out += "\noverlay ";
    for (double t : {overlay.flashStart, overlay.flashEnd, overlay.fadeStart, overlay.fadeEnd, overlay.pulseStart,
                     overlay.pulseEnd, overlay.dipStart, overlay.dipEnd})
        put(out, t);
    out += "\nball phases ";
    put(out, ballPhases.a), put(out, ballPhases.b), put(out, ballPhases.wobble);
    out += '\n';
    for (Scene* s = demo.sceneChain.next.get(); s; s = s->next.get())
        putTree(out, s->objects.root.get(), 0, s == demo.current);
    return out;
}

class FastForwardTest : public ::testing::Test {
protected:
    // Few frames keep the drawn run short; the step makes no difference to what is compared.
    static constexpr double kFps = 5;

    // Plays the bundled demo to each of `frames` (ascending), fast-forwarding from
    // the last moment (or the start) when asked, and records each of those frames.
    std::vector<Moment> play(OfflineDriver& driver, const std::vector<long>& frames, bool fastForward) {
        std::vector<Moment> moments;
        size_t next = 0;
        driver.setFrameSink([&](long frame, Driver::Frame kind) {
            if (kind != Driver::Frame::Loop || next >= frames.size() || frame != frames[next]) return;
            Moment m{demoState(), std::vector<uint8_t>(800 * 600 * 4)};
            glReadPixels(0, 0, 800, 600, GL_RGBA, GL_UNSIGNED_BYTE, m.pixels.data());
            moments.push_back(std::move(m));
            ++next;
            if (fastForward && next < frames.size()) driver.setFastForwardUntil(frames[next]);
        });
        driver.setFastForwardUntil(fastForward ? frames[0] : 0);
        EXPECT_TRUE(startDemo(driver));
        while (!quitRequested && next < frames.size()) runFrame(driver);
        resetDemo();
        driver.restart();
        return moments;
    }

    void SetUp() override { setTraceEnabled(false); }
    void TearDown() override { setTraceEnabled(true); }
};

TEST_F(FastForwardTest, ReachesTheStateAndPictureOfDrawingEveryFrame) {
    const std::filesystem::path folder = std::filesystem::path(QUILLMOOR_DEMO_DATA_DIR).parent_path();
    test::ScopedWorkingDirectory cwd(folder);
    // A moment in every scene (they change every 16 s, at frames 80, 160, ...), the
    // first frames after a change, and the last frames of the demo.
    const std::vector<long> frames = {3, 81, 120, 161, 200, 280, 330, 420, 475};
    OfflineDriver driver(kFps);
    ASSERT_TRUE(openDemoScreen(driver));
    // Drawn first, so that the fast-forward also starts in a context the demo has used.
    const std::vector<Moment> drawn = play(driver, frames, false);
    const std::vector<Moment> skipped = play(driver, frames, true);
    driver.close();
    ASSERT_EQ(drawn.size(), frames.size());
    ASSERT_EQ(skipped.size(), frames.size());
    for (size_t i = 0; i < frames.size(); ++i) {
        SCOPED_TRACE("frame " + std::to_string(frames[i]));
        EXPECT_EQ(skipped[i].state, drawn[i].state);
        EXPECT_TRUE(skipped[i].pixels == drawn[i].pixels);
    }
}

// The GL state that objects change, as GL itself reports it.
std::string glStateReport() {
    std::string out;
    auto floats = [&](const char* what, GLenum name, int count) {
        float v[16] = {};
        glGetFloatv(name, v);
        out += what;
        for (int i = 0; i < count; ++i) out += ' ' + std::to_string(v[i]);
        out += '\n';
    };
    auto light = [&](GLenum light, GLenum name, const char* what) {
        float v[4] = {};
        glGetLightfv(light, name, v);
        out += std::string(what) + ' ' + std::to_string(v[0]) + ' ' + std::to_string(v[1]) + ' ' + std::to_string(v[2]) +
               ' ' + std::to_string(v[3]) + '\n';
    };
    for (GLenum cap : {GL_DITHER, GL_TEXTURE_2D, GL_DEPTH_TEST, GL_CULL_FACE, GL_BLEND, GL_LIGHTING, GL_LIGHT0, GL_LIGHT1,
                       GL_COLOR_MATERIAL, GL_FOG, GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T, GL_VERTEX_ARRAY, GL_NORMAL_ARRAY,
                       GL_COLOR_ARRAY, GL_TEXTURE_COORD_ARRAY, GL_RASTERIZER_DISCARD})
        out += "cap " + std::to_string(cap) + (glIsEnabled(cap) ? " on\n" : " off\n");
    for (GLenum e : {GL_DEPTH_FUNC, GL_DEPTH_WRITEMASK, GL_CULL_FACE_MODE, GL_BLEND_SRC, GL_BLEND_DST, GL_FOG_MODE,
                     GL_FOG_HINT, GL_TEXTURE_BINDING_2D, GL_PACK_ALIGNMENT, GL_MATRIX_MODE}) {
        GLint v = 0;
        glGetIntegerv(e, &v);
        out += "enum " + std::to_string(e) + ' ' + std::to_string(v) + '\n';
    }
    floats("clear", GL_COLOR_CLEAR_VALUE, 4);
    floats("line", GL_LINE_WIDTH, 1);
    floats("fog colour", GL_FOG_COLOR, 4);
    floats("fog density", GL_FOG_DENSITY, 1);
    floats("fog start", GL_FOG_START, 1);
    floats("fog end", GL_FOG_END, 1);
    floats("colour", GL_CURRENT_COLOR, 4);
    floats("normal", GL_CURRENT_NORMAL, 3);
    floats("texcoord", GL_CURRENT_TEXTURE_COORDS, 4);
    floats("modelview", GL_MODELVIEW_MATRIX, 16);
    floats("projection", GL_PROJECTION_MATRIX, 16);
    floats("texture", GL_TEXTURE_MATRIX, 16);
    for (GLenum l : {GL_LIGHT0, GL_LIGHT1}) {
        light(l, GL_AMBIENT, "ambient");
        light(l, GL_DIFFUSE, "diffuse");
        light(l, GL_SPECULAR, "specular");
        light(l, GL_POSITION, "position");
    }
    for (GLenum c : {GL_S, GL_T}) {
        GLint mode = 0;
        glGetTexGeniv(c, GL_TEXTURE_GEN_MODE, &mode);
        out += "texgen " + std::to_string(mode) + '\n';
    }
    return out;
}

TEST_F(FastForwardTest, ADemoStartedAgainFindsTheGlStateOfANewContext) {
    const std::filesystem::path folder = std::filesystem::path(QUILLMOOR_DEMO_DATA_DIR).parent_path();
    test::ScopedWorkingDirectory cwd(folder);
    OfflineDriver driver(kFps);
    ASSERT_TRUE(openDemoScreen(driver));
    const std::string fresh = glStateReport();
    // A drawn frame in every scene leaves the state of each kind behind; play() then resets.
    EXPECT_EQ(play(driver, {3, 83, 163, 243, 323, 403}, false).size(), 6u);
    EXPECT_EQ(glStateReport(), fresh);
    driver.close();
}

}  // namespace
}  // namespace qm
