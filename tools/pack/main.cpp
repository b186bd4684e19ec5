// main.cpp -- quillmoor-pack: publishes a demo as a web page folder and a Windows zip.
#include <cstdio>
#include <iostream>

#include "base/executable.h"
#include "pack/pack.h"

int main(int argc, char** argv) {
    using namespace qm::pack;
    const ReleaseFiles release = findReleaseFiles(qm::executablePath());
    PackOptions options;
    std::string error;
    switch (parsePackOptions(argc, argv, options, error)) {
        case ParseResult::Help:
            std::cout << packUsage(release);
            return 0;
        case ParseResult::Version:
            std::printf("quillmoor-pack %s\n", QUILLMOOR_VERSION);
            return 0;
        case ParseResult::UsageError:
            std::fprintf(stderr, "quillmoor-pack: %s\nTry 'quillmoor-pack --help' for the options.\n",
                         error.c_str());
            return 2;
        case ParseResult::Run:
            break;
    }
    return runPack(options, release, std::cout, std::cerr);
}
