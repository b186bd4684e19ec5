// shaders.cpp -- GLSL ES 1.00 text for GL 1.1's per-vertex lighting, texgen, texturing and fog, and the
// program cache.
#include "platform/webgl/shaders.h"

#include <cstdio>
#include <string>
#include <unordered_map>

namespace qmgl {

namespace {

// Each feature is a name in the GLSL text below. A variant program defines it as a
// constant, so the compiler drops the paths it does not take; the single program of
// the uber-shader build (QMGL_UBER_SHADER) reads it from a uniform instead.
struct Feature {
    const char* name;
    const char* uniform;
    bool isInt;
};
constexpr Feature kVertexFeatures[] = {
    {"LIGHTING", "u_lighting", false}, {"COLOR_MATERIAL", "u_colorMaterial", false},
    {"LIGHT0", "u_light0", false},     {"LIGHT1", "u_light1", false},
    {"GEN_S", "u_genS", true},         {"GEN_T", "u_genT", true},
};
constexpr Feature kFragmentFeatures[] = {
    {"TEXTURING", "u_texturing", false},
    {"BORDER_S", "u_borderS", false},
    {"BORDER_T", "u_borderT", false},
    {"FOG", "u_fog", true},
};

void featureValues(const Pipeline& p, int vertex[6], int fragment[4]) {
    vertex[0] = p.lighting, vertex[1] = p.colorMaterial, vertex[2] = p.light[0], vertex[3] = p.light[1];
    vertex[4] = static_cast<int>(p.genS), vertex[5] = static_cast<int>(p.genT);
    fragment[0] = p.texturing, fragment[1] = p.borderS, fragment[2] = p.borderT;
    fragment[3] = static_cast<int>(p.fog);
}

// GL 1.1 per vertex, in eye space: lighting with no specular part (the material's
// specular colour stays black) and without renormalising the normals (GL_NORMALIZE
// stays off, so a scaled modelview scales the lighting too, as in GL).
constexpr const char* kVertexShader = R"(
attribute vec3 a_position;
attribute vec3 a_normal;
attribute vec4 a_color;
attribute vec2 a_texCoord;
uniform mat4 u_mvp;
uniform mat4 u_modelview;
uniform mat3 u_normalMatrix;
uniform mat4 u_textureMatrix;
uniform vec4 u_materialAmbient;
uniform vec4 u_materialDiffuse;
uniform vec4 u_lightAmbient[2];
uniform vec4 u_lightDiffuse[2];
uniform vec4 u_lightPosition[2];
varying vec4 v_color;
varying vec2 v_texCoord;
varying float v_fogDistance;

// The light model's ambient colour, GL's default.
const vec3 kSceneAmbient = vec3(0.2, 0.2, 0.2);

vec3 lightTerm(vec4 position, vec4 ambientLight, vec4 diffuseLight, vec3 eye, vec3 normal, vec3 ambient,
               vec3 diffuse) {
    vec3 toLight = position.w == 0.0 ? position.xyz : position.xyz - eye;
    float facing = max(dot(normal, normalize(toLight)), 0.0);
    return ambient * ambientLight.rgb + facing * diffuse * diffuseLight.rgb;
}

float generated(int mode, float object, float eye, float sphere, float given) {
    if (mode == 1) return object;
    if (mode == 2) return eye;
    if (mode == 3) return sphere;
    return given;
}

void main() {
    vec4 object = vec4(a_position, 1.0);
    gl_Position = u_mvp * object;
    vec3 eye = (u_modelview * object).xyz;
    vec3 normal = u_normalMatrix * a_normal;
    vec4 color = a_color;
    if (LIGHTING) {
        vec4 ambient = COLOR_MATERIAL ? a_color : u_materialAmbient;
        vec4 diffuse = COLOR_MATERIAL ? a_color : u_materialDiffuse;
        vec3 lit = ambient.rgb * kSceneAmbient;
        if (LIGHT0)
            lit += lightTerm(u_lightPosition[0], u_lightAmbient[0], u_lightDiffuse[0], eye, normal, ambient.rgb,
                             diffuse.rgb);
        if (LIGHT1)
            lit += lightTerm(u_lightPosition[1], u_lightAmbient[1], u_lightDiffuse[1], eye, normal, ambient.rgb,
                             diffuse.rgb);
        color = vec4(lit, diffuse.a);
    }
    v_color = clamp(color, 0.0, 1.0);

    vec4 st = vec4(a_texCoord, 0.0, 1.0);
    if (GEN_S != 0 || GEN_T != 0) {
        // Sphere map: the eye direction reflected about the normal.
        vec2 sphere = vec2(0.0);
        if (GEN_S == 3 || GEN_T == 3) {
            vec3 u = normalize(eye);
            vec3 r = u - 2.0 * normal * dot(normal, u);
            float m = 2.0 * sqrt(r.x * r.x + r.y * r.y + (r.z + 1.0) * (r.z + 1.0));
            sphere = r.xy / m + 0.5;
        }
        // Object and eye linear with GL's default planes: s = x, t = y.
        st.x = generated(GEN_S, a_position.x, eye.x, sphere.x, st.x);
        st.y = generated(GEN_T, a_position.y, eye.y, sphere.y, st.y);
    }
    st = u_textureMatrix * st;
    v_texCoord = st.xy / st.w;
    v_fogDistance = abs(eye.z);
}
)";

// GL_MODULATE texturing, then fog per fragment on the eye-space depth.
constexpr const char* kFragmentShader = R"(
uniform sampler2D u_texture;
uniform vec2 u_textureSize;
uniform vec4 u_fogColor;
uniform vec3 u_fogParameters;
varying vec4 v_color;
varying vec2 v_texCoord;
varying float v_fogDistance;

// GL_CLAMP's linear filter mixes the edge texel with the black, transparent border
// within half a texel of the edge; the texture itself clamps to its edge.
float borderWeight(float coordinate, float size) {
    float c = clamp(coordinate, 0.0, 1.0);
    return clamp(min(c, 1.0 - c) * size + 0.5, 0.0, 1.0);
}

void main() {
    vec4 color = v_color;
    if (TEXTURING) {
        vec4 texel = texture2D(u_texture, v_texCoord);
        if (BORDER_S) texel *= borderWeight(v_texCoord.x, u_textureSize.x);
        if (BORDER_T) texel *= borderWeight(v_texCoord.y, u_textureSize.y);
        color *= texel;
    }
    if (FOG != 0) {
        float z = v_fogDistance;
        float density = u_fogParameters.x;
        float f;
        if (FOG == 1)
            f = (u_fogParameters.z - z) / (u_fogParameters.z - u_fogParameters.y);
        else if (FOG == 2)
            f = exp(-density * z);
        else
            f = exp(-(density * z) * (density * z));
        color.rgb = mix(u_fogColor.rgb, color.rgb, clamp(f, 0.0, 1.0));
    }
    gl_FragColor = color;
}
)";

