// paths.cpp -- backslash mapping and case-insensitive resolution of script paths.
#include "base/paths.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <cstring>
#include <vector>

namespace qm {

namespace {

bool exists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

// The readers read up to the end of a file. A device or a pipe named by a script
// ("/dev/zero", a FIFO) would never end, or never open, and a folder holds no text.
bool isRegularFile(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The entry of folder `dir` whose name equals `name` ignoring ASCII case, or "".
std::string findEntryIgnoringCase(const std::string& dir, const std::string& name) {
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (!d) return {};
    std::string found;
    while (const dirent* e = ::readdir(d)) {
        if (::strcasecmp(e->d_name, name.c_str()) == 0) {
            found = e->d_name;
            if (found == name) break;  // an exact match wins over a case-folded one
        }
    }
    ::closedir(d);
    return found;
}

// The name on disk of `component` in folder `dir` (`resolved` with its '/'), or "".
std::string matchComponent(const std::string& resolved, const std::string& dir,
                           const std::string& component) {
#ifdef _WIN32
    // Windows opens a file whatever the case of its name, so the name is looked up in
    // its folder even when it opens as written: paths read as on Linux, the checker's
    // file names included. A name that is not listed (a device such as NUL, a folder
    // that cannot be listed) is kept when it opens.
    std::string found = findEntryIgnoringCase(dir, component);
    if (found.empty() && exists(resolved + component)) found = component;
    return found;
#else
    return exists(resolved + component) ? component : findEntryIgnoringCase(dir, component);
#endif
}

}  // namespace

std::string resolvePath(std::string_view scriptPath) {
    std::string mapped(scriptPath);
    for (char& c : mapped)
        if (c == '\\') c = '/';
    if (mapped.empty()) return mapped;
#ifndef _WIN32
    if (exists(mapped)) return mapped;
#endif

    // Walk the components, replacing each by its case-insensitive match. The root
    // ("/", or on Windows a drive: "C:/", "C:") stays as written.
    size_t root = mapped[0] == '/' ? 1 : 0;
#ifdef _WIN32
    if (mapped.size() >= 2 && mapped[1] == ':') root = mapped.size() > 2 && mapped[2] == '/' ? 3 : 2;
#endif
    std::string resolved = mapped.substr(0, root);
    size_t pos = root;
    while (pos <= mapped.size()) {
        size_t slash = mapped.find('/', pos);
        if (slash == std::string::npos) slash = mapped.size();
        std::string component = mapped.substr(pos, slash - pos);
        pos = slash + 1;
        if (component.empty() || component == "." || component == "..") {
            if (!component.empty()) resolved += component + (slash < mapped.size() ? "/" : "");
            continue;
        }
        std::string dir = resolved;
        if (!dir.empty() && dir.back() == '/' && dir.size() > root) dir.pop_back();
        std::string match = matchComponent(resolved, dir, component);
        if (match.empty()) return mapped;
        resolved += match;
        if (slash < mapped.size()) resolved += '/';
    }
    return resolved;
}

FileHandle openFile(std::string_view scriptPath, const char* givenMode) {
    const std::string path = resolvePath(scriptPath);
#ifdef _WIN32
    // Windows' text mode drops the '\r' of "\r\n" and ends a file at a Ctrl-Z byte; the
    // readers take every byte as it is, as they do on Linux.
    std::string binaryMode = givenMode;
    if (!std::strchr(givenMode, 'b')) binaryMode += 'b';
    const char* mode = binaryMode.c_str();
#else
    const char* mode = givenMode;
#endif
    const bool reading = mode[0] == 'r' && !std::strchr(mode, '+');
    if (!reading) return FileHandle(std::fopen(path.c_str(), mode));
    if (!isRegularFile(path)) return nullptr;
    return FileHandle(std::fopen(path.c_str(), mode));
}

bool readRest(std::FILE* file, std::string& out) {
    out.clear();
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) out.append(buffer, n);
    return !std::ferror(file);
}

bool readWholeFile(std::string_view scriptPath, std::string& out) {
    FileHandle f = openFile(scriptPath, "rb");
    return f && readRest(f.get(), out);
}

}  // namespace qm
