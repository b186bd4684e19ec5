// pack.h -- quillmoor-pack: a demo folder published as a web page folder and a Windows zip, with only the
// files the demo reads.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace qm::pack {

struct PackOptions {
    std::string dir = ".";   // the demo folder, which holds data/globals.qms
    std::string webOut;      // --web: the folder to write; empty for none
    std::string windowsOut;  // --windows: the zip to write; empty for none
    bool force = false;      // an output that exists is replaced
    bool werror = false;     // the checker's warnings count as errors
};

enum class ParseResult { Run, Help, Version, UsageError };
ParseResult parsePackOptions(int argc, const char* const* argv, PackOptions& options, std::string& error);

// The page's and the Windows programs' files, installed beside the tool: `webDir` holds
// quillmoor.html, .js and .wasm, `windowsDir` quillmoor.exe, quillmoor-check.exe and
// SDL.dll; both a folder licences/ with the licence texts of what is built into them.
struct ReleaseFiles {
    std::string webDir;
    std::string windowsDir;
    bool hasWeb() const;
    bool hasWindows() const;
};
// share/quillmoor/web and share/quillmoor/windows one folder above the executable's
// (bin/ of an installed tree, or tools/ of a build folder).
ReleaseFiles findReleaseFiles(const std::string& executable);

std::string packUsage(const ReleaseFiles& release);

// The files the demo in `dir` reads, found by reading it with the player's own
// readers (as the checker does), relative to `dir` with '/' and named as they are on
// disk, sorted. The checker's diagnostics go to `diagnostics`; returns its status.
int demoFiles(const std::string& dir, bool werror, std::vector<std::string>& files,
              std::ostream& diagnostics);

// Checks the demo and writes the outputs the options ask for; what was written goes
// to `out`, everything else to `err`. Returns the exit status: 0 written, 1 checker
// errors or a write failure, 2 usage or no demo.
int runPack(const PackOptions& options, const ReleaseFiles& release, std::ostream& out, std::ostream& err);

}  // namespace qm::pack
