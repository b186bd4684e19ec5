// temp_dir.cpp -- scratch directories for file-reading tests.
#include "support/temp_dir.h"

#include <cstdlib>
#include <fstream>
#ifdef _WIN32
#include <io.h>
#endif

namespace qm::test {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quillmoor-test-XXXXXX").string();
#ifdef _WIN32
    // No mkdtemp: a fresh name, then the folder, which must not have been there.
    for (int tries = 0; tries < 100 && path_.empty(); ++tries) {
        std::string name = pattern;
        std::error_code error;
        if (::_mktemp_s(name.data(), name.size() + 1) == 0 && std::filesystem::create_directory(name, error))
            path_ = name;
    }
#else
    if (char* made = ::mkdtemp(pattern.data())) path_ = made;
#endif
}

TempDir::~TempDir() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::write(std::string_view relative, std::string_view bytes) const {
    const std::filesystem::path file = path_ / std::filesystem::path(std::string(relative));
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return file.string();
}

ScopedWorkingDirectory::ScopedWorkingDirectory(const std::filesystem::path& dir)
    : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(dir);
}

ScopedWorkingDirectory::~ScopedWorkingDirectory() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
}

}  // namespace qm::test
