// state.cpp -- the webgl layer's GL 1.1 state machine, immediate mode, vertex arrays, textures and queries on
// ES 2.
//
// Every GL 1.1 call of the player lands here. State that ES 2 keeps itself (blending,
// depth, culling, the viewport, textures) is passed on; the rest (matrices, lights,
// fog, texgen, current colour, normal and texture coordinate, texturing on or off) is
// kept here and handed to the shaders when something is drawn. Vertices are collected
// into one batch of triangles or lines and drawn when the state they depend on is
// about to change, so a run of glBegin/glEnd pairs costs one draw.
#include <GLES2/gl2.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "GL/gl11_only.h"
#include "GL/qmgl_calls.h"
#include "platform/webgl/fixed_math.h"
#include "platform/webgl/mipmaps.h"
#include "platform/webgl/qmgl_context.h"
#include "platform/webgl/shaders.h"

namespace {

using qmgl::Mat4;

// GL 1.1 names that the layer needs and neither header gives.
constexpr GLenum kEyeLinear = GL_EYE_LINEAR;
constexpr GLint kGluInvalidEnum = 100900;
constexpr GLint kGluInvalidValue = 100901;

struct Vertex {
    float position[3];
    float normal[3];
    float color[4];
    float texCoord[2];
};

struct TextureInfo {
    GLint wrapS = GL_REPEAT, wrapT = GL_REPEAT;
    GLint minFilter = GL_NEAREST_MIPMAP_LINEAR, magFilter = GL_LINEAR;
    GLsizei width = 0, height = 0;
    int levels = 0;  // images given, from level 0 on
};

struct Light {
    float ambient[4] = {0, 0, 0, 1};
    float diffuse[4] = {0, 0, 0, 1};
    float specular[4] = {0, 0, 0, 1};
    float position[4] = {0, 0, 1, 0};  // eye space
    bool enabled = false;
};

class MatrixStack {
public:
    explicit MatrixStack(size_t depth) : depth_(depth) { stack_.push_back(Mat4::identity()); }
    Mat4& top() { return stack_.back(); }
    size_t size() const { return stack_.size(); }
    bool push() {
        if (stack_.size() >= depth_) return false;
        stack_.push_back(stack_.back());
        return true;
    }
    bool pop() {
        if (stack_.size() <= 1) return false;
        stack_.pop_back();
        return true;
    }

private:
    size_t depth_;
    std::vector<Mat4> stack_;
};

enum class BatchKind { Triangles, Lines };

// One context's worth of GL 1.1 state, at GL's initial values.
struct State {
    bool texturing = false, blend = false, depthTest = false, cullFace = false, dither = true,
         scissor = false;
    bool lighting = false, colorMaterial = false, fog = false, genS = false, genT = false;
    bool discard = false;  // GL_RASTERIZER_DISCARD: primitives go no further (a fast-forward step)
    GLenum blendSource = GL_ONE, blendDestination = GL_ZERO;
    GLenum depthFunc = GL_LESS, cullMode = GL_BACK, fogHint = GL_DONT_CARE;
    bool depthMask = true;
    float lineWidth = 1;
    float clearColor[4] = {0, 0, 0, 0};
    GLint viewport[4] = {0, 0, 0, 0};
    GLint packAlignment = 4, unpackAlignment = 4;

    float color[4] = {1, 1, 1, 1};
    float normal[3] = {0, 0, 1};
    float texCoord[2] = {0, 0};
    float materialAmbient[4] = {0.2f, 0.2f, 0.2f, 1};
    float materialDiffuse[4] = {0.8f, 0.8f, 0.8f, 1};
    Light lights[qmgl::kLights];

    GLenum fogMode = GL_EXP;
    float fogColor[4] = {0, 0, 0, 0};
    float fogDensity = 1, fogStart = 0, fogEnd = 1;
    GLenum genModeS = kEyeLinear, genModeT = kEyeLinear;

    GLenum matrixMode = GL_MODELVIEW;
    MatrixStack modelview{32}, projection{32}, texture{10};

    GLuint boundTexture = 0;
    std::unordered_map<GLuint, TextureInfo> textures{{0, TextureInfo{}}};

    const unsigned char* arrayPointer = nullptr;
    GLsizei arrayStride = 0;

    bool inBegin = false;
    GLenum beginMode = 0;
    size_t primitiveStart = 0;

    BatchKind batchKind = BatchKind::Triangles;
    std::vector<Vertex> vertices;
    std::vector<GLushort> indices;

    GLenum error = GL_NO_ERROR;
    GLuint vertexBuffer = 0, indexBuffer = 0;

