// wav_file.h -- a 44.1 kHz 16-bit stereo WAV file written as the sound arrives.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/paths.h"

namespace qm::capture {

// The header is written first with zero sizes and completed by finish(), so the
// file can grow while the demo plays.
class WavWriter {
public:
    static constexpr int kRate = 44100;
    static constexpr int kChannels = 2;
    static constexpr size_t kHeaderSize = 44;
    // The RIFF size field is 32 bits.
    static constexpr uint64_t kMaxDataBytes = 0xFFFFFFFFu - (kHeaderSize - 8);

    // Creates (or truncates) the file. False with `error` set when it cannot.
    bool open(const std::string& path, std::string& error);
    // Appends interleaved stereo frames.
    bool append(const int16_t* interleaved, size_t frames);
    // Writes the sizes into the header and closes the file.
    bool finish(std::string& error);

    uint64_t framesWritten() const { return dataBytes_ / (kChannels * 2); }
    bool isOpen() const { return file_ != nullptr; }

private:
    FileHandle file_;
    std::string path_;
    uint64_t dataBytes_ = 0;
    bool failed_ = false;
    bool tooLong_ = false;
};

// The 44-byte header of a PCM WAV file with `dataBytes` bytes of 16-bit stereo samples.
std::string wavHeader(uint32_t dataBytes);

}  // namespace qm::capture
