// soak_support.h -- what both soaks use: the memory the process holds, and a scratch copy of the demo.
#pragma once

#include <malloc.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace qm::soak {

// The resident set, from /proc/self/statm; 0 when it cannot be read.
inline double residentMb() {
    long pages = 0, resident = 0;
    if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1 << 20);
}

// Bytes handed out by malloc (not meaningful under AddressSanitizer).
inline double heapMb() {
    return static_cast<double>(mallinfo2().uordblks) / (1 << 20);
}

inline std::string contents(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// A scratch copy of the demo in a new temporary folder named after `prefix`, so that
// what a soak writes stays out of the build tree; empty on failure.
inline std::filesystem::path copyDemo(const std::filesystem::path& demoDir, const std::string& prefix) {
    namespace fs = std::filesystem;
    std::string pattern = (fs::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (!::mkdtemp(pattern.data())) return {};
    const fs::path dir = pattern;
    std::error_code failure;
    fs::copy(demoDir, dir, fs::copy_options::recursive | fs::copy_options::overwrite_existing, failure);
    if (failure) {
        fs::remove_all(dir, failure);
        return {};
    }
    return dir;
}

}  // namespace qm::soak