    State() {
        for (float* c : {lights[0].diffuse, lights[0].specular}) c[0] = c[1] = c[2] = 1;
    }
};

State& state() {
    static State s;
    return s;
}

void recordError(GLenum error) {
    if (state().error == GL_NO_ERROR) state().error = error;
}

MatrixStack& currentStack() {
    State& s = state();
    if (s.matrixMode == GL_PROJECTION) return s.projection;
    if (s.matrixMode == GL_TEXTURE) return s.texture;
    return s.modelview;
}

TextureInfo& boundTexture() {
    return state().textures[state().boundTexture];
}

bool isMipmapFilter(GLint filter) {
    return filter != GL_NEAREST && filter != GL_LINEAR;
}

// GL 1.1 draws as if texturing were off while the bound texture lacks an image (ES 2
// would sample black instead).
bool textureComplete(const TextureInfo& t) {
    if (t.levels == 0) return false;
    if (!isMipmapFilter(t.minFilter)) return true;
    int needed = 1;
    for (GLsizei size = std::max(t.width, t.height); size > 1; size /= 2) ++needed;
    return t.levels >= needed;
}

qmgl::TexGen texGenOf(bool enabled, GLenum mode) {
    if (!enabled) return qmgl::TexGen::Off;
    if (mode == GL_OBJECT_LINEAR) return qmgl::TexGen::ObjectLinear;
    if (mode == GL_SPHERE_MAP) return qmgl::TexGen::SphereMap;
    return qmgl::TexGen::EyeLinear;
}

qmgl::Pipeline currentPipeline() {
    State& s = state();
    qmgl::Pipeline p;
    const TextureInfo& t = boundTexture();
    p.texturing = s.texturing && textureComplete(t);
    p.lighting = s.lighting;
    p.colorMaterial = s.colorMaterial;
    for (int i = 0; i < qmgl::kLights; ++i) p.light[i] = s.lights[i].enabled;
    p.genS = texGenOf(s.genS, s.genModeS);
    p.genT = texGenOf(s.genT, s.genModeT);
    if (s.fog)
        p.fog = s.fogMode == GL_LINEAR ? qmgl::FogMode::Linear
                : s.fogMode == GL_EXP  ? qmgl::FogMode::Exp
                                       : qmgl::FogMode::Exp2;
    // With nearest filtering GL_CLAMP samples exactly as GL_CLAMP_TO_EDGE does.
    p.borderS = p.texturing && t.wrapS == GL_CLAMP && t.magFilter == GL_LINEAR;
    p.borderT = p.texturing && t.wrapT == GL_CLAMP && t.magFilter == GL_LINEAR;
    return p;
}

qmgl::Uniforms currentUniforms() {
    State& s = state();
    qmgl::Uniforms u;
    u.modelview = s.modelview.top();
    u.mvp = qmgl::multiply(s.projection.top(), u.modelview);
    u.texture = s.texture.top();
    qmgl::normalMatrix(u.modelview, u.normal);
    std::memcpy(u.materialAmbient, s.materialAmbient, sizeof u.materialAmbient);
    std::memcpy(u.materialDiffuse, s.materialDiffuse, sizeof u.materialDiffuse);
    for (int i = 0; i < qmgl::kLights; ++i) {
        std::memcpy(u.lightAmbient[i], s.lights[i].ambient, sizeof u.lightAmbient[i]);
        std::memcpy(u.lightDiffuse[i], s.lights[i].diffuse, sizeof u.lightDiffuse[i]);
        std::memcpy(u.lightPosition[i], s.lights[i].position, sizeof u.lightPosition[i]);
    }
    std::memcpy(u.fogColor, s.fogColor, sizeof u.fogColor);
    u.fogDensity = s.fogDensity, u.fogStart = s.fogStart, u.fogEnd = s.fogEnd;
    const TextureInfo& t = boundTexture();
    u.textureSize[0] = static_cast<float>(t.width), u.textureSize[1] = static_cast<float>(t.height);
    return u;
}

// Draws the batch with the state as it is now, and empties it.
void flush() {
    State& s = state();
    if (s.inBegin) return;  // only vertex calls are allowed between glBegin and glEnd
    if (s.indices.empty() || s.discard) {
        s.vertices.clear();
        s.indices.clear();
        return;
    }
    if (s.vertexBuffer == 0) {
        glGenBuffers(1, &s.vertexBuffer);
        glGenBuffers(1, &s.indexBuffer);
    }
    if (qmgl::useProgram(currentPipeline(), currentUniforms())) {
        // WebGL has no client-side arrays: the batch goes through buffers.
        glBindBuffer(GL_ARRAY_BUFFER, s.vertexBuffer);
        glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(s.vertices.size() * sizeof(Vertex)),
                     s.vertices.data(), GL_STREAM_DRAW);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, s.indexBuffer);
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(s.indices.size() * sizeof(GLushort)),
                     s.indices.data(), GL_STREAM_DRAW);
        const auto attribute = [](GLuint slot, GLint size, size_t offset) {
            glEnableVertexAttribArray(slot);
            glVertexAttribPointer(slot, size, GL_FLOAT, GL_FALSE, sizeof(Vertex),
                                  reinterpret_cast<const void*>(offset));
        };
        attribute(qmgl::kPosition, 3, offsetof(Vertex, position));
        attribute(qmgl::kNormal, 3, offsetof(Vertex, normal));
        attribute(qmgl::kColor, 4, offsetof(Vertex, color));
        attribute(qmgl::kTexCoord, 2, offsetof(Vertex, texCoord));
        glDrawElements(s.batchKind == BatchKind::Lines ? GL_LINES : GL_TRIANGLES,
                       static_cast<GLsizei>(s.indices.size()), GL_UNSIGNED_SHORT, nullptr);
    }
    s.vertices.clear();
    s.indices.clear();
}

