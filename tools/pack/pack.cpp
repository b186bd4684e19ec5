// pack.cpp -- quillmoor-pack: the demo checked and its files found with the player's readers, then the web
// folder and the Windows zip written whole or not at all.
#include "pack/pack.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>
#include <sstream>

#include "base/paths.h"
#include "check/checker.h"
#include "pack/zip_writer.h"

namespace qm::pack {

namespace fs = std::filesystem;

namespace {

constexpr const char* kWebProgram[] = {"quillmoor.html", "quillmoor.js", "quillmoor.wasm"};
constexpr const char* kWindowsPrograms[] = {"quillmoor.exe", "quillmoor-check.exe", "SDL.dll", "README.txt"};

// Reads the demo from disk as the player does and notes every file read, by the
// path it resolved to (as named on disk), without "." or doubled separators, so that
// a file a script names as ".\data\x.png" and another as "data\x.png" is one file.
class RecordingFiles : public FileSource {
public:
    bool read(std::string_view scriptPath, std::string& out) override {
        if (!disk_.read(scriptPath, out)) return false;
        read_.insert(fs::path(resolvePath(scriptPath)).lexically_normal().generic_string());
        return true;
    }
    const std::set<std::string>& paths() const { return read_; }

private:
    DiskFiles disk_;
    std::set<std::string> read_;
};

// The named files and the folder licences/ (what is built into them may be published
// only with its licence texts).
bool allPresent(const std::string& dir, const auto& names) {
    if (dir.empty()) return false;
    std::error_code ec;
    for (const char* name : names)
        if (!fs::is_regular_file(fs::path(dir) / name, ec)) return false;
    return fs::is_directory(fs::path(dir) / "licences", ec);
}

// The path as it is on disk: absolute, symbolic links followed, "." and ".." gone.
fs::path onDisk(const fs::path& path) {
    std::error_code ec;
    return fs::weakly_canonical(fs::absolute(path, ec), ec);
}

// Whether `path` is `folder` or lies inside it, both as they are on disk.
bool within(const fs::path& path, const fs::path& folder) {
    const fs::path rel = onDisk(path).lexically_relative(onDisk(folder));
    return !rel.empty() && *rel.begin() != "..";
}

// A path the demo names that stays inside its folder: relative, without "..".
bool insideFolder(const std::string& path) {
    const fs::path p(path);
    if (p.empty() || p.is_absolute() || p.has_root_name()) return false;
    for (const fs::path& part : p)
        if (part == "..") return false;
    return true;
}

std::string megabytes(uintmax_t bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1048576.0);
    return text;
}

bool readFile(const fs::path& path, std::string& out) {
    // The release files and the demo's own, by the names the checker found on disk:
    // no script path resolution (readWholeFile's) is wanted here.
    FileHandle f(std::fopen(path.string().c_str(), "rb"));
    return f && readRest(f.get(), out);
}

bool writeFile(const fs::path& path, std::string_view bytes) {
    FileHandle f(std::fopen(path.string().c_str(), "wb"));
    if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f.get()) != bytes.size()) return false;
    return std::fclose(f.release()) == 0;
}