constexpr const char* kFragmentPrecision =
    "#ifdef GL_FRAGMENT_PRECISION_HIGH\nprecision highp float;\n#else\nprecision mediump float;\n#endif\n";

#ifdef QMGL_UBER_SHADER
constexpr bool kUber = true;
#else
constexpr bool kUber = false;
#endif

template <size_t N>
std::string prelude(const Feature (&features)[N], const int* values) {
    std::string text;
    for (size_t i = 0; i < N; ++i) {
        const Feature& f = features[i];
        if (kUber) {
            text += std::string("uniform ") + (f.isInt ? "int " : "bool ") + f.uniform + ";\n";
            text += std::string("#define ") + f.name + " " + f.uniform + "\n";
        } else if (f.isInt) {
            text += std::string("#define ") + f.name + " " + std::to_string(values[i]) + "\n";
        } else {
            text += std::string("#define ") + f.name + (values[i] ? " true\n" : " false\n");
        }
    }
    return text;
}

struct Program {
    GLuint name = 0;
    bool failed = false;
    GLint mvp, modelview, normalMatrix, textureMatrix, materialAmbient, materialDiffuse;
    GLint lightAmbient, lightDiffuse, lightPosition, texture, textureSize, fogColor, fogParameters;
    GLint vertexFeature[6], fragmentFeature[4];
};

std::unordered_map<uint32_t, Program> programs;

uint32_t keyOf(const Pipeline& p) {
    if (kUber) return 0;
    int vertex[6], fragment[4];
    featureValues(p, vertex, fragment);
    uint32_t key = 0;
    for (int v : vertex) key = key * 4 + static_cast<uint32_t>(v);
    for (int f : fragment) key = key * 4 + static_cast<uint32_t>(f);
    return key;
}

