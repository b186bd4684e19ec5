// knot_reference.h -- a straightforward torus knot trace written through an output stream, vertex by
// vertex: the oracle for the player's fast trace and the baseline of its benchmark.
#pragma once

#include <ostream>

namespace qm {
class TorusKnot;
}

namespace qm::test {

// Writes the "n2:"/"b:" lines of every vertex of the knot's current curve
// (knotPoints, phase and swell as the last update left them).
void writeReferenceKnotTrace(const TorusKnot& knot, std::ostream& out);

}  // namespace qm::test
