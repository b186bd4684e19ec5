// recording_object.h -- a test-only scene object kind that records what the scene asks of it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "scene/scene_object.h"

namespace qm::test {

// Appends "init name", "update name", "draw name" to a shared log, and keeps the
// texts of load and the codes of trigger.
class RecordingObject : public SceneObject {
public:
    explicit RecordingObject(std::string_view objectName, std::vector<std::string>* sharedLog = nullptr)
        : log(sharedLog) {
        setName(objectName);
    }

    void init() override { record("init"); }
    void draw(const FrameContext&) override { record("draw"); }
    void update(const FrameContext&) override { record("update"); }
    void load(std::string_view text) override { loads.emplace_back(text); }
    void trigger(int code) override { triggers.push_back(code); }

    std::vector<std::string>* log;
    std::vector<std::string> loads;
    std::vector<int> triggers;

private:
    void record(const char* what) {
        if (log) log->push_back(std::string(what) + " " + name.value_or("?"));
    }
};

}  // namespace qm::test
