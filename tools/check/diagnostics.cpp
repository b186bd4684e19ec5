// diagnostics.cpp -- sorting, de-duplicating and printing the checker's findings.
#include "check/diagnostics.h"

#include <algorithm>
#include <set>
#include <tuple>

#include "base/paths.h"

namespace qm::check {

void Diagnostics::add(std::string file, int line, Severity severity, std::string message) {
    list_.push_back({std::move(file), line, severity, std::move(message)});
}

std::vector<Diagnostic> Diagnostics::sorted(bool werror) const {
    std::vector<Diagnostic> out = list_;
    std::stable_sort(out.begin(), out.end(), [](const Diagnostic& a, const Diagnostic& b) {
        return std::tie(a.file, a.line) < std::tie(b.file, b.line);
    });
    std::vector<Diagnostic> unique;
    std::set<std::tuple<std::string, int, Severity, std::string>> seen;
    for (Diagnostic& d : out) {
        if (!seen.insert({d.file, d.line, d.severity, d.message}).second) continue;
        if (werror) d.severity = Severity::Error;
        unique.push_back(std::move(d));
    }
    return unique;
}

void Diagnostics::print(const std::vector<Diagnostic>& list, std::ostream& out) {
    for (const Diagnostic& d : list) {
        out << d.file;
        if (d.line > 0) out << ':' << d.line;
        out << (d.severity == Severity::Error ? ": error: " : ": warning: ") << d.message << '\n';
    }
}

std::string displayPath(std::string_view scriptPath) {
    return resolvePath(scriptPath);
}

std::string inQuotes(std::string_view word) {
    std::string q = "\"";
    q += word;
    q += '"';
    return q;
}

}  // namespace qm::check