// Indices (into the batch, from `base`) of the triangles or lines that GL draws for
// `count` vertices of primitive `mode`. Quads are split on the diagonal from their
// first to their third vertex, and a quad strip's quad (i, i+1, i+3, i+2) into
// (i+2, i, i+3) and (i, i+1, i+3): the splits Mesa makes, which decide how colours,
// normals and texture coordinates spread over a bent quad (and which pixels on the
// diagonal belong to which half).
void appendIndices(GLenum mode, size_t base, size_t count) {
    std::vector<GLushort>& out = state().indices;
    const auto tri = [&](size_t a, size_t b, size_t c) {
        out.insert(out.end(), {static_cast<GLushort>(base + a), static_cast<GLushort>(base + b),
                               static_cast<GLushort>(base + c)});
    };
    const auto line = [&](size_t a, size_t b) {
        out.insert(out.end(), {static_cast<GLushort>(base + a), static_cast<GLushort>(base + b)});
    };
    switch (mode) {
        case GL_TRIANGLES:
            for (size_t i = 0; i + 2 < count; i += 3) tri(i, i + 1, i + 2);
            break;
        case GL_TRIANGLE_STRIP:
            for (size_t i = 0; i + 2 < count; ++i)
                if (i % 2 == 0)
                    tri(i, i + 1, i + 2);
                else
                    tri(i + 1, i, i + 2);
            break;
        case GL_QUADS:
            for (size_t i = 0; i + 3 < count; i += 4) tri(i, i + 1, i + 2), tri(i, i + 2, i + 3);
            break;
        case GL_QUAD_STRIP:
            for (size_t i = 0; i + 3 < count; i += 2) tri(i + 2, i, i + 3), tri(i, i + 1, i + 3);
            break;
        case GL_LINES:
            for (size_t i = 0; i + 1 < count; i += 2) line(i, i + 1);
            break;
        case GL_LINE_STRIP:
            for (size_t i = 0; i + 1 < count; ++i) line(i, i + 1);
            break;
        default:
            break;
    }
}

bool isPrimitive(GLenum mode) {
    return mode == GL_TRIANGLES || mode == GL_TRIANGLE_STRIP || mode == GL_QUADS || mode == GL_QUAD_STRIP ||
           mode == GL_LINES || mode == GL_LINE_STRIP;
}

BatchKind kindOf(GLenum mode) {
    return mode == GL_LINES || mode == GL_LINE_STRIP ? BatchKind::Lines : BatchKind::Triangles;
}

// 16-bit indices (all WebGL 1 has) reach 65,535 vertices a batch.
constexpr size_t kBatchVertices = 65536;

// Makes room for a primitive of `count` vertices of `kind` in the batch.
bool prepareBatch(BatchKind kind, size_t count) {
    State& s = state();
    if (count > kBatchVertices) {
        recordError(GL_OUT_OF_MEMORY);
        return false;
    }
    if (s.batchKind != kind || s.vertices.size() + count > kBatchVertices) flush();
    s.batchKind = kind;
    return true;
}

// Sets a boolean state, drawing what was batched under the old value first.
void setFlag(bool& flag, bool value) {
    if (flag == value) return;
    flush();
    flag = value;
}

// Caps that ES 2 keeps itself: passed on as well as kept.
void setPassedCap(bool& flag, GLenum cap, bool value) {
    if (flag == value) return;
    flush();
    flag = value;
    if (value)
        glEnable(cap);
    else
        glDisable(cap);
}

bool* layerCap(GLenum cap) {
    State& s = state();
    switch (cap) {
        case GL_TEXTURE_2D:
            return &s.texturing;
        case GL_LIGHTING:
            return &s.lighting;
        case GL_COLOR_MATERIAL:
            return &s.colorMaterial;
        case GL_FOG:
            return &s.fog;
        case GL_TEXTURE_GEN_S:
            return &s.genS;
        case GL_TEXTURE_GEN_T:
            return &s.genT;
        case GL_LIGHT0:
            return &s.lights[0].enabled;
        case GL_LIGHT1:
            return &s.lights[1].enabled;
        case GL_RASTERIZER_DISCARD:
            return &s.discard;
        default:
            return nullptr;
    }
}

