// executable.cpp -- the running program's own path, as the system reports it.
#include "base/executable.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <filesystem>
#endif

namespace qm {

std::string executablePath() {
#ifdef _WIN32
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::string(path, length) : std::string();
#else
    std::error_code error;
    const std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : path.string();
#endif
}

}  // namespace qm
