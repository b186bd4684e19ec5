// main.cpp -- quillmoor-compose OUT.xm [--wav OUT.wav]: writes the bundled demo's song, and a render to
// listen to.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "compose/demo_song.h"
#include "music/song_stream.h"

namespace {

bool writeFile(const char* path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

void put16(std::string& out, unsigned v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}
void put32(std::string& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// The song's first pass as the player plays it (sync marks removed), as 16-bit stereo WAV bytes.
std::string renderWav(const std::string& song) {
    qm::SongStream stream;
    if (!stream.open(song, qm::SongStream::Passes::Once)) return {};
    auto queue = std::make_unique<qm::SyncQueue>();
    constexpr size_t kChunk = 4096;
    std::vector<int16_t> block(kChunk * qm::SongStream::kChannels);
    std::string pcm;
    while (!stream.finished()) {
        stream.render(block.data(), kChunk, *queue);
        qm::SyncEvent e;
        while (queue->peek(e)) queue->pop();  // the marks are not needed here
        for (int16_t s : block) put16(pcm, static_cast<uint16_t>(s));
    }
    // Cut the silence rendered after the end.
    const size_t frameBytes = 2 * qm::SongStream::kChannels;
    pcm.resize(std::min(pcm.size(), static_cast<size_t>(stream.framesDecoded()) * frameBytes));

    std::string wav = "RIFF";
    put32(wav, static_cast<uint32_t>(36 + pcm.size()));
    wav += "WAVEfmt ";
    put32(wav, 16);
    put16(wav, 1);  // PCM
    put16(wav, qm::SongStream::kChannels);
    put32(wav, qm::SongStream::kRate);
    put32(wav, static_cast<uint32_t>(qm::SongStream::kRate * frameBytes));
    put16(wav, static_cast<unsigned>(frameBytes));
    put16(wav, 16);
    wav += "data";
    put32(wav, static_cast<uint32_t>(pcm.size()));
    return wav + pcm;
}

int usage(int status) {
    std::fprintf(stderr,
                 "usage: quillmoor-compose OUT.xm [--wav OUT.wav]\n"
                 "(writes the demo's song; --wav also renders it as the player plays it)\n");
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) return usage(0);
    const bool withWav = argc == 4 && std::strcmp(argv[2], "--wav") == 0;
    if (argc != 2 && !withWav) return usage(2);

    const qm::demosong::Composition composition = qm::demosong::compose();
    for (const std::string& problem : composition.problems)
        std::fprintf(stderr, "quillmoor-compose: %s\n", problem.c_str());
    const std::string song =
        composition.problems.empty() ? qm::modwrite::writeXm(composition.song) : std::string();
    if (song.empty()) {
        std::fprintf(stderr, "quillmoor-compose: the song could not be written\n");
        return 1;
    }
    if (!writeFile(argv[1], song)) {
        std::fprintf(stderr, "quillmoor-compose: cannot write %s\n", argv[1]);
        return 1;
    }
    std::printf("quillmoor-compose: %s, %zu bytes\n", argv[1], song.size());
    if (withWav) {
        const std::string wav = renderWav(song);
        if (wav.empty() || !writeFile(argv[3], wav)) {
            std::fprintf(stderr, "quillmoor-compose: cannot render %s\n", argv[3]);
            return 1;
        }
        std::printf("quillmoor-compose: %s, %.1f s\n", argv[3],
                    static_cast<double>(wav.size() - 44) / (4.0 * qm::SongStream::kRate));
    }
    return 0;
}
