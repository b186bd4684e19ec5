// main.cpp -- quillmoor-make-model: writes the bundled demo's animated MD3 model.
#include <cstdio>
#include <cstring>

#include "make_model/demo_model.h"

int main(int argc, char** argv) {
    if (argc != 2 || std::strcmp(argv[1], "--help") == 0) {
        std::fprintf(stderr, "usage: quillmoor-make-model OUT.md3\n");
        return argc == 2 ? 0 : 2;
    }
    const qm::md3write::Model model = qm::demomodel::build();
    if (!qm::md3write::writeFile(argv[1], model)) {
        std::fprintf(stderr, "quillmoor-make-model: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
