// checker.cpp -- one run of the checker: the player's objects set up for reading only, the checks, the
// report.
#include "check/checker.h"

#include <filesystem>

#include "base/paths.h"
#include "check/diagnostics.h"
#include "check/script_check.h"
#include "check/sync_check.h"
#include "runtime/demo_run.h"

namespace qm::check {

namespace {

// The scripts the player reads at start, in this order.
constexpr std::string_view kMaterialsScript = "data\\materials.qms";
constexpr std::string_view kGlobalsScript = "data\\globals.qms";

// Works in another folder for its lifetime.
class WorkingDirectory {
public:
    explicit WorkingDirectory(const std::string& dir) {
        std::error_code error;
        previous_ = std::filesystem::current_path(error);
        if (error) return;
        std::filesystem::current_path(dir, error);
        entered_ = !error;
    }
    ~WorkingDirectory() {
        if (entered_) {
            std::error_code error;
            std::filesystem::current_path(previous_, error);
        }
    }
    WorkingDirectory(const WorkingDirectory&) = delete;
    WorkingDirectory& operator=(const WorkingDirectory&) = delete;

    bool entered() const { return entered_; }

private:
    std::filesystem::path previous_;
    bool entered_ = false;
};

std::string counted(size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

int runCheck(const CheckOptions& options, std::ostream& out, std::ostream& diagnostics) {
    std::error_code error;
    if (!std::filesystem::is_directory(options.dir, error)) {
        diagnostics << "quillmoor-check: " << options.dir << ": no such folder\n";
        return kNoDemo;
    }
    WorkingDirectory inDemo(options.dir);
    if (!inDemo.entered()) {
        diagnostics << "quillmoor-check: " << options.dir << ": cannot enter the folder\n";
        return kNoDemo;
    }
    const std::string globalsFile = displayPath(kGlobalsScript);
    if (!std::filesystem::is_regular_file(resolvePath(kGlobalsScript), error)) {
        diagnostics << "quillmoor-check: no demo in " << options.dir << ": " << globalsFile << " not found\n";
        return kNoDemo;
    }

    Diagnostics found;
    {
        // The player's own readers, without a display, a GL context or a sound output:
        // textures are not made, the song is not played, the trace is not written.
        DemoRun run(RunSettings{.files = options.files, .uploadTextures = false});
        run.trace.setEnabled(false);
        run.music.setOfflineOutput(true);
        checkMaterials(found, run.materials, kMaterialsScript);
        ScriptCheck scripts(found, globalsFile, run);
        scripts.attach();
        if (run.demo.load(kGlobalsScript, &scripts)) {
            scripts.finish(run.demo);
            checkSync(scripts.facts(), run.demo, run.files, globalsFile, found,
                      options.timeline ? &out : nullptr, options.songs);
        } else {
            found.error(globalsFile, 0, "cannot open the globals script");
        }
    }

    const std::vector<Diagnostic> list = found.sorted(options.werror);
    Diagnostics::print(list, diagnostics);
    size_t errors = 0, warnings = 0;
    for (const Diagnostic& d : list) ++(d.severity == Severity::Error ? errors : warnings);
    if (!list.empty())
        diagnostics << "quillmoor-check: " << counted(errors, "error", "errors") << ", "
                    << counted(warnings, "warning", "warnings") << '\n';
    return errors > 0 ? kFoundErrors : kClean;
}

}  // namespace qm::check
