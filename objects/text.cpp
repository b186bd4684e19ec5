// text.cpp -- the text object: its parameter text, the sine fade and drawing on the screen plane.
#include "objects/text.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdlib>

#include "objects/screen_space.h"
#include "resources/font.h"
#include "scene/scene.h"
#include "script/token_line.h"

namespace qm {

void TextObject::init() {
    kinds_.font.loadPages(kPage1Path, kPage2Path);
    color = Color{1, 1, 1, 1};
    fadePhase = 1.0f;
    fadeSpeed = 0;
    text.clear();
}

void TextObject::load(std::string_view parameters) {
    TokenLine items;
    items.splitList(parameters);
    if (items.count() > 0) text = items.wordString(0);
    float* const channels[4] = {&color.red, &color.green, &color.blue, &color.alpha};
    for (int c = 0; c < 4; ++c)
        if (items.count() > 1 + c) *channels[c] = static_cast<float>(std::strtod(items.word(1 + c), nullptr));
}

void TextObject::trigger(int code) {
    switch (code) {
        case 0:
            fadePhase = 0.0f, fadeSpeed = 0.1f;
            break;
        case 1:
            fadePhase = 0.3f, fadeSpeed = 0.1f;
            break;
        case 2:
            fadePhase = 0.0f, fadeSpeed = 0.2f;
            break;
        case 3:
            fadePhase = 0.3f, fadeSpeed = 0.3f;
            break;
        default:
            break;
    }
}

void TextObject::update(const FrameContext& frame) {
    if (const SceneObject* root = kinds_.stage.root) rotation = root->rotation;
    // The test comes before the step, so the phase may pass 1 for one frame.
    if (fadePhase < 1) {
        fadePhase = static_cast<float>(fadePhase + frame.delta * fadeSpeed);
    } else {
        fadePhase = 1;
        fadeSpeed = 0;
    }
    // Rises to 1 at phase 0.25, back to 0 at 0.5, negative (fully transparent) after.
    color.alpha = static_cast<float>(std::sin(fadePhase * 6.2831855));
}

void TextObject::draw(const FrameContext& frame) {
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(color.red, color.green, color.blue, color.alpha);

    beginScreenSpace();

    glDisable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glDisable(GL_FOG);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

    // Screen units: identity projection scaled by 0.1, so the screen spans -10..10.
    glMatrixMode(GL_MODELVIEW);
    glScalef(0.1f, 0.1f, 0.1f);
    glTranslatef(position.x, position.y, position.z);
    glPushMatrix();
    kinds_.font.drawString(text, frame.drawn);
    glPopMatrix();

    glDepthMask(GL_TRUE);
    glEnable(GL_DEPTH_TEST);
    endScreenSpace();
}

}  // namespace qm
