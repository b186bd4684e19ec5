// model.cpp -- the model object: loads its MD3 file, advances the animation, draws it mirrored and turned.
#include "objects/model.h"

#include <GL/gl.h>

#include "resources/material.h"
#include "scene/stage.h"
#include "script/script_number.h"
#include "script/token_line.h"

namespace qm {

StdModel::StdModel(KindContext& kinds) : kinds_(kinds) {
    model.setFrames(0, 1, 0);  // frame b runs one frame ahead of frame a
    model.framesPerSecond = 25;
}

void StdModel::init() {
    material = kinds_.materials.find("blue");
    reflective = false;
}

void StdModel::load(std::string_view text) {
    TokenLine items;
    items.splitList(text);
    // Whatever the count; a model that fails to load draws nothing.
    model.load(items.wordString(0), kinds_.stage.files);
    if (items.count() > 1) material = kinds_.materials.find(items.wordString(1));
    if (items.count() > 2) model.framesPerSecond = scriptInt(items.wordString(2));
    if (items.count() > 3) reflective = scriptInt(items.wordString(3)) != 0;
}

void StdModel::draw(const FrameContext& frame) {
    (material ? material : &kinds_.materials.head())->apply();
    glPushMatrix();
    glScalef(-1, 1, 1);       // mirror x
    glRotatef(-90, 1, 0, 0);  // the model's +z axis becomes +y
    if (reflective) {
        glEnable(GL_TEXTURE_GEN_S);
        glEnable(GL_TEXTURE_GEN_T);
        glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
        glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
        model.textured = false;
    } else {
        model.textured = true;
    }
    model.draw(frame.drawn);
    if (reflective) {
        glDisable(GL_TEXTURE_GEN_S);
        glDisable(GL_TEXTURE_GEN_T);
    }
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

}  // namespace qm