bool* passedCap(GLenum cap) {
    State& s = state();
    switch (cap) {
        case GL_BLEND:
            return &s.blend;
        case GL_DEPTH_TEST:
            return &s.depthTest;
        case GL_CULL_FACE:
            return &s.cullFace;
        case GL_DITHER:
            return &s.dither;
        case GL_SCISSOR_TEST:
            return &s.scissor;
        default:
            return nullptr;
    }
}

// While GL_COLOR_MATERIAL is on, the current colour is the material's ambient and
// diffuse colour; the material keeps the last one when it is switched off.
void trackColorMaterial() {
    State& s = state();
    if (!s.colorMaterial) return;
    std::memcpy(s.materialAmbient, s.color, sizeof s.color);
    std::memcpy(s.materialDiffuse, s.color, sizeof s.color);
}

void setCap(GLenum cap, bool value) {
    if (state().inBegin) return recordError(GL_INVALID_OPERATION);
    if (bool* flag = passedCap(cap)) return setPassedCap(*flag, cap, value);
    if (bool* flag = layerCap(cap)) {
        setFlag(*flag, value);
        if (cap == GL_COLOR_MATERIAL) trackColorMaterial();
        return;
    }
    recordError(GL_INVALID_ENUM);
}

void multiplyCurrent(const Mat4& m) {
    flush();
    Mat4& top = currentStack().top();
    top = qmgl::multiply(top, m);
}

// One queried value; `color` marks the values that glGetIntegerv maps from [-1, 1].
struct Query {
    double values[16];
    int count = 0;
    bool color = false;
};

bool query(GLenum name, Query& q) {
    State& s = state();
    auto put = [&](std::initializer_list<double> values) {
        for (double v : values) q.values[q.count++] = v;
        return true;
    };
    auto putFloats = [&](const float* values, int n) {
        for (int i = 0; i < n; ++i) q.values[q.count++] = values[i];
        return true;
    };
    if (bool* flag = layerCap(name)) return put({*flag ? 1.0 : 0.0});
    if (bool* flag = passedCap(name)) return put({*flag ? 1.0 : 0.0});
    switch (name) {
        case GL_MATRIX_MODE:
            return put({static_cast<double>(s.matrixMode)});
        case GL_MODELVIEW_MATRIX:
            return putFloats(s.modelview.top().m, 16);
        case GL_PROJECTION_MATRIX:
            return putFloats(s.projection.top().m, 16);
        case GL_TEXTURE_MATRIX:
            return putFloats(s.texture.top().m, 16);
        case GL_MODELVIEW_STACK_DEPTH:
            return put({static_cast<double>(s.modelview.size())});
        case GL_PROJECTION_STACK_DEPTH:
            return put({static_cast<double>(s.projection.size())});
        case GL_TEXTURE_STACK_DEPTH:
            return put({static_cast<double>(s.texture.size())});
        case GL_CURRENT_COLOR:
            q.color = true;
            return putFloats(s.color, 4);
        case GL_CURRENT_NORMAL:
            return putFloats(s.normal, 3);
        case GL_CURRENT_TEXTURE_COORDS:
            return put({s.texCoord[0], s.texCoord[1], 0.0, 1.0});
        case GL_BLEND_SRC:
            return put({static_cast<double>(s.blendSource)});
        case GL_BLEND_DST:
            return put({static_cast<double>(s.blendDestination)});
        case GL_DEPTH_FUNC:
            return put({static_cast<double>(s.depthFunc)});
        case GL_DEPTH_WRITEMASK:
            return put({s.depthMask ? 1.0 : 0.0});
        case GL_CULL_FACE_MODE:
            return put({static_cast<double>(s.cullMode)});
        case GL_LINE_WIDTH:
            return put({s.lineWidth});
        case GL_VIEWPORT:
            return put({static_cast<double>(s.viewport[0]), static_cast<double>(s.viewport[1]),
                        static_cast<double>(s.viewport[2]), static_cast<double>(s.viewport[3])});
        case GL_COLOR_CLEAR_VALUE:
            q.color = true;
            return putFloats(s.clearColor, 4);
        case GL_TEXTURE_BINDING_2D:
            return put({static_cast<double>(s.boundTexture)});
        case GL_FOG_MODE:
            return put({static_cast<double>(s.fogMode)});
        case GL_FOG_COLOR:
            q.color = true;
            return putFloats(s.fogColor, 4);
        case GL_FOG_DENSITY:
            return put({s.fogDensity});
        case GL_FOG_START:
            return put({s.fogStart});
        case GL_FOG_END:
            return put({s.fogEnd});
        case GL_FOG_HINT:
            return put({static_cast<double>(s.fogHint)});
        case GL_PACK_ALIGNMENT:
            return put({static_cast<double>(s.packAlignment)});
        case GL_UNPACK_ALIGNMENT:
            return put({static_cast<double>(s.unpackAlignment)});
        default:
            return false;
    }
}

bool queryOrComplain(GLenum name, Query& q) {
    if (query(name, q)) return true;
    recordError(GL_INVALID_ENUM);
    return false;
}

