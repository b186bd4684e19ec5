// normal_vertex.h -- the vertex layout of the lit meshes: OpenGL's interleaved GL_N3F_V3F.
#pragma once

namespace qm {

// The normal, then the position: 24 bytes, as glInterleavedArrays(GL_N3F_V3F) reads them.
struct NormalVertex {
    float nx = 0, ny = 0, nz = 0;
    float x = 0, y = 0, z = 0;
};
static_assert(sizeof(NormalVertex) == 24, "GL_N3F_V3F expects 24-byte vertices");

}  // namespace qm
