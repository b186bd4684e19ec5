// stage.h -- what the scenes of one run share: the active root camera, the selected object, the object
// factory, the files and the trace.
#pragma once

namespace qm {

class FileSource;
class ObjectFactory;
class SceneObject;
class Trace;

// One per run of the demo; every scene of the run is made with it and borrows it.
struct Stage {
    Stage(FileSource& files, Trace& trace) : files(files), trace(trace) {}
    Stage(const Stage&) = delete;
    Stage& operator=(const Stage&) = delete;

    FileSource& files;  // scene scripts and curve files are read from here
    Trace& trace;       // the "load" lines go here
    // Makes the objects of "new" lines; with none, every kind is unknown. Borrowed.
    ObjectFactory* factory = nullptr;
    // The root camera of the active scene: the fallback of every failed name look-up
    // and of unknown object kinds. Borrowed; set by Scene::activate.
    SceneObject* root = nullptr;
    // The object that commands act on. Not per list or scene: it keeps its value from
    // one run of a list to the next, in this scene or another. Borrowed.
    SceneObject* selected = nullptr;
};

}  // namespace qm
