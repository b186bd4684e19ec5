// diagnostics.h -- the checker's findings: one line each, in the form editors and compilers use.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace qm::check {

enum class Severity { Warning, Error };

struct Diagnostic {
    std::string file;  // as displayPath shows it
    int line = 0;      // 1-based; 0 for a finding about the whole file
    Severity severity = Severity::Warning;
    std::string message;
};

class Diagnostics {
public:
    void add(std::string file, int line, Severity severity, std::string message);
    void warning(std::string file, int line, std::string message) {
        add(std::move(file), line, Severity::Warning, std::move(message));
    }
    void error(std::string file, int line, std::string message) {
        add(std::move(file), line, Severity::Error, std::move(message));
    }

    // Sorted by file, then line, then in the order found; exact repeats (a script
    // read for two scenes) dropped. With `werror` every warning counts as an error.
    std::vector<Diagnostic> sorted(bool werror) const;
    // Writes "file:line: severity: message" lines (no ":line" for line 0).
    static void print(const std::vector<Diagnostic>& list, std::ostream& out);

private:
    std::vector<Diagnostic> list_;
};

// A script path as diagnostics show it: the name of the file on disk, found as the
// readers find it (case-insensitively, '/' for '\'), so that an editor can open
// it; a file that does not exist as written, with '/' for '\'. Relative to the
// working directory, so called while the checker works in the demo folder.
std::string displayPath(std::string_view scriptPath);

// Quotes a word for a message: "word".
std::string inQuotes(std::string_view word);

}  // namespace qm::check
