// demo.cpp -- the globals script reader and the playlist.
#include "runtime/demo.h"

namespace qm {

bool Demo::load(std::string_view) { return true; }
void Demo::frame() {}

}  // namespace qm
