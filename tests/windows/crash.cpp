// crash.cpp -- writes a line, then dies of an access violation: under the tests' Wine it must fail.
#include <cstdio>

int main(int argc, char**) {
    std::puts("before the crash");
    std::fflush(stdout);
    volatile int* nowhere = nullptr;
    if (argc < 100) *nowhere = 1;
    return 0;
}
