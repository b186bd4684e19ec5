// temp_dir.h -- a scratch working directory for tests that read files, removed afterwards.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace qm::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // Writes a file below the directory (folders are created); returns its full path.
    std::string write(std::string_view relative, std::string_view bytes) const;

private:
    std::filesystem::path path_;
};

// Changes the working directory for the lifetime of the object.
class ScopedWorkingDirectory {
public:
    explicit ScopedWorkingDirectory(const std::filesystem::path& dir);
    ~ScopedWorkingDirectory();

private:
    std::filesystem::path previous_;
};

}  // namespace qm::test
