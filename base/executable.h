// executable.h -- where the running program's own file is, for tools that find files installed beside it.
#pragma once

#include <string>

namespace qm {

// The full path of the running program's executable; empty when the system cannot say.
std::string executablePath();

}  // namespace qm
