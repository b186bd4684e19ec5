// demo_model.h -- the bundled demo's animated model: a breathing seed pod inside a tilted, precessing ring.
#pragma once

#include "md3write/md3_writer.h"

namespace qm::demomodel {

// One loop of the animation; frame kFrames would equal frame 0.
inline constexpr int kFrames = 24;

// The model, z up, about 4 units across, triangles wound clockwise seen from
// outside (the model object mirrors x, which turns them to face the viewer).
// The same every time it is built.
md3write::Model build();

}  // namespace qm::demomodel