void setFog(GLenum name, const float* values) {
    State& s = state();
    flush();
    switch (name) {
        case GL_FOG_MODE: {
            const auto mode = static_cast<GLenum>(values[0]);
            if (mode == GL_LINEAR || mode == GL_EXP || mode == GL_EXP2)
                s.fogMode = mode;
            else
                recordError(GL_INVALID_ENUM);
            break;
        }
        case GL_FOG_DENSITY:
            if (values[0] < 0) return recordError(GL_INVALID_VALUE);
            s.fogDensity = values[0];
            break;
        case GL_FOG_START:
            s.fogStart = values[0];
            break;
        case GL_FOG_END:
            s.fogEnd = values[0];
            break;
        case GL_FOG_COLOR:
            for (int i = 0; i < 4; ++i) s.fogColor[i] = std::clamp(values[i], 0.0f, 1.0f);
            break;
        default:
            recordError(GL_INVALID_ENUM);
    }
}

}  // namespace

void qmgl_ContextCreated() {
    State& s = state();
    s = State();
    qmgl::forgetPrograms();
    glGetIntegerv(GL_VIEWPORT, s.viewport);
}

// ---- state

void qmgl_Enable(GLenum cap) {
    setCap(cap, true);
}
void qmgl_Disable(GLenum cap) {
    setCap(cap, false);
}

GLboolean qmgl_IsEnabled(GLenum cap) {
    if (bool* flag = layerCap(cap)) return *flag;
    if (bool* flag = passedCap(cap)) return *flag;
    recordError(GL_INVALID_ENUM);
    return GL_FALSE;
}

void qmgl_BlendFunc(GLenum source, GLenum destination) {
    State& s = state();
    if (s.blendSource == source && s.blendDestination == destination) return;
    flush();
    s.blendSource = source, s.blendDestination = destination;
    glBlendFunc(source, destination);
}

void qmgl_DepthFunc(GLenum func) {
    State& s = state();
    if (s.depthFunc == func) return;
    flush();
    s.depthFunc = func;
    glDepthFunc(func);
}

void qmgl_DepthMask(GLboolean flag) {
    State& s = state();
    if (s.depthMask == (flag != GL_FALSE)) return;
    flush();
    s.depthMask = flag != GL_FALSE;
    glDepthMask(flag);
}

void qmgl_CullFace(GLenum mode) {
    State& s = state();
    if (s.cullMode == mode) return;
    flush();
    s.cullMode = mode;
    glCullFace(mode);
}

void qmgl_LineWidth(GLfloat width) {
    State& s = state();
    if (width <= 0) return recordError(GL_INVALID_VALUE);
    if (s.lineWidth == width) return;
    flush();
    s.lineWidth = width;
    glLineWidth(width);  // WebGL implementations may draw every line one pixel wide
}

void qmgl_Hint(GLenum target, GLenum mode) {
    // Fog is computed per fragment whatever the hint says.
    if (target == GL_FOG_HINT)
        state().fogHint = mode;
    else
        recordError(GL_INVALID_ENUM);
}

void qmgl_Viewport(GLint x, GLint y, GLsizei width, GLsizei height) {
    State& s = state();
    flush();
    s.viewport[0] = x, s.viewport[1] = y, s.viewport[2] = width, s.viewport[3] = height;
    glViewport(x, y, width, height);
}

void qmgl_Scissor(GLint x, GLint y, GLsizei width, GLsizei height) {
    if (width < 0 || height < 0) return recordError(GL_INVALID_VALUE);
    flush();
    glScissor(x, y, width, height);
}

void qmgl_ClearColor(GLclampf red, GLclampf green, GLclampf blue, GLclampf alpha) {
    State& s = state();
    const float color[4] = {red, green, blue, alpha};
    for (int i = 0; i < 4; ++i) s.clearColor[i] = std::clamp(color[i], 0.0f, 1.0f);
    glClearColor(red, green, blue, alpha);
}

void qmgl_Clear(GLbitfield mask) {
    flush();
    glClear(mask);
}

void qmgl_Flush() {
    flush();
    glFlush();
}

void qmgl_Finish() {
    flush();
    glFinish();
}

GLenum qmgl_GetError() {
    State& s = state();
    const GLenum own = s.error;
    s.error = GL_NO_ERROR;
    return own != GL_NO_ERROR ? own : glGetError();
}

void qmgl_GetBooleanv(GLenum name, GLboolean* values) {
    Query q;
    if (!queryOrComplain(name, q)) return;
    for (int i = 0; i < q.count; ++i) values[i] = q.values[i] != 0 ? GL_TRUE : GL_FALSE;
}

void qmgl_GetIntegerv(GLenum name, GLint* values) {
    Query q;
    if (!queryOrComplain(name, q)) return;
    for (int i = 0; i < q.count; ++i)
        values[i] =
            q.color ? static_cast<GLint>(q.values[i] * 2147483647.0) : static_cast<GLint>(q.values[i] + 0.5);
}