GLuint compile(GLenum type, const std::string& text) {
    GLuint shader = glCreateShader(type);
    const char* source = text.c_str();
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[2048] = "";
        glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        std::fprintf(stderr, "qmgl: a %s shader does not compile: %s\n",
                     type == GL_VERTEX_SHADER ? "vertex" : "fragment", log);
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

Program build(const Pipeline& pipeline) {
    Program p;
    int vertex[6], fragment[4];
    featureValues(pipeline, vertex, fragment);
    const GLuint vs =
        compile(GL_VERTEX_SHADER, "#version 100\n" + prelude(kVertexFeatures, vertex) + kVertexShader);
    const GLuint fs = compile(GL_FRAGMENT_SHADER, std::string("#version 100\n") + kFragmentPrecision +
                                                      prelude(kFragmentFeatures, fragment) + kFragmentShader);
    if (!vs || !fs) {
        if (vs) glDeleteShader(vs);
        if (fs) glDeleteShader(fs);
        p.failed = true;
        return p;
    }
    p.name = glCreateProgram();
    glAttachShader(p.name, vs);
    glAttachShader(p.name, fs);
    glBindAttribLocation(p.name, kPosition, "a_position");
    glBindAttribLocation(p.name, kNormal, "a_normal");
    glBindAttribLocation(p.name, kColor, "a_color");
    glBindAttribLocation(p.name, kTexCoord, "a_texCoord");
    glLinkProgram(p.name);
    glDeleteShader(vs);
    glDeleteShader(fs);
    GLint ok = GL_FALSE;
    glGetProgramiv(p.name, GL_LINK_STATUS, &ok);
    if (!ok) {
        char log[2048] = "";
        glGetProgramInfoLog(p.name, sizeof log, nullptr, log);
        std::fprintf(stderr, "qmgl: a program does not link: %s\n", log);
        glDeleteProgram(p.name);
        p.name = 0;
        p.failed = true;
        return p;
    }
    auto at = [&](const char* name) { return glGetUniformLocation(p.name, name); };
    p.mvp = at("u_mvp"), p.modelview = at("u_modelview"), p.normalMatrix = at("u_normalMatrix");
    p.textureMatrix = at("u_textureMatrix");
    p.materialAmbient = at("u_materialAmbient"), p.materialDiffuse = at("u_materialDiffuse");
    p.lightAmbient = at("u_lightAmbient"), p.lightDiffuse = at("u_lightDiffuse");
    p.lightPosition = at("u_lightPosition");
    p.texture = at("u_texture"), p.textureSize = at("u_textureSize");
    p.fogColor = at("u_fogColor"), p.fogParameters = at("u_fogParameters");
    for (int i = 0; i < 6; ++i) p.vertexFeature[i] = kUber ? at(kVertexFeatures[i].uniform) : -1;
    for (int i = 0; i < 4; ++i) p.fragmentFeature[i] = kUber ? at(kFragmentFeatures[i].uniform) : -1;
    return p;
}

}  // namespace

bool useProgram(const Pipeline& pipeline, const Uniforms& u) {
    auto [it, added] = programs.try_emplace(keyOf(pipeline));
    if (added) it->second = build(pipeline);
    const Program& p = it->second;
    if (p.failed) return false;
    glUseProgram(p.name);
    if (kUber) {
        int vertex[6], fragment[4];
        featureValues(pipeline, vertex, fragment);
        for (int i = 0; i < 6; ++i) glUniform1i(p.vertexFeature[i], vertex[i]);
        for (int i = 0; i < 4; ++i) glUniform1i(p.fragmentFeature[i], fragment[i]);
    }
    glUniformMatrix4fv(p.mvp, 1, GL_FALSE, u.mvp.m);
    glUniformMatrix4fv(p.modelview, 1, GL_FALSE, u.modelview.m);
    glUniformMatrix3fv(p.normalMatrix, 1, GL_FALSE, u.normal);
    glUniformMatrix4fv(p.textureMatrix, 1, GL_FALSE, u.texture.m);
    glUniform4fv(p.materialAmbient, 1, u.materialAmbient);
    glUniform4fv(p.materialDiffuse, 1, u.materialDiffuse);
    glUniform4fv(p.lightAmbient, kLights, &u.lightAmbient[0][0]);
    glUniform4fv(p.lightDiffuse, kLights, &u.lightDiffuse[0][0]);
    glUniform4fv(p.lightPosition, kLights, &u.lightPosition[0][0]);
    glUniform1i(p.texture, 0);
    glUniform2fv(p.textureSize, 1, u.textureSize);
    glUniform4fv(p.fogColor, 1, u.fogColor);
    glUniform3f(p.fogParameters, u.fogDensity, u.fogStart, u.fogEnd);
    return true;
}

void forgetPrograms() {
    programs.clear();
}

}  // namespace qmgl
