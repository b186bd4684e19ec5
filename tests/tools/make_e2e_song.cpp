// make_e2e_song.cpp -- writes a small XM song with Zxx marks at chosen rows, for the end-to-end tests.
// Usage: quillmoor-e2e-song OUT.xm PATTERNS ROW:VALUE... (64-row patterns, 0.12 s per row)
#include <cstdio>
#include <cstdlib>
#include <string>

#include "support/test_songs.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s OUT.xm PATTERNS [ROW:VALUE]...\n", argv[0]);
        return 2;
    }
    const int patterns = std::atoi(argv[2]);
    qm::modwrite::Song song = qm::test::basicSong(2, patterns, 64);
    for (int i = 3; i < argc; ++i) {
        int row = 0, value = 0;
        if (std::sscanf(argv[i], "%d:%d", &row, &value) != 2 || row < 0 || row >= patterns * 64) {
            std::fprintf(stderr, "bad mark: %s\n", argv[i]);
            return 2;
        }
        qm::test::putSync(song, row / 64, row % 64, 1, static_cast<uint8_t>(value));
    }
    const std::string bytes = qm::test::writeSong(song, qm::test::SongFormat::Xm);
    std::FILE* out = std::fopen(argv[1], "wb");
    if (!out || std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size()) return 1;
    return std::fclose(out) == 0 ? 0 : 1;
}