void qmgl_GetFloatv(GLenum name, GLfloat* values) {
    Query q;
    if (!queryOrComplain(name, q)) return;
    for (int i = 0; i < q.count; ++i) values[i] = static_cast<GLfloat>(q.values[i]);
}

void qmgl_GetDoublev(GLenum name, GLdouble* values) {
    Query q;
    if (!queryOrComplain(name, q)) return;
    for (int i = 0; i < q.count; ++i) values[i] = q.values[i];
}

void qmgl_PixelStorei(GLenum name, GLint value) {
    State& s = state();
    if (name == GL_PACK_ALIGNMENT) s.packAlignment = value;
    if (name == GL_UNPACK_ALIGNMENT) s.unpackAlignment = value;
    glPixelStorei(name, value);
}

void qmgl_ReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type,
                     void* pixels) {
    flush();
    glReadPixels(x, y, width, height, format, type, pixels);
}

// ---- matrices

void qmgl_MatrixMode(GLenum mode) {
    if (mode != GL_MODELVIEW && mode != GL_PROJECTION && mode != GL_TEXTURE)
        return recordError(GL_INVALID_ENUM);
    state().matrixMode = mode;
}

void qmgl_LoadIdentity() {
    flush();
    currentStack().top() = Mat4::identity();
}

void qmgl_PushMatrix() {
    if (!currentStack().push()) recordError(GL_STACK_OVERFLOW);
}

void qmgl_PopMatrix() {
    flush();
    if (!currentStack().pop()) recordError(GL_STACK_UNDERFLOW);
}

void qmgl_Translatef(GLfloat x, GLfloat y, GLfloat z) {
    multiplyCurrent(qmgl::translation(x, y, z));
}
void qmgl_Rotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) {
    multiplyCurrent(qmgl::rotation(angle, x, y, z));
}
void qmgl_Scalef(GLfloat x, GLfloat y, GLfloat z) {
    multiplyCurrent(qmgl::scaling(x, y, z));
}

void qmgl_Frustum(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble zNear,
                  GLdouble zFar) {
    if (zNear <= 0 || zFar <= 0 || left == right || bottom == top || zNear == zFar)
        return recordError(GL_INVALID_VALUE);
    multiplyCurrent(qmgl::frustum(left, right, bottom, top, zNear, zFar));
}

// ---- immediate mode and vertex arrays

void qmgl_Begin(GLenum mode) {
    State& s = state();
    if (s.inBegin) return recordError(GL_INVALID_OPERATION);
    if (!isPrimitive(mode)) return recordError(GL_INVALID_ENUM);
    if (s.batchKind != kindOf(mode)) flush();
    s.batchKind = kindOf(mode);
    s.inBegin = true;
    s.beginMode = mode;
    s.primitiveStart = s.vertices.size();
}

void qmgl_End() {
    State& s = state();
    if (!s.inBegin) return recordError(GL_INVALID_OPERATION);
    s.inBegin = false;
    const size_t count = s.vertices.size() - s.primitiveStart;
    if (s.vertices.size() > kBatchVertices) {
        // The batch is full: draw what came before this primitive, then start again with it.
        std::vector<Vertex> primitive(s.vertices.begin() + static_cast<std::ptrdiff_t>(s.primitiveStart),
                                      s.vertices.end());
        s.vertices.resize(s.primitiveStart);
        flush();
        if (!prepareBatch(kindOf(s.beginMode), count)) return;
        s.vertices = std::move(primitive);
        s.primitiveStart = 0;
    }
    appendIndices(s.beginMode, s.primitiveStart, count);
}

void qmgl_Vertex3f(GLfloat x, GLfloat y, GLfloat z) {
    State& s = state();
    if (!s.inBegin) return;  // undefined in GL; nothing to draw
    Vertex v;
    v.position[0] = x, v.position[1] = y, v.position[2] = z;
    std::memcpy(v.normal, s.normal, sizeof v.normal);
    std::memcpy(v.color, s.color, sizeof v.color);
    std::memcpy(v.texCoord, s.texCoord, sizeof v.texCoord);
    s.vertices.push_back(v);
}

void qmgl_Vertex3i(GLint x, GLint y, GLint z) {
    qmgl_Vertex3f(static_cast<GLfloat>(x), static_cast<GLfloat>(y), static_cast<GLfloat>(z));
}

void qmgl_Normal3f(GLfloat x, GLfloat y, GLfloat z) {
    float* n = state().normal;
    n[0] = x, n[1] = y, n[2] = z;
}

void qmgl_Color4f(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha) {
    float* c = state().color;
    c[0] = red, c[1] = green, c[2] = blue, c[3] = alpha;
    trackColorMaterial();
}

void qmgl_Color3f(GLfloat red, GLfloat green, GLfloat blue) {
    qmgl_Color4f(red, green, blue, 1.0f);
}

void qmgl_TexCoord2f(GLfloat s, GLfloat t) {
    float* c = state().texCoord;
    c[0] = s, c[1] = t;
}