// The files of a release folder's licences/, relative to it, sorted.
std::vector<std::string> licenceFiles(const std::string& releaseDir) {
    std::vector<std::string> names;
    std::error_code ec;
    const fs::path folder = fs::path(releaseDir) / "licences";
    for (const auto& entry : fs::recursive_directory_iterator(folder, ec))
        if (entry.is_regular_file(ec))
            names.push_back(fs::relative(entry.path(), releaseDir, ec).generic_string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string jsonString(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// What is written, counted for the closing line.
struct Tally {
    size_t files = 0;
    uintmax_t bytes = 0;
    void add(uintmax_t size) { ++files, bytes += size; }
};

// A name beside `target` for the output while it is written; renamed at the end.
fs::path partialName(const fs::path& target) {
    return target.parent_path() / (target.filename().string() + ".partial-" + std::to_string(::getpid()));
}

// Puts the finished output in place of `target` (replacing what is there, when asked).
bool putInPlace(const fs::path& partial, const fs::path& target, std::string& error) {
    std::error_code ec;
    fs::path old;
    if (fs::exists(fs::symlink_status(target, ec))) {
        old = target.parent_path() / (target.filename().string() + ".old-" + std::to_string(::getpid()));
        fs::rename(target, old, ec);
        if (ec) {
            error = "cannot replace " + target.string() + ": " + ec.message();
            return false;
        }
    }
    fs::rename(partial, target, ec);
    if (ec) {
        error = "cannot write " + target.string() + ": " + ec.message();
        if (!old.empty()) fs::rename(old, target, ec);
        return false;
    }
    if (!old.empty()) fs::remove_all(old, ec);
    return true;
}

bool writeWeb(const PackOptions& o, const ReleaseFiles& release, const std::vector<std::string>& demo,
              Tally& tally, std::string& error) {
    const fs::path target(o.webOut);
    std::error_code ec;
    if (!target.parent_path().empty()) fs::create_directories(target.parent_path(), ec);
    const fs::path partial = partialName(target);
    fs::remove_all(partial, ec);
    fs::create_directories(partial, ec);
    if (ec) {
        error = "cannot make " + partial.string() + ": " + ec.message();
        return false;
    }
    std::vector<uintmax_t> sizes;  // of the files copied, in order
    auto copy = [&](const fs::path& from, const std::string& name) {
        const fs::path to = partial / name;
        fs::create_directories(to.parent_path(), ec);
        const uintmax_t size = fs::file_size(from, ec);
        if (ec || !fs::copy_file(from, to, ec)) {
            error = "cannot copy " + from.string() + " to " + to.string();
            return false;
        }
        tally.add(size);
        sizes.push_back(size);
        return true;
    };
    bool ok = true;
    for (const char* name : kWebProgram) ok = ok && copy(fs::path(release.webDir) / name, name);
    for (const std::string& name : licenceFiles(release.webDir))
        ok = ok && copy(fs::path(release.webDir) / name, name);
    std::string manifest = "{\n  \"files\": [\n";
    for (size_t i = 0; ok && i < demo.size(); ++i) {
        ok = copy(fs::path(o.dir) / demo[i], demo[i]);
        if (!ok) break;
        manifest += "    {\"path\": " + jsonString(demo[i]) + ", \"bytes\": " + std::to_string(sizes.back()) +
                    "}" + (i + 1 < demo.size() ? ",\n" : "\n");
    }
    manifest += "  ]\n}\n";
    if (ok && !writeFile(partial / "demo.json", manifest)) {
        error = "cannot write " + (partial / "demo.json").string();
        ok = false;
    }
    if (ok) tally.add(manifest.size());
    if (ok) ok = putInPlace(partial, target, error);
    if (!ok) fs::remove_all(partial, ec);
    return ok;
}

bool writeWindows(const PackOptions& o, const ReleaseFiles& release, const std::vector<std::string>& demo,
                  Tally& tally, std::string& error) {
    const fs::path target(o.windowsOut);
    std::error_code ec;
    if (!target.parent_path().empty()) fs::create_directories(target.parent_path(), ec);
    const fs::path partial = partialName(target);
    FileHandle file(std::fopen(partial.string().c_str(), "wb"));
    if (!file) {
        error = "cannot write " + partial.string();
        return false;
    }
    // Unpacked, the archive makes one folder named after it.
    const std::string folder = target.stem().string();
    ZipWriter zip(file.get());
    auto add = [&](const fs::path& from, const std::string& name) {
        std::string bytes;
        if (!readFile(from, bytes)) {
            error = "cannot read " + from.string();
            return false;
        }
        if (!zip.add(folder + "/" + name, bytes)) {
            error = zip.error();
            return false;
        }
        tally.add(bytes.size());
        return true;
    };
    bool ok = true;
    for (const char* name : kWindowsPrograms) ok = ok && add(fs::path(release.windowsDir) / name, name);
    for (const std::string& name : licenceFiles(release.windowsDir))
        ok = ok && add(fs::path(release.windowsDir) / name, name);
    for (const std::string& name : demo) ok = ok && add(fs::path(o.dir) / name, name);
    if (ok && !zip.finish()) {
        error = zip.error();
        ok = false;
    }
    if (ok && std::fclose(file.release()) != 0) {
        error = "cannot write " + partial.string();
        ok = false;
    }
    if (ok) ok = putInPlace(partial, target, error);
    if (!ok) {
        file.reset();
        fs::remove(partial, ec);
    }
    return ok;
}

// An output as given, without a trailing separator ("site/" is the folder site): its
// temporary name is made beside it from its last name.
std::string outputPath(std::string_view given) {
    fs::path p = fs::path(given).lexically_normal();
    if (!p.has_filename() && p.has_parent_path()) p = p.parent_path();
    return p.string();
}

}  // namespace

bool ReleaseFiles::hasWeb() const {
    return allPresent(webDir, kWebProgram);
}

bool ReleaseFiles::hasWindows() const {
    return allPresent(windowsDir, kWindowsPrograms);
}

ReleaseFiles findReleaseFiles(const std::string& executable) {
    if (executable.empty()) return {};
    const fs::path share = fs::path(executable).parent_path().parent_path() / "share" / "quillmoor";
    return {(share / "web").string(), (share / "windows").string()};
}

ParseResult parsePackOptions(int argc, const char* const* argv, PackOptions& o, std::string& error) {
    bool haveDir = false;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        std::string_view value;
        bool valueGiven = false;
        if (arg.starts_with("--") && arg.find('=') != std::string_view::npos) {
            value = arg.substr(arg.find('=') + 1);
            arg = arg.substr(0, arg.find('='));
            valueGiven = true;
        }
        const bool takesValue = arg == "--web" || arg == "--windows";
        if (valueGiven && !takesValue) {
            error = std::string(arg) + " takes no value";
            return ParseResult::UsageError;
        }
        if (takesValue && !valueGiven) {
            if (i + 1 >= argc) {
                error = std::string(arg) + " needs a value";
                return ParseResult::UsageError;
            }
            value = argv[++i];
        }
        if (arg == "--help" || arg == "-h") return ParseResult::Help;
        if (arg == "--version") return ParseResult::Version;
        if (arg == "--web") {
            o.webOut = outputPath(value);
        } else if (arg == "--windows") {
            o.windowsOut = outputPath(value);
        } else if (arg == "--force") {
            o.force = true;
        } else if (arg == "--werror") {
            o.werror = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            error = "unknown option " + std::string(arg);
            return ParseResult::UsageError;
        } else if (haveDir) {
            error = "one demo folder only";
            return ParseResult::UsageError;
        } else {
            o.dir = arg;
            haveDir = true;
        }
        if (takesValue && value.empty()) {
            error = std::string(arg) + " needs a value";
            return ParseResult::UsageError;
        }
    }
    if (o.webOut.empty() && o.windowsOut.empty()) {
        error = "nothing to write: give --web FOLDER, --windows FILE.zip or both";
        return ParseResult::UsageError;
    }
    return ParseResult::Run;
}

std::string packUsage(const ReleaseFiles& release) {
    std::string text =
        "Usage: quillmoor-pack [OPTION]... [DIR]\n"
        "Publishes the demo in DIR (default: the working directory), which holds data/globals.qms: checks "
        "it\n"
        "with the player's own readers (errors stop it, warnings are shown), then writes the files the demo\n"
        "reads, and nothing else from its folder, together with the player for the web or for Windows.\n"
        "\n"
        "  --web FOLDER      a folder to copy to any web server: quillmoor.html and its program, demo.json\n"
        "                    and the demo's files; open quillmoor.html through the server\n"
        "  --windows FILE    a zip to unpack and double-click on Windows: quillmoor.exe, "
        "quillmoor-check.exe,\n"
        "                    SDL.dll, README.txt and the demo's files under data\\\n"
        "  --force           replace an output that exists (otherwise it is left alone)\n"
        "  --werror          the checker's warnings stop it too\n"
        "  --help            show this help\n"
        "  --version         show the version\n"
        "\n"
        "Each output is written whole or not at all. Both carry the licence texts of what is built into "
        "them.\n";
    text += "\nThis installation ";
    if (release.hasWeb() && release.hasWindows())
        text += "has both the web page and the Windows programs.\n";
    else if (release.hasWeb())
        text += "has the web page but not the Windows programs (" + release.windowsDir + "): no --windows.\n";
    else if (release.hasWindows())
        text += "has the Windows programs but not the web page (" + release.webDir + "): no --web.\n";
    else
        text += "has neither the web page (" + release.webDir + ") nor the Windows programs (" +
                release.windowsDir + "): it was built without them, so it writes nothing.\n";
    text +=
        "\nExit status: 0 written, 1 errors in the demo or an output that could not be written, 2 bad "
        "usage,\n"
        "no demo in DIR, an output that exists (without --force) or would replace the demo's own files, or\n"
        "an output this installation lacks.\n";
    return text;
}

int demoFiles(const std::string& dir, bool werror, std::vector<std::string>& files,
              std::ostream& diagnostics) {
    RecordingFiles recorder;
    check::CheckOptions options;
    options.dir = dir;
    options.werror = werror;
    options.files = &recorder;
    std::ostringstream ignored;  // no timeline
    const int status = check::runCheck(options, ignored, diagnostics);
    files.assign(recorder.paths().begin(), recorder.paths().end());
    return status;
}

int runPack(const PackOptions& o, const ReleaseFiles& release, std::ostream& out, std::ostream& err) {
    const auto complain = [&](const std::string& message, int status) {
        err << "quillmoor-pack: " << message << "\n";
        return status;
    };
    if (!o.webOut.empty() && !release.hasWeb())
        return complain("this installation has no web page (quillmoor.html, .js and .wasm in " +
                            release.webDir +
                            "): it was built without the web build, so it cannot write --web",
                        2);
    if (!o.windowsOut.empty() && !release.hasWindows())
        return complain(
            "this installation has no Windows programs (quillmoor.exe, quillmoor-check.exe and "
            "SDL.dll in " +
                release.windowsDir +
                "): it was built without the Windows build, so it cannot write --windows",
            2);
    std::error_code ec;
    for (const std::string& output : {o.webOut, o.windowsOut})
        if (!output.empty() && !o.force && fs::exists(fs::symlink_status(output, ec)))
            return complain(output + " exists; --force replaces it", 2);
    if (!o.webOut.empty() && !o.windowsOut.empty() && onDisk(o.webOut) == onDisk(o.windowsOut))
        return complain("--web and --windows name the same output", 2);

    std::vector<std::string> files;
    const int status = demoFiles(o.dir, o.werror, files, err);
    if (status == check::kNoDemo) return 2;
    if (status != check::kClean) return complain("the demo has errors; nothing written", 1);
    for (const std::string& file : files)
        if (!insideFolder(file))
            return complain("the demo reads " + file + ", which lies outside its folder " + o.dir +
                                ": copy it into the folder and name it from there; nothing written",
                            1);
    // An output is replaced whole: it must hold neither the demo's folder nor a file the demo reads.
    for (const std::string& output : {o.webOut, o.windowsOut}) {
        if (output.empty()) continue;
        bool overlaps = within(o.dir, output);
        for (const std::string& file : files) overlaps = overlaps || within(fs::path(o.dir) / file, output);
        if (overlaps)
            return complain(output + " would replace the demo's own files; write it outside them", 2);
    }
    uintmax_t demoBytes = 0;
    for (const std::string& file : files) demoBytes += fs::file_size(fs::path(o.dir) / file, ec);

    std::string error;
    if (!o.webOut.empty()) {
        Tally tally;
        if (!writeWeb(o, release, files, tally, error))
            return complain(error + "; " + o.webOut + " not written", 1);
        out << "quillmoor-pack: wrote " << o.webOut << ": " << tally.files << " files, "
            << megabytes(tally.bytes) << " (the demo's " << files.size() << " files, " << megabytes(demoBytes)
            << ")\n";
    }
    if (!o.windowsOut.empty()) {
        Tally tally;
        if (!writeWindows(o, release, files, tally, error))
            return complain(error + "; " + o.windowsOut + " not written", 1);
        out << "quillmoor-pack: wrote " << o.windowsOut << ": " << tally.files << " files, "
            << megabytes(tally.bytes) << " unpacked, " << megabytes(fs::file_size(o.windowsOut, ec))
            << " packed (the demo's " << files.size() << " files, " << megabytes(demoBytes) << ")\n";
    }
    return 0;
}

}  // namespace qm::pack
