// main.cpp -- quillmoor-check [--werror] [--timeline] [DIR]: the command line of the script checker.
#include <cstring>
#include <iostream>
#include <string_view>

#include "check/checker.h"

namespace {

constexpr std::string_view kUsage =
    "usage: quillmoor-check [--werror] [--timeline] [DIR]\n"
    "Checks the demo in DIR (default: the working directory), which holds data/globals.qms, with the\n"
    "player's own readers, and reports what the player would silently ignore or read otherwise, one\n"
    "line each, sorted by file and line, with paths relative to DIR as the files are named on disk:\n"
    "  data/intro.qms:12: warning: unknown object \"boxx\"; commands will act on the camera\n"
    "Errors are files the demo names that cannot be used (missing, unreadable, unsupported, damaged) and\n"
    "a globals script that cannot be read; everything else is a warning.\n"
    "\n"
    "  --werror    treat warnings as errors\n"
    "  --timeline  write the song's sync in time order to standard output: time, order/row, Zxx value,\n"
    "              the scene current then, and what happens\n"
    "  --help      show this text\n"
    "\n"
    "Exit status: 0 no errors (warnings allowed), 1 errors, 2 no demo in DIR or bad usage.\n";

}  // namespace

int main(int argc, char** argv) {
    qm::check::CheckOptions options;
    bool haveDir = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return qm::check::kClean;
        } else if (arg == "--werror") {
            options.werror = true;
        } else if (arg == "--timeline") {
            options.timeline = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            std::cerr << "quillmoor-check: unknown option " << arg << "\n" << kUsage;
            return qm::check::kNoDemo;
        } else if (haveDir) {
            std::cerr << "quillmoor-check: one folder only\n" << kUsage;
            return qm::check::kNoDemo;
        } else {
            options.dir = arg;
            haveDir = true;
        }
    }
    return qm::check::runCheck(options, std::cout, std::cerr);
}