void qmgl_TexCoord4f(GLfloat s, GLfloat t, GLfloat, GLfloat q) {
    // Two coordinates are drawn; a q other than 1 divides them, as projection would.
    qmgl_TexCoord2f(q != 0 ? s / q : s, q != 0 ? t / q : t);
}

void qmgl_InterleavedArrays(GLenum format, GLsizei stride, const void* pointer) {
    State& s = state();
    if (format != GL_N3F_V3F) return recordError(GL_INVALID_ENUM);
    if (stride < 0) return recordError(GL_INVALID_VALUE);
    s.arrayPointer = static_cast<const unsigned char*>(pointer);
    s.arrayStride = stride == 0 ? static_cast<GLsizei>(6 * sizeof(float)) : stride;
}

void qmgl_DisableClientState(GLenum array) {
    // The interleaved arrays set both pointers at once; without positions nothing is drawn.
    if (array == GL_VERTEX_ARRAY || array == GL_NORMAL_ARRAY)
        state().arrayPointer = nullptr;
    else if (array != GL_COLOR_ARRAY && array != GL_TEXTURE_COORD_ARRAY)
        recordError(GL_INVALID_ENUM);
}

void qmgl_DrawArrays(GLenum mode, GLint first, GLsizei count) {
    State& s = state();
    if (s.inBegin) return recordError(GL_INVALID_OPERATION);
    if (!isPrimitive(mode)) return recordError(GL_INVALID_ENUM);
    if (count < 0 || first < 0) return recordError(GL_INVALID_VALUE);
    if (!s.arrayPointer || count == 0) return;
    if (!prepareBatch(kindOf(mode), static_cast<size_t>(count))) return;
    // The arrays are read now, as GL reads client memory at the draw.
    const size_t base = s.vertices.size();
    for (GLsizei i = 0; i < count; ++i) {
        const unsigned char* source = s.arrayPointer + static_cast<size_t>(first + i) * s.arrayStride;
        Vertex v;
        std::memcpy(v.normal, source, sizeof v.normal);
        std::memcpy(v.position, source + sizeof v.normal, sizeof v.position);
        std::memcpy(v.color, s.color, sizeof v.color);
        std::memcpy(v.texCoord, s.texCoord, sizeof v.texCoord);
        s.vertices.push_back(v);
    }
    appendIndices(mode, base, static_cast<size_t>(count));
}

// ---- lighting, fog, texture coordinate generation

void qmgl_Lightfv(GLenum light, GLenum name, const GLfloat* values) {
    State& s = state();
    if (light != GL_LIGHT0 && light != GL_LIGHT1) return recordError(GL_INVALID_ENUM);
    Light& l = s.lights[light - GL_LIGHT0];
    flush();
    switch (name) {
        case GL_AMBIENT:
            std::memcpy(l.ambient, values, sizeof l.ambient);
            break;
        case GL_DIFFUSE:
            std::memcpy(l.diffuse, values, sizeof l.diffuse);
            break;
        case GL_SPECULAR:
            // Kept for queries only: the material's specular colour stays GL's black,
            // so a light's specular part adds nothing.
            std::memcpy(l.specular, values, sizeof l.specular);
            break;
        case GL_POSITION: {
            // Fixed in eye space by the modelview matrix of this moment.
            qmgl::transform(s.modelview.top(), values, l.position);
            if (l.position[3] != 0 && l.position[3] != 1)
                for (int i = 0; i < 3; ++i) l.position[i] /= l.position[3];
            break;
        }
        default:
            recordError(GL_INVALID_ENUM);
    }
}

void qmgl_Fogf(GLenum name, GLfloat value) {
    if (name == GL_FOG_COLOR) return recordError(GL_INVALID_ENUM);
    setFog(name, &value);
}

void qmgl_Fogi(GLenum name, GLint value) {
    qmgl_Fogf(name, static_cast<GLfloat>(value));
}
void qmgl_Fogfv(GLenum name, const GLfloat* values) {
    setFog(name, values);
}

void qmgl_TexGeni(GLenum coord, GLenum name, GLint value) {
    State& s = state();
    const auto mode = static_cast<GLenum>(value);
    if (name != GL_TEXTURE_GEN_MODE || (coord != GL_S && coord != GL_T) ||
        (mode != GL_OBJECT_LINEAR && mode != GL_SPHERE_MAP && mode != kEyeLinear))
        return recordError(GL_INVALID_ENUM);
    flush();
    (coord == GL_S ? s.genModeS : s.genModeT) = mode;
}

// ---- textures

void qmgl_GenTextures(GLsizei count, GLuint* names) {
    if (count < 0) return recordError(GL_INVALID_VALUE);
    glGenTextures(count, names);
}

void qmgl_DeleteTextures(GLsizei count, const GLuint* names) {
    State& s = state();
    if (count < 0) return recordError(GL_INVALID_VALUE);
    flush();
    for (GLsizei i = 0; i < count; ++i) {
        if (names[i] == 0) continue;
        s.textures.erase(names[i]);
        if (s.boundTexture == names[i]) s.boundTexture = 0;
    }
    glDeleteTextures(count, names);
}

