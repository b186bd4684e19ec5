// shaders.h -- the webgl layer's GLSL ES 1.00 programs: one per combination of fixed-function state.
#pragma once

#include <GLES2/gl2.h>

#include <cstdint>

#include "platform/webgl/fixed_math.h"

namespace qmgl {

enum class TexGen : uint8_t { Off, ObjectLinear, EyeLinear, SphereMap };
enum class FogMode : uint8_t { Off, Linear, Exp, Exp2 };

inline constexpr int kLights = 2;

// What the fixed-function pipeline does in one draw.
struct Pipeline {
    bool texturing = false;
    bool lighting = false;
    bool colorMaterial = false;
    bool light[kLights] = {false, false};
    TexGen genS = TexGen::Off;
    TexGen genT = TexGen::Off;
    FogMode fog = FogMode::Off;
    // GL_CLAMP with linear filtering: the border colour shows in the edge half texel.
    bool borderS = false;
    bool borderT = false;
};

// The values the programs read.
struct Uniforms {
    Mat4 mvp;
    Mat4 modelview;
    Mat4 texture;
    float normal[9];
    float materialAmbient[4];
    float materialDiffuse[4];
    float lightAmbient[kLights][4];
    float lightDiffuse[kLights][4];
    float lightPosition[kLights][4];  // eye space
    float fogColor[4];
    float fogDensity, fogStart, fogEnd;
    float textureSize[2];  // level 0, for the border fade
};

// Vertex attribute slots, bound before linking.
enum Attribute : GLuint { kPosition = 0, kNormal = 1, kColor = 2, kTexCoord = 3 };

// Makes the program for `pipeline` current (building it on first use) and loads the
// uniforms. False when it cannot be built; the reason went to standard error once.
bool useProgram(const Pipeline& pipeline, const Uniforms& uniforms);
// Forgets every program: they went with the context they were made in.
void forgetPrograms();

}  // namespace qmgl
