// demo_state.cpp -- the demo's state and GL's state as text, for tests that compare two ways to a moment.
#include "support/demo_state.h"

#include <GL/gl.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "base/frame_clock.h"
#include "objects/ball.h"
#include "objects/floor.h"
#include "objects/model.h"
#include "objects/screen_layers.h"
#include "objects/text.h"
#include "objects/torus_knot.h"
#include "runtime/demo_run.h"

namespace qm::test {

namespace {

// Every float as its bits, so that "equal" means bit for bit.
void put(std::string& out, float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    out += std::to_string(bits) + ' ';
}
void put(std::string& out, double v) {
    put(out, static_cast<float>(v)), put(out, static_cast<float>(v - static_cast<float>(v)));
}
void put(std::string& out, const Vec3& v) {
    put(out, v.x), put(out, v.y), put(out, v.z);
}
template <typename Vertex>
void putAll(std::string& out, const std::vector<Vertex>& vs) {
    uint64_t hash = 1469598103934665603ull;  // FNV-1a over the bytes
    for (const Vertex& v : vs)
        for (size_t i = 0; i < sizeof v; ++i)
            hash = (hash ^ reinterpret_cast<const uint8_t*>(&v)[i]) * 1099511628211ull;
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

}  // namespace

std::string demoState(const DemoRun& run, bool withClock) {
    const Demo& demo = run.demo;
    const Overlay& overlay = run.overlay;
    const BallPhases& ballPhases = run.kinds.ballPhases;
    std::string out = "scene " + std::to_string(demo.playIndex);
    if (withClock) {
        out += " clock ";
        put(out, run.clock.now), put(out, run.clock.delta);
    }
    out += "\noverlay ";
    for (double t : {overlay.flashStart, overlay.flashEnd, overlay.fadeStart, overlay.fadeEnd,
                     overlay.pulseStart, overlay.pulseEnd, overlay.dipStart, overlay.dipEnd})
        put(out, t);
    out += "\nball phases ";
    put(out, ballPhases.a), put(out, ballPhases.b), put(out, ballPhases.wobble);
    out += '\n';
    for (Scene* s = demo.sceneChain.next.get(); s; s = s->next.get())
        putTree(out, s->objects.root.get(), 0, s == demo.current);
    return out;
}

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
        out += std::string(what) + ' ' + std::to_string(v[0]) + ' ' + std::to_string(v[1]) + ' ' +
               std::to_string(v[2]) + ' ' + std::to_string(v[3]) + '\n';
    };
    for (GLenum cap : {GL_DITHER,
                       GL_TEXTURE_2D,
                       GL_DEPTH_TEST,
                       GL_CULL_FACE,
                       GL_BLEND,
                       GL_LIGHTING,
                       GL_LIGHT0,
                       GL_LIGHT1,
                       GL_COLOR_MATERIAL,
                       GL_FOG,
                       GL_TEXTURE_GEN_S,
                       GL_TEXTURE_GEN_T,
                       GL_VERTEX_ARRAY,
                       GL_NORMAL_ARRAY,
                       GL_COLOR_ARRAY,
                       GL_TEXTURE_COORD_ARRAY,
                       GL_RASTERIZER_DISCARD,
                       GL_ALPHA_TEST,
                       GL_STENCIL_TEST,
                       GL_SCISSOR_TEST,
                       GL_COLOR_LOGIC_OP,
                       GL_POLYGON_STIPPLE})
        out += "cap " + std::to_string(cap) + (glIsEnabled(cap) ? " on\n" : " off\n");
    for (GLenum e : {GL_DEPTH_FUNC,
                     GL_DEPTH_WRITEMASK,
                     GL_CULL_FACE_MODE,
                     GL_BLEND_SRC,
                     GL_BLEND_DST,
                     GL_FOG_MODE,
                     GL_FOG_HINT,
                     GL_TEXTURE_BINDING_2D,
                     GL_PACK_ALIGNMENT,
                     GL_MATRIX_MODE,
                     GL_UNPACK_ALIGNMENT,
                     GL_UNPACK_ROW_LENGTH,
                     GL_UNPACK_SKIP_ROWS,
                     GL_UNPACK_SKIP_PIXELS,
                     GL_UNPACK_LSB_FIRST,
                     GL_MODELVIEW_STACK_DEPTH,
                     GL_PROJECTION_STACK_DEPTH,
                     GL_TEXTURE_STACK_DEPTH,
                     GL_ATTRIB_STACK_DEPTH,
                     GL_CLIENT_ATTRIB_STACK_DEPTH}) {
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
    floats("viewport", GL_VIEWPORT, 4);
    floats("colour mask", GL_COLOR_WRITEMASK, 4);
    floats("polygon mode", GL_POLYGON_MODE, 2);
    floats("raster position", GL_CURRENT_RASTER_POSITION, 4);
    floats("raster colour", GL_CURRENT_RASTER_COLOR, 4);
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

}  // namespace qm::test
