// scene_object.cpp -- placement, spin, scale animation, curve motion, look-at and the tree walks.
#include "scene/scene_object.h"

#include <GL/gl.h>

#include <cmath>
#include <vector>

namespace qm {

SceneObject::~SceneObject() {
    // Detach the siblings and children into a work list so that destroying a long
    // chain or a deep tree never recurses.
    std::vector<std::unique_ptr<SceneObject>> pending;
    if (next) pending.push_back(std::move(next));
    if (firstChild) pending.push_back(std::move(firstChild));
    while (!pending.empty()) {
        std::unique_ptr<SceneObject> o = std::move(pending.back());
        pending.pop_back();
        if (o->next) pending.push_back(std::move(o->next));
        if (o->firstChild) pending.push_back(std::move(o->firstChild));
    }
}

void SceneObject::advanceSpin(double delta) {
    rotation.x = static_cast<float>(rotation.x + rotateSpeed.x * delta);
    rotation.y = static_cast<float>(rotation.y + rotateSpeed.y * delta);
    rotation.z = static_cast<float>(rotation.z + rotateSpeed.z * delta);
    // One correction per axis and frame: 725 becomes 365, and exactly 0 becomes 360.
    for (float* a : {&rotation.x, &rotation.y, &rotation.z})
        if (*a >= 360.0f) *a -= 360.0f;
    for (float* a : {&rotation.x, &rotation.y, &rotation.z})
        if (*a <= 0.0f) *a += 360.0f;
}

void SceneObject::transform(const FrameContext& frame) {
    glTranslatef(position.x, position.y, position.z);
    if (rotating) advanceSpin(frame.delta);
    glRotatef(rotation.z, 0, 0, 1);
    glRotatef(rotation.y, 0, 1, 0);
    glRotatef(rotation.x, 1, 0, 0);
}

void SceneObject::applyLookAt() {
    if (!lookAtTarget) return;
    Vec3& p = position;
    const Vec3& t = *lookAtTarget;
    // Keep both divisions away from an exact zero; the nudge stays in `position`.
    if (t.z == p.z) p.z += 0.00001f;
    if (t.x == p.x) p.x += 0.00001f;
    // Differences in single precision, trigonometry in double, as the angles have always been computed.
    double yaw = std::atan(static_cast<double>((p.x - t.x) / (p.z - t.z))) * kDegreesPerRadian;
    if (t.z > p.z) yaw -= 180.0;
    rotation.y = static_cast<float>(yaw);
    const double sinYaw = std::sin(static_cast<double>(rotation.y * 0.017453292f));
    rotation.x = static_cast<float>(std::atan((t.y - p.y) / ((p.x - t.x) / sinYaw)) * kDegreesPerRadian);
}

void SceneObject::drawTree(const FrameContext& frame) {
    drawTreeAt(frame, 0);
}

void SceneObject::drawTreeAt(const FrameContext& frame, int depth) {
    if (depth >= kMaxTreeDepth) return;
    for (SceneObject* o = this; o; o = o->next.get()) {
        glPushMatrix();
        o->applyLookAt();
        o->transform(frame);
        if (o->scale) glScalef(o->scale->x, o->scale->y, o->scale->z);
        if (o->visible) o->draw(frame);
        if (o->firstChild) o->firstChild->drawTreeAt(frame, depth + 1);
        glPopMatrix();
    }
}

void SceneObject::updateTree(const FrameContext& frame) {
    updateTreeAt(frame, 0);
}

void SceneObject::updateTreeAt(const FrameContext& frame, int depth) {
    const double delta = frame.delta;
    if (depth >= kMaxTreeDepth) return;
    for (SceneObject* o = this; o; o = o->next.get()) {
        if (o->curve && o->curve->usable()) {
            if (o->moving) {
                float t = static_cast<float>(o->curveTime + o->curveSpeed * delta);
                o->curveTime = t;
                if (t > 1.0f || t < 0.0f) {
                    if (o->looping)
                        o->curveTime = t - std::floor(t);
                    else
                        o->curveTime = t > 1.0f ? 1.0f : 0.0f;
                }
            }
            o->position = o->curveOrigin.add(o->curve->evaluate(o->curveTime));
        }
        if (o->scale && (o->scaleSpeed.x != 0 || o->scaleSpeed.y != 0 || o->scaleSpeed.z != 0)) {
            Vec3& s = *o->scale;
            s.x = static_cast<float>(s.x + o->scaleSpeed.x * delta);
            s.y = static_cast<float>(s.y + o->scaleSpeed.y * delta);
            s.z = static_cast<float>(s.z + o->scaleSpeed.z * delta);
            float* factor[3] = {&s.x, &s.y, &s.z};
            const float maxs[3] = {o->maxScale.x, o->maxScale.y, o->maxScale.z};
            const float mins[3] = {o->minScale.x, o->minScale.y, o->minScale.z};
            float* speed[3] = {&o->scaleSpeed.x, &o->scaleSpeed.y, &o->scaleSpeed.z};
            for (int a = 0; a < 3; ++a) {
                if (*factor[a] > maxs[a]) {
                    *factor[a] = maxs[a];
                    *speed[a] = 0;
                }
                if (*factor[a] < mins[a]) {
                    *factor[a] = mins[a];
                    *speed[a] = 0;
                }
            }
        }
        if (o->enabled) o->update(frame);
        if (o->firstChild) o->firstChild->updateTreeAt(frame, depth + 1);
    }
}

SceneObject* SceneObject::findByName(std::string_view text) {
    // Same order as the recursive definition (self, then the rest of the chain,
    // then the children), kept on an explicit stack: a whole chain is checked
    // first, and the children of its last object are searched before those of
    // earlier ones.
    std::vector<SceneObject*> stack{this};
    while (!stack.empty()) {
        SceneObject* chain = stack.back();
        stack.pop_back();
        for (SceneObject* o = chain; o; o = o->next.get())
            if (o->hasName(text)) return o;
        for (SceneObject* o = chain; o; o = o->next.get())
            if (o->firstChild) stack.push_back(o->firstChild.get());
    }
    return nullptr;
}

SceneObject* SceneObject::appendToTree(std::unique_ptr<SceneObject> object) {
    SceneObject* raw = object.get();
    SceneObject* p = this;
    if (!p->prev) {
        if (!p->firstChild) {
            object->prev = p;
            p->firstChild = std::move(object);
            raw->init();
            return raw;
        }
        p = p->firstChild.get();
    }
    while (p->next) p = p->next.get();
    object->prev = p;
    p->next = std::move(object);
    raw->init();
    return raw;
}

}  // namespace qm
