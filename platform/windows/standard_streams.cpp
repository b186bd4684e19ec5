// standard_streams.cpp -- Windows: standard output and error carry the same bytes, flushed as on Linux.
//
// Linked into each Windows program itself (not through a library, which would leave an
// object that nothing names out), so that it runs before main.
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <initializer_list>

namespace {

// The C runtime opens the standard streams in text mode, which writes "\r\n" for each
// "\n": the trace and the checker's report would differ from Linux's. In binary mode
// they are the same bytes.
//
// Buffering as glibc does it: on a console, each line at once; elsewhere (a pipe, a
// file) 4096-byte blocks, written when full, at an explicit flush and at exit; standard
// error unbuffered. The C runtime takes line buffering for full buffering, so a console
// gets none: each write appears at once, which shows every line as soon as it ends.
// Everything else is set here rather than left to the runtime's defaults, which differ
// between Windows' C runtimes and Wine's.
struct StandardStreams {
    StandardStreams() {
        for (std::FILE* stream : {stdin, stdout, stderr}) ::_setmode(::_fileno(stream), _O_BINARY);
        if (::_isatty(::_fileno(stdout)))
            std::setvbuf(stdout, nullptr, _IONBF, 0);
        else
            std::setvbuf(stdout, nullptr, _IOFBF, 4096);
        std::setvbuf(stderr, nullptr, _IONBF, 0);
    }
};

const StandardStreams standardStreams;

}  // namespace
