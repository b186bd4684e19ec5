// main.cpp -- quillmoor-starter DIR: writes the starter demo into DIR, until quillmoor-live --new does.
#include <cstdio>
#include <string>

#include "starter/starter_demo.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: quillmoor-starter DIR\n(writes a small demo to grow into DIR/data)\n");
        return 2;
    }
    std::string error;
    if (!qm::starter::writeStarterDemo(argv[1], error)) {
        std::fprintf(stderr, "quillmoor-starter: %s\n", error.c_str());
        return 1;
    }
    std::printf("quillmoor-starter: a new demo in %s; play it there with quillmoor\n", argv[1]);
    return 0;
}