void qmgl_BindTexture(GLenum target, GLuint name) {
    State& s = state();
    if (target != GL_TEXTURE_2D) return recordError(GL_INVALID_ENUM);
    if (s.boundTexture == name && s.textures.count(name)) return;
    flush();
    s.boundTexture = name;
    s.textures.try_emplace(name);
    glBindTexture(GL_TEXTURE_2D, name);
}

GLboolean qmgl_IsTexture(GLuint name) {
    return name != 0 && state().textures.count(name) ? GL_TRUE : GL_FALSE;
}

void qmgl_TexParameteri(GLenum target, GLenum name, GLint value) {
    if (target != GL_TEXTURE_2D) return recordError(GL_INVALID_ENUM);
    TextureInfo& t = boundTexture();
    const bool wrap = value == GL_CLAMP || value == GL_REPEAT || value == GL_CLAMP_TO_EDGE;
    const bool filter = value == GL_NEAREST || value == GL_LINEAR;
    const bool mipmapFilter = value >= GL_NEAREST_MIPMAP_NEAREST && value <= GL_LINEAR_MIPMAP_LINEAR;
    GLint* slot = nullptr;
    bool valid = false;
    switch (name) {
        case GL_TEXTURE_WRAP_S:
            slot = &t.wrapS, valid = wrap;
            break;
        case GL_TEXTURE_WRAP_T:
            slot = &t.wrapT, valid = wrap;
            break;
        case GL_TEXTURE_MIN_FILTER:
            slot = &t.minFilter, valid = filter || mipmapFilter;
            break;
        case GL_TEXTURE_MAG_FILTER:
            slot = &t.magFilter, valid = filter;
            break;
        default:
            return recordError(GL_INVALID_ENUM);
    }
    if (!valid) return recordError(GL_INVALID_ENUM);
    flush();
    *slot = value;
    // ES 2 has no GL_CLAMP: the texture clamps to its edge and the shader adds the
    // border's share (see borderWeight in shaders.cpp).
    glTexParameteri(GL_TEXTURE_2D, name, value == GL_CLAMP ? GL_CLAMP_TO_EDGE : value);
}

void qmgl_GetTexParameteriv(GLenum target, GLenum name, GLint* values) {
    if (target != GL_TEXTURE_2D) return recordError(GL_INVALID_ENUM);
    const TextureInfo& t = boundTexture();
    switch (name) {
        case GL_TEXTURE_WRAP_S:
            *values = t.wrapS;
            break;
        case GL_TEXTURE_WRAP_T:
            *values = t.wrapT;
            break;
        case GL_TEXTURE_MIN_FILTER:
            *values = t.minFilter;
            break;
        case GL_TEXTURE_MAG_FILTER:
            *values = t.magFilter;
            break;
        default:
            recordError(GL_INVALID_ENUM);
    }
}

void qmgl_GetTexLevelParameteriv(GLenum target, GLint level, GLenum name, GLint* values) {
    if (target != GL_TEXTURE_2D) return recordError(GL_INVALID_ENUM);
    const TextureInfo& t = boundTexture();
    const bool present = level >= 0 && level < t.levels;
    switch (name) {
        case GL_TEXTURE_WIDTH:
            *values = present ? std::max(t.width >> level, 1) : 0;
            break;
        case GL_TEXTURE_HEIGHT:
            *values = present ? std::max(t.height >> level, 1) : 0;
            break;
        case GL_TEXTURE_INTERNAL_FORMAT:
            *values = present ? GL_RGBA : 1;
            break;
        default:
            recordError(GL_INVALID_ENUM);
    }
}

GLint qmglu_Build2DMipmaps(GLenum target, GLint components, GLint width, GLint height, GLenum format,
                           GLenum type, const void* data) {
    if (target != GL_TEXTURE_2D || (components != GL_RGBA && components != 4) || format != GL_RGBA ||
        type != GL_UNSIGNED_BYTE)
        return kGluInvalidEnum;
    if (width < 1 || height < 1 || !data) return kGluInvalidValue;
    flush();
    // WebGL 1 mipmaps (and repeats) only power-of-two textures; GLU scales to them too.
    const std::vector<qmgl::MipLevel> chain =
        qmgl::buildMipChain(static_cast<const uint8_t*>(data), width, height);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (size_t level = 0; level < chain.size(); ++level)
        glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(level), GL_RGBA, chain[level].width,
                     chain[level].height, 0, GL_RGBA, GL_UNSIGNED_BYTE, chain[level].rgba.data());
    glPixelStorei(GL_UNPACK_ALIGNMENT, state().unpackAlignment);
    TextureInfo& t = boundTexture();
    t.width = chain.front().width;
    t.height = chain.front().height;
    t.levels = static_cast<int>(chain.size());
    return 0;
}
