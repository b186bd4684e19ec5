// screen_layers.cpp -- background, foreground, symbols, sky box and fog, and the GL state each leaves.
#include "objects/screen_layers.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdlib>

#include "objects/primitives.h"
#include "objects/screen_space.h"
#include "resources/material.h"
#include "scene/scene.h"
#include "script/token_line.h"

namespace qm {

namespace {

// Fills the viewport at the near end of the depth range; the texture's t = 0 edge
// is at the top of the screen.
void drawScreenQuad(bool drawn) {
    if (!drawn) {  // a fast-forward step sends no vertices, only what they leave current
        glTexCoord2f(0, 0);
        return;
    }
    glBegin(GL_QUADS);
    glTexCoord2f(0, 1);
    glVertex3i(-1, -1, -1);
    glTexCoord2f(1, 1);
    glVertex3i(1, -1, -1);
    glTexCoord2f(1, 0);
    glVertex3i(1, 1, -1);
    glTexCoord2f(0, 0);
    glVertex3i(-1, 1, -1);
    glEnd();
}

float itemAsFloat(const TokenLine& items, int index) {
    return static_cast<float>(std::atof(items.word(index)));
}

}  // namespace

void Background::draw(const FrameContext& frame) {
    if (!material) return;  // nothing to show until a "load" line names a material
    beginScreenSpace();
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glDisable(GL_FOG);
    glDisable(GL_BLEND);
    glColor4f(1, 1, 1, 1);
    material->apply();
    drawScreenQuad(frame.drawn);
    glDepthMask(GL_TRUE);
    endScreenSpace();
}

void Background::load(std::string_view text) {
    TokenLine items;
    items.splitList(text);
    material = kinds_.materials.find(items.word(0));
}

void Foreground::draw(const FrameContext& frame) {
    if (!material) return;  // nothing to show until a "load" line names a material
    beginScreenSpace();
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glDisable(GL_FOG);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(1, 1, 1, 1);
    material->apply();
    drawScreenQuad(frame.drawn);
    glDepthMask(GL_TRUE);
    glEnable(GL_DEPTH_TEST);
    endScreenSpace();
}

void Foreground::load(std::string_view text) {
    TokenLine items;
    items.splitList(text);
    material = kinds_.materials.find(items.word(0));
}

void Symbols::init() {
    symbolCount = 0;
    constexpr float kStartY[kUsedSlots] = {-0.6f, -0.2f, 0.2f, 0.6f, 1.0f, 1.4f, 1.8f, 2.2f, 2.6f, 3.0f};
    std::copy(std::begin(kStartY), std::end(kStartY), symbolY.begin());
    scrollSpeed = -1.0f;
}

int Symbols::activeSlots() const {
    return std::clamp(symbolCount, 0, kUsedSlots);
}

void Symbols::draw(const FrameContext& frame) {
    beginScreenSpace();
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glDisable(GL_FOG);
    glDisable(GL_CULL_FACE);  // stays off for what is drawn after the symbols
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(1, 1, 1, 1);
    for (int i = 0; i < activeSlots(); ++i) {
        if (!symbolMaterials[i]) continue;
        const float y = symbolY[i];
        symbolMaterials[i]->apply();
        if (!frame.drawn) {  // a fast-forward step sends no vertices, only what they leave current
            glTexCoord2f(0, 0);
            continue;
        }
        glBegin(GL_QUADS);
        glTexCoord2f(0, 1);
        glVertex3f(-0.8f, y - 0.2f, -1);
        glTexCoord2f(1, 1);
        glVertex3f(-0.5f, y - 0.2f, -1);
        glTexCoord2f(1, 0);
        glVertex3f(-0.5f, y + 0.1f, -1);
        glTexCoord2f(0, 0);
        glVertex3f(-0.8f, y + 0.1f, -1);
        glEnd();
    }
    glDepthMask(GL_TRUE);
    glEnable(GL_DEPTH_TEST);
    endScreenSpace();
}

void Symbols::update(const FrameContext& frame) {
    // Every symbol wraps to the same height, computed from the stored count.
    const float wrapTo = static_cast<float>((symbolCount - 1) * 0.3);
    for (int i = 0; i < activeSlots(); ++i) {
        symbolY[i] = static_cast<float>(symbolY[i] + frame.delta * scrollSpeed);
        if (symbolY[i] < kWrapBelow) symbolY[i] = wrapTo;
    }
}

void Symbols::load(std::string_view text) {
    TokenLine items;
    items.splitList(text);
    for (int i = 0; i < kUsedSlots && i < items.count(); ++i)
        symbolMaterials[i] = kinds_.materials.find(items.word(i));
    // Heights are kept, so a symbol stays where it is when its picture changes.
    symbolCount = items.count();
}

void Skybox::init() {
    material = kinds_.materials.find("clouds");
    topMaterial = kinds_.materials.find("clouds");
}

void Skybox::draw(const FrameContext& frame) {
    if (!material || !topMaterial) return;  // not attached yet
    glDisable(GL_LIGHTING);
    material->apply();
    drawInvertedCubeFaceRange(0, 4, frame.drawn);  // the four sides; the box has no bottom
    topMaterial->apply();
    drawInvertedCubeFaceRange(kInvertedFaceTop, 1, frame.drawn);
}

void Skybox::update(const FrameContext&) {
    // Runs after the curve motion, so the box stays centred on the camera whatever
    // moves it otherwise.
    if (const SceneObject* root = kinds_.stage.root) position = root->position;
}

void Skybox::load(std::string_view text) {
    TokenLine items;
    items.splitList(text);
    if (items.count() > 0) material = kinds_.materials.find(items.word(0));
    if (items.count() > 1) topMaterial = kinds_.materials.find(items.word(1));
}

void Fog::init() {
    fogMode = 1;
    fogColor = {1, 1, 1, 1};
    fogDensity = fogStart = fogEnd = 0;
}

void Fog::draw(const FrameContext&) {
    if (fogMode == 0) {
        glDisable(GL_FOG);
        return;
    }
    glClearColor(fogColor[0], fogColor[1], fogColor[2], fogColor[3]);  // for the next frame's clear
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glFogi(GL_FOG_MODE, GL_EXP2);
    glFogfv(GL_FOG_COLOR, fogColor.data());
    glFogf(GL_FOG_DENSITY, fogDensity);
    glHint(GL_FOG_HINT, GL_NICEST);
    glFogf(GL_FOG_START, fogStart);
    glFogf(GL_FOG_END, fogEnd);
    glEnable(GL_FOG);
}

void Fog::load(std::string_view text) {
    TokenLine items;
    items.splitList(text);
    if (items.count() >= 1 && items.wordString(0) == "end") fogMode = 0;
    if (items.count() >= kItems) {
        // The values are taken whatever the first item says; only "start" switches fog on.
        if (items.wordString(0) == "start") fogMode = 1;
        for (int c = 0; c < 4; ++c) fogColor[c] = itemAsFloat(items, 1 + c);
        fogDensity = itemAsFloat(items, 5);
        fogStart = itemAsFloat(items, 6);
        fogEnd = itemAsFloat(items, 7);
    }
}

}  // namespace qm
